#include "screen/colours.h"

namespace tolven {

bool true_colour_mode = false;

uint32_t colour_value_rgb(int32_t value) {
    const uint32_t v = static_cast<uint32_t>(value);
    if (true_colour_mode) return v & 0xFFFFFF;
    auto component = [](uint32_t c) { return c ? 8 * c + 7 : 0; };
    return rgb(component(v & 31), component((v >> 5) & 31), component((v >> 10) & 31));
}

int32_t rgb_colour_number(uint32_t rgb_value) {
    const uint32_t r = (rgb_value & 0xFF) >> 3, g = ((rgb_value >> 8) & 0xFF) >> 3,
                   b = ((rgb_value >> 16) & 0xFF) >> 3;
    return static_cast<int32_t>(r + 32 * g + 1024 * b);
}

}  // namespace tolven
