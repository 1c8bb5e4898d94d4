// Fuzzes the BMP reader with damaged files: whatever it accepts must hold
// exactly the rows its header promises, every pixel must be readable, and
// the image written again as a BMP must read back with the same colours.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "screen/bmp_file.h"

using namespace tolven;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    BmpImage img;
    if (!read_bmp(std::span<const uint8_t>(data, size), img)) return 0;
    if (img.pixels.size() != img.stride * static_cast<size_t>(img.height)) __builtin_trap();
    if (img.bits <= 8 && img.palette.size() != (size_t{1} << img.bits)) __builtin_trap();

    // A corner of the image, written as 24 bits and read again.
    const int32_t w = img.width < 16 ? img.width : 16, h = img.height < 16 ? img.height : 16;
    const size_t stride = bmp_stride(w, 24);
    std::vector<uint8_t> rows(stride * static_cast<size_t>(h));
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t c = img.rgb_at(x, y);
            uint8_t* p = rows.data() + static_cast<size_t>(h - 1 - y) * stride + 3 * static_cast<size_t>(x);
            p[0] = static_cast<uint8_t>(c >> 16);
            p[1] = static_cast<uint8_t>(c >> 8);
            p[2] = static_cast<uint8_t>(c);
        }
    const std::vector<uint8_t> file = write_bmp(w, h, 24, {}, rows);
    BmpImage again;
    if (!read_bmp(file, again)) __builtin_trap();
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            if (again.rgb_at(x, y) != img.rgb_at(x, y)) __builtin_trap();
    return 0;
}
