// The automation harness of the main window: typed keys, the screen dump,
// the pictures of the off-screen image and of the window, and covering the
// window.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "core/automation.h"
#include "screen/text_screen.h"
#include "screen/win32/main_window_parts.h"

namespace tolven::main_window_parts {

// ---- automation: keys, screen dump and pictures ----

// The rows of a bitmap (not selected into any DC) as a 24-bit image.
std::vector<uint8_t> pixels_of(HDC dc, HBITMAP bitmap, int32_t w, int32_t h) {
    std::vector<uint8_t> rows;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    rows.resize(static_cast<size_t>((w * 3 + 3) & ~3) * static_cast<size_t>(h));
    if (!GetDIBits(dc, bitmap, 0, static_cast<UINT>(h), rows.data(), &bi, DIB_RGB_COLORS))
        rows.clear();
    return rows;
}

std::vector<uint8_t> pixels_of(HDC dc, int32_t w, int32_t h) {
    std::vector<uint8_t> rows;
    if (!dc || w <= 0 || h <= 0) return rows;
    HDC copy_dc = CreateCompatibleDC(dc);
    HBITMAP copy = CreateCompatibleBitmap(dc, w, h);
    if (copy_dc && copy) {
        HGDIOBJ old = SelectObject(copy_dc, copy);
        {
            DevicePixels pixels(dc);
            BitBlt(copy_dc, 0, 0, w, h, dc, 0, 0, SRCCOPY);
        }
        SelectObject(copy_dc, old);
        rows = pixels_of(copy_dc, copy, w, h);
    }
    if (copy) DeleteObject(copy);
    if (copy_dc) DeleteDC(copy_dc);
    return rows;
}

// Written while the window is still shown: once it is being destroyed it
// has nothing left to show.
void write_automation_results() {
    if (mw.results_written) return;
    mw.results_written = true;
    draw_damage();
    if (automation::wants_screen_dump()) automation::write_screen_dump(screen_dump());
    if (automation::wants_shot(automation::Shot::OffScreen)) {
        auto rows = pixels_of(mw.image_dc, mw.screen_w, mw.screen_h);
        if (!rows.empty())
            automation::write_shot(automation::Shot::OffScreen, mw.screen_w, mw.screen_h, rows.data());
    }
    if (automation::wants_shot(automation::Shot::Window)) {
        RECT rc{};
        GetClientRect(mw.hwnd, &rc);
        auto rows = pixels_of(mw.window_dc, rc.right, rc.bottom);
        if (!rows.empty())
            automation::write_shot(automation::Shot::Window, rc.right, rc.bottom, rows.data());
    }
}

void post_key(HWND target, const automation::KeyAction& a) {
    UINT vk = a.code;
    bool shift = a.shift, ctrl = a.ctrl, alt = a.alt;
    if (a.kind == automation::KeyAction::Char) {
        const SHORT scan = VkKeyScanA(static_cast<CHAR>(a.code));
        if (scan == -1 || (scan & 0xFF) == 0xFF) {
            // No key makes this character here: it arrives as a character.
            PostMessageA(target, WM_CHAR, a.code, 1);
            return;
        }
        vk = scan & 0xFF;
        shift = scan & 0x100;
        ctrl = scan & 0x200;
        alt = scan & 0x400;
    }
    LPARAM lp = 1 | (static_cast<LPARAM>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC) & 0xFF) << 16) |
                kAutoKey;
    if (shift) lp |= kAutoShift;
    if (ctrl) lp |= kAutoCtrl;
    if (alt) lp |= kAutoAlt | (1 << 29);
    PostMessageA(target, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, lp);
    PostMessageA(target, alt ? WM_SYSKEYUP : WM_KEYUP, vk, lp | (LPARAM(3) << 30));
}

