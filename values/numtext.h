// Number <-> text rules of the number functions that do not depend on the
// reader's width and decimals settings.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace tolven {

// A float made into a long or a 32-bit slot value: truncated toward zero;
// a magnitude above 2147483647 (and NaN) gives 0. The strict lower bound is
// deliberate: -2147483648 itself is beyond it.
inline int32_t float_to_long(double f) {
    if (!(f > -2147483648.0 && f < 2147483648.0)) return 0;
    return static_cast<int32_t>(f);
}

// The longest decimal integer at the start of `text` (one sign, digits);
// 0 when there is none or it does not fit in 32 bits.
int32_t decimal_int_prefix(std::string_view text);
struct NumberScan {
    size_t length = 0;   // bytes of the longest number at the start (0: none)
    bool point = false;  // it has a decimal point
    double value = 0.0;  // 0 when there is none or it lies outside the double range
};
// The longest decimal number at the start of `text` after leading blanks
// (sign, digits, point, digits, exponent with sign and digits), read in the
// C locale; `length` counts the blanks too.
NumberScan scan_number(std::string_view text);

struct NumberValue {
    int32_t i = 0;
    int32_t l = 0;
    double f = 0.0;
};
// The value of a text (function token 189). The text is trimmed of blanks
// and control characters. A leading "$", "&" or "%" reads the rest as
// hexadecimal, octal or binary (see parse_radix; a bad digit keeps what was
// read before it) into all three slots. Otherwise the integer and long
// slots get the decimal integer prefix and the float slot the decimal float
// prefix, so "12abc" gives 12 and "2.5" gives 2 and 2.5.
NumberValue value_of_text(std::string_view text);

// Rounding function (token 99): f = 10^n, trunc(x * f + 0.5) / f. So -2.5
// with 0 decimals gives -2. A product beyond the double range leaves x as
// it is; a factor that underflows to 0 gives 0.
double round_decimals(double x, double n);

}  // namespace tolven
