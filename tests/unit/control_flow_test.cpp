// Block structure, run on the portable core. Each program counts what ran
// in integer variables; the counts tell which branches were taken.
#include "core/control_flow.h"

#include <string>
#include <vector>

#include "tests/unit/support/runtime_fixture.h"
#include "values/store.h"

namespace tolven::testing {
namespace {

const std::string kDeclare = "\xCC", kInc = "\xD0", kLet = "\xCE";
const std::string kIf = "\x85", kIfNot = "\x87", kElseIf = "\xF3", kElse = "\x86", kEndIf = "\x84";
const std::string kWhile = "\x88", kWhileNot = "\x89", kWhileLoop = "\x33", kWend = "\x8A",
                  kEndWhile = "\x3B", kExit = "\x3C";
const std::string kGoto = "\x8D", kGosub = "\x8E", kProc = "\x8F", kReturn = "\x8B", kEndProc = "\x8C";
const std::string kRem = "\x27", kEnd = "\x02";

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
        load({kDeclare + "a%,b%,c%,d%,w%",
              kLet + "w%=" + std::to_string(which),
              "\x15" + kIf + "w%=1",
              kInc + "a%",
              "\x15" + kElseIf + "w%=2",
              kInc + "b%",
              "\x15" + kElseIf + "w%=3",
              kInc + "c%",
              kElse,
              kInc + "d%",
              kEndIf});
        ASSERT_EQ(run(), 0) << last_caption();
        EXPECT_EQ(var("A%") + var("B%") + var("C%") + var("D%"), 1) << which;
        EXPECT_EQ(var("A%"), which == 1);
        EXPECT_EQ(var("B%"), which == 2);
        EXPECT_EQ(var("C%"), which == 3);
        EXPECT_EQ(var("D%"), which == 0);
    }
}

TEST_P(ControlFlow, NestedSkippedBlocksArePassedOver) {
    load({kDeclare + "a%,b%",
          kIf + "0",
          kIf + "1", kInc + "a%", kElse, kInc + "a%", kEndIf,
          kIfNot + "0", kInc + "a%", kEndIf,
          kElse,
          kInc + "b%",
          kEndIf});
    ASSERT_EQ(run(), 0) << last_caption();
    EXPECT_EQ(var("A%"), 0);
    EXPECT_EQ(var("B%"), 1);
}

TEST_P(ControlFlow, IfNotAndMissingPartners) {
    load({kDeclare + "a%", kIfNot + "1", kInc + "a%", kEndIf, kIfNot + "0", kInc + "a%", kEndIf});
    ASSERT_EQ(run(), 0);
    EXPECT_EQ(var("A%"), 1);

    SetUp();
    load({kIf + "0", kRem});
    EXPECT_EQ(run(), 2);
    EXPECT_EQ(last_caption(), "ENDIF bzw. ELSE nicht gefunden!");
    EXPECT_EQ(last_text(), "Zeile 2!");  // the scan ran to the last line

    SetUp();
    load({kIfNot + "1", kRem});
    EXPECT_EQ(run(), 2);
    EXPECT_EQ(last_caption(), "ENDIF nicht gefunden!");

    SetUp();
    load({kElse, kRem});
    EXPECT_EQ(run(), 2);
    EXPECT_EQ(last_caption(), "ENDIF nicht gefunden!");

    SetUp();
    load({kIf + "0", kElseIf});  // an ELSEIF without condition inside the scan
    EXPECT_EQ(run(), 2);
    EXPECT_EQ(last_caption(), "Zu wenig Parameter!");
}

TEST_P(ControlFlow, WhileLoopCountsAndDirections) {
    load({kDeclare + "n%,m%",
          kWhileLoop + "5", kInc + "n%", kWend,
          kWhileLoop + "10,1,-3", kInc + "m%", kWend});
    ASSERT_EQ(run(), 0) << last_caption();
    EXPECT_EQ(var("N%"), 5);
    EXPECT_EQ(var("M%"), 4);  // 10, 7, 4, 1
    EXPECT_EQ(control.loop_depth, 0);
}

TEST_P(ControlFlow, WhileLoopRejectsEmptyRangesAndZeroStep) {
    for (const char* args : {"0", "1,5,0", "5,1", "1,5,-1"}) {
        SetUp();
        load({kWhileLoop + args, kWend});
        EXPECT_EQ(run(), 2) << args;
        EXPECT_EQ(last_caption(), "Ung\xFCltige WHILELOOP-Parameter!") << args;
    }
}

TEST_P(ControlFlow, WhileLoopUpToTheLargestValueEnds) {
    load({kDeclare + "n%", kWhileLoop + "2147483646,2147483647", kInc + "n%", kWend});
    ASSERT_EQ(run(), 0);
    EXPECT_EQ(var("N%"), 2);
}

TEST_P(ControlFlow, WhileAndLoopExit) {
    load({kDeclare + "n%,m%",
          "\x15" + kWhile + "n%<3", kInc + "n%", kWend,
          "\x15" + kWhileNot + "m%=4", kInc + "m%", kIf + "1", kExit, kEndIf, kWend,
          kWhile + "0", kInc + "n%", kWend});
    ASSERT_EQ(run(), 0) << last_caption();
    EXPECT_EQ(var("N%"), 3);
    EXPECT_EQ(var("M%"), 1);
    EXPECT_EQ(control.loop_depth, 0);
}

