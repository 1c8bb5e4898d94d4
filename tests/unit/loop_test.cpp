#include "tests/unit/support/runtime_fixture.h"

namespace tolven::testing {
namespace {

using LoopTest = RuntimeTest;

TEST_F(LoopTest, EmptyProgramEndsWithZero) {
    load({});
    EXPECT_EQ(run(), 0);
    EXPECT_TRUE(rec.boxes.empty());
}

TEST_F(LoopTest, EndStopsBeforeLaterLines) {
    load({"\x02", "\x66"});  // END, then an unbuilt statement
    EXPECT_EQ(run(), 0);
    EXPECT_TRUE(rec.boxes.empty());
}

}  // namespace
}  // namespace tolven::testing
