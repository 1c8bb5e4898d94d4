// The one dispatch point for function calls inside argument texts: "@",
// a function token byte, the arguments and ")".
#pragma once
#include <cstdint>

namespace tolven {

// Runs the function of `token`. The remaining argument text (reader.rest)
// starts right after the token and holds the function's arguments and its
// closing ")"; the function consumes what it reads and leaves its value in
// the result slots.
void dispatch_function(uint8_t token);

}  // namespace tolven
