// Programs and argument texts for unit tests, written as listings
// (docs/listing.md) and turned into bytes by the assembler library, so that
// a test names its statements, functions and system variables:
//
//     load_listing("DECLARE a%\nIF 0\nINC a%\nENDIF");
//     eval(listing_args("@MID$(\"abc\",2,1)"));
//
// A listing the assembler refuses fails the calling test with the
// assembler's message.
#pragma once
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/interp.h"
#include "core/loader.h"
#include "tools/tolvasm/listing.h"

namespace tolven::testing {

// The lines of a listing as the loader stores them (token byte first, the
// expression marker moved to the line's flag). Unlike the loader it keeps
// the lines after an END line, so that a test may place procedures there.
inline Program assemble_listing(const std::string& text) {
    Program p;
    std::vector<uint8_t> file;
    listing::AsmError error;
    if (!listing::assemble(text, "test.tvl", file, error)) {
        ADD_FAILURE() << error.format() << "\n" << text;
        return p;
    }
    constexpr size_t kHeaderSize = 32;
    std::vector<uint8_t> part = file;
    for (;;) {
        Program piece;
        size_t consumed = 0;
        if (parse_program(part.data(), part.size(), piece, &consumed) != LoadStatus::Ok) {
            ADD_FAILURE() << "the assembled listing does not load\n" << text;
            return Program{};
        }
        for (int32_t n = 1; n <= piece.line_count; ++n)
            p.add_line(piece.lines[static_cast<size_t>(n)], piece.expression_flags[static_cast<size_t>(n)]);
        if (consumed >= part.size()) return p;
        // Lines after an END line: load the rest again behind the header.
        std::vector<uint8_t> rest(file.begin(), file.begin() + kHeaderSize);
        rest.insert(rest.end(), part.begin() + static_cast<std::ptrdiff_t>(consumed), part.end());
        part = std::move(rest);
    }
}

// Listing lines joined into one listing.
inline std::string listing_of(std::initializer_list<std::string> lines) {
    std::string text;
    for (const std::string& l : lines) text += l + "\n";
    return text;
}

// One program line ("LET a%=1") as stored: its token byte, then the
// argument text.
inline std::string listing_line(const std::string& line) {
    const Program p = assemble_listing(line + "\n");
    if (p.line_count != 1) {
        ADD_FAILURE() << "not one program line: " << line;
        return std::string();
    }
    return p.lines[1];
}

// Argument text written in listing notation ("@LEN(a$),%{MOUSEX}") as
// stored, for tests that hand a text to the argument reader directly.
inline std::string listing_args(const std::string& text) {
    const std::string line = listing_line("REM " + text);
    return line.empty() ? line : line.substr(1);
}

}  // namespace tolven::testing
