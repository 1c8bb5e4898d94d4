#include "values/scramble.h"

namespace tolven {

namespace {
std::string current_key;
}

std::string make_scramble_key(std::string_view text) {
    if (text.empty()) return {};
    std::string base(text);
    size_t n = base.size() % 256;
    for (size_t i = 0; i < n; ++i)
        base[i] = static_cast<char>(static_cast<unsigned char>(base[i]) << 6);
    std::string key;
    key.reserve(kScrambleKeyLength);
    while (key.size() < kScrambleKeyLength)
        key.append(base, 0, kScrambleKeyLength - key.size());
    return key;
}

std::string scramble_text(std::string_view text, std::string_view key) {
    std::string out(text);
    if (key.size() != kScrambleKeyLength) return out;
    size_t n = out.size() % 256;
    for (size_t i = 1; i <= n; ++i) {
        unsigned char b = static_cast<unsigned char>(out[i - 1]);
        unsigned char k = static_cast<unsigned char>(key[kScrambleKeyLength - i]);
        out[i - 1] = static_cast<char>(b ^ (k & 0xC0));
    }
    return out;
}

void set_scramble_key(std::string_view text) { current_key = make_scramble_key(text); }

std::string scramble_with_current_key(std::string_view text) {
    return scramble_text(text, current_key);
}

void reset_scramble_key() { current_key.clear(); }

}  // namespace tolven
