#include "core/cipher.h"

#include <cstring>

#include "core/bytes.h"

namespace tolven {

namespace {

// The runtime's own initial P-array; programs enciphered for it use it.
constexpr uint32_t kInitialP[18] = {
    0xBEE3B9CC, 0x43291948, 0xA282028E, 0x88F2DAB6, 0xBDF8D50E, 0xC3D85B4A,
    0x7088529A, 0xBEB639BB, 0x8F70CC2A, 0xCE77975B, 0x8E67F590, 0xBA4518E5,
    0xCBDBA991, 0xA4333EFB, 0x8DCC9376, 0x2BE3A796, 0xB651DBE3, 0x36260649};

constexpr uint32_t kInitialS[4][256] = {
#include "core/cipher_sboxes.inc"
};

inline uint32_t round_f(const LineCipher& c, uint32_t x) {
    return ((c.s[0][x >> 24] + c.s[1][(x >> 16) & 255]) ^ c.s[2][(x >> 8) & 255]) +
           c.s[3][x & 255];
}

uint8_t keystream_byte(const LineCipher& c) {
    uint32_t l = le32(c.shift_register), r = le32(c.shift_register + 4);
    cipher_encrypt_block(c, l, r);
    return uint8_t(l);  // byte 0 of the output block
}

void shift_in(LineCipher& c, uint8_t b) {
    std::memmove(c.shift_register, c.shift_register + 1, 7);
    c.shift_register[7] = b;
}

}  // namespace

void cipher_encrypt_block(const LineCipher& c, uint32_t& left, uint32_t& right) {
    uint32_t l = left ^ c.p[0], r = right;
    for (int i = 1; i <= 15; i += 2) {
        r ^= round_f(c, l) ^ c.p[i];
        l ^= round_f(c, r) ^ c.p[i + 1];
    }
    r ^= c.p[17];
    // The output block is R then L.
    left = r;
    right = l;
}

void cipher_init(LineCipher& c, const uint8_t* key, size_t n, const uint8_t* initial_register) {
    std::memcpy(c.s, kInitialS, sizeof c.s);
    std::memcpy(c.p, kInitialP, sizeof c.p);
    if (initial_register) {
        std::memcpy(c.initial_register, initial_register, 8);
    } else {
        std::memset(c.initial_register, 0, 8);
    }
    std::memcpy(c.shift_register, c.initial_register, 8);
    size_t j = 0;
    for (int i = 0; i < 18; ++i) {
        uint32_t word = uint32_t(key[j]) << 24 | uint32_t(key[(j + 1) % n]) << 16 |
                        uint32_t(key[(j + 2) % n]) << 8 | uint32_t(key[(j + 3) % n]);
        c.p[i] ^= word;
        j = (j + 4) % n;
    }
    uint32_t l = 0, r = 0;
    for (int i = 0; i < 18; i += 2) {
        cipher_encrypt_block(c, l, r);
        c.p[i] = l;
        c.p[i + 1] = r;
    }
    for (auto& box : c.s) {
        for (int i = 0; i < 256; i += 2) {
            cipher_encrypt_block(c, l, r);
            box[i] = l;
            box[i + 1] = r;
        }
    }
}

void cipher_decipher(LineCipher& c, const uint8_t* in, uint8_t* out, size_t count) {
    for (size_t k = 0; k < count; ++k) {
        const uint8_t b = in[k];
        out[k] = b ^ keystream_byte(c);
        shift_in(c, b);
    }
}

void cipher_encipher(LineCipher& c, const uint8_t* in, uint8_t* out, size_t count) {
    for (size_t k = 0; k < count; ++k) {
        const uint8_t produced = in[k] ^ keystream_byte(c);
        out[k] = produced;
        shift_in(c, produced);
    }
}

void cipher_wipe(LineCipher& c) {
    volatile uint8_t* p = reinterpret_cast<volatile uint8_t*>(&c);
    for (size_t k = 0; k < sizeof c; ++k) p[k] = 0;
}

}  // namespace tolven
