#include "screen/text_damage.h"

#include <algorithm>

namespace tolven {

void TextDamage::fit(int32_t rows) {
    if (rows < 1) rows = 1;
    if (static_cast<int32_t>(spans_.size()) != rows) spans_.resize(static_cast<size_t>(rows));
}

void TextDamage::mark(int32_t row, int32_t first, int32_t end, int32_t rows) {
    fit(rows);
    if (row < 0 || row >= static_cast<int32_t>(spans_.size()) || end <= first) return;
    Span& s = spans_[static_cast<size_t>(row)];
    if (s.end <= s.first) {
        s = {first, end};
    } else {
        s.first = std::min(s.first, first);
        s.end = std::max(s.end, end);
    }
    spans_any_ = true;
}

void TextDamage::scroll(int32_t rows) {
    fit(rows);
    std::rotate(spans_.begin(), spans_.begin() + 1, spans_.end());
    spans_.back() = Span{};
    if (scrolled_ < static_cast<int32_t>(spans_.size())) ++scrolled_;
}

void TextDamage::clear() {
    scrolled_ = 0;
    spans_any_ = false;
    std::fill(spans_.begin(), spans_.end(), Span{});
}

}  // namespace tolven
