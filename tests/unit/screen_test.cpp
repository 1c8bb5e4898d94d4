#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "core/automation.h"
#include "core/errors.h"
#include "screen/colours.h"
#include "screen/display.h"
#include "screen/events.h"
#include "screen/keys.h"
#include "screen/screen_state.h"
#include "screen/text_damage.h"
#include "screen/text_output.h"
#include "screen/text_screen.h"
#include "tests/unit/support/runtime_fixture.h"
#include "values/reader.h"
#include "values/statements.h"
#include "values/store.h"

namespace tolven::testing {
namespace {

// A window of 1280 x 1024 pixels as the text screen sees it: the plane is
// made on first use; runs, scrolls and fills are recorded; waiting for
// input types the next queued key.
class FakeDisplay : public Display {
public:
    struct Run {
        int32_t row, first, end;
        std::string text;
    };
    bool exists = false;
    int creations = 0, scrolls = 0, beeps = 0, flushes = 0, invalidations = 0, placements = 0;
    std::vector<Run> runs;
    std::vector<std::pair<bool, uint32_t>> clears;
    std::deque<int> keys;  // typed one per wait; -1 sets only the virtual key

    void ensure_window() override {
        if (exists) return;
        exists = true;
        ++creations;
        allocate_plane(1280 / 8, 1024 / 15);
    }
    bool window_exists() const override { return exists; }
    void draw_run(int32_t row, int32_t first, int32_t end) override {
        runs.push_back({row, first, end, text_screen.row_text(row).substr(first, end - first)});
    }
    void scroll_up() override { ++scrolls; }
    void flush() override { ++flushes; }
    void beep() override { ++beeps; }
    struct Text {
        int32_t column, row;
        std::string text;
        bool operator==(const Text&) const = default;
    };
    std::vector<Text> texts;
    void draw_text_at(int32_t column, int32_t row, std::string_view text, int32_t font) override {
        EXPECT_EQ(font, 1);
        texts.push_back({column, row, std::string(text)});
    }
    void apply_text_colours() override {}
    void begin_key_wait() override {}
    void wait_for_input() override {
        if (keys.empty()) {
            exists = false;  // nothing more will come: like a closed window
            return;
        }
        const int k = keys.front();
        keys.pop_front();
        if (k < 0) events.last_virtual_key = 0x70;
        else put_key(k);
    }
    void end_key_wait() override {}
    void clear_window(bool with_colour, uint32_t rgb_value) override {
        clears.push_back({with_colour, rgb_value});
    }
    void invalidate() override { ++invalidations; }
    void refresh() override {}
    void place_window() override {
        ++placements;
        ensure_window();
    }
    void title_changed() override {}
    uint32_t window_value() const override { return exists ? 0x1234 : 0; }
    WindowEdges window_edges() const override { return {}; }

    void type(std::string_view text) {
        for (unsigned char c : text) keys.push_back(c);
    }
};

class ScreenTest : public RuntimeTest {
protected:
    FakeDisplay fake;

