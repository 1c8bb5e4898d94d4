#include "screen/win32/main_window.h"

#include "screen/win32/main_window_parts.h"

#include <dde.h>
#include <windowsx.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/automation.h"
#include "core/host.h"
#include "core/shutdown.h"
#include "screen/colours.h"
#include "screen/display.h"
#include "screen/events.h"
#include "screen/keys.h"
#include "screen/screen_state.h"
#include "screen/text_damage.h"
#include "screen/text_screen.h"

namespace tolven {

HWND current_dialog = nullptr;

namespace main_window_parts {

DrawingTargets targets;

constexpr char kMainClass[] = "FENSTER";
constexpr char kDialogClass[] = "DIALOG";
// The dialog procedures keep their state in the window extra bytes.
constexpr int kWindowExtra = DLGWINDOWEXTRA > 30 ? DLGWINDOWEXTRA : 30;

MainWindow mw;

// The targets a print job replaced, and the fonts their DCs had before the
// custom font (which they keep holding unless a font is made meanwhile).
struct PrinterSwap {
    HDC printer = nullptr;
    DrawingTargets window;
    HGDIOBJ window_font_before[2] = {};
    bool window_holds_custom_font = false;
    HGDIOBJ printer_pen = nullptr, printer_brush = nullptr;
};
PrinterSwap printer_swap;

// Where the text screen is drawn: the window, also while a job prints.
DrawingTargets screen_targets() { return printer_swap.printer ? printer_swap.window : targets; }

HINSTANCE instance() { return GetModuleHandleA(nullptr); }

uint32_t handle_value(const void* h) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(h));
}

HFONT table_font(int32_t index) {
    static const int kStock[4] = {ANSI_FIXED_FONT, OEM_FIXED_FONT, SYSTEM_FIXED_FONT,
                                  SYSTEM_FIXED_FONT};
    return static_cast<HFONT>(GetStockObject(kStock[index & 3]));
}

void text_colours_into(HDC dc) {
    if (!dc) return;
    SetTextColor(dc, text_colour(text_screen.attribute & 15));
    SetBkColor(dc, text_colour(text_screen.attribute >> 4));
    SetBkMode(dc, OPAQUE);
}

// ---- cell metrics ----

// The text screen's fonts. The stock fonts are raster fonts made for their
// cells, whose two spare pixel rows the cell leaves out. Where the platform
// stands an outline font in for one and it is taller than the cell, the
// cell would cut off accents and descenders: the text screen then draws
// with the same face made as high as the cell.
HFONT fitted_fonts[4] = {};
int32_t fitted_height = 0;

void release_fitted_fonts() {
    for (HFONT& f : fitted_fonts) {
        if (f) DeleteObject(f);
        f = nullptr;
    }
    fitted_height = 0;
}

void fit_fonts(HWND hwnd) {
    if (fitted_height == mw.cell_h) return;
    release_fitted_fonts();
    fitted_height = mw.cell_h;
    HDC dc = GetDC(hwnd);
    if (!dc) return;
    HGDIOBJ old = SelectObject(dc, table_font(0));
    for (int i = 0; i < 4; ++i) {
        SelectObject(dc, table_font(i));
        TEXTMETRICA tm{};
        LOGFONTA lf{};
        if (!GetTextMetricsA(dc, &tm) || tm.tmHeight <= mw.cell_h) continue;
        if (!(tm.tmPitchAndFamily & (TMPF_VECTOR | TMPF_TRUETYPE))) continue;
        if (!GetObjectA(table_font(i), sizeof lf, &lf)) continue;
        lf.lfHeight = mw.cell_h;  // the cell height, accents included
        lf.lfWidth = 0;
        GetTextFaceA(dc, LF_FACESIZE, lf.lfFaceName);
        fitted_fonts[i] = CreateFontIndirectA(&lf);
    }
    SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
}

// The font the text screen draws font table entry `index` with.
HFONT cell_font(int32_t index) {
    HFONT f = fitted_fonts[index & 3];
    return f ? f : table_font(index);
}


