#include "values/low_memory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace tolven {
namespace {

TEST(LowMemory, BlocksLieBelow2GBAreZeroedAndAligned) {
    std::vector<uint32_t> blocks;
    for (uint32_t size : {1u, 15u, 16u, 4096u, 1u << 20, 3u << 20}) {
        uint32_t a = low_alloc(size);
        ASSERT_NE(a, 0u) << size;
        EXPECT_LT(uint64_t(a) + size, 0x80000000ull);
        EXPECT_EQ(a % 16, 0u);
        for (uint32_t k = 0; k < size; k += 997) ASSERT_EQ(address_pointer(a)[k], 0) << size;
        std::memset(address_pointer(a), 0xAB, size);
        EXPECT_GE(low_block_size(a), size);
        blocks.push_back(a);
    }
    for (uint32_t a : blocks) low_free(a);
}

TEST(LowMemory, FreedBlocksAreReusedZeroedAndCoalesced) {
    uint32_t a = low_alloc(64), b = low_alloc(64), c = low_alloc(64);
    ASSERT_TRUE(a && b && c);
    std::memset(address_pointer(a), 0xFF, 64);
    low_free(a);
    low_free(b);  // a and b now form one free range of 128 bytes
    uint32_t d = low_alloc(128);
    EXPECT_EQ(d, a);
    for (int k = 0; k < 128; ++k) ASSERT_EQ(address_pointer(d)[k], 0);
    low_free(d);
    low_free(c);
    low_free(12345);  // unknown values are ignored
    EXPECT_EQ(low_block_size(12345), 0u);
}

TEST(LowMemory, OversizedRequestsFailInsteadOfGoingHigh) {
    EXPECT_EQ(low_alloc(0x7FFFFFFFu), 0u);
    EXPECT_EQ(low_alloc(0xFFFFFFFFu), 0u);
}

TEST(LowMemory, AccessChecks) {
    uint32_t a = low_alloc(100);
    ASSERT_NE(a, 0u);
    EXPECT_TRUE(memory_readable(a, 100));
    EXPECT_TRUE(memory_writable(a, 100));
    EXPECT_FALSE(memory_readable(0, 1));
    EXPECT_FALSE(memory_readable(16, 4));           // the first page is never mapped
    EXPECT_FALSE(memory_readable(0xFFFFFFF0u, 64));  // wraps past 4 GB
    EXPECT_FALSE(memory_writable(16, 4));
    low_free(a);
}

}  // namespace
}  // namespace tolven
