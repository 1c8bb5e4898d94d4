#include "screen/printing.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "core/errors.h"
#include "core/shutdown.h"
#include "core/tokens.h"
#include "screen/display.h"
#include "screen/drawing.h"
#include "screen/screen_state.h"
#include "values/reader.h"

namespace tolven {

namespace {

PrintPlatform no_printer;
PrintPlatform* current = &no_printer;

const char* name_of(Cmd c) { return command_info(code_of(c))->name; }

// The printer of the profile's "device" entry with its DC made, or false.
bool open_printer() {
    PrintPlatform& p = print_platform();
    const std::optional<PrinterDevice> device = parse_device_entry(p.device_entry());
    return device && p.create(*device);
}

// Document and first page on the printer just made; on failure nothing of
// the job is left and the DC is gone.
bool begin_job(const std::string& document) {
    PrintPlatform& p = print_platform();
    if (!p.start_document(document)) {
        p.release();
        return false;
    }
    if (!p.start_page()) {
        p.abort_document();
        p.release();
        return false;
    }
    return true;
}

// The end of a hard copy: a page the copy did not reach is not printed
// (no blank sheet for a failure the warning reports).
void finish_hard_copy(bool copied) {
    PrintPlatform& p = print_platform();
    if (copied) {
        p.end_page();
        p.end_document();
    } else {
        p.abort_document();
    }
    p.release();
}

// NEWPAGE and ENDPRINT belong to a job: error 120 outside one.
bool inside_job() {
    if (printing_active) return true;
    raise_error(120);
    return false;
}

PageMapping printer_page() {
    PrintPlatform& p = print_platform();
    // A driver that tells no resolution is taken for 300 dpi rather than
    // given a page of no size.
    const int32_t x = p.dpi_x(), y = p.dpi_y();
    return page_mapping(x > 0 ? x : 300, y > 0 ? y : 300);
}

// The hard copies show the printer cursor for as long as they print; it
// goes on every way out, error boxes included.
class PrintCursor {
public:
    PrintCursor() { print_platform().show_print_cursor(); }
    ~PrintCursor() { restore(); }
    PrintCursor(const PrintCursor&) = delete;
    PrintCursor& operator=(const PrintCursor&) = delete;
    void restore() {
        if (shown_) print_platform().restore_cursor();
        shown_ = false;
    }

private:
    bool shown_ = true;
};

}  // namespace

std::optional<PrinterDevice> parse_device_entry(std::string_view value) {
    const size_t first = value.find(',');
    if (first == std::string_view::npos) return std::nullopt;
    const size_t second = value.find(',', first + 1);
    if (second == std::string_view::npos) return std::nullopt;
    PrinterDevice d{std::string(value.substr(0, first)),
                    std::string(value.substr(first + 1, second - first - 1)),
                    std::string(value.substr(second + 1))};
    if (d.name.empty() || d.driver.empty()) return std::nullopt;
    return d;
}

PageMapping page_mapping(int32_t dpi_x, int32_t dpi_y) {
    const double sx = dpi_x / 300.0, sy = dpi_y / 300.0;
    return {6400, 9600, static_cast<int32_t>(std::lround(2200 * sx)),
            static_cast<int32_t>(std::lround(3300 * sy))};
}

namespace {
// Half again as much, in 64 bits: a window placement may be anything.
int32_t half_again(int32_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(int64_t{3} * v / 2, INT32_MIN, INT32_MAX));
}
}  // namespace

PageMapping screen_copy_mapping(int32_t w, const PageMapping& page) {
    return {w, half_again(w), page.viewport_w, page.viewport_h};
}

PageMapping window_copy_mapping(int32_t w, int32_t h, const PageMapping& page) {
    if (half_again(w) < h) return {static_cast<int32_t>(int64_t{2} * h / 3), h, page.viewport_w, page.viewport_h};
    return {w, half_again(w), page.viewport_w, page.viewport_h};
}

