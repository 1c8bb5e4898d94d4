// Listings: the readable form of program files.
//
//   ; text                 a comment (only at the start of a line)
//   .header plain 7        header variant (plain 5-8, masked HH, computed 5|7 HH,
//                          cipher 6|8 [HEX of the free key bytes], hex <64 hex digits>)
//   name:                  a label naming the next program line
//   PRINT text             one line: statement name (or #n) and the argument text
//   ~LET a%=b%+1           '~' marks an expression line (0x15 marker)
//   .empty / ~.empty       an empty record / a record holding only the marker
//   .trailer hex HH ...    bytes after the END line that the loader never reads
//
// In the argument text:
//   @NAME(                 '@' + function token; the '(' is not stored
//   @label(                '@' + user-function call 0xFF + line reference
//   @{xHH}                 '@' + any token byte
//   {NAME}                 system-variable token byte (after $ % & !)
//   {@label} {=label} {:label}   0xFF / 0xFE + line reference, or the bare reference
//   {xHH}                  any byte; {{ is a literal '{'
//   '@' outside double quotes always starts a call; a lone '@' there is {x40}
// Listings are UTF-8; characters up to U+00FF become single Latin-1 bytes.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace tolven::listing {

struct AsmError {
    std::string file;
    int line = 0, column = 0;
    std::string message;
    std::string format() const;
};

// Assembles a listing into program-file bytes. Returns false and fills
// `error` on the first error.
bool assemble(const std::string& text, const std::string& file_name, std::vector<uint8_t>& out,
              AsmError& error);

// Turns program-file bytes into a listing that assembles back to the same
// bytes. Returns false with a message when the file is not a program file.
// numbered: each program line starts with its line number and a blank, as
// the runtime's line trace (TOLVEN_TRACE) writes it; such a listing is for
// reading beside a trace and does not assemble.
bool disassemble(const std::vector<uint8_t>& file, std::string& out, std::string& message,
                 bool numbered = false);

// Describes a program file: variant, lines, end line, the tokens it uses and
// which of them the runtime does not build yet. False with a message when
// the file does not load.
bool program_info(const std::vector<uint8_t>& file, std::string& out, std::string& message);

}  // namespace tolven::listing
