#include "screen/drawing.h"

#include "core/errors.h"
#include "core/host.h"
#include "screen/colours.h"
#include "screen/graphics.h"
#include "screen/screen_state.h"
#include "values/reader.h"

namespace tolven {

DrawingState drawing_state;

namespace {

// While printing, the drawing statements work in tenths: the printer's
// units are ten times finer than the window's pixels.
int32_t scaled(int32_t v) { return printing_active ? v * 10 : v; }

// Reads n coordinates, each up to its separator, scaled for the printer.
template <size_t N>
void read_coordinates(int32_t (&c)[N], const char (&separators)[N + 1]) {
    for (size_t k = 0; k < N; ++k) c[k] = scaled(read_int(separators[k]));
}

void draw_shape(Shape s) {
    int32_t c[8] = {};
    switch (s) {
        case Shape::RoundRect: {
            int32_t r[6];
            read_coordinates(r, ",-,;, ");
            for (int k = 0; k < 6; ++k) c[k] = r[k];
            break;
        }
        case Shape::Pie:
        case Shape::Arc:
        case Shape::Chord: read_coordinates(c, ",-,;,;, "); break;
        default: {
            int32_t r[4];
            read_coordinates(r, ",-, ");
            for (int k = 0; k < 4; ++k) c[k] = r[k];
            break;
        }
    }
    graphics().shape(s, c);
}

// The point and the flood fill draw on the printer once; everything else
// draws on both targets (which are then both the printer).
Targets point_targets() { return printing_active ? Targets::PrimaryOnly : Targets::Both; }

}  // namespace

void true_colour_statement() { true_colour_mode = read_int(' ') != 0; }

void brush_statement() {
    if (!window_required()) return;
    const int32_t style = read_int(',');
    const uint32_t colour = colour_value_rgb(read_long(' '));
    using Style = DrawingState::BrushStyle;
    if (style == 0) {
        drawing_state.brush_style = Style::Hollow;
    } else if (style == 1) {
        drawing_state.brush_style = Style::Solid;
    } else if (style >= 2) {
        drawing_state.brush_style = Style::Hatched;
        drawing_state.hatch = style - 2;
    }
    graphics().select_brush(drawing_state.brush_style == Style::Hollow,
                            drawing_state.brush_style == Style::Hatched, drawing_state.hatch,
                            colour);
}

void pen_statement() {
    if (!window_required()) return;
    const int32_t style = read_int(',');
    int32_t width = read_int(',');
    const uint32_t colour = colour_value_rgb(read_long(' '));
    // Thin dashed pens stay thin on the printer: its dashes need width 0 or 1.
    constexpr int32_t kSolid = 0;
    if (printing_active && (width > 1 || style == kSolid)) width *= 10;
    graphics().select_pen(style, width, colour);
}

void point_statement() {
    if (!window_required()) return;
    const int32_t x = scaled(read_int(','));
    const int32_t y = scaled(read_int(','));
    graphics().set_pixel(x, y, colour_value_rgb(read_long(' ')), point_targets());
}

void flood_fill_statement() {
    if (!window_required()) return;
    const int32_t x = scaled(read_int(','));
    const int32_t y = scaled(read_int(','));
    const uint32_t border = colour_value_rgb(read_long(' '));
    if (drawing_state.brush_style == DrawingState::BrushStyle::Hollow) return;
    graphics().flood_fill(x, y, border, point_targets());
}

void line_statement() {
    int32_t c[4];
    read_coordinates(c, ",-, ");
    graphics().move_to(c[0], c[1]);
    graphics().line_to(c[2], c[3]);
}

void line_to_statement() {
    int32_t c[2];
    read_coordinates(c, ", ");
    graphics().line_to(c[0], c[1]);
}

void move_to_statement() {
    int32_t c[2];
    read_coordinates(c, ", ");
    graphics().move_to(c[0], c[1]);
}

void rectangle_statement() { draw_shape(Shape::Rectangle); }
void round_rect_statement() { draw_shape(Shape::RoundRect); }
void pie_statement() { draw_shape(Shape::Pie); }
void arc_statement() { draw_shape(Shape::Arc); }
void chord_statement() { draw_shape(Shape::Chord); }
void ellipse_statement() { draw_shape(Shape::Ellipse); }

void screen_statement() {
    if (!not_while_printing("SCREEN")) return;
    if (!window_required()) return;
    const int32_t w = read_int(',');
    const int32_t h = read_int(' ');
    graphics().logical_size(w, h);
}

void start_paint_statement() {
    if (!not_while_printing("STARTPAINT")) return;
    if (drawing_state.painting) {
        raise_error(249, "STARTPAINT");
        return;
    }
    const int32_t h = read_long(' ');
    drawing_state.redirected = static_cast<uint32_t>(h) != graphics().main_window();
    if (drawing_state.redirected) graphics().begin_paint(h);
    drawing_state.paint_window = h;
    drawing_state.painting = true;
    paint_target_active = true;
}

void end_paint_statement() {
    if (!drawing_state.painting) {
        raise_error(124);
        return;
    }
    if (drawing_state.redirected) graphics().end_paint();
    drawing_state.painting = false;
    paint_target_active = false;
    host().pump_messages();
}

void delete_object_statement() { graphics().delete_object(static_cast<uint32_t>(read_long(' '))); }

void pixel_function() {
    const int32_t x = read_int(',');
    const int32_t y = read_int(')');
    // Outside every target the platform has no colour; that reads as all
    // bits set, as the platform's own "invalid colour" does.
    const uint32_t rgb_value = graphics().pixel(x, y).value_or(0xFFFFFFFFu);
    if (true_colour_mode) set_result_long(static_cast<int32_t>(rgb_value));
    else set_result_long(rgb_colour_number(rgb_value));
}

void reset_drawing() {
    true_colour_mode = false;
    drawing_state = DrawingState{};
}

namespace {
constexpr StatementEntry kDrawingStatements[] = {
    {Cmd::TRUECOLOR, true_colour_statement},
    {Cmd::BRUSH, brush_statement},
    {Cmd::PEN, pen_statement},
    {Cmd::POINT, point_statement},
    {Cmd::FILL, flood_fill_statement},
    {Cmd::LINE, line_statement},
    {Cmd::LINETO, line_to_statement},
    {Cmd::MOVETO, move_to_statement},
    {Cmd::RECTANGLE, rectangle_statement},
    {Cmd::ROUNDRECT, round_rect_statement},
    {Cmd::PIE, pie_statement},
    {Cmd::ARC, arc_statement},
    {Cmd::CHORD, chord_statement},
    {Cmd::ELLIPSE, ellipse_statement},
    {Cmd::SCREEN, screen_statement},
    {Cmd::STARTPAINT, start_paint_statement},
    {Cmd::ENDPAINT, end_paint_statement},
    {Cmd::DELETEOBJECT, delete_object_statement},
};
constexpr FunctionEntry kDrawingFunctions[] = {
    {Fn::PIXEL, pixel_function},
};
}  // namespace

const Module kDrawingModule{"drawing", kDrawingStatements, kDrawingFunctions, reset_drawing};

}  // namespace tolven
