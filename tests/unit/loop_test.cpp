#include "tests/unit/support/runtime_fixture.h"

#include <string>
#include <vector>

#include "core/debug.h"
#include "core/line_trace.h"
#include "screen/events.h"

namespace tolven::testing {
namespace {

using LoopTest = RuntimeTest;

TEST_F(LoopTest, EmptyProgramEndsWithZero) {
    load_listing("");
    EXPECT_EQ(run(), 0);
    EXPECT_TRUE(rec.boxes.empty());
}

TEST_F(LoopTest, EndStopsBeforeLaterLines) {
    load_listing({"END", "SETFILEATTR"});  // a statement that would fail without its arguments
    EXPECT_EQ(run(), 0);
    EXPECT_TRUE(rec.boxes.empty());
}

}  // namespace
}  // namespace tolven::testing

namespace tolven::testing {
namespace {

using LoopTest2 = RuntimeTest;

std::string comments(int n) {
    std::string text;
    for (int k = 0; k < n; ++k) text += "REM\n";
    return text;
}

TEST_F(LoopTest2, PumpRunsAfterEvery21stLineUnlessSwitchedOff) {
    load_listing(comments(63));
    ASSERT_EQ(run(), 0);
    EXPECT_EQ(rec.pumps, 3);

    SetUp();
    load_listing("ERRORMODE -2\n" + comments(999));  // pump switch on
    ASSERT_EQ(run(), 0);
    EXPECT_EQ(rec.pumps, 0);
}

TEST_F(LoopTest2, PumpIsSkippedWhileTheTickCountStands) {
    rec.advance_ticks = false;
    load_listing(comments(210));
    ASSERT_EQ(run(), 0);
    EXPECT_EQ(rec.pumps, 1);  // only the first: no time passed after it
}

TEST_F(LoopTest2, TraceReportsEachStatementAndCancelEnds) {
    load_listing({"REM", ".empty", "END"});
    start_debug_mode(2);  // trace on, as TOLVEN_DEBUG=2 starts it
    ASSERT_EQ(run(), 0);
    // Comments and empty lines are not traced; END on line 3 is.
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].text, "Line 3!");
    EXPECT_EQ(rec.boxes[0].caption, "TRACE:");
    EXPECT_EQ(rec.boxes[0].type, mb::kOkCancel | mb::kIconInformation);
    ASSERT_EQ(rec.debug_lines.size(), 1u);
    EXPECT_EQ(rec.debug_lines[0], "debugTRACE*RUNTIME*3*TRACE*0");

    SetUp();
    load_listing({"ERRORMODE 1", "END"});
    start_debug_mode(2);  // trace on, as TOLVEN_DEBUG=2 starts it
    rec.box_answers = {mb::kIdOk, mb::kIdCancel};
    EXPECT_EQ(run(), 2);
    EXPECT_EQ(rec.boxes.back().caption, "Programm abgebrochen!");
    EXPECT_EQ(rec.boxes.back().text, "Zeile 2!");
}

// A log that can no longer be written (a full disk) says so once, stops,
// and the program runs on.
TEST_F(LoopTest2, LineLogThatCannotBeWrittenWarnsAndStops) {
    load_listing({"DECLARE a%", "REM", "END"});
    ASSERT_TRUE(start_line_trace("/dev/full"));
    ASSERT_EQ(run(), 0);
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].caption, "Fehler beim Schreiben: /dev/full");
    EXPECT_EQ(rec.boxes[0].text, "Zeile 1!");
    EXPECT_EQ(interp.watch, 0);
    EXPECT_EQ(interp.lines_run, 3u);
}

TEST_F(LoopTest2, LastKey255IsSeenAs254) {
    events.last_key = 255;
    load_listing({"REM"});
    ASSERT_EQ(run(), 0);
    EXPECT_EQ(events.last_key, 254);
}

}  // namespace
}  // namespace tolven::testing

namespace tolven::testing {
namespace {

using UnbuiltTest = RuntimeTest;

// Every statement the Windows runtime knows is built there; natively the
// Windows-only ones have no handler, which shows what a statement without
// one does: runtime error 102 with its token, naming the line.
TEST_F(UnbuiltTest, StatementWithoutHandlerNamesItsToken) {
    load_listing({"REM", "SETWINDOWFONT 1,2", "END"});
    EXPECT_EQ(run(), 2);
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].caption,
              "Befehl unbekannt: " + std::to_string(code_of(Cmd::SETWINDOWFONT)));
    EXPECT_EQ(rec.boxes[0].text, "Zeile 2!");
}

}  // namespace
}  // namespace tolven::testing
