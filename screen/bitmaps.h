// The bitmap, icon and cursor statements: the memory bitmap and copies of
// rectangles, BMP files, module bitmaps, the clipboard, saving, icons and
// the mouse cursor. Arguments, checks, the printing rules and the BMP
// format are here; the drawing is graphics()'s.
#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

#include "core/registry.h"
#include "screen/graphics.h"

namespace tolven {

void mcls_statement();
void mload_bmp_statement();
void mcopy_bmp_statement();
void mcopy_sized_bmp_statement();
void copy_bmp_to_mem_statement();
void copy_bmp_statement();
void copy_sized_bmp_statement();
void draw_bmp_statement();
void draw_sized_bmp_statement();
void draw_ext_bmp_statement();
void draw_sized_ext_bmp_statement();
void save_bmp_statement();
void save_bmp_to_clip_statement();
void clip_load_bmp_statement();
void icon_statement();
void file_icon_statement();
void ext_icon_statement();
void sys_icon_statement();
void window_icon_statement();
void cursor_statement();
void ext_cursor_statement();
void show_cursor_statement();

extern const Module kBitmapModule;

// The raster operation of a mode argument.
Raster raster_of_mode(int32_t mode);

// A resource name as programs write it: a decimal number (blanks around it
// allowed) selects the resource with that number.
ResourceName resource_name(std::string_view text);

// The platform cursor of a cursor number 0..16 (nullopt for 11, the
// runtime's own "DRUCKER" cursor); numbers outside are refused earlier.
std::optional<uint32_t> platform_cursor(int32_t number);

// Reads a BMP file through graphics(); nullopt (after no warning) when it
// cannot be read or is not a BMP the reader accepts.
std::optional<BmpImage> load_bmp_file(const std::string& name);

// Program start: the sizes and palette count programs read go back to 0.
void reset_bitmaps();

}  // namespace tolven
