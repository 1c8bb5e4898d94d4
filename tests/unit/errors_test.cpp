#include "core/errors.h"

#include <gtest/gtest.h>

#include "tests/unit/support/runtime_fixture.h"

namespace tolven::testing {
namespace {

using Errors = RuntimeTest;

// Runs `body` and returns the exit code it ended the process with, or -1.
template <class F>
int exit_code_of(F body) {
    try {
        body();
    } catch (const ProcessExit& e) {
        return e.code;
    }
    return -1;
}

TEST_F(Errors, MessageTableTextsAreLatin1AndUnknownNumbersSayUnexpected) {
    EXPECT_EQ(message_text(207), "Bereichsgrenze \xFC" "berschritten: ");
    EXPECT_EQ(message_text(905), "Keine TOLVEN\xB2 Datei!");
    EXPECT_EQ(message_text(803), "Aufruf mit: \r\nTOLVRUN [<Dateiname>]");
    EXPECT_EQ(message_text(116), "\"DIM%\" darf nur einmal verwandt werden!");
    EXPECT_EQ(message_text(209), message_text(306));
    EXPECT_EQ(message_text(209), message_text(601));
    EXPECT_EQ(message_text(9999), "UNERWARTETER FEHLER!");
    EXPECT_EQ(message_text(0), "UNERWARTETER FEHLER!");
    EXPECT_EQ(message_text(135), "UNERWARTETER FEHLER!");
}

TEST_F(Errors, ErrorShowsMessageAsCaptionAndLineAsTextThenEndsWithTwo) {
    interp.current_line = 12;
    EXPECT_EQ(exit_code_of([] { raise_error(9999, "xyz"); }), 2);
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].caption, "UNERWARTETER FEHLER!xyz");
    EXPECT_EQ(rec.boxes[0].text, "Zeile 12!");
    EXPECT_EQ(rec.boxes[0].type, mb::kOk | mb::kIconError);
    EXPECT_EQ(errors.last_report_kind, 2);
    EXPECT_EQ(errors.last_error_number, 9999);
}

TEST_F(Errors, ModeMinusOneSuppressesEverything) {
    errors.error_mode = -1;
    raise_error(210);
    raise_warning(214, "x");
    raise_notice(504);
    EXPECT_TRUE(rec.boxes.empty());
    EXPECT_EQ(errors.last_report_kind, 1);
    EXPECT_EQ(errors.last_error_number, 504);
    raise_error(210);
    EXPECT_EQ(errors.last_report_kind, 2);
}

TEST_F(Errors, ModeZeroAndOthersHideWarningsButNotErrors) {
    for (int mode : {0, 3, -5}) {
        errors.error_mode = mode;
        raise_warning(214, "x");
        raise_notice(505);
        EXPECT_TRUE(rec.boxes.empty()) << mode;
    }
    errors.error_mode = 0;
    EXPECT_EQ(exit_code_of([] { raise_error(201); }), 2);
    EXPECT_EQ(rec.boxes.size(), 1u);
}

TEST_F(Errors, WarningAsksOkCancelAndCancelBecomesError999) {
    interp.current_line = 3;
    raise_warning(214, "abc");
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].caption, "Keine Zahl: abc");
    EXPECT_EQ(rec.boxes[0].type, mb::kOkCancel | mb::kIconWarning);
    rec.box_answers.push_back(mb::kIdCancel);
    EXPECT_EQ(exit_code_of([] { raise_warning(214, "abc"); }), 2);
    ASSERT_EQ(rec.boxes.size(), 3u);
    EXPECT_EQ(rec.boxes[2].caption, "Programm abgebrochen!");
    EXPECT_EQ(rec.boxes[2].text, "Zeile 3!");
}

TEST_F(Errors, ModeTwoTurnsWarningsAndNoticesIntoErrors) {
    errors.error_mode = 2;
    EXPECT_EQ(exit_code_of([] { raise_warning(214, "q"); }), 2);
    EXPECT_EQ(rec.boxes.back().caption, "Keine Zahl: q");
    EXPECT_EQ(rec.boxes.back().type, mb::kOk | mb::kIconError);
    reset_shutdown_steps();
    EXPECT_EQ(exit_code_of([] { raise_notice(505); }), 2);
    EXPECT_EQ(rec.boxes.back().caption, "Operation erfolgreich!");
}

TEST_F(Errors, NoticeUsesHinweisCaption) {
    raise_notice(505);
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].caption, "Hinweis:");
    EXPECT_EQ(rec.boxes[0].text, "Operation erfolgreich!");
    EXPECT_EQ(rec.boxes[0].type, mb::kOk | mb::kIconWarning);
}

TEST_F(Errors, DebuggerOutputOnlyAboveDebugModeZero) {
    interp.current_line = 7;
    raise_warning(214, "t");
    EXPECT_TRUE(rec.debug_lines.empty());
    errors.debug_mode = 1;
    raise_warning(214, "t");
    ASSERT_EQ(rec.debug_lines.size(), 1u);
    EXPECT_EQ(rec.debug_lines[0], "debugWARNUNG*RUNTIME*7*Keine Zahl: t*214");
    exit_code_of([] { raise_error(201); });
    EXPECT_EQ(rec.debug_lines.back(), "debugFEHLER*RUNTIME*7*Division durch 0!*201");
}

TEST_F(Errors, ShutdownStepsRunOnceInStageOrderOnAnError) {
    std::string order;
    on_shutdown(ShutdownStage::MainWindow, [&] { order += "W"; });
    on_shutdown(ShutdownStage::Files, [&] {
        order += "F";
        raise_error(303);  // shown, but the later steps still run
    });
    on_shutdown(ShutdownStage::PrintJob, [&] { order += "P"; });
    EXPECT_EQ(exit_code_of([] { raise_error(201); }), 2);
    EXPECT_EQ(order, "PFW");
    EXPECT_EQ(rec.boxes.size(), 2u);
}

}  // namespace
}  // namespace tolven::testing
