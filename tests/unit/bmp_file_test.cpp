#include "screen/bmp_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace tolven {
namespace {

void put16(std::vector<uint8_t>& v, size_t at, uint32_t x) {
    v[at] = static_cast<uint8_t>(x);
    v[at + 1] = static_cast<uint8_t>(x >> 8);
}
void put32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
    put16(v, at, x & 0xFFFF);
    put16(v, at + 2, x >> 16);
}

// A file with the 40-byte header, `table` colour entries and `data`.
std::vector<uint8_t> bmp(int32_t w, int32_t h, uint16_t bits, uint32_t compression,
                         std::vector<uint32_t> table, std::vector<uint8_t> data,
                         uint32_t colours_used = 0) {
    std::vector<uint8_t> f(54 + 4 * table.size());
    f[0] = 'B';
    f[1] = 'M';
    put32(f, 10, static_cast<uint32_t>(f.size()));
    put32(f, 14, 40);
    put32(f, 18, static_cast<uint32_t>(w));
    put32(f, 22, static_cast<uint32_t>(h));
    put16(f, 26, 1);
    put16(f, 28, bits);
    put32(f, 30, compression);
    put32(f, 46, colours_used);
    for (size_t k = 0; k < table.size(); ++k) put32(f, 54 + 4 * k, table[k]);
    f.insert(f.end(), data.begin(), data.end());
    put32(f, 2, static_cast<uint32_t>(f.size()));
    return f;
}

constexpr uint32_t kRedQuad = 0x00FF0000, kBlueQuad = 0x000000FF;
constexpr uint32_t kRed = 0x0000FF, kBlue = 0xFF0000;

TEST(BmpFile, SavedTenByTenOfTwentyFourBitsHasTheDocumentedLayout) {
    std::vector<uint8_t> rows(bmp_stride(10, 24) * 10, 0x11);
    const auto file = write_bmp(10, 10, 32, {}, rows);  // above 8 bits: 24
    ASSERT_EQ(file.size(), 378u);
    BmpImage back;
    ASSERT_TRUE(read_bmp(file, back));
    EXPECT_EQ(back.bits, 24);
    EXPECT_EQ(file[10], 58);                                   // pixel offset
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + 54, file.begin() + 58),
              std::vector<uint8_t>(4, 0));                     // four bytes of zero
    EXPECT_EQ(back.rgb_at(9, 9), 0x111111u);
}

TEST(BmpFile, PalettedImageWrittenAndReadBack) {
    std::vector<uint32_t> palette(256, 0);
    palette[1] = kRedQuad;
    palette[2] = kBlueQuad;
    std::vector<uint8_t> rows(bmp_stride(3, 8) * 2, 0);
    rows[0] = 1;                    // bottom row, first pixel: red
    rows[bmp_stride(3, 8) + 2] = 2;  // top row, last pixel: blue
    const auto file = write_bmp(3, 2, 8, palette, rows);
    EXPECT_EQ(file.size(), 58u + 1024 + 8);
    BmpImage img;
    ASSERT_TRUE(read_bmp(file, img));
    EXPECT_EQ(img.rgb_at(0, 1), kRed);
    EXPECT_EQ(img.rgb_at(2, 0), kBlue);
    EXPECT_EQ(img.rgb_at(1, 0), 0u);
}

TEST(BmpFile, RefusesWhatIsNoBmpOfTheFortyByteForm) {
    BmpImage img;
    const auto good = bmp(2, 2, 24, kBmpRgb, {}, std::vector<uint8_t>(16, 0));
    ASSERT_TRUE(read_bmp(good, img));

    auto core = good;  // the 12-byte header form
    put32(core, 14, 12);
    EXPECT_FALSE(read_bmp(core, img));
    auto magic = good;
    magic[1] = 'A';
    EXPECT_FALSE(read_bmp(magic, img));
    EXPECT_FALSE(read_bmp(std::span(good).first(53), img));
    EXPECT_FALSE(read_bmp(std::span(good).first(good.size() - 1), img));  // rows cut short
    auto offset = good;
    put32(offset, 10, 0x7FFFFFFF);
    EXPECT_FALSE(read_bmp(offset, img));
    put32(offset, 10, 20);  // inside the headers
    EXPECT_FALSE(read_bmp(offset, img));
    for (auto [w, h] : {std::pair{0, 2}, {-2, 2}, {2, 0}, {40000, 1}, {1, INT32_MIN}}) {
        auto size = good;
        put32(size, 18, static_cast<uint32_t>(w));
        put32(size, 22, static_cast<uint32_t>(h));
        EXPECT_FALSE(read_bmp(size, img)) << w << "x" << h;
    }
    auto planes = good;
    put16(planes, 26, 2);
    EXPECT_FALSE(read_bmp(planes, img));
    auto bits = good;
    put16(bits, 28, 7);
    EXPECT_FALSE(read_bmp(bits, img));
    auto compression = good;
    put32(compression, 30, 4);  // JPEG inside
    EXPECT_FALSE(read_bmp(compression, img));
}