    void SetUp() override {
        RuntimeTest::SetUp();
        reset_values();
        reset_text_output();
        set_display(&fake);
    }
    void TearDown() override {
        set_display(nullptr);
        reset_text_output();
        RuntimeTest::TearDown();
    }
    int run_lines(std::initializer_list<std::string> lines) {
        load_listing(lines);
        return run();
    }
    std::vector<std::string> dump() {
        std::vector<std::string> out;
        std::string all = screen_dump(), line;
        for (char c : all) {
            if (c == '\n') {
                out.push_back(line);
                line.clear();
            } else {
                line += c;
            }
        }
        while (!out.empty() && out.back().empty()) out.pop_back();
        return out;
    }
    // Calls a function handler on the argument text after its token.
    void call(void (*handler)(), std::string_view args) {
        begin_arguments(args);
        handler();
    }
};

// ---- the writer ----

TEST_F(ScreenTest, WritingCreatesTheWindowOnceAndDrawsEachRowOnce) {
    EXPECT_EQ(fake.creations, 0);
    write_text("abc\ndef");
    EXPECT_EQ(fake.creations, 1);
    ASSERT_EQ(fake.runs.size(), 2u);
    EXPECT_EQ(fake.runs[0].text, "abc");
    EXPECT_EQ(fake.runs[1].row, 1);
    EXPECT_EQ(fake.runs[1].text, "def");
    EXPECT_EQ(cursor_row(), 2);
    EXPECT_EQ(cursor_column(), 4);
}

TEST_F(ScreenTest, EightyFirstCharacterWrapsToTheNextRowWithoutScrolling) {
    write_text(std::string(80, 'x') + "y");
    EXPECT_EQ(dump(), (std::vector<std::string>{std::string(80, 'x'), "y"}));
    EXPECT_EQ(fake.scrolls, 0);
    EXPECT_EQ(cursor_row(), 2);
    EXPECT_EQ(cursor_column(), 2);
    // The full row was drawn before the cursor left it.
    EXPECT_EQ(fake.runs[0].end, 80);
}

TEST_F(ScreenTest, LineFeedOnTheLastRowScrollsAndKeepsTheCursorOnIt) {
    for (int k = 1; k <= 32; ++k) write_text("r" + std::to_string(k) + (k < 32 ? "\n" : ""));
    EXPECT_EQ(fake.scrolls, 0);
    write_text("\nneu");
    EXPECT_EQ(fake.scrolls, 1);
    auto rows = dump();
    ASSERT_EQ(rows.size(), 32u);
    EXPECT_EQ(rows.front(), "r2");
    EXPECT_EQ(rows[30], "r32");
    EXPECT_EQ(rows[31], "neu");
    EXPECT_EQ(cursor_row(), 32);
    EXPECT_EQ(cursor_column(), 4);
}

TEST_F(ScreenTest, WrapOnTheLastRowScrollsInsteadOfLeavingTheGrid) {
    set_cursor(75, 32);
    write_text("0123456789");
    auto rows = dump();
    EXPECT_EQ(fake.scrolls, 1);
    EXPECT_EQ(rows[30].substr(74), "012345");
    EXPECT_EQ(rows[31], "6789");
    EXPECT_EQ(cursor_row(), 32);
}

TEST_F(ScreenTest, FillingTheLastCellDoesNotScroll) {
    set_cursor(79, 32);
    write_text("ab");
    EXPECT_EQ(fake.scrolls, 0);
    EXPECT_EQ(dump().back(), std::string(78, ' ') + "ab");
    EXPECT_EQ(cursor_column(), 1);
    EXPECT_EQ(cursor_row(), 32);
    write_text("\n");
    EXPECT_EQ(fake.scrolls, 1);
}

TEST_F(ScreenTest, ControlCharacters) {
    write_text("ab\rc");
    EXPECT_EQ(dump()[0], "abc");  // CR does not move the cursor
    write_text("\b\bX\a");
    EXPECT_EQ(dump()[0], "aX");
    EXPECT_EQ(fake.beeps, 1);
    set_cursor(1, 2);
    write_text("\b\bq");  // backspace at column 1 does nothing
    EXPECT_EQ(dump()[1], "q");
}

TEST_F(ScreenTest, CursorIsClampedIntoTheGrid) {
    set_cursor(0, 0);
    EXPECT_EQ(cursor_column(), 1);
    EXPECT_EQ(cursor_row(), 1);
    set_cursor(500, 500);
    EXPECT_EQ(cursor_column(), 80);
    EXPECT_EQ(cursor_row(), 32);
}

TEST_F(ScreenTest, ImpossibleGridSizesStayInsideThePlane) {
    write_text("x");
    set_grid(0, -1);
    EXPECT_EQ(text_screen.columns, 1);
    EXPECT_EQ(text_screen.rows, 1);
    write_text("abc\ndef\n");  // every character scrolls a one-cell screen
    set_grid(100000, 100000);
    EXPECT_EQ(text_screen.columns, 160);
    EXPECT_EQ(text_screen.rows, 68);
    set_cursor(500, 500);
    write_text(std::string(400, 'z'));
    EXPECT_EQ(dump().back(), std::string(400 - 1 - 160 - 160, 'z'));
}

TEST_F(ScreenTest, FrameIsDrawnInOrderWithoutTouchingThePlane) {
    write_text("x");
    draw_frame(2, 3, 4, 3, 'e');
    using T = FakeDisplay::Text;
    const std::vector<T> want = {
        {3, 2, "\xDA"}, {6, 2, "\xBF"}, {4, 2, "\xC4\xC4"}, {4, 4, "\xC4\xC4"},
        {3, 3, "\xB3"}, {6, 3, "\xB3"}, {3, 4, "\xC0"}, {6, 4, "\xD9"}, {4, 3, "  "}};
    EXPECT_EQ(fake.texts, want);
    EXPECT_EQ(dump(), std::vector<std::string>{"x"});
    EXPECT_EQ(cursor_column(), 4);
    EXPECT_EQ(cursor_row(), 3);
    // Positions are limited to the grid; unknown styles draw blanks.
    fake.texts.clear();
    draw_frame(40, 90, 3, 2, 'q');
    EXPECT_EQ(fake.texts.front(), (T{80, 32, " "}));
}

// ---- keys and the line editor ----

TEST_F(ScreenTest, PuttingKeys) {
    put_key(0);
    EXPECT_EQ(events.last_key, 1);
    events.help_watching = true;
    put_key(5);
    EXPECT_TRUE(events.help_request);
    put_key(65);
    EXPECT_FALSE(events.help_request);
    for (int k = 0; k < 70; ++k) put_key('a');
    EXPECT_EQ(key_fifo.size(), KeyFifo::kCapacity);
    EXPECT_EQ(read_key(), 1);
    EXPECT_EQ(read_key(), 5);
    events.break_check = false;
    put_key(3);
    EXPECT_EQ(events.last_key, 3);
}

TEST_F(ScreenTest, CtrlCWithBreakCheckEndsTheProgramWith255) {
    try {
        put_key(3);
        FAIL() << "Ctrl-C did not end the program";
    } catch (const ProcessExit& e) {
        EXPECT_EQ(e.code, 255);
    }
    EXPECT_TRUE(stopped_by_break);
}

TEST_F(ScreenTest, LineEditorTakesAtMost126BytesAndEchoes) {
    fake.type(std::string(130, 'k') + "\b\bxy\r");
    const std::string line = read_line(128);
    EXPECT_EQ(line, std::string(124, 'k') + "xy\r\n");
    EXPECT_EQ(dump(), (std::vector<std::string>{std::string(80, 'k'), std::string(44, 'k') + "xy"}));
}

TEST_F(ScreenTest, LineEditorEndsOnCtrlZOnlyAfterTheKeyStateWasCleared) {
    fake.type("a\x1A" "b\r");
    EXPECT_EQ(read_line(128), "ab\r\n");
    clear_key_state();
    fake.type("c\x1A");
    EXPECT_EQ(read_line(128), "c\x1A");
}

// ---- statements ----

TEST_F(ScreenTest, PrintSeparatorsAndLineEnds) {
    EXPECT_EQ(run_lines({R"(PRINT "a","b")", R"(PRINT "c";"d";)", R"(PRINT "e",)", "PRINT",
                         "PRINT 1;2"}),
              0);
    EXPECT_EQ(dump(), (std::vector<std::string>{"a b", "cde", "12"}));
}

TEST_F(ScreenTest, PrintFieldWidthsAndDecimals) {
    EXPECT_EQ(run_lines({"NUMWIDTH 5", "STRWIDTH 2", "PRINT 42", R"(PRINT "abc")", "STRWIDTH 4",
                         R"(PRINT "ab")", "NUMWIDTH 0", "DECIMALS 2", "PRINT 3.14159",
                         "DECIMALS 99", "PRINT 0.5"}),
              0);
    auto rows = dump();
    EXPECT_EQ(rows[0], "   42");
    EXPECT_EQ(rows[1], "abc");
    EXPECT_EQ(rows[2], "  ab");
    EXPECT_EQ(rows[3], "3.14");
    EXPECT_EQ(rows[4], "0." + std::string(35, '0').replace(0, 1, "5"));
}

TEST_F(ScreenTest, PrintToAFileNumberOutsideTheRangeIsError210) {
    EXPECT_EQ(run_lines({R"(PRINT #16,"x")"}), 2);
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].caption, "Dateinummer nicht im erlaubten Bereich!");
    EXPECT_EQ(fake.creations, 0);
}

