// Text operations shared by the reader, the loop and statements.
#pragma once
#include <cstddef>
#include <string_view>

namespace tolven {

// Index (0-based) of the first `sep` at bracket depth 0 and outside double
// quotes, or npos. "@" + function token opens a level; two-byte line
// references after 0xFF (bare or as a function token) and after function
// token 0xA7 are skipped. An unterminated quote ends at the end of the text.
size_t find_separator(std::string_view text, char sep);

}  // namespace tolven