// The cell is as wide as the widest and as high as the tallest of the
// measured stock fonts (two pixels less than the font's full height, which
// lets rows sit closer); the erase font becomes the font that gave the
// height.
void measure_cell(HWND hwnd) {
    HDC dc = GetDC(hwnd);
    if (!dc) return;
    int32_t w = 1, h = 1, ascent = 0;
    const int32_t k = text_screen.erase_font;
    HGDIOBJ old = SelectObject(dc, table_font(2));
    for (int32_t i = 1; i <= k; ++i) {
        SelectObject(dc, table_font(i));
        TEXTMETRICA tm{};
        if (!GetTextMetricsA(dc, &tm)) continue;
        // A fixed-pitch font advances every character by its average width;
        // its maximum width can be wider where glyphs overhang (outline
        // fonts standing in for the bitmap fonts), and the grid would gape.
        const bool fixed_pitch = !(tm.tmPitchAndFamily & TMPF_FIXED_PITCH);
        w = std::max<int32_t>(w, fixed_pitch ? tm.tmAveCharWidth : tm.tmMaxCharWidth);
        if (tm.tmHeight + tm.tmExternalLeading > h) {
            h = tm.tmHeight + tm.tmExternalLeading - 2;
            text_screen.erase_font = i;
        }
        ascent = std::max<int32_t>(ascent, tm.tmAscent);
    }
    SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    mw.cell_w = std::max<int32_t>(w, 1);
    mw.cell_h = std::max<int32_t>(h, 1);
    mw.ascent = ascent;
    fit_fonts(hwnd);
}

// ---- the text screen on the targets ----

TextDamage damage;

// The part of the picture that moves when the text screen scrolls: the
// client area, and the whole grid when that reaches further (it then lies
// partly outside the window but stays whole in the off-screen image).
RECT scroll_area() {
    RECT rc{};
    if (mw.hwnd) GetClientRect(mw.hwnd, &rc);
    rc.right = std::min<LONG>(std::max<LONG>(rc.right, text_screen.columns * mw.cell_w), mw.screen_w);
    rc.bottom = std::min<LONG>(std::max<LONG>(rc.bottom, text_screen.rows * mw.cell_h), mw.screen_h);
    return rc;
}

// Moves the picture up by k rows and blanks what comes in at the bottom
// with the background colour, as k single scrolls would.
void scroll_pixels(HDC dc, const RECT& area, int32_t k) {
    const int32_t shift = k * mw.cell_h;
    if (area.bottom > shift)
        BitBlt(dc, 0, 0, area.right, area.bottom - shift, dc, 0, shift, SRCCOPY);
    RECT blank{0, std::max<LONG>(0, (text_screen.rows - k) * mw.cell_h), area.right, area.bottom};
    SetBkColor(dc, text_colour(text_screen.attribute >> 4));
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &blank, "", 0, nullptr);
}

// Text in the cells of the text screen, each character in its own cell
// (whatever the font's own advance). Text in the OEM font is OEM text: where
// the platform stands another character set in for that font, the bytes
// are shown as the OEM code page's characters, so that line graphics stay
// line graphics. A given code page names the characters the bytes are.
void cell_text_out(HDC dc, int x, int y, UINT options, const RECT* rect, const char* text,
                   int n, int32_t font_index, UINT code_page) {
    static std::vector<INT> advance;
    if (advance.size() < static_cast<size_t>(n) || (!advance.empty() && advance.front() != mw.cell_w))
        advance.assign(std::max<size_t>(n, 256), mw.cell_w);
    if (code_page || ((font_index & 3) == 1 && GetTextCharset(dc) != OEM_CHARSET)) {
        static std::vector<wchar_t> wide;
        wide.resize(static_cast<size_t>(n));
        if (MultiByteToWideChar(code_page ? code_page : CP_OEMCP, 0, text, n, wide.data(), n) == n) {
            ExtTextOutW(dc, x, y, options, rect, wide.data(), static_cast<UINT>(n), advance.data());
            return;
        }
    }
    ExtTextOutA(dc, x, y, options, rect, text, static_cast<UINT>(n), advance.data());
}

// Draws the collected cells: each character in its own cell (whatever the
// font's own advance), on the cell's background, clipped to the cell, so
// that a font taller than the cell neither leaves old pixels in it nor
// reaches into the next row. Such a font is centred in the cell, so that it
// loses as much of its top (room for accents) as of its bottom (the
// descenders).
void draw_spans(HDC dc) {
    HGDIOBJ old = SelectObject(dc, cell_font(text_screen.font_index));
    text_colours_into(dc);
    TEXTMETRICA tm{};
    const int overhang = GetTextMetricsA(dc, &tm) ? std::max<int>(0, tm.tmHeight - mw.cell_h) : 0;
    const auto& spans = damage.spans();
    const int32_t rows = std::min<int32_t>(static_cast<int32_t>(spans.size()), text_screen.rows);
    for (int32_t r = 0; r < rows; ++r) {
        const int32_t first = std::max(spans[r].first, 0);
        const int32_t end = std::min(spans[r].end, text_screen.columns);
        if (end <= first) continue;
        const RECT cells{first * mw.cell_w, r * mw.cell_h, end * mw.cell_w, (r + 1) * mw.cell_h};
        cell_text_out(dc, cells.left, cells.top - overhang / 2, ETO_OPAQUE | ETO_CLIPPED, &cells,
                      reinterpret_cast<const char*>(&text_screen.cell(r, first)), end - first,
                      text_screen.font_index);
    }
    SelectObject(dc, old);
}

