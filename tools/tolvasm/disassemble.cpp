// Program file -> listing. The listing must assemble back to the very same
// bytes, so every choice here mirrors a rule of the assembler: what it reads
// literally is written literally, everything else as an escape.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>

#include "core/tokens.h"
#include "tools/tolvasm/internal.h"
#include "tools/tolvasm/listing.h"

namespace tolven::listing {

namespace detail {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

void append_hex(std::string& out, uint8_t b) {
    out += kHexDigits[b >> 4];
    out += kHexDigits[b & 15];
}

std::string escape(uint8_t b) {
    std::string out = "{x";
    append_hex(out, b);
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

std::string hex_block(const uint8_t* data, size_t size) {
    std::string out;
    for (size_t k = 0; k < size; ++k) {
        if (k && k % 8 == 0) out += ' ';
        append_hex(out, data[k]);
    }
    return out;
}

// The shortest .header directive that rebuilds these exact bytes.
std::string header_directive(const std::string& h) {
    std::vector<std::string> candidates;
    for (char v = '5'; v <= '8'; ++v) candidates.push_back(std::string("plain ") + v);
    const auto* u = reinterpret_cast<const uint8_t*>(h.data());
    std::string mask;
    append_hex(mask, u[20]);
    candidates.push_back("masked " + mask);
    if (h[11] == '5' || h[11] == '7') candidates.push_back(std::string("computed ") + h[11] + ' ' + mask);
    if (h[11] == '6' || h[11] == '8') {
        const int first = h[11] == '8' ? 12 : 19;
        std::string key;
        for (int p = first; p <= 29; ++p) append_hex(key, u[p]);
        candidates.push_back(std::string("cipher ") + h[11] + ' ' + key);
    }
    for (const std::string& c : candidates) {
        std::string why;
        auto built = header_from(c, why);
        if (built && *built == h) return c;
    }
    return "hex " + hex_block(u, h.size());
}

std::string label_for(const Program& p, int32_t n) {
    const std::string& text = p.lines[static_cast<size_t>(n)];
    const bool def = !text.empty() && static_cast<uint8_t>(text[0]) == Cmd::DEF;
    std::string name = (def ? "FN" : "L") + std::to_string(n);
    // "@name(" is read as a built-in function first.
    while (find_function(name)) name += '_';
    return name;
}

}  // namespace

bool open_program(const std::vector<uint8_t>& file, ProgramFile& out, std::string& message) {
    out = ProgramFile{};
    size_t consumed = 0;
    const LoadStatus status = parse_program(file.data(), file.size(), out.program, &consumed);
    const std::string where = "line " + std::to_string(out.program.line_count + 1) + " (record at byte " +
                              std::to_string(consumed) + ")";
    switch (status) {
        case LoadStatus::Ok:
            break;
        case LoadStatus::NotTolven:
            message = file.size() < 32 || std::memcmp(file.data() + 1, "ZWM-TOLVEN", 10) != 0
                          ? "not a program file: no ZWM-TOLVEN header"
                          : "not a program file: a mask index byte of the header lies outside 1..11";
            return false;
        case LoadStatus::TooManyLines:
            message = "more than 65535 lines";
            return false;
        case LoadStatus::LineTooLong:
            message = where + " is longer than 32767 bytes";
            return false;
        case LoadStatus::Damaged:
            message = where + " is cut short by the end of the file";
            return false;
    }
    read_header(file.data(), file.size(), out.variant);
    out.header.assign(file.begin(), file.begin() + 32);
    out.trailer.assign(file.begin() + static_cast<std::ptrdiff_t>(consumed), file.end());
    const Program& p = out.program;
    out.has_end_line = p.line_count > 0 && !p.lines.back().empty() && p.lines.back()[0] == '\x02';
    return true;
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
        if (b == 0xFF) {
            if (int32_t n = ref_at(i + 1)) {
                out += "{@" + labels[static_cast<size_t>(n)] + '}';
                i += 3;
            } else {
                out += escape(b);
                raw = 2;
                ++i;
            }
            continue;
        }
        if (was_type && b == 0xFE) {
            if (int32_t n = ref_at(i + 1)) {
                out += "{=" + labels[static_cast<size_t>(n)] + '}';
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

}  // namespace detail

bool disassemble(const std::vector<uint8_t>& file, std::string& out, std::string& message) {
    using namespace detail;
    out.clear();
    ProgramFile pf;
    if (!open_program(file, pf, message)) return false;
    const Program& p = pf.program;

    std::vector<std::string> labels(static_cast<size_t>(p.line_count) + 1);
    for (int32_t n = 1; n <= p.line_count; ++n) labels[static_cast<size_t>(n)] = label_for(p, n);

    std::vector<std::string> texts(static_cast<size_t>(p.line_count) + 1);
    std::vector<bool> targeted(static_cast<size_t>(p.line_count) + 1, false);
    ArgumentUse use;
    for (int32_t n = 1; n <= p.line_count; ++n) {
        const std::string& line = p.lines[static_cast<size_t>(n)];
        std::string& text = texts[static_cast<size_t>(n)];
        if (p.expression_flags[static_cast<size_t>(n)]) text = "~";
        if (line.empty()) {
            text += ".empty";
            continue;
        }
        const uint8_t token = static_cast<uint8_t>(line[0]);
        if (const TokenInfo* t = command_info(token)) text += t->name;
        else text += '#' + std::to_string(token);
        use.targets.clear();
        std::string args = argument_listing(std::string_view(line).substr(1), p.line_count, labels, &use);
        for (int32_t target : use.targets) targeted[static_cast<size_t>(target)] = true;
        if (!args.empty()) text += ' ' + args;
    }

    out = ".header " + header_directive(pf.header) + '\n';
    for (int32_t n = 1; n <= p.line_count; ++n) {
        if (targeted[static_cast<size_t>(n)]) out += labels[static_cast<size_t>(n)] + ":\n";
        out += texts[static_cast<size_t>(n)];
        out += '\n';
    }
    for (size_t k = 0; k < pf.trailer.size(); k += 32)
        out += ".trailer hex " + hex_block(pf.trailer.data() + k, std::min<size_t>(32, pf.trailer.size() - k)) + '\n';
    return true;
}

}  // namespace tolven::listing
