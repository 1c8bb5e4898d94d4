// Program lines as listings show them: the form tolvasm dis writes and the
// line tracer of the runtime logs, so that a logged line can be found in a
// numbered listing as it stands.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/interp.h"

namespace tolven::listing {

// Two hex digits, upper case.
void append_hex_byte(std::string& out, uint8_t b);

// The invented label of line n: FNn for DEF lines, Ln for others.
std::string line_label(const Program& p, int32_t n);
// The labels of every line; index 0 stays empty.
std::vector<std::string> line_labels(const Program& p);

// What a line's argument text uses, found by the same scan that writes it.
struct ArgumentUse {
    std::vector<uint8_t> functions;  // named function tokens, in order of use
    int user_calls = 0;              // '@' + a token without a handler
    std::vector<int32_t> targets;    // line references that name a line
};

// The argument text in listing form; labels[n] is the label of line n
// (1..line_count), used for line references that name a line.
std::string argument_listing(std::string_view args, int32_t line_count,
                             const std::vector<std::string>& labels, ArgumentUse* use);

// Line n as one listing line: "~" before expression lines, the statement
// name (or #token), a blank and the argument text; ".empty" for an empty
// record.
std::string line_listing(const Program& p, int32_t n, const std::vector<std::string>& labels,
                         ArgumentUse* use = nullptr);

// The same after the line number and a blank: a line of the line trace and
// of a numbered listing.
std::string numbered_line_listing(const Program& p, int32_t n, const std::vector<std::string>& labels,
                                  ArgumentUse* use = nullptr);

}  // namespace tolven::listing
