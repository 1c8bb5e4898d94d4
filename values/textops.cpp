#include "values/textops.h"

namespace tolven {

namespace {
constexpr unsigned char kLineReference = 0xFF;
constexpr unsigned char kNamedConstant = 0xFE;

// A named constant is a type character, the system-variable token 0xFE and
// a two-byte line number, which may hold any byte.
inline bool is_constant_reference(std::string_view text, size_t k) {
    if (static_cast<unsigned char>(text[k]) != kNamedConstant || k == 0) return false;
    const char t = text[k - 1];
    return t == '$' || t == '%' || t == '&' || t == '!';
}
}  // namespace

// Line references follow only 0xFF (bare, or as the function token of a
// user-function call) and the named-constant token 0xFE after a type
// character. The function tokens 0xA7 (natural logarithm) and 0xFE (always
// 0) are ordinary functions: skipping two bytes after them would swallow a
// short argument such as "2)".
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
                    if (token == kLineReference) k += 2;
                }
                break;
            case kLineReference:
                k += 2;
                break;
            default:
                if (is_constant_reference(text, k)) k += 2;
                break;
        }
    }
    return std::string_view::npos;
}

namespace {

inline bool is_expression_delimiter(unsigned char c) {
    switch (c) {
        case '*': case '-': case '/': case '+': case '\\': case '^':
        case ',': case ';': case '>': case '<': case '=': case ':': case 0x15:
            return true;
        default:
            return false;
    }
}

}  // namespace

size_t find_operand_end(std::string_view text, char sep, bool expression) {
    int paren = 0;
    int bracket = 0;
    const size_t n = text.size();
    const unsigned char own = static_cast<unsigned char>(sep);
    const bool own_counts = !(expression && sep == 'p');
    for (size_t k = 0; k < n; ++k) {
        const unsigned char c = static_cast<unsigned char>(text[k]);
        if (c == '"') {
            size_t close = text.find('"', k + 1);
            if (close == std::string_view::npos) return n;
            k = close;
            continue;
        }
        if (paren == 0 && bracket == 0) {
            if (own_counts && c == own) return k;
            if (expression && is_expression_delimiter(c)) return k;
        }
        switch (c) {
            case '(':
                ++paren;
                break;
            case ')':
                if (paren > 0) --paren;
                break;
            case '[':
                ++bracket;
                break;
            case ']':
                if (bracket > 0) --bracket;
                break;
            case '@':
                ++paren;
                if (k + 1 < n) {
                    const unsigned char token = static_cast<unsigned char>(text[++k]);
                    if (token == kLineReference) k += 2;
                }
                break;
            case kLineReference:
                k += 2;
                break;
            default:
                if (is_constant_reference(text, k)) k += 2;
                break;
        }
    }
    return n;
}

size_t find_print_separator(std::string_view text) {
    size_t comma = find_operand_end(text, ',', false);
    size_t semicolon = find_operand_end(text, ';', false);
    size_t first = comma < semicolon ? comma : semicolon;
    return first < text.size() ? first : std::string_view::npos;
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
    return text;
}

void fold_upper(std::string& text) {
    for (char& c : text) c = static_cast<char>(fold_upper(static_cast<unsigned char>(c)));
}

std::string folded(std::string_view text) {
    std::string s(text);
    fold_upper(s);
    return s;
}

}  // namespace tolven
