// The portable side of the drawing and bitmap statements against a
// recording graphics platform: the printing rules, the brush and pen
// rules, paint mode, and what reaches the platform from hostile arguments.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "screen/bitmap_state.h"
#include "screen/bitmaps.h"
#include "screen/colours.h"
#include "screen/drawing.h"
#include "screen/graphics.h"
#include "screen/screen_state.h"
#include "tests/unit/support/runtime_fixture.h"

namespace tolven::testing {
namespace {

std::string line(Cmd c, std::string_view args) { return std::string(1, char(code_of(c))) + std::string(args); }

// Every call as text, in order.
class RecordingGraphics : public Graphics {
public:
    std::vector<std::string> calls;
    bool capture_works = true;
    std::vector<std::vector<uint8_t>> written;

    void note(const std::string& s) { calls.push_back(s); }
    static std::string n(int64_t v) { return std::to_string(v); }

    void select_brush(bool hollow, bool hatched, int32_t hatch, uint32_t rgb) override {
        note("brush " + std::string(hollow ? "hollow" : hatched ? "hatch " + n(hatch) : "solid") + " " + n(rgb));
    }
    void select_pen(int32_t style, int32_t width, uint32_t rgb) override {
        note("pen " + n(style) + " " + n(width) + " " + n(rgb));
    }
    void set_pixel(int32_t x, int32_t y, uint32_t rgb, Targets t) override {
        note("pixel " + n(x) + "," + n(y) + " " + n(rgb) + (t == Targets::Both ? " both" : " primary"));
    }
    void flood_fill(int32_t x, int32_t y, uint32_t rgb, Targets t) override {
        note("fill " + n(x) + "," + n(y) + (t == Targets::Both ? " both" : " primary"));
    }
    void move_to(int32_t x, int32_t y) override { note("move " + n(x) + "," + n(y)); }
    void line_to(int32_t x, int32_t y) override { note("line " + n(x) + "," + n(y)); }
    void shape(Shape s, const int32_t* c) override {
        std::string t = "shape " + n(static_cast<int>(s));
        for (int k = 0; k < 8; ++k) t += " " + n(c[k]);
        note(t);
    }
    void logical_size(int32_t w, int32_t h) override { note("logical " + n(w) + "," + n(h)); }
    uint32_t main_window() override { return 0x1234; }
    void begin_paint(int32_t h) override { note("begin " + n(h)); }
    void end_paint() override { note("end"); }
    bool print_image(const BmpImage&, int32_t x, int32_t y, int32_t w, int32_t h) override {
        note("print " + n(x) + "," + n(y) + "-" + n(w) + "," + n(h));
        return true;
    }
    bool draw_image(const BmpImage&, int32_t x, int32_t y, int32_t w, int32_t h, bool sized,
                    Raster r) override {
        note("image " + n(x) + "," + n(y) + "-" + n(w) + "," + n(h) + (sized ? " sized " : " ") +
             n(static_cast<int>(r)));
        return true;
    }
    bool capture(int32_t x, int32_t y, int32_t w, int32_t h, CapturedImage& out) override {
        note("capture " + n(x) + "," + n(y) + "-" + n(w) + "," + n(h));
        if (!capture_works) return false;
        out.width = w;
        out.height = h;
        out.bits = 24;
        out.rows.assign(bmp_stride(w, 24) * static_cast<size_t>(h), 0x40);
        return true;
    }
    void stretch(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                 Raster r) override {
        note("stretch " + n(static_cast<int>(r)));
    }
    std::optional<std::vector<uint8_t>> read_file(const std::string& name) override {
        note("read " + name);
        return write_bmp(3, 2, 24, {}, std::vector<uint8_t>(bmp_stride(3, 24) * 2, 0));
    }
    bool write_file(const std::string& name, const std::vector<uint8_t>& bytes) override {
        note("write " + name);
        written.push_back(bytes);
        return true;
    }
    void set_cursor(uint32_t id) override { note("cursor " + n(id)); }
    void set_own_cursor(const ResourceName& r) override { note("own cursor " + r.name); }
};


class DrawingTest : public RuntimeTest {
protected:
    RecordingGraphics g;

