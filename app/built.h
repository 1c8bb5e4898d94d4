// Which statement and function tokens the runtime has code for, so that
// tools can tell what a program would miss without running it. Derived from
// the module tables themselves (app/modules.h, app/win32_modules.h) and
// the inline commands of the token table: there is no list to keep.
#pragma once
#include <cstdint>

namespace tolven {

bool statement_is_built(uint8_t token);
bool function_is_built(uint8_t token);

}  // namespace tolven
