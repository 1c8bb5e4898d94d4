#include <gtest/gtest.h>

#include "values/random.h"

using namespace tolven;

TEST(PureRandom, SequenceFromKnownSeeds) {
    RandomGenerator g;
    EXPECT_EQ(g.seed(), 0u);
    const uint32_t from_zero[] = {0, 3, 86, 20, 27, 67};
    for (uint32_t expect : from_zero) EXPECT_EQ(g.next(100), expect);
    EXPECT_EQ(g.seed(), 2884733762u);

    EXPECT_EQ(g.set_seed(12345), 2884733762u);
    const uint32_t from_12345[] = {385, 289, 79, 553};
    for (uint32_t expect : from_12345) EXPECT_EQ(g.next(1000), expect);
}

TEST(PureRandom, RangeEdges) {
    RandomGenerator g;
    EXPECT_EQ(g.next(0), 0u);
    // A negative long range is taken as a large unsigned one.
    EXPECT_EQ(g.next(0xFFFFFFFFu), 134775813u);
    EXPECT_EQ(seed_from_time(13, 45, 30, 250), 49530250u);
    EXPECT_EQ(sign_extend16(40000), -25536);
    EXPECT_EQ(sign_extend16(0x12345), 0x2345);
}
