// The display the portable text screen draws through, on the main window.
#include <windows.h>

#include <string_view>

#include "screen/events.h"
#include "screen/text_screen.h"
#include "screen/win32/main_window_parts.h"

namespace tolven::main_window_parts {

namespace {

constexpr UINT kLineGraphicsCodePage = 437;

// ---- the display the portable text screen draws through ----

class Win32Display : public Display {
public:
    void ensure_window() override { ensure_main_window(); }
    bool window_exists() const override { return mw.hwnd && mw.created; }

    void draw_run(int32_t row, int32_t first, int32_t end) override {
        damage.mark(row, first, end, text_screen.rows);
    }
    void scroll_up() override { damage.scroll(text_screen.rows); }
    void flush() override { draw_damage(); }
    // Scrolling costs a move of the whole picture on both targets; during a
    // burst of output the moves are collected until the next pump, which
    // comes within a millisecond. Text alone is drawn at once.
    void write_done() override {
        if (damage.scrolled() == 0) draw_damage();
    }

    void beep() override { MessageBeep(MB_OK); }

    void draw_text_at(int32_t column, int32_t row, std::string_view text,
                      int32_t font_index) override {
        draw_damage();
        const int x = (column - 1) * mw.cell_w, y = (row - 1) * mw.cell_h;
        const RECT cells{x, y, x + static_cast<int>(text.size()) * mw.cell_w, y + mw.cell_h};
        for (HDC dc : {targets.primary, targets.secondary}) {
            if (!dc) continue;
            // The cells first take the background whole: a font lower than
            // the cell would leave the bottom of what was there.
            ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &cells, "", 0, nullptr);
            HGDIOBJ old = SelectObject(dc, cell_font(font_index));
            // Again one pixel lower: the thin OEM font then fills the cell.
            // The frames' bytes are the line graphics of code page 437,
            // whose mixed corners the OEM code page of a German system
            // (850) has not.
            for (int dy = 0; dy < 2; ++dy)
                cell_text_out(dc, x, y + dy, 0, nullptr, text.data(), static_cast<int>(text.size()),
                              font_index, kLineGraphicsCodePage);
            SelectObject(dc, old);
        }
    }

    void apply_text_colours() override {
        text_colours_into(targets.primary);
        text_colours_into(targets.secondary);
    }

    void begin_key_wait() override {
        draw_damage();
        if (!mw.hwnd || !events.focus_flag || mw.caret) return;
        if (CreateCaret(mw.hwnd, nullptr, mw.cell_w, 2)) {
            SetCaretPos(text_screen.column * mw.cell_w,
                        text_screen.row * mw.cell_h + mw.ascent);
            ShowCaret(mw.hwnd);
            mw.caret = true;
        }
    }
    void wait_for_input() override { wait_and_pump(); }
    void end_key_wait() override {
        if (mw.caret) {
            DestroyCaret();
            mw.caret = false;
        }
    }

    void clear_window(bool with_colour, uint32_t rgb_value) override {
        if (!mw.hwnd) return;
        damage.clear();  // everything is filled over
        if (with_colour) replace_current_brush(CreateSolidBrush(rgb_value), true);
        else replace_current_brush(static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)), false);
        for (HDC dc : {targets.primary, targets.secondary})
            if (dc) PatBlt(dc, 0, 0, mw.screen_w, mw.screen_h, PATCOPY);
        InvalidateRect(mw.hwnd, nullptr, FALSE);
        UpdateWindow(mw.hwnd);
    }

    void invalidate() override {
        draw_damage();
        if (mw.hwnd) InvalidateRect(mw.hwnd, nullptr, FALSE);
    }
    void refresh() override {
        draw_damage();
        if (!mw.hwnd) return;
        InvalidateRect(mw.hwnd, nullptr, FALSE);
        UpdateWindow(mw.hwnd);
    }

    void place_window() override {
        draw_damage();
        if (!window_exists()) {
            ensure_main_window();
            if (!mw.hwnd) return;
            if (!mw.used.hollow_background)
                for (HDC dc : {targets.primary, targets.secondary})
                    if (dc) PatBlt(dc, 0, 0, mw.screen_w, mw.screen_h, WHITENESS);
        }
        const WindowSettings& w = window_settings;
        SetWindowPos(mw.hwnd, nullptr, w.x, w.y, w.width, w.height, SWP_NOZORDER);
        InvalidateRect(mw.hwnd, nullptr, FALSE);
        UpdateWindow(mw.hwnd);
    }

    void title_changed() override {
        if (mw.hwnd) SetWindowTextA(mw.hwnd, window_settings.title.c_str());
    }

    uint32_t window_value() const override { return handle_value(mw.hwnd); }
    WindowEdges window_edges() const override {
        RECT r{};
        if (mw.hwnd) GetWindowRect(mw.hwnd, &r);
        return {r.left, r.top, r.right, r.bottom};
    }
};
Win32Display display;

}  // namespace

Display& win32_display() { return display; }

}  // namespace tolven::main_window_parts
