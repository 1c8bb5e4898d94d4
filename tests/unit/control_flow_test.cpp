// Block structure, run on the portable core. Each program counts what ran
// in integer variables; the counts tell which branches were taken.
#include "core/control_flow.h"

#include <string>
#include <vector>

#include "tests/unit/support/runtime_fixture.h"
#include "values/store.h"

namespace tolven::testing {
namespace {

class ControlFlow : public RuntimeTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        RuntimeTest::SetUp();
        reset_value_store();
        set_scan_memo(GetParam());
    }
    void TearDown() override {
        set_scan_memo(true);
        RuntimeTest::TearDown();
    }
    int32_t var(const char* name) {
        int32_t* v = find_integer(std::string_view(name));
        return v ? *v : -999;
    }
    std::string last_caption() { return rec.boxes.empty() ? "" : rec.boxes.back().caption; }
    std::string last_text() { return rec.boxes.empty() ? "" : rec.boxes.back().text; }
};

TEST_P(ControlFlow, IfElseIfChainRunsExactlyOneBranch) {
    for (int which : {0, 1, 2, 3}) {
        SetUp();
        load_listing({"DECLARE a%,b%,c%,d%,w%",
                      "LET w%=" + std::to_string(which),
                      "~IF w%=1",
                      "INC a%",
                      "~ELSEIF w%=2",
                      "INC b%",
                      "~ELSEIF w%=3",
                      "INC c%",
                      "ELSE",
                      "INC d%",
                      "ENDIF"});
        ASSERT_EQ(run(), 0) << last_caption();
        EXPECT_EQ(var("A%") + var("B%") + var("C%") + var("D%"), 1) << which;
        EXPECT_EQ(var("A%"), which == 1);
        EXPECT_EQ(var("B%"), which == 2);
        EXPECT_EQ(var("C%"), which == 3);
        EXPECT_EQ(var("D%"), which == 0);
    }
}

TEST_P(ControlFlow, NestedSkippedBlocksArePassedOver) {
    load_listing({"DECLARE a%,b%",
                  "IF 0",
                  "IF 1", "INC a%", "ELSE", "INC a%", "ENDIF",
                  "IFNOT 0", "INC a%", "ENDIF",
                  "ELSE",
                  "INC b%",
                  "ENDIF"});
    ASSERT_EQ(run(), 0) << last_caption();
    EXPECT_EQ(var("A%"), 0);
    EXPECT_EQ(var("B%"), 1);
}

TEST_P(ControlFlow, IfNotAndMissingPartners) {
    load_listing({"DECLARE a%", "IFNOT 1", "INC a%", "ENDIF", "IFNOT 0", "INC a%", "ENDIF"});
    ASSERT_EQ(run(), 0);
    EXPECT_EQ(var("A%"), 1);

    SetUp();
    load_listing({"IF 0", "REM"});
    EXPECT_EQ(run(), 2);
    EXPECT_EQ(last_caption(), "ENDIF bzw. ELSE nicht gefunden!");
    EXPECT_EQ(last_text(), "Zeile 2!");  // the scan ran to the last line

    SetUp();
    load_listing({"IFNOT 1", "REM"});
    EXPECT_EQ(run(), 2);
    EXPECT_EQ(last_caption(), "ENDIF nicht gefunden!");

    SetUp();
    load_listing({"ELSE", "REM"});
    EXPECT_EQ(run(), 2);
    EXPECT_EQ(last_caption(), "ENDIF nicht gefunden!");

    SetUp();
    load_listing({"IF 0", "ELSEIF"});  // an ELSEIF without condition inside the scan
    EXPECT_EQ(run(), 2);
    EXPECT_EQ(last_caption(), "Zu wenig Parameter!");
}

TEST_P(ControlFlow, WhileLoopCountsAndDirections) {
    load_listing({"DECLARE n%,m%",
                  "WHILELOOP 5", "INC n%", "WEND",
                  "WHILELOOP 10,1,-3", "INC m%", "WEND"});
    ASSERT_EQ(run(), 0) << last_caption();
    EXPECT_EQ(var("N%"), 5);
    EXPECT_EQ(var("M%"), 4);  // 10, 7, 4, 1
    EXPECT_EQ(control.loop_depth, 0);
}

TEST_P(ControlFlow, WhileLoopRejectsEmptyRangesAndZeroStep) {
    for (const char* args : {"0", "1,5,0", "5,1", "1,5,-1"}) {
        SetUp();
        load_listing({"WHILELOOP " + std::string(args), "WEND"});
        EXPECT_EQ(run(), 2) << args;
        EXPECT_EQ(last_caption(), "Ung\xFCltige WHILELOOP-Parameter!") << args;
    }
}

TEST_P(ControlFlow, WhileLoopUpToTheLargestValueEnds) {
    load_listing({"DECLARE n%", "WHILELOOP 2147483646,2147483647", "INC n%", "WEND"});
    ASSERT_EQ(run(), 0);
    EXPECT_EQ(var("N%"), 2);
}