// Puts the collected text output on the drawing targets. Normally that is
// the off-screen image, from which the changed part is then copied to the
// window; when the targets are something else (paint mode), both are drawn.
void draw_damage() {
    if (damage.empty()) return;
    if (!text_screen.has_plane() || !mw.hwnd) {
        damage.clear();
        return;
    }
    const DrawingTargets on = screen_targets();
    HDC image = on.secondary, window = on.primary;
    const bool normal = window == mw.window_dc && image == mw.image_dc;
    const RECT area = scroll_area();
    const int32_t k = damage.scrolled();
    RECT changed{0, 0, 0, 0};
    for (HDC dc : {image, normal || window == image ? nullptr : window}) {
        if (!dc) continue;
        if (k > 0) scroll_pixels(dc, area, k);
        draw_spans(dc);
    }
    // The cells reach the window as a copy, but the colours they leave
    // selected must be the same on both targets for the text drawn next.
    if (normal && window) text_colours_into(window);
    if (normal && window && image) {
        if (k > 0) {
            changed = area;
        } else {
            changed = {LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
            const auto& spans = damage.spans();
            for (int32_t r = 0; r < static_cast<int32_t>(spans.size()); ++r) {
                if (spans[r].end <= spans[r].first) continue;
                changed.left = std::min<LONG>(changed.left, spans[r].first * mw.cell_w);
                changed.right = std::max<LONG>(changed.right, spans[r].end * mw.cell_w);
                changed.top = std::min<LONG>(changed.top, r * mw.cell_h);
                changed.bottom = std::max<LONG>(changed.bottom, (r + 1) * mw.cell_h);
            }
        }
        if (changed.right > changed.left && changed.bottom > changed.top) {
            LPtoDP(image, reinterpret_cast<POINT*>(&changed), 2);
            DevicePixels to(window), from(image);
            BitBlt(window, changed.left, changed.top, changed.right - changed.left,
                   changed.bottom - changed.top, image, changed.left, changed.top, SRCCOPY);
        }
    }
    damage.clear();
}

void translate_and_dispatch(MSG& msg) {
    AutoKeyState keys(msg);
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

// The dialog navigation of the current dialog, and of the main window when
// it has the dialog-style procedure; true when it took the message.
bool dialog_navigation(MSG& msg) {
    if (current_dialog && IsWindow(current_dialog) && IsDialogMessageA(current_dialog, &msg))
        return true;
    return mw.hwnd && mw.used.dialog_style && IsDialogMessageA(mw.hwnd, &msg);
}

// ---- the window procedures' common steps ----

// Stores the current message; true when the program asked to catch it.
bool record_message(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    events.current_message = {handle_value(h), m, static_cast<int32_t>(wp),
                              static_cast<int32_t>(lp)};
    return catch_user_message(handle_value(h), m, static_cast<int32_t>(wp),
                              static_cast<int32_t>(lp));
}

// The close query: true when the window may close.
bool close_allowed() {
    const WindowSettings& w = window_settings;
    if (w.close_text.empty()) return true;
    return host().message_box(w.close_text, w.close_caption, MB_YESNO | MB_ICONQUESTION, true) ==
           IDYES;
}

void store_mouse(LPARAM lp) {
    events.mouse_x = GET_X_LPARAM(lp);
    events.mouse_y = GET_Y_LPARAM(lp);
}

void record_notify(HWND h, WPARAM wp, LPARAM lp) {
    record_notification(handle_value(GetDlgItem(h, static_cast<int>(wp))),
                        lp ? static_cast<int32_t>(reinterpret_cast<NMHDR*>(lp)->code) : 0);
}

void move_scroll_bar(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    HWND bar = reinterpret_cast<HWND>(lp);
    HWND target = bar ? bar : h;
    const int kind = bar ? SB_CTL : (m == WM_HSCROLL ? SB_HORZ : SB_VERT);
    events.focus_window = handle_value(target);
    int lo = 0, hi = 0;
    GetScrollRange(target, kind, &lo, &hi);
    int p = GetScrollPos(target, kind);
    const int page = std::max(1, (hi - lo + 1) / 10);
    switch (LOWORD(wp)) {
        case SB_LINEUP: if (p > lo) --p; break;
        case SB_LINEDOWN: if (p < hi) ++p; break;
        case SB_PAGEUP: p -= page; break;
        case SB_PAGEDOWN: p += page; break;
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK: p = static_cast<int16_t>(HIWORD(wp)); break;
        case SB_TOP: p = lo; break;
        case SB_BOTTOM: p = hi; break;
        default: break;
    }
    p = std::clamp(p, std::min(lo, hi), std::max(lo, hi));
    SetScrollPos(target, kind, p, TRUE);
    put_key(255);
}

void main_command(WPARAM wp, LPARAM lp) {
    events.focus_window = handle_value(reinterpret_cast<HWND>(lp));
    if (lp) record_control_command(static_cast<uint32_t>(wp));
    else record_menu_command(static_cast<uint32_t>(wp));
}

// A DDE answer. To an initiation it names the partner (its atoms are ours
// to delete; a second program answering is told to go); to an execute it
// says the command was taken, when the waiting statement did not take the
// message itself first.
void dde_ack(HWND h, WPARAM wp, LPARAM lp) {
    HWND sender = reinterpret_cast<HWND>(wp);
    if (events.dde_initiating) {
        GlobalDeleteAtom(LOWORD(lp));
        GlobalDeleteAtom(HIWORD(lp));
        if (!record_dde_answer(handle_value(sender)) && sender)
            PostMessageA(sender, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(h), 0);
        return;
    }
    events.dde_acknowledged = true;
    FreeDDElParam(WM_DDE_ACK, lp);
}

// The partner ending the conversation is answered in kind.
void dde_terminate(HWND h, WPARAM wp) {
    if (handle_value(reinterpret_cast<HWND>(wp)) != events.dde_partner || !events.dde_partner)
        return;
    PostMessageA(reinterpret_cast<HWND>(wp), WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(h), 0);
    events.dde_partner = 0;
}

// WM_COMMAND of the dialog-style procedures.
void dialog_command(HWND h, WPARAM wp, LPARAM lp, bool main_window) {
    const int32_t id = LOWORD(wp), code = HIWORD(wp);
    HWND control = reinterpret_cast<HWND>(lp);
    if (events.command_recording) {
        events.last_command = static_cast<int16_t>(-id);
        events.last_control = id;
    }
    if (id == IDOK && !control) {
        put_key(13);
        if (HWND next = GetNextDlgTabItem(h, GetFocus(), FALSE)) SetFocus(next);
    } else if (id == IDCANCEL && !control) {
        SetFocus(nullptr);
        put_key(2);
    } else if (code == 1) {
        put_key(1);
    } else if (code == 0 && control) {
        SetFocus(control);
        events.focus_window = handle_value(control);
        put_key(255);
    } else if (main_window && !control && code == 0) {
        main_command(wp, lp);
    }
}

void parent_notify_main(WPARAM wp, LPARAM lp) {
    const UINT what = LOWORD(wp);
    if (what != WM_LBUTTONDOWN && what != WM_RBUTTONDOWN) return;
    events.child_left_click = what == WM_LBUTTONDOWN;
    events.child_right_click = what == WM_RBUTTONDOWN;
    store_mouse(lp);
    events.focus_window = handle_value(GetFocus());
}

void parent_notify_dialog(WPARAM wp, LPARAM lp) {
    const UINT what = LOWORD(wp);
    if (what == WM_LBUTTONDOWN) {
        char name[8] = "";
        if (HWND f = GetFocus()) GetClassNameA(f, name, sizeof name);
        if (name[0] == 'S' || name[0] == 's') store_mouse(lp);
    } else if (what == WM_RBUTTONDOWN) {
        SetFocus(nullptr);
        events.child_right_click = true;
        events.child_left_click = false;
        store_mouse(lp);
    }
}

// ---- the main window's own messages ----

void cell_setup(HWND h) {
    mw.created = true;
    mw.hwnd = h;
    allocate_plane(mw.screen_w / 8, mw.screen_h / 15);
    if (!events.break_check)
        EnableMenuItem(GetSystemMenu(h, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
    measure_cell(h);
}

void window_destroyed(HWND h) {
    // The quit message follows, which ends the process.
    automation::write_exit_snapshot();
    write_automation_results();
    if (mw.caret) {
        DestroyCaret();
        mw.caret = false;
    }
    if (mw.image_dc) {
        if (mw.custom_font) SelectObject(mw.image_dc, GetStockObject(SYSTEM_FONT));
        SelectObject(mw.image_dc, GetStockObject(WHITE_BRUSH));
        SelectObject(mw.image_dc, mw.image_old);
        DeleteDC(mw.image_dc);
    }
    if (mw.image) DeleteObject(mw.image);
    if (mw.window_dc) {
        SelectObject(mw.window_dc, GetStockObject(SYSTEM_FONT));
        SelectObject(mw.window_dc, GetStockObject(WHITE_BRUSH));
        ReleaseDC(h, mw.window_dc);
    }
    mw.image_dc = mw.window_dc = nullptr;
    mw.image = nullptr;
    mw.image_old = nullptr;
    // A print job keeps its printer (and the font its DC had before the
    // custom font); only what comes back after it is gone.
    if (printer_swap.printer) {
        printer_swap.window = {};
        printer_swap.window_font_before[0] = printer_swap.window_font_before[1] = nullptr;
    } else {
        targets = {};
        mw.font_before_primary = mw.font_before_secondary = nullptr;
    }
    damage.clear();
    release_fitted_fonts();
    free_plane();
    PostQuitMessage(0);
    mw.created = false;
    mw.hwnd = nullptr;
}

void paint(HWND h) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    if (events.paint_mode <= 0) {
        events.paint_request = true;
    } else if (dc && mw.image_dc) {
        DevicePixels to(dc), from(mw.image_dc);
        BitBlt(dc, 0, 0, mw.screen_w, mw.screen_h, mw.image_dc, 0, 0, SRCCOPY);
    }
    EndPaint(h, &ps);
}

bool making_main_window = false;

// A program can make more windows of the main window's class. They record
// input like the main window, but the text screen, its image and the end of
// the program belong to the main window alone.
bool main_window_only(HWND h, UINT m) {
    if (h == mw.hwnd || (making_main_window && !mw.hwnd)) return false;
    switch (m) {
        case WM_CREATE: case WM_DESTROY: case WM_PAINT: case WM_CLOSE:
        case WM_GETMINMAXINFO: case WM_QUERYENDSESSION: case WM_ENDSESSION: return true;
        default: return false;
    }
}

LRESULT main_procedure(HWND h, UINT m, WPARAM wp, LPARAM lp, bool dialog_style) {
    if (record_message(h, m, wp, lp)) return m;
    if (main_window_only(h, m))
        return dialog_style ? DefDlgProcA(h, m, wp, lp) : DefWindowProcA(h, m, wp, lp);
    switch (m) {
        case WM_CREATE: cell_setup(h); return 0;
        case WM_DESTROY: window_destroyed(h); return 0;
        case WM_SIZE: put_key(4); return 0;
        case WM_SETFOCUS:
            events.focus_window = handle_value(h);
            events.focus_flag = true;
            return 0;
        case WM_KILLFOCUS: events.focus_flag = false; return 0;
        case WM_PAINT: paint(h); return 0;
        case WM_CLOSE:
            if (!close_allowed()) return 0;
            // The process ends with this window: the windows are recorded
            // while they are all still there.
            automation::write_exit_snapshot();
            write_automation_results();
            break;
        case WM_GETMINMAXINFO: measure_cell(h); return 0;
        // Logging off or shutting down ends the program as its own end
        // does: files flushed, tables and indexes closed.
        case WM_QUERYENDSESSION: return TRUE;
        case WM_ENDSESSION:
            if (wp) shutdown_and_exit(0);
            return 0;
        case WM_NOTIFY: record_notify(h, wp, lp); return 0;
        case WM_KEYDOWN:
            events.last_virtual_key = static_cast<int32_t>(wp & 0xFF);
            if (events.break_check && wp == VK_CANCEL) stop_by_break();
            return 0;
        case WM_CHAR: put_key(static_cast<int32_t>(wp & 0xFF)); return 0;
        case WM_COMMAND:
            if (dialog_style) dialog_command(h, wp, lp, true);
            else main_command(wp, lp);
            return 0;
        case WM_TIMER: record_timer_tick(wp); return 0;
        case WM_DDE_TERMINATE: dde_terminate(h, wp); return 0;
        case WM_HSCROLL:
        case WM_VSCROLL: move_scroll_bar(h, m, wp, lp); return 0;
        case WM_MOUSEMOVE: store_mouse(lp); return 0;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
            store_mouse(lp);
            events.left_button = m == WM_LBUTTONDOWN;
            events.right_button = m == WM_RBUTTONDOWN;
            SetFocus(h);
            return 0;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
            store_mouse(lp);
            (m == WM_LBUTTONUP ? events.left_button : events.right_button) = false;
            SetFocus(h);
            return 0;
        case WM_PARENTNOTIFY:
            if (dialog_style) parent_notify_dialog(wp, lp);
            else parent_notify_main(wp, lp);
            return 0;
        // Message 996 is the DDE answer.
        case WM_DDE_ACK:
            events.message_996 = static_cast<int32_t>(wp);
            dde_ack(h, wp, lp);
            return 0;
        default: break;
    }
    return dialog_style ? DefDlgProcA(h, m, wp, lp) : DefWindowProcA(h, m, wp, lp);
}

// The "DIALOG" class procedure and the dialog-box procedure. Returns true
// with `result` set when the message was handled without the default.
bool dialog_procedure(HWND h, UINT m, WPARAM wp, LPARAM lp, bool box, LRESULT& result) {
    result = 0;
    if (record_message(h, m, wp, lp)) {
        result = m;
        return true;
    }
    switch (m) {
        case WM_SIZE:
            if (!box) put_key(4);
            return box;
        case WM_SETFOCUS:
            events.focus_window = handle_value(h);
            events.focus_flag = true;
            return true;
        case WM_PAINT:
            if (events.paint_mode < 2) events.paint_request = true;
            return false;
        case WM_CLOSE:
            if (box || close_allowed()) return false;
            return true;
        case WM_NOTIFY: record_notify(h, wp, lp); return true;
        case WM_COMMAND: dialog_command(h, wp, lp, false); return true;
        case WM_TIMER:
            if (wp == 1) events.timer_flag = true;
            return true;
        case WM_HSCROLL:
        case WM_VSCROLL: move_scroll_bar(h, m, wp, lp); return true;
        case WM_PARENTNOTIFY: parent_notify_dialog(wp, lp); return true;
        default: return false;
    }
}

// ---- window classes and creation ----

void register_dialog_class() {
    WNDCLASSA wc{};
    wc.style = CS_CLASSDC;
    wc.lpfnWndProc = dialog_class_proc;
    wc.cbWndExtra = kWindowExtra;
    wc.hInstance = instance();
    wc.hIcon = LoadIconA(instance(), "TOLVEN");
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = kDialogClass;
    RegisterClassA(&wc);
}

// The main class takes its brush and procedure from the window style flags
// of the window about to be made; no window of it exists at this point, so
// it is made anew each time and a changed style takes effect.
void register_main_class(const WindowSettings& s) {
    UnregisterClassA(kMainClass, instance());
    WNDCLASSA wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC | CS_BYTEALIGNWINDOW;
    wc.lpfnWndProc = s.dialog_style ? dialog_main_window_proc : main_window_proc;
    wc.cbWndExtra = kWindowExtra;
    wc.hInstance = instance();
    wc.hIcon = LoadIconA(instance(), "TOLVEN");
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground =
        static_cast<HBRUSH>(GetStockObject(s.hollow_background ? HOLLOW_BRUSH : WHITE_BRUSH));
    wc.lpszClassName = kMainClass;
    RegisterClassA(&wc);
}

void select_custom_font() {
    if (!mw.custom_font) return;
    if (targets.primary) mw.font_before_primary = SelectObject(targets.primary, mw.custom_font);
    // One DC for both targets (the printer) has its font from before once.
    if (targets.secondary && targets.secondary != targets.primary)
        mw.font_before_secondary = SelectObject(targets.secondary, mw.custom_font);
}

}  // namespace main_window_parts

using namespace main_window_parts;

// ---- exported ----

HWND main_window_handle() { return mw.created ? mw.hwnd : nullptr; }

DrawingTargets& drawing_targets() {
    draw_damage();
    return targets;
}

void flush_text_output() { draw_damage(); }
int32_t screen_width() { return mw.screen_w; }
int32_t screen_height() { return mw.screen_h; }

void ensure_main_window() {
    if (mw.hwnd && mw.created) return;
    if (HDC ic = CreateICA("DISPLAY", nullptr, nullptr, nullptr)) {
        mw.screen_w = static_cast<uint16_t>(GetDeviceCaps(ic, HORZRES));
        mw.screen_h = static_cast<uint16_t>(GetDeviceCaps(ic, VERTRES));
        DeleteDC(ic);
    }
    mw.screen_w = std::max<int32_t>(mw.screen_w, 8);
    mw.screen_h = std::max<int32_t>(mw.screen_h, 15);
    mw.used = window_settings;
    mw.results_written = false;
    HMENU menu = mw.used.no_menu ? nullptr : LoadMenuA(instance(), "LEER");
    if (menu)
        while (GetMenuItemCount(menu) > 0) DeleteMenu(menu, 0, MF_BYPOSITION);
    register_main_class(mw.used);
    DWORD style = mw.used.style;
    if (mw.used.popup) style |= WS_POPUP;
    making_main_window = true;
    HWND h = CreateWindowExA(0, kMainClass, mw.used.title.c_str(), style, 0, 0, mw.screen_w,
                             mw.screen_h, GetDesktopWindow(), menu, instance(), nullptr);
    making_main_window = false;
    if (!h) {
        if (menu) DestroyMenu(menu);
        return;
    }
    mw.hwnd = h;
    const WindowSettings& w = mw.used;
    SetWindowPos(h, nullptr, w.x, w.y, w.width, w.height, SWP_NOZORDER);
    ShowWindow(h, SW_SHOWNORMAL);

    mw.window_dc = GetDC(h);
    mw.image_dc = CreateCompatibleDC(mw.window_dc);
    mw.image = CreateCompatibleBitmap(mw.window_dc, mw.screen_w, mw.screen_h);
    if (mw.image_dc && mw.image) {
        mw.image_old = SelectObject(mw.image_dc, mw.image);
        if (w.hollow_background) {
            // A window without background shows what lay under it.
            BitBlt(mw.image_dc, 0, 0, mw.screen_w, mw.screen_h, mw.window_dc, 0, 0, SRCCOPY);
        } else {
            // The window is white once its background is erased; its
            // unpainted surface is not worth copying.
            PatBlt(mw.image_dc, 0, 0, mw.screen_w, mw.screen_h, WHITENESS);
        }
    }
    targets.primary = mw.window_dc;
    targets.secondary = mw.image_dc;
    for (HDC dc : {targets.primary, targets.secondary}) {
        if (!dc) continue;
        SetStretchBltMode(dc, COLORONCOLOR);
        SelectObject(dc, table_font(text_screen.font_index));
        text_colours_into(dc);
        if (mw.brush) SelectObject(dc, mw.brush);
        if (mw.pen) SelectObject(dc, mw.pen);
    }
    select_custom_font();

    HCURSOR arrow = LoadCursor(nullptr, IDC_ARROW);
    SetCursor(arrow);
    SetClassLongPtrA(h, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(arrow));
    InvalidateRect(h, nullptr, FALSE);
}

void main_window_parts::select_into_all(HGDIOBJ object) {
    if (!object) return;
    for (HDC dc : {targets.primary, targets.secondary, mw.window_dc, mw.image_dc})
        if (dc) SelectObject(dc, object);
}

void replace_current_brush(HBRUSH brush, bool owned) {
    if (!brush) return;  // a brush that could not be made changes nothing
    select_into_all(brush);
    if (mw.brush && mw.brush != brush) DeleteObject(mw.brush);
    mw.brush = owned ? brush : nullptr;
}

void replace_current_pen(HPEN pen, bool owned) {
    if (!pen) return;
    select_into_all(pen);
    if (mw.pen && mw.pen != pen) DeleteObject(mw.pen);
    mw.pen = owned ? pen : nullptr;
}

void replace_custom_font(HFONT font) {
    if (mw.custom_font) {
        if (targets.primary && mw.font_before_primary)
            SelectObject(targets.primary, mw.font_before_primary);
        if (targets.secondary && targets.secondary != targets.primary && mw.font_before_secondary)
            SelectObject(targets.secondary, mw.font_before_secondary);
        // While printing the window's DCs still hold the font that goes.
        PrinterSwap& p = printer_swap;
        if (p.printer && p.window_holds_custom_font) {
            if (p.window.primary && p.window_font_before[0])
                SelectObject(p.window.primary, p.window_font_before[0]);
            if (p.window.secondary && p.window_font_before[1])
                SelectObject(p.window.secondary, p.window_font_before[1]);
            p.window_holds_custom_font = false;
        }
        DeleteObject(mw.custom_font);
    }
    mw.custom_font = font;
    mw.font_before_primary = mw.font_before_secondary = nullptr;
    select_custom_font();
}

void begin_printer_targets(HDC printer) {
    draw_damage();
    PrinterSwap& p = printer_swap;
    p.printer = printer;
    p.window = targets;
    p.window_font_before[0] = mw.font_before_primary;
    p.window_font_before[1] = mw.font_before_secondary;
    p.window_holds_custom_font = mw.custom_font != nullptr;
    p.printer_pen = GetCurrentObject(printer, OBJ_PEN);
    p.printer_brush = GetCurrentObject(printer, OBJ_BRUSH);
    targets = {printer, printer};
    mw.font_before_primary = mw.font_before_secondary = nullptr;
    reselect_printer_objects();
}

void reselect_printer_objects() {
    HDC dc = printer_swap.printer;
    if (!dc) return;
    if (mw.pen) SelectObject(dc, mw.pen);
    if (mw.brush) SelectObject(dc, mw.brush);
    if (!mw.custom_font) return;
    HGDIOBJ before = SelectObject(dc, mw.custom_font);
    if (before != mw.custom_font) mw.font_before_primary = before;
}

void end_printer_targets() {
    PrinterSwap& p = printer_swap;
    if (!p.printer) return;
    // The printer's DC gives back the runtime's objects.
    if (mw.custom_font && mw.font_before_primary) SelectObject(p.printer, mw.font_before_primary);
    if (p.printer_pen) SelectObject(p.printer, p.printer_pen);
    if (p.printer_brush) SelectObject(p.printer, p.printer_brush);
    targets = p.window;
    mw.font_before_primary = p.window_font_before[0];
    mw.font_before_secondary = p.window_font_before[1];
    const bool reselect = !p.window_holds_custom_font;
    p = PrinterSwap{};
    // A font made while printing is the custom font of the window too.
    if (reselect) {
        mw.font_before_primary = mw.font_before_secondary = nullptr;
        select_custom_font();
    }
    // The pen and brush were selected into the window's DCs when made.
}

HFONT custom_font() { return mw.custom_font; }

void pump_main_messages() {
    draw_damage();
    const SHORT f1 = GetAsyncKeyState(VK_F1);
    if ((f1 & 0x8000) && (f1 & 1)) put_key(5);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        const UINT m = msg.message;
        if ((m >= 0x100 && m <= 0x108) || (m >= 0x200 && m <= 0x209)) events.input_flag = true;
        if (m == WM_QUIT) shutdown_and_exit(255);
        AutoKeyState keys(msg);
        if (dialog_navigation(msg)) continue;
        const WindowSettings& s = mw.used;
        if (((m == WM_SYSKEYDOWN || m == WM_SYSCOMMAND) && s.system_keys_as_commands) ||
            (m == WM_SYSCOMMAND && s.system_commands_as_commands)) {
            msg.message = WM_COMMAND;
            msg.lParam = 0;
            msg.wParam &= 0xFFFF;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void wait_and_pump(DWORD longest_ms) {
    feed_automation_key();
    // Automated keys are typed between waits, and pauses between them timed.
    const DWORD ms = automation::keys_pending() ? std::min<DWORD>(longest_ms, 5) : longest_ms;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_ALLINPUT);
    pump_main_messages();
}

UINT wait_for_next_message() {
    draw_damage();
    MSG msg;
    while (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        feed_automation_key();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, automation::keys_pending() ? 5 : INFINITE,
                                  QS_ALLINPUT);
    }
    if (msg.message == WM_QUIT) shutdown_and_exit(255);
    events.current_message = {handle_value(msg.hwnd), msg.message,
                              static_cast<int32_t>(msg.wParam), static_cast<int32_t>(msg.lParam)};
    translate_and_dispatch(msg);
    return msg.message;
}

LRESULT CALLBACK main_window_proc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    return main_procedure(h, m, wp, lp, false);
}

LRESULT CALLBACK dialog_main_window_proc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    return main_procedure(h, m, wp, lp, true);
}

