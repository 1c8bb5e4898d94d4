// Print jobs and hard copies with GDI on the default printer.
#include "screen/win32/printing_win32.h"

#include <windows.h>

#include <algorithm>

#include "screen/printing.h"
#include "screen/win32/main_window_parts.h"

namespace tolven::main_window_parts {

namespace {

class Win32Printing : public PrintPlatform {
public:
    std::string device_entry() override {
        char value[1024] = "";
        GetProfileStringA("windows", "device", "", value, sizeof value);
        return value;
    }

    bool create(const PrinterDevice& d) override {
        release();
        dc_ = CreateDCA(d.driver.c_str(), d.name.c_str(), d.port.c_str(), nullptr);
        return dc_ != nullptr;
    }

    int32_t dpi_x() override { return dc_ ? GetDeviceCaps(dc_, LOGPIXELSX) : 300; }
    int32_t dpi_y() override { return dc_ ? GetDeviceCaps(dc_, LOGPIXELSY) : 300; }

    bool start_document(const std::string& name) override {
        DOCINFOA doc{};
        doc.cbSize = sizeof doc;
        doc.lpszDocName = name.c_str();
        return dc_ && StartDocA(dc_, &doc) > 0;
    }
    bool start_page() override { return dc_ && StartPage(dc_) > 0; }
    void set_mapping(const PageMapping& m) override {
        if (!dc_) return;
        SetMapMode(dc_, MM_ANISOTROPIC);
        SetWindowExtEx(dc_, m.window_w, m.window_h, nullptr);
        SetViewportExtEx(dc_, m.viewport_w, m.viewport_h, nullptr);
    }
    void end_page() override {
        if (dc_) EndPage(dc_);
    }
    void end_document() override {
        if (dc_) EndDoc(dc_);
    }
    void abort_document() override {
        if (dc_) AbortDoc(dc_);
    }
    void release() override {
        if (dc_) DeleteDC(dc_);
        dc_ = nullptr;
    }

    void redirect_targets() override {
        if (dc_) begin_printer_targets(dc_);
    }
    void restore_targets() override { end_printer_targets(); }
    void reselect_objects() override { reselect_printer_objects(); }

    void show_print_cursor() override {
        HCURSOR printer = LoadCursorA(instance(), "DRUCKER");
        cursor_before_ = printer ? SetCursor(printer) : GetCursor();
    }
    void restore_cursor() override { SetCursor(cursor_before_); }

    std::pair<int32_t, int32_t> client_size() override {
        RECT rc{};
        if (mw.hwnd) GetClientRect(mw.hwnd, &rc);
        return {rc.right, rc.bottom};
    }

    // The picture comes from the off-screen image, which holds the
    // window's content also where it is covered or off the screen.
    bool copy_main_window(const CopyRect& r) override {
        flush_text_output();
        if (!dc_ || !mw.image_dc) return false;
        const int32_t w = std::min(window_settings.width, mw.screen_w);
        const int32_t h = std::min(window_settings.height, mw.screen_h);
        if (w <= 0 || h <= 0) return false;
        HDC work_dc = CreateCompatibleDC(mw.image_dc);
        HBITMAP work = CreateCompatibleBitmap(mw.image_dc, w, h);
        bool ok = false;
        if (work_dc && work) {
            HGDIOBJ old = SelectObject(work_dc, work);
            {
                DevicePixels from(mw.image_dc);
                ok = BitBlt(work_dc, 0, 0, w, h, mw.image_dc, 0, 0, SRCCOPY);
            }
            ok = ok && BitBlt(dc_, r.x, r.y, r.w, r.h, work_dc, r.x, r.y, SRCCOPY);
            SelectObject(work_dc, old);
        }
        if (work) DeleteObject(work);
        if (work_dc) DeleteDC(work_dc);
        return ok;
    }

    bool open_window(uint32_t h) override {
        HWND w = reinterpret_cast<HWND>(static_cast<intptr_t>(static_cast<int32_t>(h)));
        // No handle would give the DC of the whole screen.
        if (!w || !IsWindow(w)) return false;
        window_dc_ = GetWindowDC(w);
        if (!window_dc_) return false;
        window_ = w;
        return true;
    }

    std::pair<int32_t, int32_t> window_size() override {
        RECT rc{};
        if (window_) GetWindowRect(window_, &rc);
        return {rc.right - rc.left, rc.bottom - rc.top};
    }

    bool copy_window() override {
        flush_text_output();
        const auto [w, h] = window_size();
        if (!dc_ || !window_dc_ || w <= 0 || h <= 0) return false;
        HDC screen = GetDC(nullptr);
        HDC work_dc = screen ? CreateCompatibleDC(screen) : nullptr;
        HBITMAP work = screen ? CreateCompatibleBitmap(screen, w, h) : nullptr;
        if (screen) ReleaseDC(nullptr, screen);
        bool ok = false;
        if (work_dc && work) {
            HGDIOBJ old = SelectObject(work_dc, work);
            ok = BitBlt(work_dc, 0, 0, w, h, window_dc_, 0, 0, SRCCOPY) &&
                 BitBlt(dc_, 0, 0, w, h, work_dc, 0, 0, SRCCOPY);
            SelectObject(work_dc, old);
        }
        if (work) DeleteObject(work);
        if (work_dc) DeleteDC(work_dc);
        return ok;
    }

    void close_window() override {
        if (window_dc_) ReleaseDC(window_, window_dc_);
        window_dc_ = nullptr;
        window_ = nullptr;
    }

private:
    HDC dc_ = nullptr;
    HCURSOR cursor_before_ = nullptr;
    HWND window_ = nullptr;
    HDC window_dc_ = nullptr;
};

Win32Printing printing_object;

}  // namespace

}  // namespace tolven::main_window_parts

namespace tolven {

PrintPlatform& win32_print_platform() { return main_window_parts::printing_object; }

}  // namespace tolven
