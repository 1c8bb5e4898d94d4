#include "core/line_listing.h"

#include "core/tokens.h"

namespace tolven::listing {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

std::string escape(uint8_t b) {
    std::string out = "{x";
    append_hex_byte(out, b);
    out += '}';
    return out;
}

bool is_type_char(uint8_t b) { return b == '$' || b == '%' || b == '&' || b == '!'; }

// One byte that needs no special reading. Latin-1 letters become UTF-8;
// bytes an editor would hide or mangle (controls, 0x80-0xA0, the soft
// hyphen) become escapes.
void append_plain(std::string& out, uint8_t b) {
    if (b == '{') {
        out += "{{";
    } else if (b >= 0x20 && b < 0x7F) {
        out += static_cast<char>(b);
    } else if (b > 0xA0 && b != 0xAD) {
        out += static_cast<char>(0xC0 | b >> 6);
        out += static_cast<char>(0x80 | (b & 0x3F));
    } else {
        out += escape(b);
    }
}

}  // namespace

void append_hex_byte(std::string& out, uint8_t b) {
    out += kHexDigits[b >> 4];
    out += kHexDigits[b & 15];
}

std::string line_label(const Program& p, int32_t n) {
    const std::string& text = p.lines[static_cast<size_t>(n)];
    const bool def = !text.empty() && static_cast<uint8_t>(text[0]) == Cmd::DEF;
    std::string name = (def ? "FN" : "L") + std::to_string(n);
    // "@name(" is read as a built-in function first.
    while (find_function(name)) name += '_';
    return name;
}


std::vector<std::string> line_labels(const Program& p) {
    std::vector<std::string> labels(static_cast<size_t>(p.line_count) + 1);
    for (int32_t n = 1; n <= p.line_count; ++n) labels[static_cast<size_t>(n)] = line_label(p, n);
    return labels;
}

std::string argument_listing(std::string_view a, int32_t line_count, const std::vector<std::string>& labels,
                             ArgumentUse* use) {
    std::string out;
    // A line reference is the two bytes at i when they name an existing
    // line; 0 otherwise, and then they are written as plain escapes.
    auto ref_at = [&](size_t i) -> int32_t {
        if (i + 1 >= a.size()) return 0;
        const int32_t n = static_cast<uint8_t>(a[i]) | static_cast<uint8_t>(a[i + 1]) << 8;
        if (n < 1 || n > line_count) return 0;
        if (use) use->targets.push_back(n);
        return n;
    };
    bool in_quotes = false;  // toggled only by a literal '"', as the assembler does
    bool after_type = false;
    int raw = 0;  // bytes of a line reference that names no line
    for (size_t i = 0; i < a.size();) {
        const uint8_t b = static_cast<uint8_t>(a[i]);
        const bool was_type = after_type;
        after_type = false;
        if (raw > 0) {
            out += escape(b);
            --raw;
            ++i;
            continue;
        }
        if (b == '"') {
            out += '"';
            in_quotes = !in_quotes;
            ++i;
            continue;
        }
        if (in_quotes) {
            append_plain(out, b);  // '@' and 0xFF are plain text inside quotes
            ++i;
            continue;
        }
        if (b == '@') {
            if (i + 1 >= a.size()) {
                out += escape(b);
                ++i;
                continue;
            }
            const uint8_t t = static_cast<uint8_t>(a[i + 1]);
            if (t == 0xFF) {
                if (int32_t n = ref_at(i + 2)) {
                    out += '@' + labels[static_cast<size_t>(n)] + '(';
                    if (use) ++use->user_calls;
                    i += 4;
                    continue;
                }
            }
            if (const TokenInfo* f = function_info(t)) {
                out += '@';
                out += f->name;
                out += '(';
                if (use) use->functions.push_back(t);
            } else {
                out += '@' + escape(t);
                if (use) ++use->user_calls;
                if (t == 0xFF) raw = 2;
            }
            i += 2;
            continue;
        }
        // A marker byte and the line reference after it: {@label} or
        // {=label}, or plain escapes when the reference names no line.
        if (b == 0xFF || (was_type && b == 0xFE)) {
            if (int32_t n = ref_at(i + 1)) {
                out += std::string("{") + (b == 0xFF ? '@' : '=') + labels[static_cast<size_t>(n)] + '}';
                i += 3;
            } else {
                out += escape(b);
                raw = 2;
                ++i;
            }
            continue;
        }
        if (was_type && b >= 0x80) {
            if (const TokenInfo* s = sysvar_info(b)) {
                out += '{';
                out += s->name;
                out += '}';
                ++i;
                continue;
            }
        }
        after_type = is_type_char(b);
        append_plain(out, b);
        ++i;
    }
    // Trailing blanks are kept by the assembler but lost to many editors.
    size_t blanks = 0;
    while (blanks < out.size() && out[out.size() - 1 - blanks] == ' ') ++blanks;
    if (blanks) {
        out.resize(out.size() - blanks);
        for (size_t k = 0; k < blanks; ++k) out += "{x20}";
    }
    return out;
}

std::string line_listing(const Program& p, int32_t n, const std::vector<std::string>& labels,
                         ArgumentUse* use) {
    const std::string& line = p.lines[static_cast<size_t>(n)];
    std::string text;
    if (p.expression_flags[static_cast<size_t>(n)]) text = "~";
    if (line.empty()) return text + ".empty";
    const uint8_t token = static_cast<uint8_t>(line[0]);
    if (const TokenInfo* t = command_info(token)) text += t->name;
    else text += '#' + std::to_string(token);
    std::string args = argument_listing(std::string_view(line).substr(1), p.line_count, labels, use);
    if (!args.empty()) text += ' ' + args;
    return text;
}

std::string numbered_line_listing(const Program& p, int32_t n, const std::vector<std::string>& labels,
                                  ArgumentUse* use) {
    return std::to_string(n) + ' ' + line_listing(p, n, labels, use);
}

}  // namespace tolven::listing
