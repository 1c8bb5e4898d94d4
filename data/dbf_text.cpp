// The display date conversions of the table engine.
#include "core/errors.h"
#include "data/dbf.h"
#include "values/dates.h"

namespace tolven::dbase {

std::string dtoc(std::string_view s) {
    if (s.size() != 8) raise_warning(202);
    int y = 0, m = 0, d = 0;
    if (s.size() < 8 || !parse_digits(s.substr(0, 4), y) || !parse_digits(s.substr(4, 2), m) ||
        !parse_digits(s.substr(6, 2), d))
        return {};
    return display_date(d, m, y, display_date_order);
}

std::string ctod(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ') --e;
    std::string_view s = text.substr(b, e - b);
    if (s.size() != 10) raise_warning(203);
    auto part = [&](size_t from1, size_t n) -> std::string_view {
        size_t at = from1 - 1;
        return at < s.size() ? s.substr(at, n) : std::string_view();
    };
    std::string_view y, m, d;
    switch (date_order_kind(display_date_order)) {
        case DateOrderKind::DayFirst: y = part(7, 4), m = part(4, 2), d = part(1, 2); break;
        case DateOrderKind::MonthFirst: y = part(7, 4), m = part(1, 2), d = part(4, 2); break;
        case DateOrderKind::YearFirst: y = part(1, 4), m = part(6, 2), d = part(9, 2); break;
    }
    std::string r(y);
    r += m;
    r += d;
    return r;
}

}  // namespace tolven::dbase
