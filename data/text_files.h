// Text output and input on file numbers, as PRINT #n and INPUT #n use them.
// Failures never raise: they leave the pending I/O error of the file module
// for the program to read.
#pragma once
#include <string>
#include <string_view>

namespace tolven {

// Writes text to the text file open under file number n (1..15).
void file_write_text(int n, std::string_view text);

// Reads one line (up to CR LF, LF or the end; the line end is consumed) from
// the text file open under n. Returns false, with the line empty, when
// nothing could be read.
bool file_read_line(int n, std::string& line);

// INPUT #n into a number variable: leaves I/O error 106 (invalid numeric
// format) pending when the line, blanks at both ends aside, is neither empty
// nor wholly a decimal number: an integer that fits in 32 bits, or with
// `fraction` a float with point and exponent. The variable still gets the
// number the line starts with.
void file_check_number(std::string_view line, bool fraction);

}  // namespace tolven
