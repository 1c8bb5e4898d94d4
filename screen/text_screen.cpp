#include "screen/text_screen.h"

#include <algorithm>
#include <cctype>

#include "screen/display.h"

namespace tolven {

TextScreen text_screen;

namespace {

TextScreen& ts = text_screen;

// The grid in use never exceeds the plane and never has an empty side, so
// that no requested size (0, negative, larger than the screen) can make the
// ring arithmetic divide by zero or reach outside the plane.
void fit_grid() {
    if (!ts.has_plane()) {
        ts.columns = ts.requested_columns;
        ts.rows = ts.requested_rows;
        return;
    }
    ts.columns = std::clamp(ts.requested_columns, 1, ts.max_columns);
    ts.rows = std::clamp(ts.requested_rows, 1, ts.max_rows);
}

void clamp_cursor() {
    ts.column = std::clamp(ts.column, 0, std::max(ts.columns - 1, 0));
    ts.row = std::clamp(ts.row, 0, std::max(ts.rows - 1, 0));
}

void draw(int32_t first, int32_t end) {
    if (end > first) display().draw_run(ts.row, first, end);
}

// The cursor leaves its row downwards; on the last row the ring advances and
// the new last row is blank.
void next_row() {
    ts.column = 0;
    if (ts.row + 1 < ts.rows) {
        ++ts.row;
        return;
    }
    ts.top = (ts.top + 1) % ts.rows;
    std::fill_n(&ts.cell(ts.row, 0), ts.columns, ' ');
    display().scroll_up();
}

}  // namespace

std::string TextScreen::row_text(int32_t r) const {
    if (!has_plane() || r < 0 || r >= rows) return {};
    const size_t start = static_cast<size_t>(((r + top) % rows) * columns);
    return std::string(plane.begin() + static_cast<std::ptrdiff_t>(start),
                       plane.begin() + static_cast<std::ptrdiff_t>(start + columns));
}

void reset_text_screen() { ts = TextScreen{}; }

void allocate_plane(int32_t max_columns, int32_t max_rows) {
    ts.max_columns = std::max(max_columns, 1);
    ts.max_rows = std::max(max_rows, 1);
    ts.plane.assign(static_cast<size_t>(ts.max_columns) * static_cast<size_t>(ts.max_rows), ' ');
    ts.top = 0;
    fit_grid();
    clamp_cursor();
}

void free_plane() {
    ts.plane.clear();
    ts.plane.shrink_to_fit();
    ts.max_columns = ts.max_rows = 0;
    ts.top = 0;
    fit_grid();
}

void set_grid(int32_t columns, int32_t rows) {
    display().flush();
    ts.requested_columns = columns;
    ts.requested_rows = rows;
    fit_grid();
    if (ts.has_plane()) {
        ts.top %= ts.rows;
        clamp_cursor();
    }
}

void write_text(std::string_view text) {
    display().ensure_window();
    if (!ts.has_plane()) return;
    clamp_cursor();
    // Cells changed in the cursor row since it was last drawn. Drawing them
    // when the row is left and at the end shows the same as drawing each
    // character at once, since nothing can look at the window in between.
    int32_t first = ts.column, end = ts.column;
    for (size_t k = 0; k < text.size(); ++k) {
        const unsigned char ch = static_cast<unsigned char>(text[k]);
        switch (ch) {
            case 7:
                display().beep();
                break;
            case 8:
                if (ts.column > 0) {
                    --ts.column;
                    ts.cell(ts.row, ts.column) = ' ';
                    first = std::min(first, ts.column);
                }
                break;
            case 10:
                draw(first, end);
                next_row();
                first = end = 0;
                break;
            case 13:
                break;
            default:
                ts.cell(ts.row, ts.column) = ch;
                ++ts.column;
                end = std::max(end, ts.column);
                if (ts.column == ts.columns) {
                    draw(first, end);
                    first = end = 0;
                    if (ts.row + 1 < ts.rows || k + 1 < text.size()) {
                        // On the last row the screen scrolls only when more
                        // of this text follows, so that it stays in the grid.
                        next_row();
                    } else {
                        // Filling the last cell does not scroll: the cursor
                        // comes back to the start of the last row.
                        ts.column = 0;
                    }
                }
                break;
        }
    }
    draw(first, end);
    set_cursor(ts.column + 1, ts.row + 1);
}

void set_cursor(int32_t column, int32_t row) {
    ts.column = std::clamp(column, 1, std::max(ts.columns, 1)) - 1;
    ts.row = std::clamp(row, 1, std::max(ts.rows, 1)) - 1;
}

void set_foreground(int32_t index) {
    display().flush();
    ts.attribute = static_cast<uint8_t>((ts.attribute & 0xF0) | (index & 0x0F));
    display().apply_text_colours();
}

void set_background(int32_t index) {
    display().flush();
    ts.attribute = static_cast<uint8_t>((ts.attribute & 0x0F) | ((index & 0x0F) << 4));
    display().apply_text_colours();
}

void set_font_index(int32_t index) {
    display().flush();
    ts.font_index = index & 3;
}

void clear_text_screen() {
    display().ensure_window();
    if (ts.has_plane()) {
        for (int32_t r = 0; r < ts.rows; ++r) std::fill_n(&ts.cell(r, 0), ts.columns, ' ');
    }
    set_cursor(1, 1);
}

namespace {

// The positioned-text routine: each position limited to the grid.
void put_at(int32_t column, int32_t row, std::string_view text) {
    if (text.empty()) return;
    column = std::clamp(column, 1, std::max(ts.columns, 1));
    row = std::clamp(row, 1, std::max(ts.rows, 1));
    display().draw_text_at(column, row, text, 1);
}

}  // namespace

void draw_frame(int32_t row, int32_t column, int32_t width, int32_t height, char style) {
    struct Lines {
        char style;
        uint8_t top_left, top_right, bottom_left, bottom_right, across, down;
    };
    static constexpr Lines kStyles[] = {
        {'D', 201, 187, 200, 188, 205, 186},
        {'E', 218, 191, 192, 217, 196, 179},
        {'H', 213, 184, 212, 190, 205, 179},
    };
    Lines l{0, ' ', ' ', ' ', ' ', ' ', ' '};
    const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(style)));
    for (const Lines& s : kStyles)
        if (s.style == upper) l = s;
    // Sizes beyond the largest grid draw nothing more that could be seen.
    width = std::clamp(width, 0, 4096);
    height = std::clamp(height, 0, 4096);
    const std::string across(static_cast<size_t>(std::max(width - 2, 0)), static_cast<char>(l.across));
    const std::string inside(across.size(), ' ');
    auto one = [](uint8_t c) { return std::string(1, static_cast<char>(c)); };
    const int32_t right = column + width - 1, bottom = row + height - 1;
    put_at(column, row, one(l.top_left));
    put_at(right, row, one(l.top_right));
    put_at(column + 1, row, across);
    put_at(column + 1, bottom, across);
    for (int32_t k = 1; k <= height - 2; ++k) {
        put_at(column, row + k, one(l.down));
        put_at(right, row + k, one(l.down));
    }
    put_at(column, bottom, one(l.bottom_left));
    put_at(right, bottom, one(l.bottom_right));
    for (int32_t k = 1; k <= height - 2; ++k) put_at(column + 1, row + k, inside);
    set_cursor(column + 1, row + 1);
}

std::string screen_dump() {
    std::string out;
    if (!ts.has_plane()) return out;
    for (int32_t r = 0; r < ts.rows; ++r) {
        std::string line = ts.row_text(r);
        line.erase(line.find_last_not_of(' ') + 1);
        out += line;
        out += '\n';
    }
    return out;
}

}  // namespace tolven