// Makes the window lose its picture as if another window had lain over it,
// then lets it repaint.
void cover_window() {
    if (HDC dc = GetDC(mw.hwnd)) {
        RECT rc{};
        GetClientRect(mw.hwnd, &rc);
        DevicePixels pixels(dc);
        PatBlt(dc, 0, 0, rc.right, rc.bottom, BLACKNESS);
        ReleaseDC(mw.hwnd, dc);
    }
    InvalidateRect(mw.hwnd, nullptr, TRUE);
    UpdateWindow(mw.hwnd);
}

namespace {

// A {Wait N} holds the typing until this tick.
DWORD typing_resumes = 0;
bool typing_held = false;

// The top-level window a modal loop of this thread shows: the active one,
// once it can take input.
HWND modal_window() {
    HWND active = GetActiveWindow();
    if (!active || !IsWindowVisible(active) || !IsWindowEnabled(active)) return nullptr;
    return active;
}

// Where keys go: the window of this thread with the keyboard focus. In a
// modal loop that is a window of the dialog or box it shows; before that
// has taken the focus, nothing is typed.
HWND key_window(bool modal) {
    HWND focus = GetFocus();
    if (!modal) return focus ? focus : mw.hwnd;
    HWND top = modal_window();
    if (!top) return nullptr;
    return focus && (focus == top || IsChild(top, focus)) ? focus : top;
}

// Keys, clicks and menu choices of the step before are still to be handled.
bool input_waiting() {
    MSG m;
    return PeekMessageA(&m, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_NOREMOVE) ||
           PeekMessageA(&m, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_NOREMOVE) ||
           PeekMessageA(&m, nullptr, WM_COMMAND, WM_COMMAND, PM_NOREMOVE);
}

struct FindId {
    int id;
    HWND found;
};

BOOL CALLBACK find_id(HWND h, LPARAM lp) {
    auto* f = reinterpret_cast<FindId*>(lp);
    if (GetDlgCtrlID(h) != f->id) return TRUE;
    f->found = h;
    return FALSE;
}

// A normalised absolute mouse coordinate for pixel v of a screen n pixels
// wide: the middle of the pixel's share of 0..65535.
LONG normalised(int v, int n) {
    if (n <= 1) return 0;
    return static_cast<LONG>((static_cast<int64_t>(v) * 65536 + 32768) / n);
}

// The left button pressed and let go over the middle of control `id` of the
// active window (the main window when none), as real input.
void click_control(int32_t id) {
    HWND top = GetActiveWindow();
    if (!top || !IsWindowVisible(top)) top = mw.hwnd;
    if (!top) return;
    FindId find{id, nullptr};
    EnumChildWindows(top, find_id, reinterpret_cast<LPARAM>(&find));
    if (!find.found) return;
    RECT r{};
    GetWindowRect(find.found, &r);
    const POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    INPUT move{};
    move.type = INPUT_MOUSE;
    move.mi.dx = normalised(centre.x, GetSystemMetrics(SM_CXSCREEN));
    move.mi.dy = normalised(centre.y, GetSystemMetrics(SM_CYSCREEN));
    move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &move, sizeof move);
    // Where the platform rounds the normalised position differently, the
    // pointer is put right before the button goes down.
    POINT at{};
    if (GetCursorPos(&at) && (at.x != centre.x || at.y != centre.y))
        SetCursorPos(centre.x, centre.y);
    INPUT press[2] = {};
    press[0].type = press[1].type = INPUT_MOUSE;
    press[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    press[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, press, sizeof press[0]);
}

// What the screen shows of the active window (the main window when none),
// frame included.
void shoot_active_window() {
    HWND top = GetActiveWindow();
    if (!top || !IsWindowVisible(top)) top = mw.hwnd;
    if (!top || !automation::wants_active_shot()) return;
    RECT r{};
    GetWindowRect(top, &r);
    HDC screen = GetDC(nullptr);
    if (!screen) return;
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC copy_dc = CreateCompatibleDC(screen);
    HBITMAP copy = CreateCompatibleBitmap(screen, w, h);
    if (copy_dc && copy) {
        HGDIOBJ old = SelectObject(copy_dc, copy);
        BitBlt(copy_dc, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
        SelectObject(copy_dc, old);
        auto rows = pixels_of(copy_dc, copy, w, h);
        if (!rows.empty()) automation::write_active_shot(w, h, rows.data());
    }
    if (copy) DeleteObject(copy);
    if (copy_dc) DeleteDC(copy_dc);
    ReleaseDC(nullptr, screen);
}

// One step of TOLVEN_KEYS, once the one before has been handled.
void feed_step(bool modal) {
    if (!automation::keys_pending()) return;
    if (typing_held) {
        if (static_cast<int32_t>(GetTickCount() - typing_resumes) < 0) return;
        typing_held = false;
    }
    if (input_waiting()) return;
    if (modal && !modal_window()) return;
    // A key waits for a window to take it; the other steps need none.
    const automation::KeyAction* next = automation::peek_key();
    const bool typed = next && (next->kind == automation::KeyAction::Char ||
                                next->kind == automation::KeyAction::Key);
    HWND target = key_window(modal);
    if (typed && !target) return;
    const auto a = automation::next_key();
    if (!a) return;
    switch (a->kind) {
        case automation::KeyAction::Close:
            if (mw.hwnd) PostMessageA(mw.hwnd, WM_CLOSE, 0, 0);
            break;
        case automation::KeyAction::Cover:
            if (mw.hwnd) cover_window();
            break;
        case automation::KeyAction::Wait:
            typing_resumes = GetTickCount() + static_cast<DWORD>(a->number);
            typing_held = true;
            break;
        case automation::KeyAction::Dump: automation::write_window_snapshot(); break;
        case automation::KeyAction::Shot: shoot_active_window(); break;
        case automation::KeyAction::Click: click_control(a->number); break;
        case automation::KeyAction::Menu:
            // As when the user chooses the item in the main window's menu.
            if (mw.hwnd) PostMessageA(mw.hwnd, WM_COMMAND, static_cast<WPARAM>(a->number), 0);
            break;
        default: post_key(target, *a); break;
    }
}

// ---- modal loops ----

// The loops of the platform's dialogs and boxes translate keys themselves:
// a hook on the messages they take gives each automated key its modifiers
// in the keyboard state, from the moment it is taken until the next
// message is.
HHOOK message_hook = nullptr;
std::unique_ptr<AutoKeyState> hooked_keys;

LRESULT CALLBACK message_taken(int code, WPARAM wp, LPARAM lp) {
    if (code == HC_ACTION && wp == PM_REMOVE) {
        hooked_keys.reset();
        const MSG* msg = reinterpret_cast<const MSG*>(lp);
        if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST && (msg->lParam & kAutoKey))
            hooked_keys = std::make_unique<AutoKeyState>(*msg);
    }
    return CallNextHookEx(message_hook, code, wp, lp);
}

int modal_depth = 0;
UINT_PTR modal_timer = 0;

void CALLBACK modal_tick(HWND, UINT, UINT_PTR, DWORD) {
    if (modal_depth > 0) feed_step(true);
}

}  // namespace

// Types the next automated key once the one before has been handled.
void feed_automation_key() { feed_step(false); }

}  // namespace tolven::main_window_parts

namespace tolven {

using namespace main_window_parts;

ModalAutomation::ModalAutomation() {
    if (modal_depth++ > 0 || !automation::keys_pending()) return;
    message_hook = SetWindowsHookExA(WH_GETMESSAGE, message_taken, nullptr, GetCurrentThreadId());
    modal_timer = SetTimer(nullptr, 0, 10, modal_tick);
}

ModalAutomation::~ModalAutomation() {
    if (--modal_depth > 0) return;
    if (modal_timer) KillTimer(nullptr, modal_timer);
    modal_timer = 0;
    if (message_hook) UnhookWindowsHookEx(message_hook);
    message_hook = nullptr;
    hooked_keys.reset();
}

}  // namespace tolven
