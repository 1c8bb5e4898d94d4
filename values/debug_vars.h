// What a debugger reads of the variables (the debug interface of core).
#pragma once
#include <string>
#include <string_view>

namespace tolven {

// For each comma-separated name of the list whose variable exists, the
// name, " = ", the value and a CR, in the order of the list. The newest
// variable of a name answers, so a procedure's local hides a global. Array
// elements and area variables are left out; a malformed name raises runtime
// error 122 or 123 (under error mode -1 it is left out too).
std::string variable_text(std::string_view names);

}  // namespace tolven
