// The one place where the statement tokens are tied to their modules.
#pragma once
#include <cstdint>
#include <span>

namespace tolven {

// Tokens with an entry in the statement handler table: the HANDLER commands
// of core/tokens.def.
extern const std::span<const uint8_t> kHandlerTokens;

// Calls each portable module's registration.
void register_portable_modules();

}  // namespace tolven
