#include <cctype>
#include <cstring>
#include <map>
#include <optional>
#include <sstream>

#include "core/cipher.h"
#include "core/loader.h"
#include "core/tokens.h"
#include "tools/tolvasm/internal.h"
#include "tools/tolvasm/listing.h"

using namespace std::string_literals;

namespace tolven::listing {

std::string AsmError::format() const {
    std::ostringstream s;
    s << file << ':' << line << ':' << column << ": " << message;
    return s.str();
}

namespace {

struct Fail {
    int column;
    std::string message;
};

// One program line before labels are resolved.
struct PendingLine {
    int listing_line;
    bool expression;
    std::string bytes;                           // token + argument text
    std::vector<std::pair<size_t, std::string>> refs;  // position of a 2-byte ref -> label
    std::vector<int> ref_columns;
    std::vector<bool> ref_is_call;  // written as @name( : may be a misspelt function
};

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool is_label_char(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '$' ||
           c == '%' || c == '&' || c == '!' || c == '#';
}

// Decodes UTF-8 to Latin-1 bytes; characters above U+00FF are an error,
// reported at their column (counted in characters, like every column).
std::string to_latin1(const std::string& s, int& bad_column) {
    std::string out;
    bad_column = 0;
    for (size_t k = 0; k < s.size(); ++k) {
        unsigned char c = static_cast<unsigned char>(s[k]);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if ((c & 0xE0) == 0xC0 && k + 1 < s.size() &&
                   (static_cast<unsigned char>(s[k + 1]) & 0xC0) == 0x80) {
            unsigned cp = (c & 0x1Fu) << 6 | (static_cast<unsigned char>(s[k + 1]) & 0x3Fu);
            if (cp > 0xFF || cp < 0x80) { bad_column = static_cast<int>(out.size()) + 1; return out; }
            out += static_cast<char>(cp);
            ++k;
        } else {
            bad_column = static_cast<int>(out.size()) + 1;
            return out;
        }
    }
    return out;
}

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

namespace detail {

bool parse_hex_bytes(const std::string& text, std::string& out) {
    std::string digits;
    for (char c : text)
        if (!std::isspace(static_cast<unsigned char>(c))) digits += c;
    if (digits.size() % 2) return false;
    for (size_t k = 0; k < digits.size(); k += 2) {
        int hi = hex_value(digits[k]), lo = hex_value(digits[k + 1]);
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi << 4 | lo);
    }
    return true;
}

std::string plain_header(char version) {
    std::string h = " ZWM-TOLVEN";
    h += version;
    h += " DATEI\x1A";
    h.append(31 - h.size(), ' ');
    h += '\0';
    return h;
}

// Builds the 32 header bytes from a .header directive.
std::optional<std::string> header_from(const std::string& args, std::string& why) {
    std::istringstream in(args);
    std::string kind;
    in >> kind;
    kind = upper(kind);
    std::string rest;
    std::getline(in, rest);
    std::istringstream r(rest);
    if (kind == "PLAIN") {
        std::string v;
        r >> v;
        if (v.size() != 1 || v[0] < '5' || v[0] > '8') { why = "plain takes a version 5 to 8"; return std::nullopt; }
        return plain_header(v[0]);
    }
    if (kind == "MASKED" || kind == "COMPUTED") {
        std::string v, mask;
        if (kind == "COMPUTED") {
            r >> v;
            if (v != "5" && v != "7") { why = "computed takes version 5 or 7"; return std::nullopt; }
        } else {
            v = "9";
        }
        r >> mask;
        std::string m;
        if (!parse_hex_bytes(mask, m) || m.size() != 1) { why = "expected a mask byte as two hex digits"; return std::nullopt; }
        std::string h = plain_header(v[0]);
        h[20] = m[0];
        h[21] = '\0';  // positions 20-21 must not both be blanks
        if (kind == "COMPUTED") h[26] = h[27] = h[28] = h[29] = 1;  // every index selects position 20
        return h;
    }
    if (kind == "CIPHER") {
        std::string v, hex;
        r >> v >> hex;
        if (v != "6" && v != "8") { why = "cipher takes version 6 or 8"; return std::nullopt; }
        std::string h = plain_header(v[0]);
        std::string key;
        if (!hex.empty() && !parse_hex_bytes(hex, key)) { why = "bad hex key bytes"; return std::nullopt; }
        // Free key positions: 12-29 (version 8, key 9-29) or 19-29 (version 6).
        int first = v == "8" ? 12 : 19;
        const char* fallback = "TOLVEN-KEY-2026-LINES";
        for (int p = first, k = 0; p <= 29; ++p, ++k)
            h[p] = k < static_cast<int>(key.size()) ? key[k] : fallback[k % 21];
        if (h[19] == 0) h[19] = 'K';
        if (h[20] == ' ' && h[21] == ' ') h[21] = '-';
        return h;
    }
    if (kind == "HEX") {
        std::string h;
        if (!parse_hex_bytes(rest, h) || h.size() != 32) { why = "hex takes exactly 32 bytes"; return std::nullopt; }
        return h;
    }
    why = "unknown header kind '" + kind + "'";
    return std::nullopt;
}

}  // namespace detail

namespace {

using detail::parse_hex_bytes;
using detail::plain_header;

// Reads a name up to '}' starting at k; returns the name and moves k past '}'.
bool take_braced(const std::string& s, size_t& k, std::string& inner) {
    size_t close = s.find('}', k);
    if (close == std::string::npos) return false;
    inner = s.substr(k, close - k);
    k = close + 1;
    return true;
}

void encode_args(const std::string& s, PendingLine& line, size_t column_base) {
    std::string& out = line.bytes;
    bool in_quotes = false;
    for (size_t k = 0; k < s.size();) {
        const char c = s[k];
        const int col = static_cast<int>(column_base + k);
        if (c == '"') {
            in_quotes = !in_quotes;
            out += c;
            ++k;
            continue;
        }
        if (c == '{') {
            if (k + 1 < s.size() && s[k + 1] == '{') {
                out += '{';
                k += 2;
                continue;
            }
            ++k;
            std::string inner;
            if (!take_braced(s, k, inner)) throw Fail{col, "unclosed '{'"};
            if (inner.size() == 3 && (inner[0] == 'x' || inner[0] == 'X') && hex_value(inner[1]) >= 0 &&
                hex_value(inner[2]) >= 0) {
                out += static_cast<char>(hex_value(inner[1]) << 4 | hex_value(inner[2]));
            } else if (!inner.empty() && (inner[0] == '@' || inner[0] == '=' || inner[0] == ':')) {
                if (inner[0] == '@') out += '\xFF';
                if (inner[0] == '=') out += '\xFE';
                line.refs.emplace_back(out.size(), upper(inner.substr(1)));
                line.ref_columns.push_back(col);
                line.ref_is_call.push_back(false);
                out += "\0\0"s;
            } else if (const TokenInfo* t = find_sysvar(inner)) {
                out += static_cast<char>(t->code);
            } else {
                throw Fail{col, "unknown system variable or escape '{" + inner + "}'"};
            }
            continue;
        }
        if (c == '@' && !in_quotes) {
            out += '@';
            ++k;
            if (k < s.size() && s[k] == '{') {
                ++k;
                std::string inner;
                if (!take_braced(s, k, inner) || inner.size() != 3 || (inner[0] != 'x' && inner[0] != 'X') ||
                    hex_value(inner[1]) < 0 || hex_value(inner[2]) < 0)
                    throw Fail{col, "expected @{xHH}"};
                out += static_cast<char>(hex_value(inner[1]) << 4 | hex_value(inner[2]));
                continue;
            }
            size_t open = s.find('(', k);
            if (open == std::string::npos) throw Fail{col, "function call without '('"};
            std::string name = s.substr(k, open - k);
            k = open + 1;
            if (const TokenInfo* f = find_function(name)) {
                out += static_cast<char>(f->code);
            } else {
                for (char ch : name)
                    if (!is_label_char(ch)) throw Fail{col, "unknown function '" + name + "'"};
                out += '\xFF';
                line.refs.emplace_back(out.size(), upper(name));
                line.ref_columns.push_back(col);
                line.ref_is_call.push_back(true);
                out += "\0\0"s;
            }
            continue;
        }
        out += c;
        ++k;
    }
}

}  // namespace

bool assemble(const std::string& text, const std::string& file_name, std::vector<uint8_t>& out,
              AsmError& error) {
    using namespace std::string_literals;
    error = AsmError{file_name, 0, 0, {}};
    std::string header = plain_header('7');
    bool header_seen = false;
    std::map<std::string, int> labels;  // upper-case name -> program line number
    std::vector<PendingLine> lines;
    std::string trailer;  // bytes after the end line, kept as they are
    bool trailer_seen = false;

    std::istringstream in(text);
    std::string raw;
    int number = 0;
    try {
        while (std::getline(in, raw)) {
            ++number;
            error.line = number;
            if (!raw.empty() && raw.back() == '\r') raw.pop_back();
            if (number == 1 && raw.rfind("\xEF\xBB\xBF", 0) == 0) raw.erase(0, 3);  // editors' BOM
            int bad = 0;
            std::string l = to_latin1(raw, bad);
            if (bad) throw Fail{bad, "character outside Latin-1"};
            if (l.empty() || l[0] == ';') continue;
            if (l.find_first_not_of(" \t") == std::string::npos) continue;
            if (l.rfind(".header", 0) == 0) {
                if (header_seen) throw Fail{1, "second .header"};
                if (!lines.empty()) throw Fail{1, ".header must come before the first line"};
                std::string why;
                auto h = detail::header_from(l.substr(7), why);
                if (!h) throw Fail{9, why};
                header = *h;
                header_seen = true;
                continue;
            }
            if (l.rfind(".trailer", 0) == 0) {
                std::istringstream r(l.substr(8));
                std::string kind, rest;
                r >> kind;
                std::getline(r, rest);
                std::string bytes;
                if (upper(kind) != "HEX" || !parse_hex_bytes(rest, bytes))
                    throw Fail{10, "expected .trailer hex followed by hex bytes"};
                // The loader stops only at an end line; after any other line
                // these bytes would be read as more lines.
                if (lines.empty() || lines.back().bytes.empty() || lines.back().bytes[0] != '\x02')
                    throw Fail{1, ".trailer must follow an END line"};
                trailer += bytes;
                trailer_seen = true;
                continue;
            }
            if (trailer_seen) throw Fail{1, "nothing but .trailer may follow a .trailer"};
            // A label: name followed by ':' and nothing else.
            if (l.back() == ':' && l.find(' ') == std::string::npos && l.size() > 1) {
                std::string name = upper(l.substr(0, l.size() - 1));
                bool ok = true;
                for (char ch : name) ok = ok && is_label_char(ch);
                if (ok) {
                    if (labels.count(name)) throw Fail{1, "label '" + name + "' defined twice"};
                    labels[name] = static_cast<int>(lines.size()) + 1;
                    continue;
                }
            }
            PendingLine line{number, false, {}, {}, {}, {}};
            size_t k = 0;
            if (l[0] == '~') {
                line.expression = true;
                k = 1;
            }
            size_t space = l.find(' ', k);
            std::string name = l.substr(k, space == std::string::npos ? std::string::npos : space - k);
            std::string args = space == std::string::npos ? std::string() : l.substr(space + 1);
            if (name == ".empty") {
                if (!args.empty()) throw Fail{static_cast<int>(space) + 2, ".empty takes nothing"};
            } else if (name.size() > 1 && name[0] == '#') {
                char* end = nullptr;
                long v = std::strtol(name.c_str() + 1, &end, 10);
                if (*end || v < 0 || v > 255) throw Fail{static_cast<int>(k) + 1, "bad token number '" + name + "'"};
                line.bytes += static_cast<char>(v);
                encode_args(args, line, space + 2);
            } else if (const TokenInfo* t = find_command(name)) {
                line.bytes += static_cast<char>(t->code);
                encode_args(args, line, space + 2);
            } else {
                throw Fail{static_cast<int>(k) + 1, "unknown statement '" + name + "'"};
            }
            lines.push_back(std::move(line));
            if (lines.size() > 65535) throw Fail{1, "more than 65535 lines"};
        }
        // Resolve references.
        for (auto& line : lines) {
            error.line = line.listing_line;
            for (size_t r = 0; r < line.refs.size(); ++r) {
                auto it = labels.find(line.refs[r].second);
                if (it == labels.end())
                    throw Fail{line.ref_columns[r], (line.ref_is_call[r] ? "unknown function or label '"
                                                                         : "unknown label '") +
                                                        line.refs[r].second + "'"};
                if (it->second > static_cast<int>(lines.size()))
                    throw Fail{line.ref_columns[r],
                               "label '" + line.refs[r].second + "' is not followed by a program line"};
                line.bytes[line.refs[r].first] = static_cast<char>(it->second & 0xFF);
                line.bytes[line.refs[r].first + 1] = static_cast<char>(it->second >> 8);
            }
        }
    } catch (const Fail& f) {
        error.column = f.column;
        error.message = f.message;
        return false;
    }

    HeaderVariant v;
    if (read_header(reinterpret_cast<const uint8_t*>(header.data()), header.size(), v) != LoadStatus::Ok) {
        error.line = 0;
        error.message = "the header does not load (bad mask index bytes?)";
        return false;
    }
    LineCipher cipher;
    if (v.key_length) cipher_init(cipher, v.key, v.key_length, v.key);
    out.assign(header.begin(), header.end());
    for (auto& line : lines) {
        std::string rec = line.expression ? "\x15"s + line.bytes : line.bytes;
        const size_t limit = v.length_width == 16 ? 32767 : 255;
        if (rec.size() > limit) {
            error.line = line.listing_line;
            error.column = 1;
            error.message = "line longer than " + std::to_string(limit) + " bytes";
            out.clear();
            if (v.key_length) cipher_wipe(cipher);
            return false;
        }
        auto* b = reinterpret_cast<uint8_t*>(rec.data());
        if (v.key_length) cipher_encipher(cipher, b, b, rec.size());
        if (v.line_mask)
            for (auto& ch : rec) ch = static_cast<char>(static_cast<uint8_t>(ch) ^ v.line_mask);
        out.push_back(static_cast<uint8_t>(rec.size() & 0xFF));
        if (v.length_width == 16) out.push_back(static_cast<uint8_t>(rec.size() >> 8));
        out.insert(out.end(), rec.begin(), rec.end());
    }
    if (v.key_length) cipher_wipe(cipher);
    out.insert(out.end(), trailer.begin(), trailer.end());
    return true;
}

}  // namespace tolven::listing
