// The drawing statements: colour mode, brush and pen, points, flood fill,
// lines and the six shapes, logical coordinates, painting into another
// window or the memory bitmap, the pixel colour function and deleting a
// graphics object. They read and check their arguments here and draw
// through graphics() on the drawing targets.
#pragma once
#include <cstdint>

#include "core/registry.h"

namespace tolven {

void true_colour_statement();
void brush_statement();
void pen_statement();
void point_statement();
void flood_fill_statement();
void line_statement();
void line_to_statement();
void move_to_statement();
void rectangle_statement();
void round_rect_statement();
void pie_statement();
void arc_statement();
void chord_statement();
void ellipse_statement();
void screen_statement();
void start_paint_statement();
void end_paint_statement();
void delete_object_statement();

void pixel_function();

extern const Module kDrawingModule;

// What the drawing statements keep between statements.
struct DrawingState {
    // The brush of the brush statement; its style is also read by the
    // flood fill (hollow: no fill).
    enum class BrushStyle : uint8_t { Hollow, Solid, Hatched } brush_style = BrushStyle::Solid;
    int32_t hatch = 0;
    bool painting = false;        // between STARTPAINT and ENDPAINT
    int32_t paint_window = 0;     // its window value, -1 for the memory bitmap
    bool redirected = false;      // the targets were swapped for the paint window
};
extern DrawingState drawing_state;

// Program start: colour mode, brush style and paint mode to start values.
void reset_drawing();

}  // namespace tolven
