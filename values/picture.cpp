#include "values/picture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace tolven {

namespace {

constexpr size_t kMaxFormat = 224;
constexpr int kPrecision = 15;

// A magnitude as 0.digits x 10^exp: digits without leading or trailing
// zeros; zero is the empty digit string with exp 0.
struct Decimal {
    std::string digits;
    int exp = 0;
    bool zero() const { return digits.empty(); }
};

void strip_trailing_zeros(Decimal& d) {
    while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
    if (d.digits.empty()) d.exp = 0;
}

// `precision` significant digits (1..15) of a finite magnitude.
Decimal to_decimal(double magnitude, int precision) {
    Decimal d;
    if (magnitude == 0.0) return d;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", precision - 1, magnitude);
    const char* p = buf;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9') d.digits += *p;
    d.exp = (*p == 'e' ? std::atoi(p + 1) : 0) + 1;
    strip_trailing_zeros(d);
    return d;
}

// Rounds half away from zero to `decimals` places after the point.
Decimal round_places(Decimal d, int decimals) {
    if (d.zero()) return d;
    long keep = static_cast<long>(d.exp) + decimals;
    if (keep >= static_cast<long>(d.digits.size())) return d;
    if (keep < 0) return Decimal{};
    bool up = d.digits[static_cast<size_t>(keep)] >= '5';
    d.digits.resize(static_cast<size_t>(keep));
    if (up) {
        long i = keep - 1;
        while (i >= 0 && d.digits[static_cast<size_t>(i)] == '9') d.digits[static_cast<size_t>(i--)] = '0';
        if (i >= 0) {
            ++d.digits[static_cast<size_t>(i)];
        } else {
            d.digits.insert(d.digits.begin(), '1');
            ++d.exp;
        }
    }
    strip_trailing_zeros(d);
    return d;
}

// The digit at decimal place `pos` counted from the first digit (0-based)
// of the digit string, "0" outside it.
char digit_at(const Decimal& d, long pos) {
    if (pos < 0 || pos >= static_cast<long>(d.digits.size())) return '0';
    return d.digits[static_cast<size_t>(pos)];
}

enum class Kind { Digit, Point, Literal, Exponent };

struct Element {
    explicit Element(Kind k) : kind(k) {}
    Kind kind;
    char ch = 0;          // Digit: '0' or '#'; Exponent: 'E' or 'e'
    bool plus = false;    // Exponent: sign also for positive exponents
    int min_digits = 0;   // Exponent
    std::string text;     // Literal
};

struct Section {
    std::vector<Element> elements;
    bool thousands = false;
    bool scientific = false;
    int int_places = 0;    // digit placeholders before the point
    int frac_places = 0;   // after the point (before an exponent)
    int forced_int = 0;    // integer places that always show
    int forced_frac = 0;   // fraction places that always show
};

// Splits at ';' outside quotes.
std::vector<std::string_view> split_sections(std::string_view format) {
    std::vector<std::string_view> out;
    size_t start = 0;
    char quote = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        char c = format[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == ';') {
            out.push_back(format.substr(start, i - start));
            start = i + 1;
        }
    }
    out.push_back(format.substr(start));
    return out;
}

Section scan_section(std::string_view s) {
    Section sec;
    bool seen_point = false;
    int first_int_zero = -1;
    auto literal = [&](std::string_view t) {
        if (!sec.elements.empty() && sec.elements.back().kind == Kind::Literal)
            sec.elements.back().text.append(t);
        else
            {
            Element e(Kind::Literal);
            e.text.assign(t);
            sec.elements.push_back(std::move(e));
        }
    };
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c == '"' || c == '\'') {
            size_t end = s.find(c, i + 1);
            if (end == std::string_view::npos) end = s.size();
            literal(s.substr(i + 1, end - i - 1));
            i = end;
        } else if ((c == '0' || c == '#') && !sec.scientific) {
            if (seen_point) {
                ++sec.frac_places;
                if (c == '0') sec.forced_frac = sec.frac_places;
            } else {
                if (c == '0' && first_int_zero < 0) first_int_zero = sec.int_places;
                ++sec.int_places;
            }
            Element e(Kind::Digit);
            e.ch = c;
            sec.elements.push_back(e);
        } else if (c == '0' || c == '#') {
            // Placeholders after the exponent have no digits to show.
        } else if (c == '.') {
            if (!seen_point && !sec.scientific) {
                seen_point = true;
                sec.elements.push_back(Element(Kind::Point));
            }
        } else if (c == ',') {
            sec.thousands = true;
        } else if ((c == 'E' || c == 'e') && !sec.scientific && i + 1 < s.size() &&
                   (s[i + 1] == '+' || s[i + 1] == '-')) {
            Element e(Kind::Exponent);
            e.ch = c;
            e.plus = s[i + 1] == '+';
            i += 2;
            while (i < s.size() && s[i] == '0') {
                if (e.min_digits < 4) ++e.min_digits;
                ++i;
            }
            --i;
            sec.scientific = true;
            sec.elements.push_back(e);
        } else {
            literal(s.substr(i, 1));
        }
    }
    if (first_int_zero >= 0) sec.forced_int = sec.int_places - first_int_zero;
    return sec;
}