TEST_F(ScreenTest, InputOfEachKind) {
    fake.type("Otto\r 12x\r-7\r2.5e1\r");
    EXPECT_EQ(run_lines({"DECLARE n$,i%,l&,f!", "INPUT n$", "INPUT I%", "INPUT l&", "INPUT f!"}), 0);
    EXPECT_EQ(*find_string(std::string_view("N$")), "Otto");
    EXPECT_EQ(*find_integer(std::string_view("I%")), 12);
    EXPECT_EQ(*find_long(std::string_view("L&")), -7);
    EXPECT_DOUBLE_EQ(*find_float(std::string_view("F!")), 25.0);
    EXPECT_EQ(last_input.text, "Otto");
    EXPECT_EQ(last_input.integer, 12);
    // Each input is echoed and followed by a line end.
    EXPECT_EQ(dump(), (std::vector<std::string>{"Otto", " 12x", "-7", "2.5e1"}));
}

TEST_F(ScreenTest, InputOfAnUndeclaredVariableIsError215BeforeReading) {
    fake.type("1\r");
    EXPECT_EQ(run_lines({"INPUT zahl%"}), 2);
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].caption, "Variable nicht declariert: ZAHL%");
    EXPECT_EQ(fake.keys.size(), 2u);
}

TEST_F(ScreenTest, TextScreenStatementsAreRefusedWhilePrinting) {
    const char* cases[][2] = {{"PRINT 1", "PRINT"}, {"INPUT a$", "INPUT"}, {"CLS", "CLS"},
                              {"REPAINT", "REPAINT"}, {"COLOR 1,2", "COLOR"}, {"FONT 1", "FONT"}};
    for (auto& c : cases) {
        rec.boxes.clear();
        reset_interpreter();
        reset_shutdown_steps();
        printing_active = true;
        EXPECT_EQ(run_lines({c[0]}), 2) << c[1];
        ASSERT_EQ(rec.boxes.size(), 1u) << c[1];
        EXPECT_EQ(rec.boxes[0].caption, std::string("W\xE4hrend der Druckausgabe verboten: ") + c[1]);
    }
    // The file form of PRINT is not affected.
    rec.boxes.clear();
    reset_interpreter();
    reset_shutdown_steps();
    EXPECT_EQ(run_lines({R"(PRINT #1,"x")"}), 0);
}

