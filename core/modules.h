// The one place where the statement tokens are tied to their modules.
#pragma once
#include <cstdint>

namespace tolven {

// Tokens with an entry in the statement handler table.
extern const uint8_t kHandlerTokens[179];

// Calls each portable module's registration.
void register_portable_modules();

}  // namespace tolven
