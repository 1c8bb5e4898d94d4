// System variables, named constants and numbers in other bases: arguments
// that begin with a type character ("$", "%", "&", "!").
#pragma once
#include <string_view>

namespace tolven {

// Reads the system variable or radix number written in `text` (type
// character first) into the result slots and sets the result type; the
// reader fills the string slot of numeric results afterwards.
void read_system_variable(std::string_view text);

}  // namespace tolven
