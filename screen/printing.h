// Printing: a print job the program draws on with the ordinary drawing,
// pixel-text and bitmap-file statements (STARTPRINT, NEWPAGE, ENDPRINT),
// and the two hard copies that print a window as one page (SCREENCOPY,
// WINCOPY). The statements read and check their arguments here and reach
// the printer through print_platform(); the Win32 build installs the GDI
// one (screen/win32), unit tests a recording one.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "core/registry.h"

namespace tolven {

// The default printer as the profile entry "device" of section "windows"
// names it: "name,driver,port".
struct PrinterDevice {
    std::string name, driver, port;
};
// Nullopt when the value does not name a printer (fewer than two commas,
// or no name or driver).
std::optional<PrinterDevice> parse_device_entry(std::string_view value);

// An anisotropic mapping: logical extents onto device extents.
struct PageMapping {
    int32_t window_w = 0, window_h = 0;
    int32_t viewport_w = 0, viewport_h = 0;
};

// The printed page: 6400 x 9600 logical units on 7 1/3 x 11 inches of a
// printer with this resolution (dots per inch).
PageMapping page_mapping(int32_t dpi_x, int32_t dpi_y);

// The hard copy of the main window: the window's width `w` fills the
// width of the page, the page being half again as high as wide.
PageMapping screen_copy_mapping(int32_t w, const PageMapping& page);

// The hard copy of a window of w x h pixels: scaled to the page's width, or
// to its height when the window is taller than the page's proportions.
PageMapping window_copy_mapping(int32_t w, int32_t h, const PageMapping& page);

struct CopyRect {
    int32_t x = 0, y = 0, w = 0, h = 0;
};
// The part of the main window SCREENCOPY prints for the corners (x1, y1)
// and (x2, y2), both included, of a window placement of w x h: kept within
// the window and within the page (half again as high as the window's
// width). Empty (w or h 0) when nothing of it is left.
CopyRect screen_copy_rect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t w, int32_t h);

// What the statements ask of the printer.
class PrintPlatform {
public:
    virtual ~PrintPlatform() = default;

    // The value of the profile entry "device" of section "windows".
    virtual std::string device_entry() { return {}; }
    // Makes the printer's DC; false when it cannot be made.
    virtual bool create(const PrinterDevice&) { return false; }
    // Resolution of the printer made, in dots per inch.
    virtual int32_t dpi_x() { return 300; }
    virtual int32_t dpi_y() { return 300; }
    virtual bool start_document(const std::string&) { return false; }
    virtual bool start_page() { return false; }
    virtual void set_mapping(const PageMapping&) {}
    virtual void end_page() {}
    virtual void end_document() {}
    // Stops the document after a failure: what was spooled is dropped.
    virtual void abort_document() {}
    // Deletes the printer's DC.
    virtual void release() {}

    // Both drawing targets become the printer (pen, brush and custom font
    // go with them) / the window's targets come back.
    virtual void redirect_targets() {}
    virtual void restore_targets() {}
    // After a new page: the printer's DC gets the pen, brush and custom
    // font again.
    virtual void reselect_objects() {}

    // The hard copies. The mouse shows the "DRUCKER" cursor / the one it
    // showed before.
    virtual void show_print_cursor() {}
    virtual void restore_cursor() {}
    // Width and height of the main window's client area.
    virtual std::pair<int32_t, int32_t> client_size() { return {0, 0}; }
    // Copies rectangle `r` of the main window's picture to the same place
    // on the page; false when the copy fails.
    virtual bool copy_main_window(const CopyRect&) { return false; }
    // The whole window `h`, frame included: false when it has no DC.
    virtual bool open_window(uint32_t h) { return false; }
    // Its size in pixels.
    virtual std::pair<int32_t, int32_t> window_size() { return {0, 0}; }
    // Copies it to the page at 0, 0; false when a copy fails.
    virtual bool copy_window() { return false; }
    virtual void close_window() {}
};

PrintPlatform& print_platform();
// nullptr restores the one without a printer.
void set_print_platform(PrintPlatform* p);

void start_print_statement();   // STARTPRINT
void new_page_statement();      // NEWPAGE
void end_print_statement();     // ENDPRINT
void screen_copy_statement();   // SCREENCOPY
void window_copy_statement();   // WINCOPY

// Ends an open print job so that no page is lost (the end of the program,
// however it ends).
void end_open_print_job();

extern const Module kPrintModule;

}  // namespace tolven
