#include "values/textops.h"

namespace tolven {

size_t find_separator(std::string_view text, char sep) {
    int depth = 0;
    const size_t n = text.size();
    for (size_t k = 0; k < n; ++k) {
        const unsigned char c = static_cast<unsigned char>(text[k]);
        if (c == '"') {
            size_t close = text.find('"', k + 1);
            if (close == std::string_view::npos) return std::string_view::npos;
            k = close;
            continue;
        }
        if (depth == 0 && c == static_cast<unsigned char>(sep)) return k;
        switch (c) {
            case '(':
            case '[':
                ++depth;
                break;
            case ')':
            case ']':
                if (depth > 0) --depth;
                break;
            case '@':
                ++depth;
                if (k + 1 < n) {
                    const unsigned char token = static_cast<unsigned char>(text[++k]);
                    if (token == 0xFF || token == 0xA7) k += 2;
                }
                break;
            case 0xFF:
                k += 2;
                break;
            default:
                break;
        }
    }
    return std::string_view::npos;
}

}  // namespace tolven
