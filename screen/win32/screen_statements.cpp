#include "screen/pixel_text.h"

#include <windows.h>

#include <string>

#include "core/errors.h"
#include "core/loop.h"
#include "gui/item_list.h"
#include "screen/colours.h"
#include "screen/screen_state.h"
#include "screen/text_output.h"
#include "screen/win32/main_window.h"
#include "values/functions.h"
#include "values/reader.h"

namespace tolven {

namespace {

struct FontRequest {
    std::string face;
    int32_t height = 0, width = 0;
    bool bold = false, italic = false, underline = false;
};

// Face name "," height "," width "," bold "," italic "," underline, the
// last one up to `last`.
FontRequest read_font_request(char last) {
    FontRequest r;
    r.face = read_string(',');
    r.height = read_int(',');
    r.width = read_int(',');
    r.bold = read_int(',') != 0;
    r.italic = read_int(',') != 0;
    r.underline = read_int(last) != 0;
    return r;
}

HFONT make_font(const FontRequest& r, int32_t factor) {
    const int weight = (r.bold ? 1 : 0) * 300 + 400;
    const int angle = text_output.font_angle;
    return CreateFontA(r.height * factor, r.width * factor, angle, angle, weight, r.italic,
                       r.underline, FALSE, static_cast<DWORD>(text_output.charset),
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                       r.face.c_str());
}

uint32_t handle_value(const void* h) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(h));
}

struct FontListState {
    bool full = false;
};

int CALLBACK add_font_family(const LOGFONTA* lf, const TEXTMETRICA*, DWORD, LPARAM data) {
    auto* state = reinterpret_cast<FontListState*>(data);
    if (!item_list.add(lf->lfFaceName)) {
        state->full = true;
        return 0;
    }
    return 1;
}

}  // namespace

void text_xy_statement() {
    if (!window_required()) return;
    const int32_t x = read_int(',');
    const int32_t y = read_int(',');
    read_arg(' ', kAny);
    const std::string text = slots.s;
    const int n = static_cast<int>(text.size());
    const DrawingTargets& targets = drawing_targets();
    if (printing_active) {
        if (targets.primary) TextOutA(targets.primary, 10 * x, 10 * y, text.data(), n);
        return;
    }
    for (HDC dc : {targets.primary, targets.secondary})
        if (dc) TextOutA(dc, x, y, text.data(), n);
}

void text_color_statement() {
    const COLORREF text = colour_value_rgb(read_long(','));
    const int32_t background = read_long(' ');
    const DrawingTargets& targets = drawing_targets();
    for (HDC dc : {targets.primary, targets.secondary}) {
        if (!dc) continue;
        SetTextColor(dc, text);
        if (background == -1) {
            SetBkMode(dc, TRANSPARENT);
        } else {
            SetBkMode(dc, OPAQUE);
            SetBkColor(dc, colour_value_rgb(background));
        }
    }
}

void create_font_statement() {
    if (!window_required()) return;
    const FontRequest r = read_font_request(' ');
    HFONT font = make_font(r, printing_active ? 10 : 1);
    replace_custom_font(font);
    if (font) text_output.last_font = handle_value(font);
}

void create_font_function() {
    const FontRequest r = read_font_request(')');
    HFONT font = make_font(r, 1);
    text_output.last_font = handle_value(font);
    set_result_int(static_cast<int32_t>(handle_value(font)));
}

void font_list_statement() {
    HDC dc = drawing_targets().primary;
    HDC screen = dc ? nullptr : GetDC(nullptr);
    FontListState state;
    EnumFontFamiliesA(dc ? dc : screen, nullptr, add_font_family,
                      reinterpret_cast<LPARAM>(&state));
    if (screen) ReleaseDC(nullptr, screen);
    if (state.full) raise_error(232);
}


}  // namespace tolven