TEST_P(ControlFlow, EndWhileClosesALevelInScans) {
    // A loop skipped at entry must end at its own ENDWHILE, not at the WEND
    // of the loop after it.
    load({kDeclare + "a%,b%",
          kWhile + "0", kInc + "a%", kEndWhile,
          kWhileLoop + "2", kInc + "b%", kWend});
    ASSERT_EQ(run(), 0) << last_caption();
    EXPECT_EQ(var("A%"), 0);
    EXPECT_EQ(var("B%"), 2);
}

TEST_P(ControlFlow, LoopErrors) {
    load({kWend});
    EXPECT_EQ(run(), 2);
    EXPECT_EQ(last_caption(), "WHILE, WHILELOOP oder WHILENOT fehlt!");
    SetUp();
    load({kExit});
    EXPECT_EQ(run(), 2);
    EXPECT_EQ(last_caption(), "WHILE, WHILELOOP oder WHILENOT fehlt!");
    SetUp();
    load({kWhile + "0", kRem});
    EXPECT_EQ(run(), 2);
    EXPECT_EQ(last_caption(), "ENDWHILE bzw. WEND nicht gefunden!");

    SetUp();
    std::vector<std::string> deep;
    for (int k = 0; k < 30; ++k) deep.push_back(kWhile + "1");
    deep.push_back(kEnd);
    load({});
    for (auto& l : deep) program.add_line(l, 0);
    EXPECT_EQ(run(), 0);  // 30 levels are allowed
    SetUp();
    load({});
    for (int k = 0; k < 31; ++k) program.add_line(kWhile + "1", 0);
    EXPECT_EQ(run(), 2);
    EXPECT_EQ(last_caption(), "Zu tiefe WHILE-Verschachtelung!");
}

TEST_P(ControlFlow, GotoFindsTheFirstLabelCaseInsensitively) {
    load({kDeclare + "a%",
          kGoto + "\"weiter\"",
          kInc + "a%",
          kRem + "WeItEr: first",
          kInc + "a%",
          kRem + "weiter: second"});
    ASSERT_EQ(run(), 0) << last_caption();
    EXPECT_EQ(var("A%"), 1);

    SetUp();
    load({kGoto + "\"nirgends\""});
    EXPECT_EQ(run(), 2);
    EXPECT_EQ(last_caption(), "Label nicht gefunden: NIRGENDS:");
}

TEST_P(ControlFlow, GosubReturnAndLocals) {
    load({kDeclare + "a%,r%",
          kLet + "a%=1",
          kGosub + "\"sub\"",
          kLet + "r%=a%",
          kEnd,
          kRem + "sub:",
          kDeclare + "a%",  // hides the outer a% until the return
          kLet + "a%=7",
          kReturn + "42"});
    ASSERT_EQ(run(), 0) << last_caption();
    EXPECT_EQ(var("R%"), 1);
    EXPECT_EQ(parameter_block().l[0], 42);
    EXPECT_EQ(parameter_block().i[0], 42);
    EXPECT_EQ(control.call_depth, 0);
}

TEST_P(ControlFlow, ReturnWithoutValueKeepsSlotZeroAndProcBodiesAreSkipped) {
    load({kDeclare + "a%",
          kGosub + "\"p\"",
          kReturn + "5",  // not reached: only a marker that the call came back here
          kRem + "p:",
          kProc,
          kInc + "a%",
          kEndProc,
          kEndProc});
    // The GOSUB jumps to "p:", the PROC line skips its body, the last ENDPROC
    // returns; the RETURN 5 after the GOSUB then finds no call.
    EXPECT_EQ(run(), 2);
    EXPECT_EQ(var("A%"), 0);
    EXPECT_EQ(last_caption(), "GOSUB/PROC fehlt!");
    EXPECT_EQ(parameter_block().l[0], 5);

    SetUp();
    load({kEndProc});
    EXPECT_EQ(run(), 2);
    EXPECT_EQ(last_caption(), "PROC fehlt!");

    SetUp();
    load({kProc, kRem});
    EXPECT_EQ(run(), 2);
    EXPECT_EQ(last_caption(), "ENDPROC nicht gefunden!");
}

TEST_P(ControlFlow, GosubDepthAndMissingLabelAfterPush) {
    load({kRem + "r:", kGosub + "\"r\""});
    EXPECT_EQ(run(), 2);
    EXPECT_EQ(last_caption(), "Zu tiefe GOSUB/PROC-Verschachtelung!");
    EXPECT_EQ(control.call_depth, 150);

    SetUp();
    load({kGosub + "\"gibtsnicht\""});
    EXPECT_EQ(run(), 2);
    EXPECT_EQ(control.call_depth, 1);
}

INSTANTIATE_TEST_SUITE_P(RememberedAndPlainScans, ControlFlow, ::testing::Bool());

}  // namespace
}  // namespace tolven::testing
