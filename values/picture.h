// Picture formats for floats (function token 68) and the general float
// format they fall back to.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace tolven {

// Formats `value` by a picture format:
//   "0"  digit, or "0" where the value has none (between the leftmost "0"
//        before the point and the rightmost "0" after it digits always show)
//   "#"  digit, or nothing
//   "."  the first one places the decimal separator; further ones are
//        ignored. The separator shows only when fraction digits follow.
//   ","  anywhere: thousands separators between groups of three integer
//        digits
//   "E+" "E-" "e+" "e-"  scientific notation; up to four "0" right after
//        give the minimum exponent digits; "+" forms always show the sign
//   ";"  separates the sections for positive, negative and zero values
//   text in double or single quotes is copied without the quotes; any other
//   character is copied.
// The value is rounded half away from zero to as many decimals as there are
// placeholders after the point (scientific: to as many significant digits
// as the mantissa has placeholders), from its 15 significant digits.
// Integer digits that do not fit the placeholders come out before the
// first one. A negative value uses the negative section without a sign of
// its own; with no (or an empty) negative section the positive one is used
// with "-" in front, unless the value rounds to zero. An empty or missing
// zero section also falls back to the positive one; an empty positive
// section gives the general format. decimal_sep and thousands_sep are the
// Windows settings (each may be any text, also empty).
// A format of 225 bytes or more is refused: nullopt (no message of its own;
// the handler leaves the empty text).
std::optional<std::string> format_picture(std::string_view format, double value,
                                          std::string_view decimal_sep,
                                          std::string_view thousands_sep);

// General format with 15 significant digits, trailing zeros dropped: fixed
// point when the value has at most 15 integer digits and is at least
// 0.00001 in magnitude, else one digit, the fraction and "E" with the
// exponent ("1E20", "-1,5E-7"; a sign only for a negative exponent).
// "INF", "-INF" and "NAN" for values that are not finite.
std::string general_float_text(double value, std::string_view decimal_sep = ".");

}  // namespace tolven
