// `tolvasm info`: what a program file is and what it needs from the runtime.
#include <cstdio>
#include <map>
#include <string>

#include "app/built.h"
#include "core/tokens.h"
#include "core/line_listing.h"
#include "tools/tolvasm/internal.h"
#include "tools/tolvasm/listing.h"
#include "values/textops.h"

namespace tolven::listing {

namespace {

constexpr uint8_t kCase = 129, kCaseNot = 130;

std::string hex2(uint8_t b) {
    char s[8];
    std::snprintf(s, sizeof s, "0x%02X", static_cast<unsigned>(b));
    return s;
}

std::string variant_text(const detail::ProgramFile& pf) {
    const auto& h = pf.header;
    const HeaderVariant& v = pf.variant;
    const char version = h[11];
    const std::string ver = version >= '0' && version <= '9' ? std::string(1, version) : hex2(static_cast<uint8_t>(version));
    std::string kind;
    if (h[20] == ' ' && h[21] == ' ') {
        kind = "plain, version " + ver;
    } else if (version == '8' || version == '6') {
        kind = v.key_length ? "cipher, version " + ver + " (" + std::to_string(v.key_length) + "-byte key)"
                            : "plain, version " + ver + " (cipher key switched off)";
    } else if (version == '7' || version == '5') {
        kind = "computed mask " + hex2(v.line_mask) + ", version " + ver;
    } else {
        kind = "masked " + hex2(v.line_mask) + ", version " + ver;
    }
    return kind + ", " + std::to_string(v.length_width) + "-bit record lengths";
}

// One table of used tokens with their state in the runtime.
void list_tokens(std::string& out, const char* title, const std::map<uint8_t, int>& used,
                 const TokenInfo* (*info)(uint8_t), bool (*built)(uint8_t)) {
    int missing = 0;
    std::string rows;
    for (auto [code, uses] : used) {
        const TokenInfo* t = info(code);
        char row[96];
        std::snprintf(row, sizeof row, "  %s  %-16s %6d", hex2(code).c_str(),
                      t ? t->name : ("#" + std::to_string(code)).c_str(), uses);
        rows += row;
        if (!t) {
            rows += "  no meaning: does nothing";
        } else if (!built(code)) {
            rows += "  not built";
            ++missing;
        }
        rows += '\n';
    }
    out += std::string(title) + ": " + std::to_string(used.size()) + " tokens, " + std::to_string(missing) +
           " not built yet\n" + rows;
}

}  // namespace

bool program_info(const std::vector<uint8_t>& file, std::string& out, std::string& message) {
    detail::ProgramFile pf;
    if (!detail::open_program(file, pf, message)) return false;
    const Program& p = pf.program;

    std::map<uint8_t, int> statements, functions;
    int expression_lines = 0, empty_lines = 0, user_calls = 0;
    const std::vector<std::string> no_labels(static_cast<size_t>(p.line_count) + 1);
    for (int32_t n = 1; n <= p.line_count; ++n) {
        const std::string& line = p.lines[static_cast<size_t>(n)];
        expression_lines += p.expression_flags[static_cast<size_t>(n)];
        if (line.empty()) {
            ++empty_lines;
            continue;
        }
        const uint8_t token = static_cast<uint8_t>(line[0]);
        ++statements[token];
        std::string_view args = std::string_view(line).substr(1);
        ArgumentUse use;
        argument_listing(args, p.line_count, no_labels, &use);
        for (uint8_t f : use.functions) ++functions[f];
        user_calls += use.user_calls;
        // The statement behind a CASE prefix is a token of its own.
        if (token == kCase || token == kCaseNot) {
            const size_t colon = find_separator(args, ':');
            if (colon != std::string_view::npos && colon + 1 < args.size())
                ++statements[static_cast<uint8_t>(args[colon + 1])];
        }
    }

    out = "variant: " + variant_text(pf) + '\n';
    out += "lines: " + std::to_string(p.line_count) + " (" + std::to_string(expression_lines) + " expression, " +
           std::to_string(empty_lines) + " empty)\n";
    out += "end line: " + (pf.has_end_line ? std::to_string(p.line_count) : std::string("none")) + '\n';
    if (!pf.trailer.empty())
        out += "bytes after the end line: " + std::to_string(pf.trailer.size()) + " (not read)\n";
    out += "user-function calls: " + std::to_string(user_calls) + '\n';
    list_tokens(out, "statements", statements, command_info, statement_is_built);
    list_tokens(out, "functions", functions, function_info, function_is_built);
    return true;
}

}  // namespace tolven::listing
