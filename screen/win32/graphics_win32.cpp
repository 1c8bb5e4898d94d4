// Drawing, images, icons and cursors with GDI on the drawing targets of
// the main window.
#include "screen/win32/graphics_win32.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "screen/graphics.h"
#include "screen/win32/main_window_parts.h"

namespace tolven::main_window_parts {

namespace {

HGDIOBJ object_of(uint32_t value) {
    // Handles handed to programs are their low 32 bits, sign-extended back.
    return reinterpret_cast<HGDIOBJ>(static_cast<intptr_t>(static_cast<int32_t>(value)));
}

LPCSTR resource_of(const ResourceName& n) {
    return n.number ? MAKEINTRESOURCEA(*n.number) : n.name.c_str();
}

DWORD rop_of(Raster r) {
    switch (r) {
        case Raster::And: return SRCAND;
        case Raster::Or: return SRCPAINT;
        case Raster::Xor: return SRCINVERT;
        case Raster::Invert: return DSTINVERT;
        default: return SRCCOPY;
    }
}

// A memory DC holding a bitmap for the length of one statement.
class SourceDC {
public:
    SourceDC(HDC like, HBITMAP bitmap) : dc_(CreateCompatibleDC(like)) {
        if (dc_ && bitmap) old_ = SelectObject(dc_, bitmap);
    }
    ~SourceDC() {
        if (!dc_) return;
        if (old_) SelectObject(dc_, old_);
        DeleteDC(dc_);
    }
    SourceDC(const SourceDC&) = delete;
    SourceDC& operator=(const SourceDC&) = delete;
    HDC get() const { return old_ ? dc_ : nullptr; }

private:
    HDC dc_;
    HGDIOBJ old_ = nullptr;
};

struct Area {
    int32_t x, y, w, h;
};

// Cuts a source rectangle (and with it the destination) to the source's
// size: a copy never reads outside its bitmap, and the work bitmaps of the
// transparent copy never grow beyond the source.
bool clip_source(Area& src, Area& dst, int32_t width, int32_t height) {
    if (src.w <= 0 || src.h <= 0) return false;
    const int64_t left = std::max<int64_t>(src.x, 0), top = std::max<int64_t>(src.y, 0);
    const int64_t right = std::min<int64_t>(int64_t{src.x} + src.w, width);
    const int64_t bottom = std::min<int64_t>(int64_t{src.y} + src.h, height);
    if (right <= left || bottom <= top) return false;
    dst.x += static_cast<int32_t>(left - src.x);
    dst.y += static_cast<int32_t>(top - src.y);
    src = {static_cast<int32_t>(left), static_cast<int32_t>(top), static_cast<int32_t>(right - left),
           static_cast<int32_t>(bottom - top)};
    dst.w = src.w;
    dst.h = src.h;
    return true;
}

// The transparent copy: where the source has the colour of its
// bottom-left pixel the destination stays. The source is not changed: the
// transparent pixels are cleared in a copy of it.
void transparent_copy(HDC dst, int32_t x, int32_t y, HDC src, int32_t sx, int32_t sy, int32_t w,
                      int32_t h) {
    if (!dst || !src || w <= 0 || h <= 0) return;
    const COLORREF key = GetPixel(src, sx, sy + h - 1);
    HDC mask_dc = CreateCompatibleDC(dst);
    HBITMAP mask = CreateBitmap(w, h, 1, 1, nullptr);
    HDC work_dc = CreateCompatibleDC(dst);
    HBITMAP work = CreateCompatibleBitmap(dst, w, h);
    if (mask_dc && mask && work_dc && work) {
        HGDIOBJ old_mask = SelectObject(mask_dc, mask);
        HGDIOBJ old_work = SelectObject(work_dc, work);
        // Pixels of the key colour become 1 (white) in the mask.
        const COLORREF src_bk = SetBkColor(src, key);
        BitBlt(mask_dc, 0, 0, w, h, src, sx, sy, SRCCOPY);
        SetBkColor(src, src_bk);
        BitBlt(work_dc, 0, 0, w, h, src, sx, sy, SRCCOPY);
        // A monochrome source paints 0 in the text colour and 1 in the
        // background colour of the destination.
        SetTextColor(work_dc, RGB(0, 0, 0));
        SetBkColor(work_dc, RGB(255, 255, 255));
        constexpr DWORD kAndNotSource = 0x00220326;
        BitBlt(work_dc, 0, 0, w, h, mask_dc, 0, 0, kAndNotSource);
        const COLORREF text = SetTextColor(dst, RGB(0, 0, 0));
        const COLORREF bk = SetBkColor(dst, RGB(255, 255, 255));
        BitBlt(dst, x, y, w, h, mask_dc, 0, 0, SRCAND);
        BitBlt(dst, x, y, w, h, work_dc, 0, 0, SRCPAINT);
        SetTextColor(dst, text);
        SetBkColor(dst, bk);
        SelectObject(mask_dc, old_mask);
        SelectObject(work_dc, old_work);
    }
    if (mask) DeleteObject(mask);
    if (work) DeleteObject(work);
    if (mask_dc) DeleteDC(mask_dc);
    if (work_dc) DeleteDC(work_dc);
}

class Win32Graphics : public Graphics {
public:
    // ---- pens, brushes, objects ----

