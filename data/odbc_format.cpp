#include "data/odbc_format.h"

#include <algorithm>

namespace tolven::odbc {

int32_t display_width(int16_t type, uint64_t size, size_t name_length) {
    // Sizes beyond the cap must not overflow the arithmetic below.
    const uint64_t n = std::min<uint64_t>(size, kMaxWidth);
    uint64_t width;
    switch (type) {
        case sqltype::kNumeric:
        case sqltype::kDecimal: width = n + 2; break;
        case sqltype::kInteger:
        case sqltype::kDate:
        case sqltype::kTypeDate: width = 11; break;
        case sqltype::kSmallInt: width = 6; break;
        case sqltype::kFloat:
        case sqltype::kDouble: width = 22; break;
        case sqltype::kReal: width = 13; break;
        case sqltype::kTime:
        case sqltype::kTypeTime: width = 8; break;
        case sqltype::kTimestamp:
        case sqltype::kTypeTimestamp: width = 23; break;
        case sqltype::kBit: width = 1; break;
        case sqltype::kTinyInt: width = 4; break;
        case sqltype::kBigInt: width = 20; break;
        case sqltype::kBinary:
        case sqltype::kVarBinary: width = 2 * n; break;
        case sqltype::kLongVarChar: width = 50; break;
        default: width = n + 1; break;
    }
    width = std::max<uint64_t>(width, name_length);
    return static_cast<int32_t>(std::min<uint64_t>(width, kMaxWidth));
}

void append_fitted(std::string& line, std::string_view value, int32_t width, std::string_view separator) {
    const size_t w = width > 0 ? static_cast<size_t>(width) : 0;
    if (value.size() >= w) {
        line.append(value.substr(0, w));
    } else {
        line.append(value);
        line.append(w - value.size(), ' ');
    }
    line.append(separator);
}

void append_quoted(std::string& line, std::string_view value, std::string_view quote,
                   std::string_view separator) {
    line.append(quote);
    line.append(value);
    line.append(quote);
    line.append(separator);
}

void append_rule(std::string& line, int32_t width) {
    if (width >= 0) line.append(static_cast<size_t>(width) + 1, '-');
}

std::string_view driver_text(std::string_view message) {
    const size_t bracket = message.rfind(']');
    return bracket == std::string_view::npos ? message : message.substr(bracket + 1);
}

}  // namespace tolven::odbc
