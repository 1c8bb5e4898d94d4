#include <gtest/gtest.h>

#include <string>

#include "values/scramble.h"

using namespace tolven;

namespace {
std::string bytes(size_t n, unsigned seed) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 37 + seed * 11 + 5) & 0xFF);
    return s;
}
}  // namespace

TEST(PureScramble, KeyShape) {
    EXPECT_EQ(make_scramble_key(""), "");
    std::string key = make_scramble_key("ab\x03");
    ASSERT_EQ(key.size(), kScrambleKeyLength);
    // 'a' = 0x61 -> 0x40, 'b' = 0x62 -> 0x80, 0x03 -> 0xC0, repeated.
    EXPECT_EQ(key.substr(0, 6), std::string("\x40\x80\xC0\x40\x80\xC0", 6));
    EXPECT_EQ(static_cast<unsigned char>(key.back()), 0x40);  // 32767 = 3 * 10922 + 1
    // A 256-byte key text is repeated unchanged; a longer one is cut.
    std::string t256 = bytes(256, 1);
    EXPECT_EQ(make_scramble_key(t256).substr(0, 256), t256);
    std::string big = bytes(40000, 2);
    std::string big_key = make_scramble_key(big);
    ASSERT_EQ(big_key.size(), kScrambleKeyLength);
    EXPECT_EQ(big_key.substr(256 * 2), big.substr(256 * 2, kScrambleKeyLength - 512));
}

TEST(PureScramble, TwiceRestoresAndOnlyTopBitsOfTheHeadChange) {
    std::string key = make_scramble_key("Geheimnis \xE4\xF6\xFC");
    for (size_t len : {0u, 1u, 5u, 255u, 257u, 300u, 511u, 1000u}) {
        std::string text = bytes(len, static_cast<unsigned>(len));
        std::string once = scramble_text(text, key);
        ASSERT_EQ(once.size(), text.size());
        EXPECT_EQ(scramble_text(once, key), text) << len;
        size_t n = len % 256;
        for (size_t i = 0; i < len; ++i) {
            unsigned char a = static_cast<unsigned char>(text[i]);
            unsigned char b = static_cast<unsigned char>(once[i]);
            ASSERT_EQ(a & 0x3F, b & 0x3F);
            if (i >= n) {
                ASSERT_EQ(a, b) << len << " " << i;
            }
        }
    }
    // Key byte 32767 (the last) goes with text byte 1.
    std::string flip = make_scramble_key(std::string(1, '\x03'));
    EXPECT_EQ(scramble_text("A", flip), "\x81");
    EXPECT_NE(scramble_text(bytes(100, 3), key), bytes(100, 3));
}

TEST(PureScramble, LengthMultipleOf256AndNoKeyAreUnchanged) {
    std::string key = make_scramble_key("x\x01\x02");
    std::string t256 = bytes(256, 9);
    EXPECT_EQ(scramble_text(t256, key), t256);
    EXPECT_EQ(scramble_text(bytes(512, 4), key), bytes(512, 4));
    EXPECT_EQ(scramble_text("hello", ""), "hello");
    EXPECT_EQ(scramble_text("hello", std::string(100, '\xC0')), "hello");

    reset_scramble_key();
    EXPECT_EQ(scramble_with_current_key("hello"), "hello");
    set_scramble_key("\x03");
    EXPECT_EQ(scramble_with_current_key("A"), "\x81");
    set_scramble_key("");
    EXPECT_EQ(scramble_with_current_key("A"), "A");
    reset_scramble_key();
}
