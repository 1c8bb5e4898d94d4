// The platform side of the main window as the portable text-screen code
// needs it. The Win32 build installs the real one (screen/win32); unit tests
// install a recording one. Without either, nothing is shown and waits
// return at once.
#pragma once
#include <cstdint>
#include <string_view>

namespace tolven {

struct WindowEdges {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};

class Display {
public:
    virtual ~Display() = default;

    // Creates the main window when it does not exist (which allocates the
    // character plane of the text screen).
    virtual void ensure_window() = 0;
    virtual bool window_exists() const = 0;

    // Draws the cells first..end-1 of screen row `row` from the character
    // plane with the current text attribute and font index, on both targets.
    virtual void draw_run(int32_t row, int32_t first, int32_t end) = 0;
    // The ring of rows has advanced by one: move the picture up one cell and
    // show the new, blank last row.
    virtual void scroll_up() = 0;
    // The two above may be collected and carried out later, but before the
    // next message pump and before this returns. The text screen calls it
    // before it changes the attribute, the font index or the grid.
    virtual void flush() = 0;
    // One write to the standard Output is complete: what can be shown
    // cheaply is shown now; moving the picture for scrolled rows may wait
    // for the message pump, which follows within a millisecond of output.
    virtual void write_done() { flush(); }
    virtual void beep() = 0;
    // The positioned-text routine of the frame drawing: `text` at the
    // 1-based cell (column, row), on both targets and again one pixel lower,
    // with the current text colours and the font table entry `font_index`.
    // The character plane does not change.
    virtual void draw_text_at(int32_t column, int32_t row, std::string_view text,
                              int32_t font_index) = 0;

    // The text attribute changed: give both targets its colours.
    virtual void apply_text_colours() = 0;

    // Waiting for input: shows the caret at the text cursor (when the main
    // window has the focus) for the whole wait.
    virtual void begin_key_wait() = 0;
    // Lets time pass until something may have happened, then runs the
    // message pump. Automated keys are typed here.
    virtual void wait_for_input() = 0;
    virtual void end_key_wait() = 0;

    // CLS: fill both targets (screen size) with white or with an RGB colour,
    // whose brush stays selected; then repaint.
    virtual void clear_window(bool with_colour, uint32_t rgb) = 0;
    // Invalidate the main window without erasing (restored at the next pump).
    virtual void invalidate() = 0;
    // Redraw the main window from its off-screen image at once.
    virtual void refresh() = 0;
    // The window placement statement: create the window if needed (filling
    // the targets white unless the background is hollow), move it and
    // repaint it.
    virtual void place_window() = 0;
    // The title buffer changed.
    virtual void title_changed() = 0;

    // Values programs read.
    virtual uint32_t window_value() const = 0;
    virtual WindowEdges window_edges() const = 0;
};

Display& display();
// nullptr restores the silent display.
void set_display(Display* d);

}  // namespace tolven
