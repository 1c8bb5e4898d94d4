#include "core/cipher.h"

#include <gtest/gtest.h>

#include <cstring>

#include <string>
#include <vector>

#include "core/tokens.h"

namespace tolven {
namespace {

std::vector<uint8_t> bytes(const std::string& s) { return {s.begin(), s.end()}; }

std::string hex(const std::vector<uint8_t>& v) {
    static const char* d = "0123456789abcdef";
    std::string s;
    for (uint8_t b : v) { s += d[b >> 4]; s += d[b & 15]; }
    return s;
}

// Version-8 programs carry a 21-byte key; version 6 an 11-byte one.
const std::string kKey21 = "EN8TOLVEN-KEY-2026-LI";
const std::string kKey11 = "KEY-2026-LI";

TEST(LineCipher, BlockFunctionKnownAnswer) {
    LineCipher c;
    auto key = bytes(kKey21);
    cipher_init(c, key.data(), key.size(), key.data());
    uint32_t l = 0x03020100, r = 0x07060504;
    cipher_encrypt_block(c, l, r);
    EXPECT_EQ(l, 0xDCA7001Du);
    EXPECT_EQ(r, 0x16CD8BA7u);
}

TEST(LineCipher, StreamKnownAnswerForBothKeyLengths) {
    for (const auto& [key_text, expected] :
         {std::pair{kKey21, std::string("ac910a10d08451d81147cc")}, std::pair{kKey11, std::string("aac0e6fd623a30afa89bc3")}}) {
        LineCipher c;
        auto key = bytes(key_text);
        cipher_init(c, key.data(), key.size(), key.data());
        auto plain = bytes(static_cast<char>(code_of(Cmd::LET)) + std::string("A$=\"Hallo\""));
        std::vector<uint8_t> out(plain.size());
        cipher_encipher(c, plain.data(), out.data(), plain.size());
        EXPECT_EQ(hex(out), expected) << key_text;
    }
}

TEST(LineCipher, DecipherInvertsEncipherSplitAnywhere) {
    auto key = bytes(kKey21);
    std::vector<uint8_t> plain(300);
    for (size_t k = 0; k < plain.size(); ++k) plain[k] = static_cast<uint8_t>(k * 37 + 11);
    LineCipher enc;
    cipher_init(enc, key.data(), key.size(), key.data());
    std::vector<uint8_t> secret(plain.size());
    cipher_encipher(enc, plain.data(), secret.data(), plain.size());
    ASSERT_NE(secret, plain);
    for (size_t split = 0; split <= plain.size(); split += 7) {
        LineCipher dec;
        cipher_init(dec, key.data(), key.size(), key.data());
        std::vector<uint8_t> back = secret;
        cipher_decipher(dec, back.data(), back.data(), split);
        cipher_decipher(dec, back.data() + split, back.data() + split, back.size() - split);
        ASSERT_EQ(back, plain) << "split at " << split;
    }
}

TEST(LineCipher, ShortKeysAreUsedCyclically) {
    // A one-byte key and the same byte repeated four times mix identically.
    LineCipher a, b;
    uint8_t one[1] = {0x5A};
    uint8_t four[4] = {0x5A, 0x5A, 0x5A, 0x5A};
    cipher_init(a, one, 1, nullptr);
    cipher_init(b, four, 4, nullptr);
    EXPECT_EQ(0, std::memcmp(a.p, b.p, sizeof a.p));
    EXPECT_EQ(0, std::memcmp(a.s, b.s, sizeof a.s));
}

TEST(LineCipher, WipeClearsEverything) {
    LineCipher c;
    auto key = bytes(kKey11);
    cipher_init(c, key.data(), key.size(), key.data());
    cipher_wipe(c);
    const auto* p = reinterpret_cast<const uint8_t*>(&c);
    for (size_t k = 0; k < sizeof c; ++k) ASSERT_EQ(p[k], 0) << k;
}

}  // namespace
}  // namespace tolven
