// What the files of the main window share: its state, the text output
// collected for it, and the steps the window procedures, the automation
// harness and the display take from each other. Only screen/win32 uses it.
#pragma once
#include <windows.h>

#include <cstdint>
#include <cstring>

#include "screen/display.h"
#include "screen/screen_state.h"
#include "screen/text_damage.h"
#include "screen/win32/main_window.h"

namespace tolven::main_window_parts {

// Keys typed by the automation carry these bits in lParam (bits the
// platform reserves): the pump gives the key's modifiers to the keyboard
// state while it translates the message, so translation makes the same
// characters as real typing would.
constexpr LPARAM kAutoKey = 1 << 28;
constexpr LPARAM kAutoShift = 1 << 25, kAutoCtrl = 1 << 26, kAutoAlt = 1 << 27;

struct MainWindow {
    HWND hwnd = nullptr;
    bool created = false;             // between WM_CREATE and WM_DESTROY
    int32_t screen_w = 640, screen_h = 480;
    int32_t cell_w = 8, cell_h = 15, ascent = 12;
    HDC window_dc = nullptr;          // the window's own DC
    HDC image_dc = nullptr;           // the off-screen image
    HBITMAP image = nullptr;
    HGDIOBJ image_old = nullptr;
    WindowSettings used;              // the settings the window was created with
    bool caret = false;
    bool results_written = false;     // automation results of this window

    HBRUSH brush = nullptr;           // current brush when the program made it
    HPEN pen = nullptr;               // current pen when the program made it
    HFONT custom_font = nullptr;
    HGDIOBJ font_before_primary = nullptr, font_before_secondary = nullptr;
};
extern MainWindow mw;
extern DrawingTargets targets;
// The text output collected for the window until it is drawn.
extern TextDamage damage;

HINSTANCE instance();
uint32_t handle_value(const void* h);

void text_colours_into(HDC dc);
// The font the text screen draws font table entry `index` with.
HFONT cell_font(int32_t index);
// Text in cells; `code_page` (0: the font's own) names the characters the
// bytes stand for.
void cell_text_out(HDC dc, int x, int y, UINT options, const RECT* rect, const char* text,
                   int n, int32_t font_index, UINT code_page = 0);
// Puts the collected text output on the drawing targets.
void draw_damage();

// Copies between the window and its image must be pixel for pixel whatever
// mapping the program set for drawing.
class DevicePixels {
public:
    explicit DevicePixels(HDC dc) : dc_(dc), saved_(dc ? SaveDC(dc) : 0) {
        if (saved_) {
            SetMapMode(dc_, MM_TEXT);
            SetWindowOrgEx(dc_, 0, 0, nullptr);
            SetViewportOrgEx(dc_, 0, 0, nullptr);
        }
    }
    ~DevicePixels() {
        if (saved_) RestoreDC(dc_, saved_);
    }
    DevicePixels(const DevicePixels&) = delete;
    DevicePixels& operator=(const DevicePixels&) = delete;

private:
    HDC dc_;
    int saved_;
};

// The DCs that hold the current pen, brush and font: the targets and the
// window's own two, whatever the targets are now, so that no object is
// deleted while one of them still holds it.
void select_into_all(HGDIOBJ object);

// The memory bitmap and a paint DC go (graphics_win32.cpp; at the end).
void release_graphics_objects();

// ---- automation (automation_win32.cpp) ----

// The screen dump and the pictures the automation asked for, once per window.
void write_automation_results();
// Types the next automated key once the one before has been handled.
void feed_automation_key();

// An automated key's modifiers in the keyboard state while its message is
// translated (also by the dialog navigation) and dispatched.
class AutoKeyState {
public:
    explicit AutoKeyState(const MSG& msg)
        : active_(msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST &&
                  (msg.lParam & kAutoKey)) {
        if (!active_) return;
        GetKeyboardState(saved_);
        BYTE state[256];
        std::memcpy(state, saved_, sizeof state);
        state[VK_SHIFT] = state[VK_LSHIFT] = (msg.lParam & kAutoShift) ? 0x80 : 0;
        state[VK_CONTROL] = state[VK_LCONTROL] = (msg.lParam & kAutoCtrl) ? 0x80 : 0;
        state[VK_MENU] = state[VK_LMENU] = (msg.lParam & kAutoAlt) ? 0x80 : 0;
        const bool down = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
        state[msg.wParam & 0xFF] = down ? 0x80 : 0;
        SetKeyboardState(state);
    }
    ~AutoKeyState() {
        if (active_) SetKeyboardState(saved_);
    }
    AutoKeyState(const AutoKeyState&) = delete;
    AutoKeyState& operator=(const AutoKeyState&) = delete;

private:
    bool active_;
    BYTE saved_[256] = {};
};

// ---- the display (display_win32.cpp) ----

Display& win32_display();

}  // namespace tolven::main_window_parts