TEST_F(ScreenTest, ColorFontAndLocate) {
    EXPECT_EQ(run_lines({"COLOR 15,1", "FONT 7", "FONT 1", "LOCATE 3,70000"}), 0);
    EXPECT_EQ(text_screen.attribute, 0x1F);
    EXPECT_EQ(text_screen.font_index, 1);
    // 70000 taken as 16 bits is 4464, clamped to the last column.
    EXPECT_EQ(cursor_row(), 3);
    EXPECT_EQ(cursor_column(), 80);
    EXPECT_GE(fake.flushes, 3);  // collected output is drawn before each change
}

TEST_F(ScreenTest, ClsBlanksTheScreenAndFillsWithWhiteOrAColour) {
    EXPECT_EQ(run_lines({R"(PRINT "abc")", "CLS", "CLS 31"}), 0);
    EXPECT_TRUE(dump().empty());
    EXPECT_EQ(cursor_row(), 1);
    ASSERT_EQ(fake.clears.size(), 2u);
    EXPECT_FALSE(fake.clears[0].first);
    EXPECT_TRUE(fake.clears[1].first);
    EXPECT_EQ(fake.clears[1].second, rgb(255, 0, 0));
}

TEST_F(ScreenTest, WindowPlacementSetsTheGrid) {
    EXPECT_EQ(run_lines({"WINDOWPOS 10,10-800,600"}), 0);
    EXPECT_EQ(text_screen.columns, 100);
    EXPECT_EQ(text_screen.rows, 39);
    EXPECT_EQ(window_settings.width, 800);
    EXPECT_EQ(fake.placements, 1);
    EXPECT_TRUE(rec.boxes.empty());
}

