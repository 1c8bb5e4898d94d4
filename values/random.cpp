#include "values/random.h"

namespace tolven {

RandomGenerator& random_generator() {
    static RandomGenerator generator;
    return generator;
}

uint32_t seed_from_time(int hour, int minute, int second, int millisecond) {
    uint32_t s = static_cast<uint32_t>(hour) * 60u + static_cast<uint32_t>(minute);
    s = s * 60u + static_cast<uint32_t>(second);
    return s * 1000u + static_cast<uint32_t>(millisecond);
}

}  // namespace tolven