    void select_brush(bool hollow, bool hatched, int32_t hatch, uint32_t rgb) override {
        HBRUSH b = hollow    ? static_cast<HBRUSH>(GetStockObject(HOLLOW_BRUSH))
                   : hatched ? CreateHatchBrush(hatch, rgb)
                             : CreateSolidBrush(rgb);
        replace_current_brush(b, !hollow);
    }

    void select_pen(int32_t style, int32_t width, uint32_t rgb) override {
        replace_current_pen(CreatePen(style, width, rgb), true);
    }

    void delete_object(uint32_t handle) override {
        HGDIOBJ o = object_of(handle);
        // Objects the runtime still draws with are deleted when they are
        // replaced; deleting them now would leave the targets drawing with
        // a dead handle and delete it twice.
        if (!o || o == mw.brush || o == mw.pen || o == mw.custom_font || o == mw.image ||
            o == memory_)
            return;
        DeleteObject(o);
    }

    // ---- drawing ----

    template <class F>
    void on_targets(Targets which, F f) {
        const DrawingTargets& t = drawing_targets();
        if (t.primary) f(t.primary);
        if (which == Targets::Both && t.secondary && t.secondary != t.primary) f(t.secondary);
    }

    void set_pixel(int32_t x, int32_t y, uint32_t rgb, Targets t) override {
        on_targets(t, [&](HDC dc) { SetPixel(dc, x, y, rgb); });
    }
    void flood_fill(int32_t x, int32_t y, uint32_t border, Targets t) override {
        on_targets(t, [&](HDC dc) { ExtFloodFill(dc, x, y, border, FLOODFILLBORDER); });
    }
    void move_to(int32_t x, int32_t y) override {
        on_targets(Targets::Both, [&](HDC dc) { MoveToEx(dc, x, y, nullptr); });
    }
    void line_to(int32_t x, int32_t y) override {
        on_targets(Targets::Both, [&](HDC dc) { LineTo(dc, x, y); });
    }
    void shape(Shape s, const int32_t* c) override {
        on_targets(Targets::Both, [&](HDC dc) {
            switch (s) {
                case Shape::Rectangle: Rectangle(dc, c[0], c[1], c[2], c[3]); break;
                case Shape::RoundRect: RoundRect(dc, c[0], c[1], c[2], c[3], c[4], c[5]); break;
                case Shape::Pie: Pie(dc, c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7]); break;
                case Shape::Arc: Arc(dc, c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7]); break;
                case Shape::Chord: Chord(dc, c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7]); break;
                case Shape::Ellipse: Ellipse(dc, c[0], c[1], c[2], c[3]); break;
            }
        });
    }

    void logical_size(int32_t width, int32_t height) override {
        SIZE client{0, 0};
        if (paint_window_) {
            RECT rc{};
            GetClientRect(paint_window_, &rc);
            client = {rc.right, rc.bottom};
        } else if (painting_memory_) {
            client = {memory_w_, memory_h_};
        } else if (mw.hwnd) {
            RECT rc{};
            GetClientRect(mw.hwnd, &rc);
            client = {rc.right, rc.bottom};
        }
        on_targets(Targets::Both, [&](HDC dc) {
            SetMapMode(dc, MM_ANISOTROPIC);
            SetWindowExtEx(dc, width, height, nullptr);
            SetViewportExtEx(dc, client.cx, client.cy, nullptr);
        });
    }

    std::optional<uint32_t> pixel(int32_t x, int32_t y) override {
        // The off-screen image holds what the window shows, also where the
        // window is covered or off the screen.
        const DrawingTargets& t = drawing_targets();
        HDC dc = t.secondary ? t.secondary : t.primary;
        if (!dc) return std::nullopt;
        const COLORREF c = GetPixel(dc, x, y);
        if (c == CLR_INVALID) return std::nullopt;
        return c;
    }

    // ---- paint mode ----

    uint32_t main_window() override { return mw.created ? handle_value(mw.hwnd) : 0; }

    void begin_paint(int32_t h) override {
        flush_text_output();
        HDC dc = nullptr;
        if (h == -1) {
            painting_memory_ = true;
            dc = memory_dc_;
        } else {
            HWND w = reinterpret_cast<HWND>(static_cast<intptr_t>(h));
            if (IsWindow(w) && (dc = GetDC(w))) paint_window_ = w;
        }
        paint_dc_ = dc;
        targets.primary = targets.secondary = dc;
        if (dc) {
            if (mw.pen) SelectObject(dc, mw.pen);
            if (mw.brush) SelectObject(dc, mw.brush);
            if (mw.custom_font) SelectObject(dc, mw.custom_font);
        }
    }

    void end_paint() override {
        if (paint_dc_) {
            // The paint DC gives back what it held, so the runtime's objects
            // can be deleted later.
            SelectObject(paint_dc_, GetStockObject(BLACK_PEN));
            SelectObject(paint_dc_, GetStockObject(WHITE_BRUSH));
            SelectObject(paint_dc_, GetStockObject(SYSTEM_FONT));
            if (paint_window_) ReleaseDC(paint_window_, paint_dc_);
        }
        paint_dc_ = nullptr;
        paint_window_ = nullptr;
        painting_memory_ = false;
        // The window's own targets come back (null when it was closed
        // meanwhile).
        targets.primary = mw.window_dc;
        targets.secondary = mw.image_dc;
    }

    // ---- the memory bitmap ----

    bool memory_blank(int32_t w, int32_t h) override {
        memory_release();
        HDC like = reference_dc();
        HBITMAP b = like ? CreateCompatibleBitmap(like, w, h) : nullptr;
        release_reference(like);
        if (!b || !adopt_memory(b, w, h)) return false;
        PatBlt(memory_dc_, 0, 0, w, h, WHITENESS);
        return true;
    }

    void memory_release() override {
        if (memory_dc_) {
            if (painting_memory_) targets.primary = targets.secondary = nullptr;
            if (paint_dc_ == memory_dc_) paint_dc_ = nullptr;
            SelectObject(memory_dc_, GetStockObject(BLACK_PEN));
            SelectObject(memory_dc_, GetStockObject(WHITE_BRUSH));
            SelectObject(memory_dc_, GetStockObject(SYSTEM_FONT));
            SelectObject(memory_dc_, memory_old_);
            DeleteDC(memory_dc_);
        }
        if (memory_) DeleteObject(memory_);
        memory_dc_ = nullptr;
        memory_ = nullptr;
        memory_old_ = nullptr;
        memory_w_ = memory_h_ = 0;
    }

    bool memory_load(const BmpImage& image) override {
        memory_release();
        HBITMAP b = make_bitmap(image, false);
        return b && adopt_memory(b, image.width, image.height);
    }

    void memory_copy(int32_t x1, int32_t y1, int32_t w, int32_t h, int32_t x2, int32_t y2,
                     Raster r) override {
        Area src{x1, y1, w, h}, dst{x2, y2, w, h};
        if (!memory_dc_ || !clip_source(src, dst, memory_w_, memory_h_)) return;
        put(memory_dc_, src, dst, r, false);
    }

    void memory_stretch(int32_t x1, int32_t y1, int32_t w1, int32_t h1, int32_t x2, int32_t y2,
                        int32_t w2, int32_t h2, Raster r) override {
        if (!memory_dc_) return;
        put(memory_dc_, {x1, y1, w1, h1}, {x2, y2, w2, h2}, r, true);
    }

    void copy_to_memory(int32_t x1, int32_t y1, int32_t w, int32_t h, int32_t x2,
                        int32_t y2) override {
        const DrawingTargets& t = drawing_targets();
        HDC src = t.secondary ? t.secondary : t.primary;
        if (!memory_dc_ || !src || src == memory_dc_) return;
        BitBlt(memory_dc_, x2, y2, w, h, src, x1, y1, SRCCOPY);
    }

    // Copies within the targets read the off-screen image, which holds the
    // picture also where the window is covered.
    void copy(int32_t x1, int32_t y1, int32_t w, int32_t h, int32_t x2, int32_t y2,
              Raster r) override {
        HDC src = screen_source();
        Area s{x1, y1, w, h}, d{x2, y2, w, h};
        if (!src || !clip_source(s, d, source_width(), source_height())) return;
        // A work copy of the source, so that the copy onto the first target
        // cannot change what the second one gets.
        Snapshot shot(src, s);
        if (!shot.dc()) return;
        put(shot.dc(), {0, 0, s.w, s.h}, d, r, false);
    }

    void stretch(int32_t x1, int32_t y1, int32_t w1, int32_t h1, int32_t x2, int32_t y2,
                 int32_t w2, int32_t h2, Raster r) override {
        HDC src = screen_source();
        Area s{x1, y1, w1, h1}, ignored{0, 0, 0, 0};
        if (!src || !clip_source(s, ignored, source_width(), source_height())) return;
        Snapshot shot(src, s);
        if (!shot.dc()) return;
        // The part of the source that was cut off shrinks the destination
        // in proportion.
        Area d{x2, y2, w2, h2};
        if (w1 != s.w || h1 != s.h) {
            d.x = x2 + static_cast<int32_t>(int64_t{s.x - x1} * w2 / w1);
            d.y = y2 + static_cast<int32_t>(int64_t{s.y - y1} * h2 / h1);
            d.w = static_cast<int32_t>(int64_t{s.w} * w2 / w1);
            d.h = static_cast<int32_t>(int64_t{s.h} * h2 / h1);
        }
        put(shot.dc(), {0, 0, s.w, s.h}, d, r, true);
    }

    bool draw_image(const BmpImage& image, int32_t x, int32_t y, int32_t w, int32_t h, bool sized,
                    Raster r) override {
        HBITMAP b = make_bitmap(image, true);
        if (!b) return false;
        draw_bitmap(b, image.width, image.height, x, y, w, h, sized, r);
        DeleteObject(b);
        return true;
    }

    bool print_image(const BmpImage& image, int32_t x, int32_t y, int32_t w, int32_t h) override {
        HDC dc = drawing_targets().primary;
        if (!dc) return true;
        const Info info(image);
        StretchDIBits(dc, x, y, w, h, 0, 0, image.width, image.height, image.pixels.data(),
                      info.get(), DIB_RGB_COLORS, SRCCOPY);
        return true;
    }

    bool draw_module_bitmap(uint32_t module, const ResourceName& name, int32_t x, int32_t y,
                            int32_t w, int32_t h, bool sized, Raster r) override {
        HINSTANCE inst = reinterpret_cast<HINSTANCE>(static_cast<intptr_t>(static_cast<int32_t>(module)));
        HBITMAP b = static_cast<HBITMAP>(LoadImageA(inst, resource_of(name), IMAGE_BITMAP, 0, 0, 0));
        if (!b) return false;
        BITMAP bm{};
        GetObjectA(b, sizeof bm, &bm);
        draw_bitmap(b, bm.bmWidth, bm.bmHeight, x, y, w, h, sized, r);
        DeleteObject(b);
        return true;
    }

    bool capture(int32_t x, int32_t y, int32_t w, int32_t h, CapturedImage& out) override {
        HDC src = screen_source();
        if (!src) return false;
        Snapshot shot(src, {x, y, w, h});
        if (!shot.dc()) return false;
        BITMAP bm{};
        if (!GetObjectA(shot.bitmap(), sizeof bm, &bm)) return false;
        const int bits = bm.bmPlanes * bm.bmBitsPixel;
        out.width = w;
        out.height = h;
        out.bits = static_cast<uint16_t>(bits > 8 ? 24 : bits);
        struct {
            BITMAPINFOHEADER h;
            RGBQUAD colours[256];
        } info{};
        info.h.biSize = sizeof info.h;
        info.h.biWidth = w;
        info.h.biHeight = h;
        info.h.biPlanes = 1;
        info.h.biBitCount = out.bits;
        info.h.biCompression = BI_RGB;
        out.rows.assign(bmp_stride(w, out.bits) * static_cast<size_t>(h), 0);
        // The bitmap is read while no DC holds it.
        shot.release();
        HDC screen = GetDC(nullptr);
        const int got = GetDIBits(screen, shot.bitmap(), 0, static_cast<UINT>(h), out.rows.data(),
                                  reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
        ReleaseDC(nullptr, screen);
        if (got != h) return false;
        if (out.bits < 24) {
            out.palette.resize(size_t{1} << out.bits);
            for (size_t k = 0; k < out.palette.size(); ++k) {
                const RGBQUAD& q = info.colours[k];
                out.palette[k] = q.rgbBlue | q.rgbGreen << 8 | static_cast<uint32_t>(q.rgbRed) << 16;
            }
        }
        return true;
    }

    void to_clipboard(int32_t x, int32_t y, int32_t w, int32_t h) override {
        HDC src = screen_source();
        if (!src) return;
        Snapshot shot(src, {x, y, w, h});
        if (!shot.dc()) return;
        shot.release();
        if (!OpenClipboard(mw.hwnd)) return;
        EmptyClipboard();
        // The clipboard owns the bitmap once it took it.
        if (SetClipboardData(CF_BITMAP, shot.bitmap())) shot.give_away();
        CloseClipboard();
    }

    std::optional<std::pair<int32_t, int32_t>> from_clipboard(int32_t x, int32_t y,
                                                             Raster r) override {
        if (!OpenClipboard(mw.hwnd)) return std::nullopt;
        std::optional<std::pair<int32_t, int32_t>> size;
        HBITMAP b = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
        BITMAP bm{};
        if (b && GetObjectA(b, sizeof bm, &bm)) {
            draw_bitmap(b, bm.bmWidth, bm.bmHeight, x, y, 0, 0, false, r);
            size = std::pair{static_cast<int32_t>(bm.bmWidth), static_cast<int32_t>(bm.bmHeight)};
        }
        CloseClipboard();
        return size;
    }

    // ---- icons and cursors ----

    bool draw_icon(uint32_t module, const ResourceName& name, int32_t x, int32_t y) override {
        HINSTANCE inst = module ? reinterpret_cast<HINSTANCE>(static_cast<intptr_t>(static_cast<int32_t>(module)))
                                : instance();
        HICON icon = static_cast<HICON>(LoadImageA(inst, resource_of(name), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
        return draw_and_destroy(icon, x, y);
    }

    bool draw_file_icon(const std::string& file, int32_t index, int32_t x, int32_t y) override {
        if (index < 0) return false;
        HICON icon = ExtractIconA(instance(), file.c_str(), static_cast<UINT>(index));
        // 1 says the file is no program, library or icon file.
        if (icon == reinterpret_cast<HICON>(1)) icon = nullptr;
        return draw_and_destroy(icon, x, y);
    }

    bool draw_system_icon(int32_t number, int32_t x, int32_t y) override {
        HICON icon = LoadIconA(nullptr, MAKEINTRESOURCEA(32512 + number));
        if (!icon) return false;
        on_targets(Targets::Both, [&](HDC dc) { DrawIcon(dc, x, y, icon); });
        return true;  // a shared icon: not destroyed
    }

    bool window_icon(const ResourceName& name) override {
        HICON icon = LoadIconA(instance(), resource_of(name));
        if (!icon) return false;
        if (mw.hwnd) SetClassLongPtrA(mw.hwnd, GCLP_HICON, reinterpret_cast<LONG_PTR>(icon));
        return true;
    }

    void set_cursor(uint32_t id) override {
        use_cursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(id)));
    }
    void set_own_cursor(const ResourceName& name) override {
        use_cursor(LoadCursorA(instance(), resource_of(name)));
    }
    void set_module_cursor(uint32_t module, const ResourceName& name) override {
        HINSTANCE inst = reinterpret_cast<HINSTANCE>(static_cast<intptr_t>(static_cast<int32_t>(module)));
        use_cursor(LoadCursorA(inst, resource_of(name)));
    }
    void show_cursor(bool show) override {
        if (show) {
            while (ShowCursor(TRUE) < 0) {}
        } else {
            while (ShowCursor(FALSE) >= 0) {}
        }
    }

    // ---- files ----

    std::optional<std::vector<uint8_t>> read_file(const std::string& name) override {
        HANDLE f = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (f == INVALID_HANDLE_VALUE) return std::nullopt;
        std::optional<std::vector<uint8_t>> out;
        LARGE_INTEGER size{};
        // No BMP the reader takes is larger: a bigger file is not read.
        if (GetFileSizeEx(f, &size) && size.QuadPart <= static_cast<LONGLONG>(kBmpMaxBytes + (1 << 20))) {
            std::vector<uint8_t> bytes(static_cast<size_t>(size.QuadPart));
            DWORD got = 0;
            if (bytes.empty() ||
                (ReadFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) &&
                 got == bytes.size()))
                out = std::move(bytes);
        }
        CloseHandle(f);
        return out;
    }

    bool write_file(const std::string& name, const std::vector<uint8_t>& bytes) override {
        HANDLE f = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (f == INVALID_HANDLE_VALUE) return false;
        DWORD put = 0;
        const bool ok = WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr) &&
                        put == bytes.size();
        return CloseHandle(f) && ok;
    }

    // Program end: the memory bitmap and a paint DC go.
    void release_all() {
        if (paint_dc_) end_paint();
        memory_release();
    }

