// The line cipher: a Blowfish-structured 64-bit block cipher with the
// runtime's own initial P-array, run in 8-bit cipher feedback over all line
// bytes of a program file as one stream. Halves are little-endian.
#pragma once
#include <cstddef>
#include <cstdint>

namespace tolven {

struct LineCipher {
    uint8_t initial_register[8];
    uint8_t shift_register[8];
    uint32_t s[4][256];
    uint32_t p[18];
};
static_assert(sizeof(LineCipher) == 4184);

// key_length >= 1. With initial_register null the register starts at zero.
void cipher_init(LineCipher& c, const uint8_t* key, size_t key_length,
                 const uint8_t* initial_register);
void cipher_decipher(LineCipher& c, const uint8_t* in, uint8_t* out, size_t count);
void cipher_encipher(LineCipher& c, const uint8_t* in, uint8_t* out, size_t count);
void cipher_wipe(LineCipher& c);

// The block function, exposed for known-answer tests.
void cipher_encrypt_block(const LineCipher& c, uint32_t& left, uint32_t& right);

}  // namespace tolven
