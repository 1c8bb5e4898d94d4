// The platform side of drawing, bitmaps, icons and cursors: what the
// portable statements of screen/drawing.cpp and screen/bitmaps.cpp ask of
// the drawing targets once they have read and checked their arguments.
// The Win32 build installs the real one (screen/win32); unit tests install
// a recording one. The base class draws nothing and fails every load.
//
// Coordinates arrive as the program's, already multiplied for the printer
// where that applies. "Both" means the primary target and then the
// secondary one (once when they are the same).
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "screen/bmp_file.h"

namespace tolven {

enum class Shape : uint8_t { Rectangle, RoundRect, Pie, Arc, Chord, Ellipse };

// The raster operations of the mode argument of the image statements.
enum class Raster : uint8_t { Copy, And, Or, Xor, Invert, Transparent };

// A resource of a module: by number when its name reads as a decimal
// number, else by name.
struct ResourceName {
    std::optional<uint16_t> number;
    std::string name;
};

enum class Targets : uint8_t { Both, PrimaryOnly };

// A rectangle of the screen read back for the save statement.
struct CapturedImage {
    int32_t width = 0, height = 0;
    uint16_t bits = 24;              // 1, 4, 8 or 24
    std::vector<uint32_t> palette;   // RGBQUADs below 24 bits
    std::vector<uint8_t> rows;       // bottom row first, rows padded to 4 bytes
};

class Graphics {
public:
    virtual ~Graphics() = default;

    // ---- pens, brushes, objects ----
    // Hatch is used when `hatched`; a hollow brush when `hollow`.
    virtual void select_brush(bool hollow, bool hatched, int32_t hatch, uint32_t rgb) {}
    virtual void select_pen(int32_t style, int32_t width, uint32_t rgb) {}
    virtual void delete_object(uint32_t handle) {}

    // ---- drawing ----
    virtual void set_pixel(int32_t x, int32_t y, uint32_t rgb, Targets t) {}
    virtual void flood_fill(int32_t x, int32_t y, uint32_t border_rgb, Targets t) {}
    virtual void move_to(int32_t x, int32_t y) {}
    virtual void line_to(int32_t x, int32_t y) {}
    // Bounding box in c[0..3]; the corner sizes (RoundRect) in c[4..5], or
    // the start and end points of the arc (Pie, Arc, Chord) in c[4..7].
    virtual void shape(Shape s, const int32_t* c) {}
    // Anisotropic mapping of `width` x `height` units onto the client area
    // of the paint window or the main window, on both targets.
    virtual void logical_size(int32_t width, int32_t height) {}
    // The RGB value of a pixel of the primary target, or nullopt where
    // there is none.
    virtual std::optional<uint32_t> pixel(int32_t x, int32_t y) { return std::nullopt; }

    // ---- paint mode ----
    // The main window's own value (0 without a window).
    virtual uint32_t main_window() { return 0; }
    // Both targets become the DC of window `h` (-1: the memory bitmap).
    virtual void begin_paint(int32_t h) {}
    // The targets of the main window come back; a window DC is released.
    virtual void end_paint() {}

    // ---- images ----
    // A new white memory bitmap; false when it cannot be made.
    virtual bool memory_blank(int32_t w, int32_t h) { return false; }
    // Deletes the memory bitmap and its DC.
    virtual void memory_release() {}
    // The memory bitmap becomes the image (false: cannot be made).
    virtual bool memory_load(const BmpImage& image) { return false; }
    virtual void memory_copy(int32_t x1, int32_t y1, int32_t w, int32_t h, int32_t x2,
                             int32_t y2, Raster r) {}
    virtual void memory_stretch(int32_t x1, int32_t y1, int32_t w1, int32_t h1, int32_t x2,
                                int32_t y2, int32_t w2, int32_t h2, Raster r) {}
    virtual void copy_to_memory(int32_t x1, int32_t y1, int32_t w, int32_t h, int32_t x2,
                                int32_t y2) {}
    virtual void copy(int32_t x1, int32_t y1, int32_t w, int32_t h, int32_t x2, int32_t y2,
                      Raster r) {}
    virtual void stretch(int32_t x1, int32_t y1, int32_t w1, int32_t h1, int32_t x2, int32_t y2,
                         int32_t w2, int32_t h2, Raster r) {}
    // A BMP image at (x, y); stretched to w x h when `sized`. `invalidate`:
    // a palette that changes the system colours repaints the main window.
    // False when the platform cannot make a bitmap of it.
    virtual bool draw_image(const BmpImage& image, int32_t x, int32_t y, int32_t w, int32_t h,
                            bool sized, Raster r) { return false; }
    // While printing: the image stretched onto (x, y, w, h) of the primary
    // target, nothing else.
    virtual bool print_image(const BmpImage& image, int32_t x, int32_t y, int32_t w,
                             int32_t h) { return false; }
    // A bitmap resource of a module, drawn as draw_image does; false when
    // it cannot be loaded.
    virtual bool draw_module_bitmap(uint32_t module, const ResourceName& name, int32_t x,
                                    int32_t y, int32_t w, int32_t h, bool sized, Raster r) { return false; }
    // The rectangle of the secondary target; false when it cannot be read.
    virtual bool capture(int32_t x, int32_t y, int32_t w, int32_t h, CapturedImage& out) { return false; }
    virtual void to_clipboard(int32_t x, int32_t y, int32_t w, int32_t h) {}
    // Draws the clipboard's bitmap; its size, or nullopt without one.
    virtual std::optional<std::pair<int32_t, int32_t>> from_clipboard(int32_t x, int32_t y,
                                                                     Raster r) { return std::nullopt; }

    // ---- icons and cursors ----
    // module 0: the runtime's own resources.
    virtual bool draw_icon(uint32_t module, const ResourceName& name, int32_t x, int32_t y) { return false; }
    virtual bool draw_file_icon(const std::string& file, int32_t index, int32_t x, int32_t y) { return false; }
    virtual bool draw_system_icon(int32_t number, int32_t x, int32_t y) { return false; }
    virtual bool window_icon(const ResourceName& name) { return false; }
    // Platform cursor number (32512...) or, for `own`, the runtime's cursor
    // resource of that name.
    virtual void set_cursor(uint32_t platform_id) {}
    virtual void set_own_cursor(const ResourceName& name) {}
    virtual void set_module_cursor(uint32_t module, const ResourceName& name) {}
    virtual void show_cursor(bool show) {}

    // ---- files ----
    virtual std::optional<std::vector<uint8_t>> read_file(const std::string& name) { return std::nullopt; }
    virtual bool write_file(const std::string& name, const std::vector<uint8_t>& bytes) { return false; }
};

Graphics& graphics();
// nullptr restores the one that draws nothing.
void set_graphics(Graphics* g);

}  // namespace tolven
