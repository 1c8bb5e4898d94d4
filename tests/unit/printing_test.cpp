// The portable side of printing against a recording printer: what the
// end-to-end cases cannot make a real printer do (other resolutions, a
// printer that takes the DC but refuses the document or the page), and the
// arithmetic of the page mappings at their edges.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "screen/printing.h"
#include "screen/screen_state.h"
#include "tests/unit/support/raised.h"
#include "tests/unit/support/runtime_fixture.h"

namespace tolven::testing {
namespace {

class RecordingPrinter : public PrintPlatform {
public:
    std::vector<std::string> calls;
    std::string device = "PDF,wineps.drv,CUPS:PDF";
    int32_t dpi = 300;
    bool document_works = true, page_works = true;

    static std::string n(int64_t v) { return std::to_string(v); }
    std::string device_entry() override { return device; }
    bool create(const PrinterDevice& d) override {
        calls.push_back("create " + d.name + " " + d.driver + " " + d.port);
        return true;
    }
    int32_t dpi_x() override { return dpi; }
    int32_t dpi_y() override { return dpi; }
    bool start_document(const std::string& name) override {
        calls.push_back("document " + name);
        return document_works;
    }
    bool start_page() override {
        calls.push_back("page");
        return page_works;
    }
    void set_mapping(const PageMapping& m) override {
        calls.push_back("map " + n(m.window_w) + "," + n(m.window_h) + " " + n(m.viewport_w) + "," +
                        n(m.viewport_h));
    }
    void end_page() override { calls.push_back("end page"); }
    void end_document() override { calls.push_back("end document"); }
    void abort_document() override { calls.push_back("abort"); }
    void release() override { calls.push_back("release"); }
    void redirect_targets() override { calls.push_back("redirect"); }
    void restore_targets() override { calls.push_back("restore"); }
    void reselect_objects() override { calls.push_back("reselect"); }
    void show_print_cursor() override { calls.push_back("printer cursor"); }
    void restore_cursor() override { calls.push_back("cursor back"); }
    std::pair<int32_t, int32_t> client_size() override { return {632, 446}; }
    bool copy_main_window(const CopyRect& r) override {
        calls.push_back("copy " + n(r.x) + "," + n(r.y) + " " + n(r.w) + "x" + n(r.h));
        return true;
    }
    bool open_window(uint32_t h) override { return h == 77; }
    std::pair<int32_t, int32_t> window_size() override { return {300, 600}; }
    bool copy_window() override {
        calls.push_back("copy window");
        return true;
    }
    void close_window() override { calls.push_back("close window"); }
};

class PrintingTest : public RuntimeTest {
protected:
    RecordingPrinter printer;

