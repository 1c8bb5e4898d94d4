// Colours of the text screen and colour values of programs. RGB values are
// kept in the platform's layout: red in the low byte, then green, then blue.
#pragma once
#include <cstdint>

namespace tolven {

constexpr uint32_t rgb(uint32_t r, uint32_t g, uint32_t b) { return r | (g << 8) | (b << 16); }

// Colour indices 0..15 of the text attribute. i + 8 is the bright form of i;
// 3 is magenta and 5 cyan.
constexpr uint32_t kTextColours[16] = {
    rgb(0x00, 0x00, 0x00), rgb(0x00, 0x00, 0x88), rgb(0x00, 0x88, 0x00), rgb(0x88, 0x00, 0x88),
    rgb(0x88, 0x00, 0x00), rgb(0x00, 0x88, 0x88), rgb(0x88, 0x88, 0x00), rgb(0xCC, 0xCC, 0xCC),
    rgb(0x44, 0x44, 0x44), rgb(0x00, 0x00, 0xFF), rgb(0x00, 0xFF, 0x00), rgb(0xFF, 0x00, 0xFF),
    rgb(0xFF, 0x00, 0x00), rgb(0x00, 0xFF, 0xFF), rgb(0xFF, 0xFF, 0x00), rgb(0xFF, 0xFF, 0xFF),
};

inline uint32_t text_colour(int32_t index) { return kTextColours[index & 15]; }

// Colour values are 15-bit colour numbers (red in bits 0..4, green 5..9,
// blue 10..14) unless true-colour mode takes them as RGB values.
extern bool true_colour_mode;

// The RGB value of a colour value: each 5-bit component v becomes 8 v + 7,
// except 0, which stays 0. In true-colour mode the value itself (its low
// three bytes).
uint32_t colour_value_rgb(int32_t value);

// The 15-bit colour number of an RGB value (each component's top 5 bits).
int32_t rgb_colour_number(uint32_t rgb_value);

}  // namespace tolven
