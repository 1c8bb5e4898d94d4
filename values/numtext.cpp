#include "values/numtext.h"

#include <charconv>
#include <cmath>

#include "values/radix.h"

namespace tolven {

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

NumberScan scan_number(std::string_view t) {
    NumberScan r;
    const size_t n = t.size();
    size_t k = 0;
    while (k < n && t[k] == ' ') ++k;
    bool negative = false;
    if (k < n && (t[k] == '-' || t[k] == '+')) negative = t[k++] == '-';
    const size_t start = k;
    size_t digits = 0;
    uint64_t whole = 0;
    while (k < n && t[k] >= '0' && t[k] <= '9') {
        if (digits < 18) whole = whole * 10 + static_cast<uint64_t>(t[k] - '0');
        ++digits;
        ++k;
    }
    bool point = false;
    size_t frac = 0;
    if (k < n && t[k] == '.') {
        size_t j = k + 1;
        uint64_t m = whole;
        while (j < n && t[j] >= '0' && t[j] <= '9') {
            if (digits + frac < 18) m = m * 10 + static_cast<uint64_t>(t[j] - '0');
            ++j, ++frac;
        }
        if (digits + frac > 0) {
            point = true;
            digits += frac;
            whole = m;
            k = j;
        }
    }
    if (digits == 0) return r;
    bool exponent = false;
    if (k < n && (t[k] == 'e' || t[k] == 'E')) {
        size_t j = k + 1;
        if (j < n && (t[j] == '+' || t[j] == '-')) ++j;
        const size_t exp_start = j;
        while (j < n && t[j] >= '0' && t[j] <= '9') ++j;
        if (j > exp_start) {
            exponent = true;
            k = j;
        }
    }
    static constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    double v = 0.0;
    if (!exponent && frac == 0 && digits <= 18) {
        v = static_cast<double>(whole);
    } else if (!exponent && digits <= 15) {
        // Both operands are exact doubles, so one correctly rounded division
        // gives the same value as the full conversion.
        v = static_cast<double>(whole) / kPow10[frac];
    } else {
        auto res = std::from_chars(t.data() + start, t.data() + k, v, std::chars_format::general);
        if (res.ec != std::errc() || !std::isfinite(v)) v = 0.0;
    }
    r.length = k;
    r.point = point;
    r.value = negative ? -v : v;
    return r;
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
    r.f = scan_number(text).value;
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