    void SetUp() override {
        RuntimeTest::SetUp();
        set_print_platform(&printer);
    }
    void TearDown() override {
        set_print_platform(nullptr);
        reset_screen_state();
        RuntimeTest::TearDown();
    }
};

TEST(PrintingArithmetic, PageMappingsFollowTheResolutionAndTheWindowsShape) {
    const PageMapping page = page_mapping(600, 600);
    EXPECT_EQ(page.window_w, 6400);
    EXPECT_EQ(page.window_h, 9600);
    EXPECT_EQ(page.viewport_w, 4400);
    EXPECT_EQ(page.viewport_h, 6600);
    const PageMapping odd = page_mapping(200, 203);  // rounded, not cut
    EXPECT_EQ(odd.viewport_w, 1467);
    EXPECT_EQ(odd.viewport_h, 2233);
    const PageMapping screen = screen_copy_mapping(640, page_mapping(300, 300));
    EXPECT_EQ(screen.window_w, 640);
    EXPECT_EQ(screen.window_h, 960);
    EXPECT_EQ(screen.viewport_w, 2200);
    const PageMapping tall = window_copy_mapping(300, 600, page);
    EXPECT_EQ(tall.window_w, 400);
    EXPECT_EQ(tall.window_h, 600);
    EXPECT_EQ(screen_copy_mapping(INT32_MAX, page).window_h, INT32_MAX);
    const PageMapping wide = window_copy_mapping(640, 480, page);
    EXPECT_EQ(wide.window_w, 640);
    EXPECT_EQ(wide.window_h, 960);
}

TEST(PrintingArithmetic, TheDeviceEntryNeedsNameDriverAndPort) {
    const auto d = parse_device_entry("PDF,wineps.drv,CUPS:PDF,x");
    ASSERT_TRUE(d);
    EXPECT_EQ(d->name, "PDF");
    EXPECT_EQ(d->driver, "wineps.drv");
    EXPECT_EQ(d->port, "CUPS:PDF,x");
    for (const char* none : {"", "PDF", "PDF,wineps.drv", ",wineps.drv,LPT1:", "PDF,,LPT1:"})
        EXPECT_FALSE(parse_device_entry(none)) << none;
}

TEST(PrintingArithmetic, ScreenCopyKeepsToTheWindowAndThePage) {
    auto same = [](CopyRect r, CopyRect want) {
        return r.x == want.x && r.y == want.y && r.w == want.w && r.h == want.h;
    };
    EXPECT_TRUE(same(screen_copy_rect(0, 0, 631, 445, 640, 480), {0, 0, 632, 446}));
    EXPECT_TRUE(same(screen_copy_rect(-5, 10, 5000, 5000, 640, 480), {0, 10, 640, 470}));
    // A window taller than the page is cut at the page's bottom.
    EXPECT_TRUE(same(screen_copy_rect(0, 0, 99, 999, 100, 1000), {0, 0, 100, 150}));
    EXPECT_EQ(screen_copy_rect(10, 10, 5, 50, 640, 480).w, 0);
    EXPECT_EQ(screen_copy_rect(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 640, 480).w, 640);
}

TEST_F(PrintingTest, APrinterThatRefusesTheDocumentOrThePageLeavesNothingOpen) {
    printer.document_works = false;
    EXPECT_EQ(raised([] { start_print_statement(); }), 235);
    printer.document_works = true;
    printer.page_works = false;
    EXPECT_EQ(raised([] { start_print_statement(); }), 235);
    EXPECT_EQ(printer.calls, (std::vector<std::string>{
                                 "create PDF wineps.drv CUPS:PDF", "document DruckSeite", "release",
                                 "create PDF wineps.drv CUPS:PDF", "document DruckSeite", "page",
                                 "abort", "release"}));
    EXPECT_FALSE(printing_active);
}

TEST_F(PrintingTest, HardCopiesShowThePrinterCursorUntilTheyEndHoweverTheyEnd) {
    paint_target_active = true;  // stands for the main window
    load_listing({"SCREENCOPY", "SCREENCOPY 10,20-5,5", "WINCOPY 77", "ERRORMODE -1", "WINCOPY 78"});
    run();
    EXPECT_EQ(errors.last_error_number, 242);
    printer.device.clear();
    EXPECT_EQ(raised([] { screen_copy_statement(); }), 235);
    EXPECT_EQ(printer.calls, (std::vector<std::string>{
                                 "printer cursor", "create PDF wineps.drv CUPS:PDF", "document ScreenCopy",
                                 "page", "map 640,960 2200,3300", "copy 0,0 632x446", "end page",
                                 "end document", "release", "cursor back",
                                 // nothing to copy: no page, a warning
                                 "printer cursor", "create PDF wineps.drv CUPS:PDF", "document ScreenCopy",
                                 "page", "map 640,960 2200,3300", "abort", "release", "cursor back",
                                 "printer cursor", "create PDF wineps.drv CUPS:PDF", "document WindowCopy",
                                 "page", "map 400,600 2200,3300", "copy window", "end page", "end document",
                                 "release", "close window", "cursor back",
                                 "printer cursor", "cursor back",
                                 "printer cursor", "cursor back"}));
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].caption, "Fehler bei der HardCopy!");
}

TEST_F(PrintingTest, TheEndOfTheProgramEndsTheJobAfterItsLastPage) {
    printer.dpi = 600;
    load_listing({"STARTPRINT \"Liste\"", "NEWPAGE"});
    run();
    EXPECT_EQ(printer.calls, (std::vector<std::string>{
                                 "create PDF wineps.drv CUPS:PDF", "document Liste", "page",
                                 "map 6400,9600 4400,6600", "redirect", "end page", "page",
                                 "map 6400,9600 4400,6600", "reselect", "end page", "end document",
                                 "restore", "release"}));
    EXPECT_FALSE(printing_active);
}

}  // namespace
}  // namespace tolven::testing
