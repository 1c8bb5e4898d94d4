// The character-cell text screen of the main window: a plane of bytes kept
// as a ring of rows, the cursor, the text attribute and font index, and the
// writer that PRINT, INPUT and the line editor go through.
//
// Positions are 0-based here and 1-based towards programs.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tolven {

struct TextScreen {
    // The grid programs asked for (80 x 32 by default; the window placement
    // statement changes it). What the plane can hold is the maximum grid of
    // the window; the grid in use is the requested one limited to that.
    int32_t requested_columns = 80;
    int32_t requested_rows = 32;

    int32_t max_columns = 0, max_rows = 0;  // 0 while no plane exists
    int32_t columns = 80, rows = 32;        // grid in use (>= 1 when a plane exists)
    std::vector<uint8_t> plane;             // max_columns * max_rows bytes
    int32_t top = 0;                        // stored row shown as screen row 0

    int32_t column = 0, row = 0;            // cursor
    uint8_t attribute = 0xF0;               // low nibble text colour, high background
    int32_t font_index = 2;                 // font table entry of the text, 0..3
    int32_t erase_font = 2;                 // font that gave the cell height

    bool has_plane() const { return !plane.empty(); }

    // Byte of screen cell (row r, column c); both must lie in the grid.
    uint8_t& cell(int32_t r, int32_t c) {
        return plane[static_cast<size_t>(((r + top) % rows) * columns + c)];
    }
    // Screen row r as text (columns bytes).
    std::string row_text(int32_t r) const;
};
extern TextScreen text_screen;

// Start values (program start): default grid, attribute, font; no plane.
void reset_text_screen();

// Allocates the plane for a window whose maximum grid is max_columns x
// max_rows, all blanks; the ring starts at row 0 and the cursor stays.
void allocate_plane(int32_t max_columns, int32_t max_rows);
// The window is gone: the plane is freed.
void free_plane();

// Sets the requested grid (the window placement statement) and the grid in
// use from it.
void set_grid(int32_t columns, int32_t rows);

// Writes text at the cursor: 7 beeps, 8 moves back one cell and blanks it,
// 10 starts the next row (scrolling at the bottom), 13 is ignored, every
// other byte is stored and the cursor advances, wrapping to the next row at
// the right edge. Creates the main window first.
void write_text(std::string_view text);

// Moves the cursor to the 1-based (column, row), each limited to the grid.
void set_cursor(int32_t column, int32_t row);
// 1-based cursor position.
inline int32_t cursor_column() { return text_screen.column + 1; }
inline int32_t cursor_row() { return text_screen.row + 1; }

// Colour indices and font index of the text (masked to 4 and 2 bits).
void set_foreground(int32_t index);
void set_background(int32_t index);
void set_font_index(int32_t index);

// Creates the main window, blanks the grid and puts the cursor at (1, 1).
void clear_text_screen();

// A frame of code page 437 line characters with its top-left corner at the
// 1-based (column, row), `width` cells wide and `height` high, its inside
// blanked: style "D" double lines, "E" single, "H" double across and single
// down, anything else blanks. Drawn only (the plane keeps its text), with
// the OEM font; the cursor ends on the first inner cell.
void draw_frame(int32_t row, int32_t column, int32_t width, int32_t height, char style);

// The visible text, one line per screen row, trailing blanks removed, each
// line ended by "\n" (empty when there is no plane).
std::string screen_dump();

}  // namespace tolven
