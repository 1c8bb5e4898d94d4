// How SQL results become text: the display width of a column, fields fitted
// to it for the screen and the item list, quoted fields for the result
// file, and the part of a driver message a user is shown.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tolven::odbc {

// SQL data types with the values ODBC gives them.
namespace sqltype {
constexpr int16_t kNumeric = 2, kDecimal = 3, kInteger = 4, kSmallInt = 5, kFloat = 6, kReal = 7,
                  kDouble = 8, kDate = 9, kTime = 10, kTimestamp = 11, kLongVarChar = -1,
                  kBinary = -2, kVarBinary = -3, kBigInt = -5, kTinyInt = -6, kBit = -7;
// The same three under the names ODBC 3 drivers report.
constexpr int16_t kTypeDate = 91, kTypeTime = 92, kTypeTimestamp = 93;
}  // namespace sqltype

// No column is wider than this, whatever size a driver reports: a size of
// "unlimited" would otherwise make every line gigabytes long.
constexpr int32_t kMaxWidth = 32767;

// Characters a column takes on the screen and in the item list: by its SQL
// type and size, at least the length of its name.
int32_t display_width(int16_t type, uint64_t size, size_t name_length);

// The value padded with blanks or cut to the width, then the separator.
void append_fitted(std::string& line, std::string_view value, int32_t width, std::string_view separator);

// Quote, the value, quote, separator (quote and separator may be empty).
void append_quoted(std::string& line, std::string_view value, std::string_view quote,
                   std::string_view separator);

// The rule under the names: width + 1 minus signs.
void append_rule(std::string& line, int32_t width);

// A driver message without the bracketed names of the components that
// passed it on: the part after its last "]".
std::string_view driver_text(std::string_view message);

}  // namespace tolven::odbc