CopyRect screen_copy_rect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t w, int32_t h) {
    // In 64 bits: the corners are the program's and may be anything.
    const int64_t left = std::max<int64_t>(x1, 0), top = std::max<int64_t>(y1, 0);
    const int64_t right = std::min<int64_t>({x2, int64_t{w} - 1});
    const int64_t bottom = std::min<int64_t>({y2, int64_t{h} - 1, int64_t{3} * w / 2 - 1});
    if (right < left || bottom < top) return {};
    return {static_cast<int32_t>(left), static_cast<int32_t>(top),
            static_cast<int32_t>(right - left + 1), static_cast<int32_t>(bottom - top + 1)};
}

PrintPlatform& print_platform() { return *current; }
void set_print_platform(PrintPlatform* p) { current = p ? p : &no_printer; }

void start_print_statement() {
    if (drawing_state.painting) {
        raise_error(249, name_of(Cmd::STARTPRINT));
        return;
    }
    // A second job inside the first would take the printer for the
    // window's targets and lose the first job's pages.
    if (!not_while_printing(name_of(Cmd::STARTPRINT))) return;
    std::string document;
    if (!reader.rest.empty()) document = read_string(' ');
    if (document.empty()) document = "DruckSeite";
    display().ensure_window();
    if (!open_printer() || !begin_job(document)) {
        raise_error(235);
        return;
    }
    PrintPlatform& p = print_platform();
    p.set_mapping(printer_page());
    p.redirect_targets();
    printing_active = true;
}

void new_page_statement() {
    if (!inside_job()) return;
    PrintPlatform& p = print_platform();
    p.end_page();
    p.start_page();
    p.set_mapping(printer_page());
    p.reselect_objects();
}

void end_open_print_job() {
    if (!printing_active) return;
    PrintPlatform& p = print_platform();
    p.end_page();
    p.end_document();
    p.restore_targets();
    p.release();
    printing_active = false;
}

void end_print_statement() {
    if (inside_job()) end_open_print_job();
}

void screen_copy_statement() {
    if (!not_while_printing(name_of(Cmd::SCREENCOPY))) return;
    if (!window_required()) return;
    PrintPlatform& p = print_platform();
    const auto [client_w, client_h] = p.client_size();
    int32_t x1 = 0, y1 = 0, x2 = client_w - 1, y2 = client_h - 1;
    if (!reader.rest.empty()) {
        x1 = read_int(',');
        y1 = read_int('-');
        x2 = read_int(',');
        y2 = read_int(' ');
    }
    const int32_t w = window_settings.width, h = window_settings.height;
    const CopyRect rect = screen_copy_rect(x1, y1, x2, y2, w, h);
    PrintCursor cursor;
    if (!open_printer() || !begin_job("ScreenCopy")) {
        cursor.restore();
        raise_error(235);
        return;
    }
    p.set_mapping(screen_copy_mapping(w, printer_page()));
    const bool copied = rect.w > 0 && rect.h > 0 && p.copy_main_window(rect);
    finish_hard_copy(copied);
    cursor.restore();
    if (!copied) raise_warning(236);
}

void window_copy_statement() {
    if (!not_while_printing(name_of(Cmd::WINCOPY))) return;
    const uint32_t h = static_cast<uint32_t>(read_long(' '));
    PrintCursor cursor;
    PrintPlatform& p = print_platform();
    if (!p.open_window(h)) {
        cursor.restore();
        raise_error(242);
        return;
    }
    if (!open_printer() || !begin_job("WindowCopy")) {
        p.close_window();
        cursor.restore();
        raise_error(235);
        return;
    }
    const auto [w, wh] = p.window_size();
    p.set_mapping(window_copy_mapping(w, wh, printer_page()));
    const bool copied = p.copy_window();
    finish_hard_copy(copied);
    p.close_window();
    cursor.restore();
    if (!copied) raise_warning(236);
}

namespace {

// Whichever way the program ends, the pages of an open job are printed.
void start_printing() { on_shutdown(ShutdownStage::PrintJob, end_open_print_job); }

constexpr StatementEntry kPrintStatements[] = {
    {Cmd::STARTPRINT, start_print_statement},
    {Cmd::NEWPAGE, new_page_statement},
    {Cmd::ENDPRINT, end_print_statement},
    {Cmd::SCREENCOPY, screen_copy_statement},
    {Cmd::WINCOPY, window_copy_statement},
};

}  // namespace

const Module kPrintModule{"printing", kPrintStatements, {}, nullptr, start_printing};

}  // namespace tolven