    void SetUp() override {
        RuntimeTest::SetUp();
        reset_screen_state();
        reset_drawing();
        set_graphics(&g);
        // Stands for the main window: the statements that need one draw.
        paint_target_active = true;
    }
    void TearDown() override {
        set_graphics(nullptr);
        reset_screen_state();
        reset_drawing();
        RuntimeTest::TearDown();
    }
    std::vector<std::string> errors_seen() {
        std::vector<std::string> out;
        for (const auto& b : rec.boxes) out.push_back(b.caption);
        return out;
    }
    // Each run is a program of its own.
    void run_lines(std::initializer_list<std::string> lines) {
        reset_shutdown_steps();
        reset_interpreter();
        program.clear();
        for (const auto& l : lines) program.add_line(l, 0);
        run();
    }
    // Under error mode -1, so that each refusal leaves only its number.
    void run_quiet(std::initializer_list<std::string> lines) {
        std::vector<std::string> all{line(Cmd::ERRORMODE, "-1")};
        all.insert(all.end(), lines.begin(), lines.end());
        reset_shutdown_steps();
        reset_interpreter();
        program.clear();
        for (const auto& l : all) program.add_line(l, 0);
        run();
    }
};

constexpr uint32_t kRed = 0xFF;

TEST_F(DrawingTest, WhilePrintingCoordinatesAndWideOrSolidPensAreTenfold) {
    printing_active = true;
    run_lines({line(Cmd::LINE, "1,2-3,4"), line(Cmd::POINT, "5,6,31"), line(Cmd::FILL, "7,8,31"),
               line(Cmd::PEN, "1,1,31"), line(Cmd::PEN, "0,1,31"), line(Cmd::PEN, "2,3,31"),
               line(Cmd::PIE, "1,2-3,4;5,6;7,8"), line(Cmd::ROUNDRECT, "1,2-3,4;5,6"),
               line(Cmd::DRAWBMP, "\"a.bmp\",2,3;0"), line(Cmd::DRAWSIZEDBMP, "\"a.bmp\",2,3-4,5;0")});
    EXPECT_EQ(g.calls, (std::vector<std::string>{
                           "move 10,20", "line 30,40", "pixel 50,60 255 primary", "fill 70,80 primary",
                           "pen 1 1 255", "pen 0 10 255", "pen 2 30 255",
                           "shape 2 10 20 30 40 50 60 70 80", "shape 1 10 20 30 40 50 60 0 0",
                           "read a.bmp", "print 20,30-30,20", "read a.bmp", "print 20,30-40,50"}));
    EXPECT_TRUE(errors_seen().empty());
}

TEST_F(DrawingTest, WhilePrintingScreenPaintAndImageCopiesAreRefusedByName) {
    printing_active = true;
    for (auto [c, args, name] : {std::tuple{Cmd::SCREEN, "1,1", "SCREEN"}, {Cmd::STARTPAINT, "-1", "STARTPAINT"},
                                 {Cmd::MCLS, "1,1", "MCLS"}, {Cmd::COPYBMP, "0,0-1,1>2,2;0", "COPYBMP"},
                                 {Cmd::SAVEBMP, "\"x\",0,0-1,1", "SAVEBMP"},
                                 {Cmd::CLIPLOADBMP, "0,0;0", "CLIPLOADBMP"},
                                 {Cmd::DRAWEXTBMP, "1,\"A\",0,0;0", "DRAWEXTBMP"}}) {
        errors.last_error_number = 0;
        run_quiet({line(c, args)});
        EXPECT_EQ(errors.last_error_number, 221) << name;
    }
    EXPECT_TRUE(g.calls.empty());
    errors.error_mode = 1;  // as at the start of a program
    run_lines({line(Cmd::SCREEN, "1,1")});
    EXPECT_EQ(errors_seen(), std::vector<std::string>{"W\xE4hrend der Druckausgabe verboten: SCREEN"});
}

TEST_F(DrawingTest, BrushStylesHatchesAndTheHollowFill) {
    run_lines({line(Cmd::BRUSH, "0,31"), line(Cmd::FILL, "1,1,0"), line(Cmd::BRUSH, "7,992"),
               line(Cmd::BRUSH, "-1,31"), line(Cmd::FILL, "1,1,0"), line(Cmd::BRUSH, "1,32767")});
    EXPECT_EQ(g.calls, (std::vector<std::string>{"brush hollow 255", "brush hatch 5 65280",
                                                 "brush hatch 5 255", "fill 1,1 both",
                                                 "brush solid 16777215"}));
}

TEST_F(DrawingTest, TrueColourTakesValuesAsTheyAre) {
    run_lines({line(Cmd::TRUECOLOR, "1"), line(Cmd::POINT, "0,0,255"), line(Cmd::TRUECOLOR, "0"),
               line(Cmd::POINT, "0,0,1024")});
    EXPECT_EQ(g.calls, (std::vector<std::string>{"pixel 0,0 255 both", "pixel 0,0 983040 both"}));
}

TEST_F(DrawingTest, PaintModeStartsOnceEndsOnceAndTheMainWindowChangesNothing) {
    run_quiet({line(Cmd::ENDPAINT, "")});
    EXPECT_EQ(errors.last_error_number, 124);
    run_quiet({line(Cmd::STARTPAINT, std::to_string(0x1234)), line(Cmd::ENDPAINT, "")});
    EXPECT_TRUE(g.calls.empty());
    run_quiet({line(Cmd::STARTPAINT, "-1"), line(Cmd::STARTPAINT, "5")});
    EXPECT_EQ(errors.last_error_number, 249);
    EXPECT_TRUE(drawing_state.painting);
    // Without a window the paint target lets the window-required statements
    // draw, until ENDPAINT.
    run_quiet({line(Cmd::POINT, "1,1,0"), line(Cmd::ENDPAINT, ""), line(Cmd::POINT, "1,1,0")});
    EXPECT_EQ(errors.last_error_number, 237);
    EXPECT_EQ(g.calls, (std::vector<std::string>{"begin -1", "pixel 1,1 0 both", "end"}));
    EXPECT_GE(rec.pumps, 1);
}

TEST_F(DrawingTest, SaveWritesTheBmpOfTheCapturedRectangleOrWarns) {
    run_quiet({line(Cmd::SAVEBMP, "\"a.bmp\",1,2-3,4")});
    ASSERT_EQ(g.written.size(), 1u);
    EXPECT_EQ(g.written[0].size(), 58u + bmp_stride(3, 24) * 4);
    EXPECT_EQ(bitmap_state.width, 3);
    EXPECT_EQ(bitmap_state.height, 4);
    g.calls.clear();
    g.capture_works = false;
    run_quiet({line(Cmd::SAVEBMP, "\"b.bmp\",1,2-3,4")});
    EXPECT_EQ(errors.last_error_number, 229);
    EXPECT_EQ(g.calls, std::vector<std::string>{"capture 1,2-3,4"});  // no empty file made
    g.calls.clear();
    run_quiet({line(Cmd::SAVEBMP, "\"c.bmp\",0,0-100000,100000"), line(Cmd::SAVEBMP, "\"d.bmp\",0,0--5,5")});
    EXPECT_TRUE(g.calls.empty());  // never asked for a bitmap of that size
}

TEST_F(DrawingTest, StretchedCopiesHaveNoTransparentForm) {
    run_lines({line(Cmd::COPYSIZEDBMP, "0,0-1,1>2,2-3,3;-1"), line(Cmd::COPYSIZEDBMP, "0,0-1,1>2,2-3,3;3")});
    EXPECT_EQ(g.calls, (std::vector<std::string>{"stretch " + std::to_string(int(Raster::Copy)),
                                                 "stretch " + std::to_string(int(Raster::Xor))}));
}

TEST_F(DrawingTest, CursorNumbersOutsideTheirRangeAreAnError) {
    run_quiet({line(Cmd::CURSOR, "17")});
    EXPECT_EQ(errors.last_error_number, 230);
    errors.last_error_number = 0;
    run_quiet({line(Cmd::CURSOR, "-1")});
    EXPECT_EQ(errors.last_error_number, 230);
    EXPECT_TRUE(g.calls.empty());
    run_quiet({line(Cmd::CURSOR, "11")});  // the runtime's own printer cursor
    EXPECT_EQ(g.calls, std::vector<std::string>{"own cursor DRUCKER"});
}

TEST(ResourceNames, DecimalNumbersSelectByNumber) {
    EXPECT_EQ(resource_name("5").number, std::optional<uint16_t>(5));
    EXPECT_EQ(resource_name("  12 ").number, std::optional<uint16_t>(12));
    EXPECT_FALSE(resource_name("70000").number);
    EXPECT_FALSE(resource_name("A5").number);
    EXPECT_FALSE(resource_name("").number);
    EXPECT_EQ(resource_name("MUSTER").name, "MUSTER");
}

}  // namespace
}  // namespace tolven::testing
