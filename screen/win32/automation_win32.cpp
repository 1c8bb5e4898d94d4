// The automation harness of the main window: typed keys, the screen dump,
// the pictures of the off-screen image and of the window, and covering the
// window.
#include <windows.h>

#include <cstdint>
#include <vector>

#include "core/automation.h"
#include "screen/text_screen.h"
#include "screen/win32/main_window_parts.h"

namespace tolven::main_window_parts {

// ---- automation: keys, screen dump and pictures ----

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
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 24;
        bi.bmiHeader.biCompression = BI_RGB;
        rows.resize(static_cast<size_t>((w * 3 + 3) & ~3) * static_cast<size_t>(h));
        if (!GetDIBits(copy_dc, copy, 0, static_cast<UINT>(h), rows.data(), &bi, DIB_RGB_COLORS))
            rows.clear();
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

void post_key(const automation::KeyAction& a) {
    UINT vk = a.code;
    bool shift = a.shift, ctrl = a.ctrl, alt = a.alt;
    if (a.kind == automation::KeyAction::Char) {
        const SHORT scan = VkKeyScanA(static_cast<CHAR>(a.code));
        if (scan == -1 || (scan & 0xFF) == 0xFF) {
            // No key makes this character here: it arrives as a character.
            PostMessageA(mw.hwnd, WM_CHAR, a.code, 1);
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
    PostMessageA(mw.hwnd, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, lp);
    PostMessageA(mw.hwnd, alt ? WM_SYSKEYUP : WM_KEYUP, vk, lp | (LPARAM(3) << 30));
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

// Types the next automated key once the one before has been handled.
void feed_automation_key() {
    if (!mw.hwnd || !automation::keys_pending()) return;
    MSG pending;
    if (PeekMessageA(&pending, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_NOREMOVE)) return;
    const auto a = automation::next_key();
    if (!a) return;
    switch (a->kind) {
        case automation::KeyAction::Close: PostMessageA(mw.hwnd, WM_CLOSE, 0, 0); break;
        case automation::KeyAction::Cover: cover_window(); break;
        default: post_key(*a); break;
    }
}

}  // namespace tolven::main_window_parts
