#include "screen/bmp_file.h"

#include <algorithm>
#include <bit>

#include "core/bytes.h"

namespace tolven {

namespace {

constexpr size_t kFileHeader = 14, kInfoHeader = 40, kHeaders = kFileHeader + kInfoHeader;

uint16_t u16(std::span<const uint8_t> b, size_t at) { return le16(b.data() + at); }
uint32_t u32(std::span<const uint8_t> b, size_t at) { return le32(b.data() + at); }
void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.resize(out.size() + 2);
    put_le16(out.data() + out.size() - 2, v);
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
    out.resize(out.size() + 4);
    put_le32(out.data() + out.size() - 4, v);
}

// Run-length decoding into rows of one index per pixel (8 bits) or two
// (4 bits), bottom row first. Everything the runs do not reach stays index
// 0; runs and positions outside the image are dropped; the data ends at
// its end-of-bitmap code or at the end of the file, whichever comes first.
void decode_rle(std::span<const uint8_t> data, BmpImage& img, bool four) {
    int32_t x = 0, y = 0;
    const int32_t w = img.width, h = img.height;
    auto put = [&](uint8_t index) {
        if (x < w && y < h) {
            uint8_t& byte = img.pixels[static_cast<size_t>(y) * img.stride +
                                       static_cast<size_t>(four ? x / 2 : x)];
            if (!four) byte = index;
            else if (x % 2 == 0) byte = static_cast<uint8_t>((byte & 0x0F) | (index << 4));
            else byte = static_cast<uint8_t>((byte & 0xF0) | (index & 0x0F));
        }
        ++x;
    };
    size_t p = 0;
    while (p + 1 < data.size() && y < h) {
        const uint8_t count = data[p], value = data[p + 1];
        p += 2;
        if (count > 0) {
            // Runs past the right edge are cut rather than followed, so a
            // hostile count costs at most one row.
            for (int k = 0; k < count && x < w; ++k)
                put(four ? static_cast<uint8_t>(k % 2 ? value & 0x0F : value >> 4) : value);
            continue;
        }
        if (value == 0) {  // end of line
            x = 0;
            ++y;
        } else if (value == 1) {  // end of bitmap
            break;
        } else if (value == 2) {  // move right and up
            if (p + 1 >= data.size()) break;
            x += data[p];
            y += data[p + 1];
            p += 2;
        } else {  // `value` pixels as they are, padded to a word
            const size_t bytes = four ? (value + 1u) / 2 : value;
            if (bytes > data.size() - p) break;
            for (int k = 0; k < value; ++k) {
                const uint8_t b = data[p + (four ? k / 2 : k)];
                put(four ? static_cast<uint8_t>(k % 2 ? b & 0x0F : b >> 4) : b);
            }
            p += (bytes + 1) & ~size_t{1};
        }
    }
}

uint8_t scale_field(uint32_t pixel, uint32_t mask) {
    if (!mask) return 0;
    const int shift = std::countr_zero(mask);
    const uint32_t top = mask >> shift;
    const uint32_t v = (pixel & mask) >> shift;
    return static_cast<uint8_t>(top ? (v * 255 + top / 2) / top : 0);
}

}  // namespace

bool read_bmp(std::span<const uint8_t> file, BmpImage& out) {
    out = BmpImage{};
    if (file.size() < kHeaders || file[0] != 'B' || file[1] != 'M') return false;
    if (u32(file, kFileHeader) != kInfoHeader) return false;  // other header forms
    const uint32_t offset = u32(file, 10);
    const int32_t width = static_cast<int32_t>(u32(file, 18));
    const int32_t height = static_cast<int32_t>(u32(file, 22));
    const uint16_t planes = u16(file, 26), bits = u16(file, 28);
    const uint32_t compression = u32(file, 30), colours_used = u32(file, 46);

    if (planes != 1 || width <= 0 || width > kBmpMaxSide || height == 0 ||
        height < -kBmpMaxSide || height > kBmpMaxSide)
        return false;
    switch (bits) {
        case 1: case 4: case 8: case 16: case 24: case 32: break;
        default: return false;
    }
    const bool top_down = height < 0;
    switch (compression) {
        case kBmpRgb: break;
        case kBmpRle8: if (bits != 8 || top_down) return false; break;
        case kBmpRle4: if (bits != 4 || top_down) return false; break;
        case kBmpBitfields: if (bits != 16 && bits != 32) return false; break;
        default: return false;
    }
    out.width = width;
    out.height = top_down ? -height : height;
    out.top_down = top_down;
    out.bits = bits;
    out.stride = bmp_stride(width, bits);
    const size_t size = out.stride * static_cast<size_t>(out.height);
    if (size > kBmpMaxBytes) return false;
    if (offset < kHeaders || offset > file.size()) return false;

    size_t table = kHeaders;
    if (compression == kBmpBitfields) {
        if (file.size() < table + 12) return false;
        for (int k = 0; k < 3; ++k) out.masks[k] = u32(file, table + 4 * k);
        table += 12;
    }
    out.compression = compression == kBmpBitfields ? kBmpBitfields : kBmpRgb;
    if (bits <= 8) {
        // The table holds the colours the header counts (all of them when
        // it counts none) as far as the file holds them before the pixels.
        const size_t entries = size_t{1} << bits;
        size_t present = colours_used && colours_used < entries ? colours_used : entries;
        const size_t room = offset > table ? (offset - table) / 4 : 0;
        present = std::min(present, room);
        out.palette.assign(entries, 0);
        for (size_t k = 0; k < present; ++k) out.palette[k] = u32(file, table + 4 * k);
    }

    const std::span<const uint8_t> data = file.subspan(offset);
    if (compression == kBmpRle8 || compression == kBmpRle4) {
        out.pixels.assign(size, 0);
        decode_rle(data, out, compression == kBmpRle4);
        return true;
    }
    if (data.size() < size) return false;  // the rows are not all there
    out.pixels.assign(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(size));
    return true;
}

