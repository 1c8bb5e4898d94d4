// Pieces shared by the assembler, the disassembler and the info command.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/interp.h"
#include "core/loader.h"

namespace tolven::listing::detail {

// The 32 header bytes the assembler writes for ".header plain <version>".
std::string plain_header(char version);

// The 32 header bytes for the arguments of a .header directive (everything
// after ".header"); nullopt with a reason when they make no header.
std::optional<std::string> header_from(const std::string& args, std::string& why);

// Parses hex digits (blanks allowed between them) into bytes.
bool parse_hex_bytes(const std::string& text, std::string& out);

// A program file split into what the loader sees and what it leaves alone.
struct ProgramFile {
    std::string header;            // the 32 header bytes as stored
    HeaderVariant variant;
    Program program;               // lines as the loader stores them
    std::vector<uint8_t> trailer;  // bytes after the end line, never read
    bool has_end_line = false;
};

// Loads like the runtime does; false with a message saying what and where
// when the loader would refuse the file.
bool open_program(const std::vector<uint8_t>& file, ProgramFile& out, std::string& message);

}  // namespace tolven::listing::detail
