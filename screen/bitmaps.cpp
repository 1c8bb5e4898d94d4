#include "screen/bitmaps.h"

#include <string>

#include "core/errors.h"
#include "core/tokens.h"
#include "screen/bitmap_state.h"
#include "screen/bmp_file.h"
#include "screen/screen_state.h"
#include "values/reader.h"

namespace tolven {

namespace {

const char* name_of(Cmd c) { return command_info(code_of(c))->name; }

// The checks most image statements start with: a window (or paint target),
// and no printing for those the printer cannot take.
bool window_and_not_printing(Cmd c) { return window_required() && not_while_printing(name_of(c)); }

void remember_size(int32_t w, int32_t h) {
    bitmap_state.width = w;
    bitmap_state.height = h;
}

void remember_image(const BmpImage& image) {
    remember_size(image.width, image.height);
    if (image.bits <= 8) bitmap_state.palette_entries = 1 << image.bits;
}

// A size an image of the screen can have: the platform would otherwise be
// asked for bitmaps of any size a program writes.
bool sane_size(int32_t w, int32_t h) {
    return w > 0 && h > 0 && w <= kBmpMaxSide && h <= kBmpMaxSide &&
           static_cast<size_t>(w) * static_cast<size_t>(h) * 4 <= kBmpMaxBytes;
}

struct Rect {
    int32_t x, y, w, h;
};

// x "," y "-" w "," h, the last up to `last`.
Rect read_rect(char last) {
    Rect r;
    r.x = read_int(',');
    r.y = read_int('-');
    r.w = read_int(',');
    r.h = read_int(last);
    return r;
}

// x "," y, the last up to `last`.
std::pair<int32_t, int32_t> read_point(char last) {
    const int32_t x = read_int(',');
    return {x, read_int(last)};
}

Raster read_mode() { return raster_of_mode(read_int(' ')); }

ResourceName read_resource_name(char separator) {
    read_arg(separator, kAny);
    return resource_name(slots.s);
}

// A plain copy where the statement has no transparent form.
Raster opaque(Raster r) { return r == Raster::Transparent ? Raster::Copy : r; }

// The bitmap file statements: the file read, then drawn (or, while
// printing, put on the printer at once in tenths).
void draw_bmp_file(bool sized) {
    if (!window_required()) return;
    const std::string name = read_string(',');
    const auto [x, y] = read_point(sized ? '-' : ';');
    int32_t w = 0, h = 0;
    if (sized) {
        w = read_int(',');
        h = read_int(';');
    }
    const Raster r = read_mode();
    const std::optional<BmpImage> image = load_bmp_file(name);
    if (!image) {
        raise_warning(228, name);
        return;
    }
    remember_image(*image);
    if (sized) remember_size(w, h);
    else w = image->width, h = image->height;
    const bool drawn = printing_active
                           ? graphics().print_image(*image, 10 * x, 10 * y, 10 * w, 10 * h)
                           : graphics().draw_image(*image, x, y, w, h, sized, r);
    if (!drawn) raise_warning(228, name);
}

void draw_module_bitmap(bool sized) {
    if (!not_while_printing(name_of(sized ? Cmd::DRAWSIZEDEXTBMP : Cmd::DRAWEXTBMP))) return;
    const uint32_t module = static_cast<uint32_t>(read_long(','));
    read_arg(',', kAny);
    const std::string text = slots.s;
    const auto [x, y] = read_point(sized ? '-' : ';');
    int32_t w = 0, h = 0;
    if (sized) {
        w = read_int(',');
        h = read_int(';');
        remember_size(w, h);
    }
    const Raster r = read_mode();
    if (!graphics().draw_module_bitmap(module, resource_name(text), x, y, w, h, sized, r))
        raise_warning(228, text);
}

}  // namespace

Raster raster_of_mode(int32_t mode) {
    switch (mode) {
        case -1: return Raster::Transparent;
        case 1: return Raster::And;
        case 2: return Raster::Or;
        case 3: return Raster::Xor;
        case 4: return Raster::Invert;
        default: return Raster::Copy;
    }
}

ResourceName resource_name(std::string_view text) {
    ResourceName out;
    out.name = std::string(text);
    size_t a = 0, b = text.size();
    while (a < b && text[a] == ' ') ++a;
    while (b > a && text[b - 1] == ' ') --b;
    if (a == b || b - a > 5) return out;
    uint32_t v = 0;
    for (size_t k = a; k < b; ++k) {
        if (text[k] < '0' || text[k] > '9') return out;
        v = v * 10 + static_cast<uint32_t>(text[k] - '0');
    }
    // Resource numbers are 16 bits; a larger number can only be a name.
    if (v <= 0xFFFF) out.number = static_cast<uint16_t>(v);
    return out;
}

std::optional<uint32_t> platform_cursor(int32_t n) {
    constexpr uint32_t kArrow = 32512, kSizeAll = 32646, kSizeNwSe = 32642, kNo = 32648;
    switch (n) {
        case 5: case 12: return kSizeAll;
        case 11: return std::nullopt;
        case 13: return kSizeNwSe;
        case 14: return kNo;
        default: break;
    }
    // 0..4 follow the arrow; 6..16 the platform's second row from IDC_ICON.
    return n <= 4 ? kArrow + static_cast<uint32_t>(n) : 32635u + static_cast<uint32_t>(n);
}

std::optional<BmpImage> load_bmp_file(const std::string& name) {
    const auto bytes = graphics().read_file(name);
    if (!bytes) return std::nullopt;
    BmpImage image;
    if (!read_bmp(*bytes, image)) return std::nullopt;
    return image;
}

void mcls_statement() {
    if (!window_and_not_printing(Cmd::MCLS)) return;
    const int32_t w = read_int(',');
    const int32_t h = read_int(' ');
    remember_size(w, h);
    if (!sane_size(w, h) || !graphics().memory_blank(w, h)) raise_warning(228, "Memory Bitmap");
}

void mload_bmp_statement() {
    if (!window_and_not_printing(Cmd::MLOADBMP)) return;
    const std::string name = read_string(' ');
    graphics().memory_release();
    const std::optional<BmpImage> image = load_bmp_file(name);
    if (image) remember_image(*image);
    if (!image || !graphics().memory_load(*image)) raise_warning(228, name);
}

void mcopy_bmp_statement() {
    if (!window_and_not_printing(Cmd::MCOPYBMP)) return;
    const Rect s = read_rect('>');
    const auto [x2, y2] = read_point(';');
    remember_size(s.w, s.h);
    graphics().memory_copy(s.x, s.y, s.w, s.h, x2, y2, read_mode());
}

void mcopy_sized_bmp_statement() {
    if (!window_and_not_printing(Cmd::MCOPYSIZEDBMP)) return;
    const Rect s = read_rect('>');
    const Rect d = read_rect(';');
    remember_size(s.w, s.h);
    graphics().memory_stretch(s.x, s.y, s.w, s.h, d.x, d.y, d.w, d.h, opaque(read_mode()));
}

void copy_bmp_to_mem_statement() {
    if (!window_and_not_printing(Cmd::COPYBMPTOMEM)) return;
    const Rect s = read_rect('>');
    const auto [x2, y2] = read_point(' ');
    remember_size(s.w, s.h);
    graphics().copy_to_memory(s.x, s.y, s.w, s.h, x2, y2);
}

void copy_bmp_statement() {
    if (!window_and_not_printing(Cmd::COPYBMP)) return;
    const Rect s = read_rect('>');
    const auto [x2, y2] = read_point(';');
    remember_size(s.w, s.h);
    graphics().copy(s.x, s.y, s.w, s.h, x2, y2, read_mode());
}

void copy_sized_bmp_statement() {
    if (!window_and_not_printing(Cmd::COPYSIZEDBMP)) return;
    const Rect s = read_rect('>');
    const Rect d = read_rect(';');
    remember_size(s.w, s.h);
    graphics().stretch(s.x, s.y, s.w, s.h, d.x, d.y, d.w, d.h, opaque(read_mode()));
}

void draw_bmp_statement() { draw_bmp_file(false); }
void draw_sized_bmp_statement() { draw_bmp_file(true); }
void draw_ext_bmp_statement() { draw_module_bitmap(false); }
void draw_sized_ext_bmp_statement() { draw_module_bitmap(true); }

void save_bmp_statement() {
    if (!window_and_not_printing(Cmd::SAVEBMP)) return;
    const std::string name = read_string(',');
    const Rect r = read_rect(' ');
    remember_size(r.w, r.h);
    CapturedImage shot;
    // The pixels are read before the file is made, so a failed read leaves
    // no empty file behind.
    bool saved = sane_size(r.w, r.h) && graphics().capture(r.x, r.y, r.w, r.h, shot) &&
                 shot.rows.size() >= bmp_stride(shot.width, shot.bits) * static_cast<size_t>(shot.height);
    if (saved)
        saved = graphics().write_file(name, write_bmp(shot.width, shot.height, shot.bits,
                                                      shot.palette, shot.rows));
    if (!saved) raise_warning(229, name);
}

void save_bmp_to_clip_statement() {
    if (!window_and_not_printing(Cmd::SAVEBMPTOCLIP)) return;
    const Rect r = read_rect(' ');
    remember_size(r.w, r.h);
    if (sane_size(r.w, r.h)) graphics().to_clipboard(r.x, r.y, r.w, r.h);
}

void clip_load_bmp_statement() {
    if (!not_while_printing(name_of(Cmd::CLIPLOADBMP))) return;
    const auto [x, y] = read_point(';');
    if (const auto size = graphics().from_clipboard(x, y, read_mode()))
        remember_size(size->first, size->second);
}

void icon_statement() {
    read_arg(',', kAny);
    const std::string name = slots.s;
    const auto [x, y] = read_point(' ');
    if (!graphics().draw_icon(0, resource_name(name), x, y)) raise_warning(224, name);
}

void file_icon_statement() {
    const std::string file = read_string(',');
    const int32_t index = read_int(',');
    const auto [x, y] = read_point(' ');
    if (!graphics().draw_file_icon(file, index, x, y)) raise_warning(224, file);
}

void ext_icon_statement() {
    const uint32_t module = static_cast<uint32_t>(read_long(','));
    read_arg(',', kAny);
    const std::string name = slots.s;
    const auto [x, y] = read_point(' ');
    if (!graphics().draw_icon(module, resource_name(name), x, y)) raise_warning(224, name);
}

void sys_icon_statement() {
    const int32_t n = read_int(',');
    const auto [x, y] = read_point(' ');
    if (n < 0 || n > 4 || !graphics().draw_system_icon(n, x, y)) raise_warning(225);
}

void window_icon_statement() {
    if (!window_required()) return;
    read_arg(' ', kAny);
    const std::string name = slots.s;
    if (!graphics().window_icon(resource_name(name))) raise_warning(224, name);
}

void cursor_statement() {
    const int32_t n = read_int(' ');
    if (n < 0 || n > 16) {
        raise_error(230);
        return;
    }
    if (const auto id = platform_cursor(n)) graphics().set_cursor(*id);
    else graphics().set_own_cursor(resource_name("DRUCKER"));
}

void ext_cursor_statement() {
    const uint32_t module = static_cast<uint32_t>(read_long(','));
    graphics().set_module_cursor(module, read_resource_name(' '));
}

void show_cursor_statement() { graphics().show_cursor(read_int(' ') != 0); }

void reset_bitmaps() { bitmap_state = BitmapState{}; }

namespace {
constexpr StatementEntry kBitmapStatements[] = {
    {Cmd::MCLS, mcls_statement},
    {Cmd::MLOADBMP, mload_bmp_statement},
    {Cmd::MCOPYBMP, mcopy_bmp_statement},
    {Cmd::MCOPYSIZEDBMP, mcopy_sized_bmp_statement},
    {Cmd::COPYBMPTOMEM, copy_bmp_to_mem_statement},
    {Cmd::COPYBMP, copy_bmp_statement},
    {Cmd::COPYSIZEDBMP, copy_sized_bmp_statement},
    {Cmd::DRAWBMP, draw_bmp_statement},
    {Cmd::DRAWSIZEDBMP, draw_sized_bmp_statement},
    {Cmd::DRAWEXTBMP, draw_ext_bmp_statement},
    {Cmd::DRAWSIZEDEXTBMP, draw_sized_ext_bmp_statement},
    {Cmd::SAVEBMP, save_bmp_statement},
    {Cmd::SAVEBMPTOCLIP, save_bmp_to_clip_statement},
    {Cmd::CLIPLOADBMP, clip_load_bmp_statement},
    {Cmd::ICON, icon_statement},
    {Cmd::FILEICON, file_icon_statement},
    {Cmd::EXTICON, ext_icon_statement},
    {Cmd::SYSICON, sys_icon_statement},
    {Cmd::WINDOWICON, window_icon_statement},
    {Cmd::CURSOR, cursor_statement},
    {Cmd::EXTCURSOR, ext_cursor_statement},
    {Cmd::SHOWCURSOR, show_cursor_statement},
};
}  // namespace

const Module kBitmapModule{"bitmaps", kBitmapStatements, {}, reset_bitmaps};

}  // namespace tolven