std::string render(const Section& sec, double magnitude, bool& nonzero,
                   std::string_view decimal_sep, std::string_view thousands_sep) {
    std::string int_digits, frac_digits;
    int exponent = 0;
    if (sec.scientific) {
        int precision = std::clamp(sec.int_places + sec.frac_places, 1, kPrecision);
        Decimal d = to_decimal(magnitude, precision);
        nonzero = !d.zero();
        if (nonzero) {
            exponent = d.exp - sec.int_places;
            for (int k = 0; k < sec.int_places; ++k) int_digits += digit_at(d, k);
        }
        for (int k = 0; k < sec.frac_places; ++k) frac_digits += digit_at(d, sec.int_places + k);
    } else {
        Decimal d = round_places(to_decimal(magnitude, kPrecision), sec.frac_places);
        nonzero = !d.zero();
        for (long k = 0; k < d.exp; ++k) int_digits += digit_at(d, k);
        for (int k = 0; k < sec.frac_places; ++k) frac_digits += digit_at(d, d.exp + k);
    }
    while (static_cast<int>(frac_digits.size()) > sec.forced_frac && frac_digits.back() == '0')
        frac_digits.pop_back();
    if (static_cast<int>(int_digits.size()) < sec.forced_int)
        int_digits.insert(0, static_cast<size_t>(sec.forced_int) - int_digits.size(), '0');

    std::string out;
    const long n = static_cast<long>(int_digits.size());
    auto put_int_digit = [&](long place) {  // place: 1 = just before the point
        out += int_digits[static_cast<size_t>(n - place)];
        if (sec.thousands && place > 1 && (place - 1) % 3 == 0) out.append(thousands_sep);
    };
    auto put_extra_digits = [&]() {
        for (long place = n; place > sec.int_places; --place) put_int_digit(place);
    };
    int int_seen = 0, frac_seen = 0;
    bool point_seen = false;
    for (const Element& e : sec.elements) {
        switch (e.kind) {
        case Kind::Digit:
            if (!point_seen) {
                if (int_seen == 0) put_extra_digits();
                long place = sec.int_places - int_seen++;
                if (place <= n) put_int_digit(place);
            } else {
                if (frac_seen < static_cast<int>(frac_digits.size())) out += frac_digits[static_cast<size_t>(frac_seen)];
                ++frac_seen;
            }
            break;
        case Kind::Point:
            point_seen = true;
            if (sec.int_places == 0) put_extra_digits();
            if (!frac_digits.empty()) out.append(decimal_sep);
            break;
        case Kind::Literal:
            out += e.text;
            break;
        case Kind::Exponent: {
            out += e.ch;
            if (exponent < 0) out += '-';
            else if (e.plus) out += '+';
            std::string digits = std::to_string(std::abs(exponent));
            int width = std::max(e.min_digits, 1);
            if (static_cast<int>(digits.size()) < width)
                digits.insert(0, static_cast<size_t>(width) - digits.size(), '0');
            out += digits;
            break;
        }
        }
    }
    return out;
}

}  // namespace

std::string general_float_text(double value, std::string_view decimal_sep) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    Decimal d = to_decimal(std::fabs(value), kPrecision);
    if (d.zero()) return "0";
    std::string out = value < 0 ? "-" : "";
    if (d.exp <= kPrecision && d.exp >= -4) {
        if (d.exp > 0) {
            for (long k = 0; k < d.exp; ++k) out += digit_at(d, k);
            if (static_cast<long>(d.digits.size()) > d.exp) {
                out.append(decimal_sep);
                out.append(d.digits, static_cast<size_t>(d.exp));
            }
        } else {
            out += '0';
            out.append(decimal_sep);
            out.append(static_cast<size_t>(-d.exp), '0');
            out += d.digits;
        }
        return out;
    }
    out += d.digits[0];
    if (d.digits.size() > 1) {
        out.append(decimal_sep);
        out.append(d.digits, 1);
    }
    int e = d.exp - 1;
    out += 'E';
    if (e < 0) out += '-';
    out += std::to_string(std::abs(e));
    return out;
}

std::optional<std::string> format_picture(std::string_view format, double value,
                                          std::string_view decimal_sep,
                                          std::string_view thousands_sep) {
    if (format.size() > kMaxFormat) return std::nullopt;
    if (!std::isfinite(value)) return general_float_text(value, decimal_sep);
    std::vector<std::string_view> sections = split_sections(format);
    auto usable = [&](size_t k) { return k < sections.size() && !sections[k].empty(); };
    size_t which = 0;
    if (value < 0 && usable(1)) which = 1;
    else if (value == 0 && usable(2)) which = 2;
    if (!usable(which)) return general_float_text(value, decimal_sep);
    Section sec = scan_section(sections[which]);
    bool nonzero = false;
    std::string out = render(sec, std::fabs(value), nonzero, decimal_sep, thousands_sep);
    if (which == 0 && value < 0 && nonzero) out.insert(0, 1, '-');
    return out;
}

}  // namespace tolven