TEST_F(ScreenTest, NegativePlacementWarnsAndGoesOn) {
    EXPECT_EQ(run_lines({"WINDOWPOS -1,0-100,100", R"(PRINT "x")"}), 0);
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].caption, "Negative Fenstergr\xF6\xDF" "e!");
    EXPECT_EQ(dump().front(), "x");
}

TEST_F(ScreenTest, WindowSettingsStatements) {
    EXPECT_EQ(run_lines({"WINDOWSTYLE 537", "PAINTMODE 5", "TITLE \"" + std::string(300, 't') + "\""}),
              0);
    EXPECT_EQ(window_settings.style, window_style::kMaximizeBox | window_style::kSystemMenu);
    EXPECT_TRUE(window_settings.no_menu);
    EXPECT_TRUE(window_settings.dialog_style);
    EXPECT_FALSE(window_settings.popup);
    EXPECT_EQ(events.paint_mode, 5);
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].caption, "Ung\xFCltiger Funktionswert!");
    EXPECT_EQ(window_settings.title, std::string(255, 't'));
    EXPECT_EQ(inactive_title(), std::string(255, 't'));
}

TEST_F(ScreenTest, RepaintInvalidatesOnlyInRestoringPaintModes) {
    EXPECT_EQ(run_lines({"REPAINT", "PAINTMODE 0", "REPAINT"}), 0);
    EXPECT_EQ(fake.invalidations, 1);
}

// ---- functions ----

TEST_F(ScreenTest, TabFunctionMovesTheCursor) {
    write_text("abcdef");
    call(tab_function, "20)");
    EXPECT_EQ(slots.type, kString);
    EXPECT_EQ(slots.s, "");
    EXPECT_EQ(cursor_column(), 20);
    EXPECT_EQ(cursor_row(), 1);
    call(tab_function, "5)");
    EXPECT_EQ(cursor_column(), 5);
    EXPECT_EQ(cursor_row(), 2);
    set_cursor(30, 32);
    call(tab_function, "5)");  // no scrolling: stays on the last row
    EXPECT_EQ(cursor_row(), 32);
}

TEST_F(ScreenTest, TabFunctionInsidePrint) {
    fake.type("k");
    EXPECT_EQ(run_lines({R"(PRINT "ab";@TAB$(20);"x")", R"(PRINT @WAITKEY$();"|")"}), 0);
    EXPECT_EQ(dump(), (std::vector<std::string>{"ab                 x", "k|"}));
}

