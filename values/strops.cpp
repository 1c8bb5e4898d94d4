#include "values/strops.h"

#include <algorithm>

namespace tolven {

Checked<std::string> nth_part(std::string_view text, int32_t n, std::string_view separator) {
    if (n < 1) return checked_fail<std::string>(205);
    for (int32_t k = 1; k < n; ++k) {
        size_t at = separator.empty() ? std::string_view::npos : text.find(separator);
        if (at == std::string_view::npos) return checked_ok(std::string());
        text.remove_prefix(at + separator.size());
    }
    size_t end = separator.empty() ? std::string_view::npos : text.find(separator);
    return checked_ok(std::string(text.substr(0, end)));
}

std::string char_of(int32_t code) { return std::string(1, static_cast<char>(code & 0xFF)); }

std::string mid_text(std::string_view text, int32_t start, int32_t count) {
    if (start < 1 || count < 1 || static_cast<size_t>(start) > text.size()) return {};
    return std::string(text.substr(static_cast<size_t>(start) - 1, static_cast<size_t>(count)));
}

Checked<std::string> delete_text(std::string_view text, int32_t pos, int32_t count) {
    if (pos < 1) return checked_fail(204, std::string(text));
    std::string out(text);
    if (count > 0 && static_cast<size_t>(pos) <= out.size())
        out.erase(static_cast<size_t>(pos) - 1, static_cast<size_t>(count));
    return checked_ok(std::move(out));
}

Checked<std::string> insert_text(std::string_view insert, std::string_view text, int32_t pos) {
    if (pos < 1) return checked_fail(204, std::string(text));
    std::string out(text);
    size_t at = std::min(static_cast<size_t>(pos) - 1, out.size());
    out.insert(at, insert);
    return checked_ok(std::move(out));
}

int32_t find_text(std::string_view part, std::string_view text) {
    if (part.empty()) return 0;
    size_t at = text.find(part);
    return at == std::string_view::npos ? 0 : static_cast<int32_t>(at + 1);
}

int32_t first_code(std::string_view text) {
    return text.empty() ? 0 : static_cast<unsigned char>(text[0]);
}

std::string trim_text(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
    return std::string(text);
}

std::string left_text(std::string_view text, int32_t n) {
    if (n < 1) return {};
    return std::string(text.substr(0, static_cast<size_t>(n)));
}

std::string right_text(std::string_view text, int32_t n) {
    if (n < 1 || static_cast<size_t>(n) > text.size()) return {};
    return std::string(text.substr(text.size() - static_cast<size_t>(n)));
}

std::string repeat_text(std::string_view text, int32_t n) {
    std::string out;
    if (text.empty()) return out;
    for (int32_t k = 0; k < n && out.size() + text.size() <= kMaxBuiltText; ++k) out.append(text);
    return out;
}

std::string blanks(int32_t n) {
    if (n < 1) return {};
    return std::string(std::min(static_cast<size_t>(n), kMaxBuiltText), ' ');
}

std::string replace_all(std::string_view text, std::string_view search,
                        std::string_view replacement) {
    if (search.empty()) return std::string(text);
    std::string out;
    size_t from = 0;
    for (size_t at; (at = text.find(search, from)) != std::string_view::npos; from = at + search.size()) {
        out.append(text, from, at - from);
        out.append(replacement);
    }
    out.append(text, from);
    return out;
}

}  // namespace tolven