private:
    // The header and colour table of a BMP image as the platform takes it.
    class Info {
    public:
        explicit Info(const BmpImage& image) {
            data_.h.biSize = sizeof data_.h;
            data_.h.biWidth = image.width;
            data_.h.biHeight = image.top_down ? -image.height : image.height;
            data_.h.biPlanes = 1;
            data_.h.biBitCount = image.bits;
            data_.h.biCompression = image.compression == kBmpBitfields ? BI_BITFIELDS : BI_RGB;
            if (image.compression == kBmpBitfields)
                std::copy(image.masks, image.masks + 3, reinterpret_cast<uint32_t*>(data_.colours));
            for (size_t k = 0; k < image.palette.size() && k < 256; ++k)
                std::memcpy(&data_.colours[k], &image.palette[k], sizeof(RGBQUAD));
        }
        const BITMAPINFO* get() const { return reinterpret_cast<const BITMAPINFO*>(&data_); }
        const BITMAPINFOHEADER* header() const { return &data_.h; }

    private:
        struct {
            BITMAPINFOHEADER h;
            RGBQUAD colours[256];
        } data_{};
    };

    // A copy of a rectangle of a DC in a bitmap of its own.
    class Snapshot {
    public:
        Snapshot(HDC src, Area a) : dc_(CreateCompatibleDC(src)) {
            if (a.w <= 0 || a.h <= 0 || !dc_) return;
            bitmap_ = CreateCompatibleBitmap(src, a.w, a.h);
            if (!bitmap_) return;
            old_ = SelectObject(dc_, bitmap_);
            BitBlt(dc_, 0, 0, a.w, a.h, src, a.x, a.y, SRCCOPY);
        }
        ~Snapshot() {
            release();
            if (dc_) DeleteDC(dc_);
            if (bitmap_) DeleteObject(bitmap_);
        }
        Snapshot(const Snapshot&) = delete;
        Snapshot& operator=(const Snapshot&) = delete;
        HDC dc() const { return old_ ? dc_ : nullptr; }
        HBITMAP bitmap() const { return bitmap_; }
        void release() {
            if (old_) SelectObject(dc_, old_);
            old_ = nullptr;
        }
        void give_away() { bitmap_ = nullptr; }

    private:
        HDC dc_;
        HBITMAP bitmap_ = nullptr;
        HGDIOBJ old_ = nullptr;
    };

    // A DC like the main window's, for making bitmaps that fit it.
    HDC reference_dc() { return mw.window_dc ? mw.window_dc : GetDC(nullptr); }
    void release_reference(HDC dc) {
        if (dc && dc != mw.window_dc) ReleaseDC(nullptr, dc);
    }

    bool adopt_memory(HBITMAP b, int32_t w, int32_t h) {
        HDC like = reference_dc();
        memory_dc_ = like ? CreateCompatibleDC(like) : nullptr;
        release_reference(like);
        if (!memory_dc_) {
            DeleteObject(b);
            return false;
        }
        memory_ = b;
        memory_old_ = SelectObject(memory_dc_, b);
        SetStretchBltMode(memory_dc_, COLORONCOLOR);
        memory_w_ = w;
        memory_h_ = h;
        return true;
    }

    // A device-dependent bitmap of a BMP image. Images with a colour table
    // bring their palette; when realising it changes the system colours,
    // the main window is repainted (`invalidate`, outside paint mode).
    HBITMAP make_bitmap(const BmpImage& image, bool invalidate) {
        const Info info(image);
        HDC dc = reference_dc();
        if (!dc) return nullptr;
        HPALETTE palette = nullptr, old_palette = nullptr;
        if (!image.palette.empty()) {
            std::vector<uint8_t> block(sizeof(LOGPALETTE) + image.palette.size() * sizeof(PALETTEENTRY));
            auto* lp = reinterpret_cast<LOGPALETTE*>(block.data());
            lp->palVersion = 0x300;
            lp->palNumEntries = static_cast<WORD>(image.palette.size());
            for (size_t k = 0; k < image.palette.size(); ++k) {
                const uint32_t q = image.palette[k];
                lp->palPalEntry[k] = {static_cast<BYTE>(q >> 16), static_cast<BYTE>(q >> 8),
                                      static_cast<BYTE>(q), 0};
            }
            palette = CreatePalette(lp);
            if (palette) {
                old_palette = SelectPalette(dc, palette, FALSE);
                const UINT changed = RealizePalette(dc);
                if (changed && changed != GDI_ERROR && invalidate && !paint_dc_ && mw.hwnd)
                    InvalidateRect(mw.hwnd, nullptr, FALSE);
            }
        }
        HBITMAP b = CreateDIBitmap(dc, info.header(), CBM_INIT, image.pixels.data(), info.get(),
                                   DIB_RGB_COLORS);
        if (palette) {
            SelectPalette(dc, old_palette, FALSE);
            DeleteObject(palette);
        }
        release_reference(dc);
        return b;
    }

    void draw_bitmap(HBITMAP b, int32_t bw, int32_t bh, int32_t x, int32_t y, int32_t w, int32_t h,
                     bool sized, Raster r) {
        HDC like = reference_dc();
        SourceDC src(like, b);
        release_reference(like);
        if (!src.get()) return;
        if (sized) put(src.get(), {0, 0, bw, bh}, {x, y, w, h}, r, true);
        else put(src.get(), {0, 0, bw, bh}, {x, y, bw, bh}, r, false);
    }

    // One image operation on both targets.
    void put(HDC src, Area s, Area d, Raster r, bool stretch) {
        on_targets(Targets::Both, [&](HDC dc) {
            if (src == dc && r == Raster::Transparent) return;
            if (stretch) {
                StretchBlt(dc, d.x, d.y, d.w, d.h, src, s.x, s.y, s.w, s.h, rop_of(r));
            } else if (r == Raster::Transparent) {
                transparent_copy(dc, d.x, d.y, src, s.x, s.y, s.w, s.h);
            } else {
                BitBlt(dc, d.x, d.y, s.w, s.h, src, s.x, s.y, rop_of(r));
            }
        });
    }

    // The picture copies read: the off-screen image (or the paint target).
    HDC screen_source() {
        const DrawingTargets& t = drawing_targets();
        return t.secondary ? t.secondary : t.primary;
    }
    int32_t source_width() const {
        if (painting_memory_) return memory_w_;
        if (paint_window_) {
            RECT rc{};
            GetClientRect(paint_window_, &rc);
            return rc.right;
        }
        return mw.screen_w;
    }
    int32_t source_height() const {
        if (painting_memory_) return memory_h_;
        if (paint_window_) {
            RECT rc{};
            GetClientRect(paint_window_, &rc);
            return rc.bottom;
        }
        return mw.screen_h;
    }

    bool draw_and_destroy(HICON icon, int32_t x, int32_t y) {
        if (!icon) return false;
        on_targets(Targets::Both, [&](HDC dc) { DrawIcon(dc, x, y, icon); });
        DestroyIcon(icon);
        return true;
    }

    void use_cursor(HCURSOR c) {
        if (!c) return;
        SetCursor(c);
        if (mw.hwnd) SetClassLongPtrA(mw.hwnd, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(c));
    }

    HDC memory_dc_ = nullptr;
    HBITMAP memory_ = nullptr;
    HGDIOBJ memory_old_ = nullptr;
    int32_t memory_w_ = 0, memory_h_ = 0;

    HDC paint_dc_ = nullptr;
    HWND paint_window_ = nullptr;
    bool painting_memory_ = false;
};

Win32Graphics graphics_object;

}  // namespace

void release_graphics_objects() { graphics_object.release_all(); }

}  // namespace tolven::main_window_parts

namespace tolven {

Graphics& win32_graphics() { return main_window_parts::graphics_object; }

}  // namespace tolven