TEST_F(ScreenTest, KeyWaitFunctionReturnsTheKeyAndClearsTheFifo) {
    fake.exists = true;
    put_key('q');
    fake.keys = {-1, 'x'};
    call(wait_key_function, ")rest");
    EXPECT_EQ(slots.s, std::string(1, '\0'));  // only a virtual key arrived
    EXPECT_EQ(reader.rest, ")rest");  // no arguments: the reader drops the ")"
    EXPECT_TRUE(key_fifo.empty());
    EXPECT_TRUE(ctrl_z_ends_input);
    call(wait_key_function, ")");
    EXPECT_EQ(slots.s, "x");
    EXPECT_EQ(events.last_event, 'x');
}

TEST_F(ScreenTest, MessageBoxFunctionReturnsTheButton) {
    rec.box_answers = {mb::kIdNo};
    call(message_box_function, "\"Text\",\"Titel\",36)");
    EXPECT_EQ(slots.type, kInteger);
    EXPECT_EQ(slots.i, mb::kIdNo);
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].caption, "Titel");
    EXPECT_EQ(rec.boxes[0].type, 36u);
}

// ---- collected damage ----

TEST(TextDamage, SpansMoveWithScrollsAndScrollsAreCapped) {
    TextDamage d;
    EXPECT_TRUE(d.empty());
    d.mark(3, 5, 9, 4);
    d.mark(3, 2, 4, 4);
    d.scroll(4);
    EXPECT_EQ(d.scrolled(), 1);
    EXPECT_EQ(d.spans()[2].first, 2);
    EXPECT_EQ(d.spans()[2].end, 9);
    EXPECT_EQ(d.spans()[3].end, 0);
    for (int k = 0; k < 10; ++k) d.scroll(4);
    EXPECT_EQ(d.scrolled(), 4);
    d.mark(9, 0, 1, 4);  // outside the grid: ignored
    d.clear();
    EXPECT_TRUE(d.empty());
}

// ---- colours ----

TEST(Colours, ColourValues) {
    EXPECT_EQ(colour_value_rgb(32767), rgb(255, 255, 255));
    EXPECT_EQ(colour_value_rgb(31), rgb(255, 0, 0));
    EXPECT_EQ(colour_value_rgb(1024), rgb(0, 0, 15));
    EXPECT_EQ(rgb_colour_number(colour_value_rgb(31)), 31);
    true_colour_mode = true;
    EXPECT_EQ(colour_value_rgb(255), rgb(255, 0, 0));
    true_colour_mode = false;
    EXPECT_EQ(text_colour(3), rgb(0x88, 0, 0x88));   // magenta
    EXPECT_EQ(text_colour(5), rgb(0, 0x88, 0x88));   // cyan
    EXPECT_EQ(text_colour(0x1F), rgb(255, 255, 255));
}

// ---- automation ----

TEST(ScreenAutomation, KeySyntax) {
    using A = automation::KeyAction;
    auto keys = automation::parse_keys("a{{{Enter}{Ctrl-C}{ctrl+break}{x41}{Close}{Cover}{Nope}");
    std::vector<A> want(12);
    want[0].code = 'a';
    want[1].code = '{';
    want[2] = {A::Key, 0x0D};
    want[3] = {A::Key, 'C', false, true};
    want[4] = {A::Key, 0x03, false, true};
    want[5].code = 0x41;
    want[6].kind = A::Close;
    want[7].kind = A::Cover;
    const std::string rest = "{Nope}";
    want.resize(8);
    for (char c : rest) {
        A a;
        a.code = static_cast<uint8_t>(c);
        want.push_back(a);
    }
    EXPECT_EQ(keys, want);
}

TEST(ScreenAutomation, Bmp24Layout) {
    const uint8_t rows[8] = {1, 2, 3, 0, 4, 5, 6, 0};  // 1 x 2 pixels, rows padded to 4
    auto bmp = automation::bmp24(1, 2, rows);
    ASSERT_EQ(bmp.size(), 62u);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[2], 62);
    EXPECT_EQ(bmp[10], 54);
    EXPECT_EQ(bmp[28], 24);
    EXPECT_EQ(bmp[54 + 4], 4);
}

}  // namespace
}  // namespace tolven::testing
