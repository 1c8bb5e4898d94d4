// BMP files: reading them (from any source, so every header value is
// checked against the bytes really there) and writing them in the layout
// the save statement promises.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tolven {

// A BMP image as read: its own header values, and its pixel rows as one
// uncompressed block the platform takes as it is (rows of `stride` bytes,
// bottom row first unless `top_down`). Compressed files arrive decoded.
struct BmpImage {
    int32_t width = 0;
    int32_t height = 0;           // always positive; see top_down
    bool top_down = false;
    uint16_t bits = 0;            // 1, 4, 8, 16, 24 or 32
    uint32_t compression = 0;     // kBmpRgb or kBmpBitfields once decoded
    uint32_t masks[3] = {};       // red, green, blue of kBmpBitfields
    // Colour table as RGBQUADs (blue, green, red, 0), 2^bits entries for
    // images of up to 8 bits; entries the file does not hold are black.
    std::vector<uint32_t> palette;
    size_t stride = 0;
    std::vector<uint8_t> pixels;  // stride x height bytes

    // The RGB value (red in the low byte) of a pixel, for checks and tests;
    // row 0 is the top row.
    uint32_t rgb_at(int32_t x, int32_t y) const;
};

constexpr uint32_t kBmpRgb = 0, kBmpRle8 = 1, kBmpRle4 = 2, kBmpBitfields = 3;

// The largest image the reader accepts: 32767 pixels a side and an
// uncompressed size of at most 256 MB, so no header can make it allocate
// without bound (compressed files could otherwise claim any size).
constexpr int32_t kBmpMaxSide = 32767;
constexpr size_t kBmpMaxBytes = size_t{256} << 20;

// Row size in bytes of an uncompressed image: rows are padded to 4 bytes.
constexpr size_t bmp_stride(int32_t width, uint16_t bits) {
    return ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
}

// Reads a whole BMP file: "BM", a file header of 14 bytes and the 40-byte
// info header; 1, 4, 8, 24 bits uncompressed, 4 and 8 bits run-length
// encoded, 16 and 32 bits plain or with bit fields; bottom-up, or top-down
// where uncompressed. False for anything else and for any value that
// points outside the file.
bool read_bmp(std::span<const uint8_t> file, BmpImage& out);

// A BMP file of an image taken from the screen: the 14-byte file header,
// the 40-byte info header, the colour table (2^bits RGBQUADs below 24
// bits), four bytes of zero, then the rows as given (bottom row first).
// Bits above 8 are written as 24. `rows` must hold bmp_stride(width,
// bits) x height bytes and `palette` 2^bits entries below 24 bits.
std::vector<uint8_t> write_bmp(int32_t width, int32_t height, uint16_t bits,
                               std::span<const uint32_t> palette,
                               std::span<const uint8_t> rows);

}  // namespace tolven
