// What the text screen has changed since it was last put on the drawing
// targets: how many rows the picture must move up and which cells of which
// rows must be drawn. Collecting these lets a burst of output (thousands of
// lines between two message pumps) cost one move of the picture and one
// drawing per row instead of one per line, while what the window shows at
// every message pump is the same.
//
// All cells collected share one attribute and font: a change of either is
// preceded by drawing what was collected.
#pragma once
#include <cstdint>
#include <vector>

namespace tolven {

class TextDamage {
public:
    struct Span {
        int32_t first = 0, end = 0;  // cells first..end-1; empty when end <= first
    };

    bool empty() const { return scrolled_ == 0 && !spans_any_; }

    // Cells first..end-1 of screen row `row` (of a grid with `rows` rows)
    // were written.
    void mark(int32_t row, int32_t first, int32_t end, int32_t rows);

    // The ring advanced: every row moved up one, the last row is new and
    // blank.
    void scroll(int32_t rows);

    // Rows the picture must move up (at most the number of rows: beyond
    // that every row is new anyway). The new rows at the bottom are blank.
    int32_t scrolled() const { return scrolled_; }

    // The spans to draw after moving the picture, by screen row.
    const std::vector<Span>& spans() const { return spans_; }

    void clear();

private:
    void fit(int32_t rows);

    int32_t scrolled_ = 0;
    bool spans_any_ = false;
    std::vector<Span> spans_;
};

}  // namespace tolven