LRESULT CALLBACK dialog_class_proc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    LRESULT result;
    if (dialog_procedure(h, m, wp, lp, false, result)) return result;
    return DefDlgProcA(h, m, wp, lp);
}

INT_PTR CALLBACK dialog_box_proc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    LRESULT result;
    if (dialog_procedure(h, m, wp, lp, true, result)) return result;
    return 0;
}

void main_window_at_exit() {
    if (!mw.hwnd) return;
    SetWindowTextA(mw.hwnd, inactive_title().c_str());
    EnableMenuItem(GetSystemMenu(mw.hwnd, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_ENABLED);
    events.break_check = false;
    MSG msg;
    if (automation::active()) {
        // Under test nobody is there to close the window: the remaining
        // automated keys play out, then the window is closed.
        while (mw.hwnd) {
            if (!automation::keys_pending()) {
                write_automation_results();
                DestroyWindow(mw.hwnd);
                break;
            }
            feed_automation_key();
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
            while (mw.hwnd && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_QUIT) break;
                translate_and_dispatch(msg);
            }
        }
        return;
    }
    while (mw.hwnd && GetMessageA(&msg, nullptr, 0, 0) > 0) translate_and_dispatch(msg);
}

Display& main_window_display() { return win32_display(); }

void init_main_window_module() {
    register_dialog_class();
    set_grid(80, 32);
    automation::configure_screen(std::getenv("TOLVEN_KEYS"), std::getenv("TOLVEN_SCREEN"),
                                 std::getenv("TOLVEN_SCREENSHOT"),
                                 std::getenv("TOLVEN_WINDOWSHOT"));
    on_shutdown(ShutdownStage::Graphics, [] {
        replace_custom_font(nullptr);
        replace_current_brush(static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)), false);
        replace_current_pen(static_cast<HPEN>(GetStockObject(BLACK_PEN)), false);
        release_graphics_objects();
    });
    on_shutdown(ShutdownStage::MainWindow, [] {
        // Stopped by Ctrl-C or Ctrl-Break, the window stays open (at exit).
        if (mw.hwnd && !stopped_by_break) {
            write_automation_results();
            DestroyWindow(mw.hwnd);
        }
    });
}

}  // namespace tolven
