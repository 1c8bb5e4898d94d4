// Upper and lower case by the Windows ANSI character set (code page 1252)
// rules, and the ANSI <-> OEM conversion for hosts without the platform's.
//
// Case mapping follows what CharUpperA / CharLowerA do on a Western
// Windows: a-z, the accented letters 0xE0-0xFE (not the division sign
// 0xF7) <-> 0xC0-0xDE (not the multiplication sign 0xD7), and the code page
// 1252 pairs 0x9A/0x8A (s caron), 0x9C/0x8C (oe), 0x9E/0x8E (z caron),
// 0xFF/0x9F (y diaeresis). Letters without a single upper-case partner in
// the code page stay as they are: sharp s 0xDF and micro sign 0xB5.
#pragma once
#include <string>
#include <string_view>

namespace tolven {

unsigned char ansi_upper(unsigned char c);
unsigned char ansi_lower(unsigned char c);
std::string ansi_upper(std::string_view text);
std::string ansi_lower(std::string_view text);

// ANSI (code page 1252) to OEM (code page 850, the German DOS code page)
// and back, byte for byte. Characters the other code page lacks become a
// look-alike (euro "E", typographic quotes and dashes, caron letters, box
// drawing as "|", "-", "+") or "?"; the table engine's conversion uses the
// same tables. Control characters pass unchanged.
std::string ansi_to_oem(std::string_view text);
std::string oem_to_ansi(std::string_view text);

}  // namespace tolven