TEST_P(ControlFlow, WhileAndLoopExit) {
    load_listing({"DECLARE n%,m%",
                  "~WHILE n%<3", "INC n%", "WEND",
                  "~WHILENOT m%=4", "INC m%", "IF 1", "EXITWHILE", "ENDIF", "WEND",
                  "WHILE 0", "INC n%", "WEND"});
    ASSERT_EQ(run(), 0) << last_caption();
    EXPECT_EQ(var("N%"), 3);
    EXPECT_EQ(var("M%"), 1);
    EXPECT_EQ(control.loop_depth, 0);
}

TEST_P(ControlFlow, EndWhileClosesALevelInScans) {
    // A loop skipped at entry must end at its own ENDWHILE, not at the WEND
    // of the loop after it.
    load_listing({"DECLARE a%,b%",
                  "WHILE 0", "INC a%", "ENDWHILE",
                  "WHILELOOP 2", "INC b%", "WEND"});
    ASSERT_EQ(run(), 0) << last_caption();
    EXPECT_EQ(var("A%"), 0);
    EXPECT_EQ(var("B%"), 2);
}

TEST_P(ControlFlow, LoopErrors) {
    load_listing({"WEND"});
    EXPECT_EQ(run(), 2);
    EXPECT_EQ(last_caption(), "WHILE, WHILELOOP oder WHILENOT fehlt!");
    SetUp();
    load_listing({"EXITWHILE"});
    EXPECT_EQ(run(), 2);
    EXPECT_EQ(last_caption(), "WHILE, WHILELOOP oder WHILENOT fehlt!");
    SetUp();
    load_listing({"WHILE 0", "REM"});
    EXPECT_EQ(run(), 2);
    EXPECT_EQ(last_caption(), "ENDWHILE bzw. WEND nicht gefunden!");

    SetUp();
    std::string deep;
    for (int k = 0; k < 30; ++k) deep += "WHILE 1\n";
    load_listing(deep + "END");
    EXPECT_EQ(run(), 0);  // 30 levels are allowed
    SetUp();
    load_listing(deep + "WHILE 1");
    EXPECT_EQ(run(), 2);
    EXPECT_EQ(last_caption(), "Zu tiefe WHILE-Verschachtelung!");
}

TEST_P(ControlFlow, GotoFindsTheFirstLabelCaseInsensitively) {
    load_listing({"DECLARE a%",
                  "GOTO \"weiter\"",
                  "INC a%",
                  "REM WeItEr: first",
                  "INC a%",
                  "REM weiter: second"});
    ASSERT_EQ(run(), 0) << last_caption();
    EXPECT_EQ(var("A%"), 1);

    SetUp();
    load_listing({"GOTO \"nirgends\""});
    EXPECT_EQ(run(), 2);
    EXPECT_EQ(last_caption(), "Label nicht gefunden: NIRGENDS:");
}

TEST_P(ControlFlow, GosubReturnAndLocals) {
    load_listing({"DECLARE a%,r%",
                  "LET a%=1",
                  "GOSUB \"sub\"",
                  "LET r%=a%",
                  "END",
                  "REM sub:",
                  "DECLARE a%",  // hides the outer a% until the return
                  "LET a%=7",
                  "RETURN 42"});
    ASSERT_EQ(run(), 0) << last_caption();
    EXPECT_EQ(var("R%"), 1);
    EXPECT_EQ(parameter_block().l[0], 42);
    EXPECT_EQ(parameter_block().i[0], 42);
    EXPECT_EQ(control.call_depth, 0);
}

TEST_P(ControlFlow, ReturnWithoutValueKeepsSlotZeroAndProcBodiesAreSkipped) {
    load_listing({"DECLARE a%",
                  "GOSUB \"p\"",
                  "RETURN 5",  // not reached: only a marker that the call came back here
                  "REM p:",
                  "PROC",
                  "INC a%",
                  "ENDPROC",
                  "ENDPROC"});
    // The GOSUB jumps to "p:", the PROC line skips its body, the last ENDPROC
    // returns; the RETURN 5 after the GOSUB then finds no call.
    EXPECT_EQ(run(), 2);
    EXPECT_EQ(var("A%"), 0);
    EXPECT_EQ(last_caption(), "GOSUB/PROC fehlt!");
    EXPECT_EQ(parameter_block().l[0], 5);

    SetUp();
    load_listing({"ENDPROC"});
    EXPECT_EQ(run(), 2);
    EXPECT_EQ(last_caption(), "PROC fehlt!");

    SetUp();
    load_listing({"PROC", "REM"});
    EXPECT_EQ(run(), 2);
    EXPECT_EQ(last_caption(), "ENDPROC nicht gefunden!");
}

TEST_P(ControlFlow, GosubDepthAndMissingLabelAfterPush) {
    load_listing({"REM r:", "GOSUB \"r\""});
    EXPECT_EQ(run(), 2);
    EXPECT_EQ(last_caption(), "Zu tiefe GOSUB/PROC-Verschachtelung!");
    EXPECT_EQ(control.call_depth, 150);

    SetUp();
    load_listing({"GOSUB \"gibtsnicht\""});
    EXPECT_EQ(run(), 2);
    EXPECT_EQ(control.call_depth, 1);
}

INSTANTIATE_TEST_SUITE_P(RememberedAndPlainScans, ControlFlow, ::testing::Bool());

}  // namespace
}  // namespace tolven::testing