uint32_t BmpImage::rgb_at(int32_t x, int32_t y) const {
    if (x < 0 || y < 0 || x >= width || y >= height || pixels.empty()) return 0;
    const int32_t row = top_down ? y : height - 1 - y;
    const uint8_t* p = pixels.data() + static_cast<size_t>(row) * stride;
    auto from_quad = [](uint32_t q) {
        return ((q >> 16) & 0xFF) | (q & 0xFF00) | ((q & 0xFF) << 16);
    };
    switch (bits) {
        case 1: return from_quad(palette[(p[x / 8] >> (7 - x % 8)) & 1]);
        case 4: return from_quad(palette[(p[x / 2] >> (x % 2 ? 0 : 4)) & 15]);
        case 8: return from_quad(palette[p[x]]);
        case 24: return p[3 * x + 2] | p[3 * x + 1] << 8 | static_cast<uint32_t>(p[3 * x]) << 16;
        default: break;
    }
    uint32_t v = 0, r = 0x7C00, g = 0x03E0, b = 0x001F;
    if (bits == 16) {
        v = static_cast<uint32_t>(p[2 * x] | p[2 * x + 1] << 8);
    } else {
        v = static_cast<uint32_t>(p[4 * x]) | static_cast<uint32_t>(p[4 * x + 1]) << 8 |
            static_cast<uint32_t>(p[4 * x + 2]) << 16 | static_cast<uint32_t>(p[4 * x + 3]) << 24;
        r = 0xFF0000, g = 0xFF00, b = 0xFF;
    }
    if (compression == kBmpBitfields) r = masks[0], g = masks[1], b = masks[2];
    return scale_field(v, r) | scale_field(v, g) << 8 | static_cast<uint32_t>(scale_field(v, b)) << 16;
}

std::vector<uint8_t> write_bmp(int32_t width, int32_t height, uint16_t bits,
                               std::span<const uint32_t> palette,
                               std::span<const uint8_t> rows) {
    if (bits > 8) bits = 24;
    const uint32_t table = bits < 24 ? 4u << bits : 0;
    const uint32_t image = static_cast<uint32_t>(bmp_stride(width, bits) * static_cast<size_t>(height));
    // The headers, the table and four bytes of zero come before the pixels.
    const uint32_t pixel_offset = static_cast<uint32_t>(kHeaders) + 4 + table;
    std::vector<uint8_t> out;
    out.reserve(pixel_offset + image);
    out.push_back('B');
    out.push_back('M');
    put32(out, pixel_offset + image);
    put32(out, 0);
    put32(out, pixel_offset);
    put32(out, kInfoHeader);
    put32(out, static_cast<uint32_t>(width));
    put32(out, static_cast<uint32_t>(height));
    put16(out, 1);
    put16(out, bits);
    put32(out, kBmpRgb);
    put32(out, image);
    for (int k = 0; k < 4; ++k) put32(out, 0);  // resolution, colours used and important
    for (uint32_t k = 0; k < table / 4; ++k) put32(out, k < palette.size() ? palette[k] : 0);
    put32(out, 0);
    out.insert(out.end(), rows.begin(), rows.begin() + std::min<size_t>(rows.size(), image));
    out.resize(pixel_offset + image, 0);
    return out;
}

}  // namespace tolven
