#include "values/radix.h"

namespace tolven {

namespace {

int digit_value(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    return 99;
}

}  // namespace

RadixNumber parse_radix(std::string_view text, int base) {
    RadixNumber r;
    if (base < 2 || base > 16) return r;
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && text[i] == '-') {
        negative = true;
        ++i;
    }
    uint32_t v = 0;
    bool any = false;
    bool ok = true;
    for (; i < text.size(); ++i) {
        int d = digit_value(static_cast<unsigned char>(text[i]));
        if (d >= base || v > (UINT32_MAX - static_cast<uint32_t>(d)) / static_cast<uint32_t>(base)) {
            ok = false;
            break;
        }
        v = v * static_cast<uint32_t>(base) + static_cast<uint32_t>(d);
        any = true;
    }
    if (negative) v = 0u - v;
    r.value = static_cast<int32_t>(v);
    r.ok = ok && any;
    return r;
}

std::optional<int32_t> parse_typed_number(std::string_view text) {
    if (text.empty()) return std::nullopt;
    int base = 0;
    switch (text[0]) {
    case '$': base = 16; break;
    case '&': base = 8; break;
    case '%': base = 2; break;
    default: return std::nullopt;
    }
    RadixNumber r = parse_radix(text.substr(1), base);
    if (!r.ok) return std::nullopt;
    return r.value;
}

std::string radix_text(int32_t value, int base) {
    if (base != 2 && base != 8 && base != 16) base = 16;
    uint32_t mag = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    char buf[40];
    size_t n = sizeof buf;
    do {
        buf[--n] = "0123456789ABCDEF"[mag % static_cast<uint32_t>(base)];
        mag /= static_cast<uint32_t>(base);
    } while (mag != 0);
    if (value < 0) buf[--n] = '-';
    return std::string(buf + n, sizeof buf - n);
}

}  // namespace tolven
