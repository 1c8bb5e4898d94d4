// The runtime's random generator: seed := seed * 134775813 + 1 (32-bit),
// and a number below n is the high 32 bits of the 64-bit product of the new
// seed and n (n taken as an unsigned 32-bit value).
#pragma once
#include <cstdint>

namespace tolven {

class RandomGenerator {
public:
    uint32_t seed() const { return seed_; }
    // Sets the seed and returns the previous one (the RANDSEED switch).
    uint32_t set_seed(uint32_t s) {
        uint32_t old = seed_;
        seed_ = s;
        return old;
    }
    // Advances the seed and returns a number 0 .. n-1 (0 for n = 0). The
    // random function puts it in the long slot as it is and in the integer
    // and float slots sign-extended from its low 16 bits.
    uint32_t next(uint32_t n) {
        seed_ = seed_ * 134775813u + 1u;
        return static_cast<uint32_t>((static_cast<uint64_t>(seed_) * n) >> 32);
    }

private:
    uint32_t seed_ = 0;
};

// The one generator of the process; its seed is 0 when the program starts.
RandomGenerator& random_generator();

// The seed the randomize statement takes from the time of day (UTC):
// ((hour * 60 + minute) * 60 + second) * 1000 + milliseconds.
uint32_t seed_from_time(int hour, int minute, int second, int millisecond);

// The low 16 bits of v as a signed number.
inline int32_t sign_extend16(uint32_t v) { return static_cast<int16_t>(static_cast<uint16_t>(v)); }

}  // namespace tolven
