// What the bitmap statements leave for programs to read.
#pragma once
#include <cstdint>

namespace tolven {

struct BitmapState {
    // Width and height given to the last bitmap statement.
    int32_t width = 0, height = 0;
    // Palette entries of the last bitmap loaded with a palette.
    int32_t palette_entries = 0;
};
extern BitmapState bitmap_state;

}  // namespace tolven
