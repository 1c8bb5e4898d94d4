#include "values/numtext.h"

#include <charconv>
#include <cmath>

#include "values/radix.h"

namespace tolven {

int32_t float_to_long(double f) {
    // Strict bounds: -2147483648 itself is above the limit in magnitude.
    if (!(f > -2147483648.0 && f < 2147483648.0)) return 0;
    return static_cast<int32_t>(std::trunc(f));
}

int32_t decimal_int_prefix(std::string_view text) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    int64_t v = 0;
    bool any = false;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        v = v * 10 + (text[i] - '0');
        if (v > 2147483648LL) return 0;
        any = true;
        ++i;
    }
    if (!any) return 0;
    if (negative) v = -v;
    if (v > INT32_MAX || v < INT32_MIN) return 0;
    return static_cast<int32_t>(v);
}

double decimal_float_prefix(std::string_view text) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    size_t start = i;
    auto digits = [&](size_t& k) {
        size_t n = 0;
        while (k < text.size() && text[k] >= '0' && text[k] <= '9') ++k, ++n;
        return n;
    };
    size_t mantissa_digits = digits(i);
    if (i < text.size() && text[i] == '.') {
        size_t k = i + 1;
        size_t frac = digits(k);
        if (mantissa_digits + frac > 0) {
            mantissa_digits += frac;
            i = k;
        }
    }
    if (mantissa_digits == 0) return 0.0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t k = i + 1;
        if (k < text.size() && (text[k] == '+' || text[k] == '-')) ++k;
        if (digits(k) > 0) i = k;
    }
    double v = 0.0;
    auto res = std::from_chars(text.data() + start, text.data() + i, v, std::chars_format::general);
    if (res.ec != std::errc() || !std::isfinite(v)) return 0.0;
    return negative ? -v : v;
}

NumberValue value_of_text(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
    NumberValue r;
    if (text.empty()) return r;
    int base = text[0] == '$' ? 16 : text[0] == '&' ? 8 : text[0] == '%' ? 2 : 0;
    if (base != 0) {
        int32_t v = parse_radix(text.substr(1), base).value;
        r.i = r.l = v;
        r.f = v;
        return r;
    }
    r.i = r.l = decimal_int_prefix(text);
    r.f = decimal_float_prefix(text);
    return r;
}

double round_decimals(double x, double n) {
    double f = std::pow(10.0, n);
    if (f == 0.0) return 0.0;
    double scaled = x * f;
    if (!std::isfinite(scaled) || !std::isfinite(f)) return x;
    return std::trunc(scaled + 0.5) / f;
}

}  // namespace tolven