TEST(BmpFile, HugeRunLengthImagesAreRefusedBeforeAnythingIsAllocated) {
    BmpImage img;
    EXPECT_FALSE(read_bmp(bmp(32767, 32767, 8, kBmpRle8, std::vector<uint32_t>(256), {0, 1}), img));
    EXPECT_TRUE(read_bmp(bmp(4000, 4000, 8, kBmpRle8, std::vector<uint32_t>(256), {0, 1}), img));
    EXPECT_FALSE(read_bmp(bmp(4, -4, 8, kBmpRle8, std::vector<uint32_t>(256), {0, 1}), img));
}

TEST(BmpFile, ColourTableShorterThanItsCountReadsOnlyWhatIsThere) {
    // Two entries present, the header counts 200; the pixels follow at once.
    auto file = bmp(2, 1, 8, kBmpRgb, {kRedQuad, kBlueQuad}, {1, 5, 0, 0}, 200);
    BmpImage img;
    ASSERT_TRUE(read_bmp(file, img));
    ASSERT_EQ(img.palette.size(), 256u);
    EXPECT_EQ(img.rgb_at(0, 0), kBlue);
    EXPECT_EQ(img.rgb_at(1, 0), 0u);  // an entry the file does not hold is black
}

TEST(BmpFile, TopDownRowsStartAtTheTop) {
    // 1 x 2, 24 bits: first stored row red, then blue.
    auto file = bmp(1, -2, 24, kBmpRgb, {}, {0, 0, 0xFF, 0, 0xFF, 0, 0, 0});
    BmpImage img;
    ASSERT_TRUE(read_bmp(file, img));
    EXPECT_TRUE(img.top_down);
    EXPECT_EQ(img.height, 2);
    EXPECT_EQ(img.rgb_at(0, 0), kRed);
    EXPECT_EQ(img.rgb_at(0, 1), kBlue);
}

TEST(BmpFile, RunLengthEightBitsDecodesRunsPiecesMovesAndEnds) {
    // 6 x 3. Bottom row: three of 1, then 2, 1, 2 as they are (padded).
    // End of line. Middle row: a run of 200 cut at the edge. End of line.
    // Move 2 right and 0 up, one 2, end of bitmap; a run after it is
    // never reached.
    std::vector<uint8_t> data = {3, 1, 0, 3, 2, 1, 2, 0, 0, 0, 200, 2, 0, 0,
                                 0, 2, 2, 0, 1, 2, 0, 1, 6, 1};
    BmpImage img;
    ASSERT_TRUE(read_bmp(bmp(6, 3, 8, kBmpRle8, {0, kRedQuad, kBlueQuad}, data), img));
    EXPECT_EQ(img.compression, kBmpRgb);
    EXPECT_EQ(img.rgb_at(0, 2), kRed);
    EXPECT_EQ(img.rgb_at(3, 2), kBlue);
    EXPECT_EQ(img.rgb_at(4, 2), kRed);
    EXPECT_EQ(img.rgb_at(5, 2), kBlue);
    EXPECT_EQ(img.rgb_at(5, 1), kBlue);
    EXPECT_EQ(img.rgb_at(1, 0), 0u);
    EXPECT_EQ(img.rgb_at(2, 0), kBlue);
    EXPECT_EQ(img.rgb_at(3, 0), 0u);
}

TEST(BmpFile, RunLengthFourBitsAlternatesTheTwoNibbles) {
    // 5 x 1: a run of 3 alternating 1 and 2, then 3 nibbles as they are
    // (the last one beyond the edge).
    std::vector<uint8_t> data = {3, 0x12, 0, 3, 0x21, 0x20, 0, 1};
    BmpImage img;
    ASSERT_TRUE(read_bmp(bmp(5, 1, 4, kBmpRle4, {0, kRedQuad, kBlueQuad}, data), img));
    const uint32_t want[] = {kRed, kBlue, kRed, kBlue, kRed};
    for (int x = 0; x < 5; ++x) EXPECT_EQ(img.rgb_at(x, 0), want[x]) << x;
}

TEST(BmpFile, SixteenBitsPlainAndWithBitFields) {
    BmpImage img;
    // 5-5-5: pure red is 0x7C00.
    ASSERT_TRUE(read_bmp(bmp(1, 1, 16, kBmpRgb, {}, {0x00, 0x7C, 0, 0}), img));
    EXPECT_EQ(img.rgb_at(0, 0), kRed);
    // 5-6-5 through masks that follow the header: pure blue is 0x001F.
    auto file = bmp(1, 1, 16, kBmpBitfields, {0xF800, 0x07E0, 0x001F}, {0x1F, 0x00, 0, 0});
    ASSERT_TRUE(read_bmp(file, img));
    EXPECT_EQ(img.compression, kBmpBitfields);
    EXPECT_EQ(img.rgb_at(0, 0), kBlue);
    // Bit fields need their masks inside the file.
    auto cut = bmp(1, 1, 16, kBmpBitfields, {}, {});
    EXPECT_FALSE(read_bmp(cut, img));
}

}  // namespace
}  // namespace tolven
