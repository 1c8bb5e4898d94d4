#include "tests/unit/support/runtime_fixture.h"

#include <string>
#include <vector>

#include "screen/events.h"

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

namespace tolven::testing {
namespace {

using LoopTest2 = RuntimeTest;

std::vector<std::string> comments(int n) { return std::vector<std::string>(static_cast<size_t>(n), "\x27"); }

void load_lines(const std::vector<std::string>& lines) {
    program.clear();
    for (const auto& l : lines) program.add_line(l, 0);
}

TEST_F(LoopTest2, PumpRunsAfterEvery21stLineUnlessSwitchedOff) {
    load_lines(comments(63));
    ASSERT_EQ(run(), 0);
    EXPECT_EQ(rec.pumps, 3);

    SetUp();
    auto lines = comments(1000);
    lines[0] = "\xEF-2";  // pump switch on
    load_lines(lines);
    ASSERT_EQ(run(), 0);
    EXPECT_EQ(rec.pumps, 0);
}

TEST_F(LoopTest2, PumpIsSkippedWhileTheTickCountStands) {
    rec.advance_ticks = false;
    load_lines(comments(210));
    ASSERT_EQ(run(), 0);
    EXPECT_EQ(rec.pumps, 1);  // only the first: no time passed after it
}

TEST_F(LoopTest2, TraceReportsEachStatementAndCancelEnds) {
    load_lines({"\x27", "", "\x02"});
    interp.trace = true;
    ASSERT_EQ(run(), 0);
    // Comments and empty lines are not traced; END on line 3 is.
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].text, "Line 3!");
    EXPECT_EQ(rec.boxes[0].caption, "TRACE:");
    EXPECT_EQ(rec.boxes[0].type, mb::kOkCancel | mb::kIconInformation);
    ASSERT_EQ(rec.debug_lines.size(), 1u);
    EXPECT_EQ(rec.debug_lines[0], "debugTRACE*RUNTIME*3*TRACE*0");

    SetUp();
    load_lines({"\xEF" "1", "\x02"});
    interp.trace = true;
    rec.box_answers = {mb::kIdOk, mb::kIdCancel};
    EXPECT_EQ(run(), 2);
    EXPECT_EQ(rec.boxes.back().caption, "Programm abgebrochen!");
    EXPECT_EQ(rec.boxes.back().text, "Zeile 2!");
}

TEST_F(LoopTest2, LastKey255IsSeenAs254) {
    events.last_key = 255;
    load_lines({"\x27"});
    ASSERT_EQ(run(), 0);
    EXPECT_EQ(events.last_key, 254);
}

}  // namespace
}  // namespace tolven::testing
