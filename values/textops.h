// Text operations shared by the reader, the loop and statements. All work on
// Latin-1 bytes; none of them allocates.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tolven {

// Index (0-based) of the first `sep` at bracket depth 0 and outside double
// quotes, or npos. "(" and "[" open a level, ")" and "]" close one; "@"
// opens a level and its function token byte is skipped. Two-byte line
// references are skipped: after a byte 0xFF (bare, or as the function token
// after "@") and after the named-constant token 0xFE that follows a type
// character. An unterminated quote ends at the end of the text.
size_t find_separator(std::string_view text, char sep);

// Where the current operand of an argument ends (0-based; text.size() when
// nothing ends it). Quoted parts and line references are skipped as in
// find_separator; "(" and "@" (with its token) open a level that ")"
// closes, "[" and "]" a bracket level; only characters at depth 0 count.
//   expression = true: the delimiters are * - / + \ ^ , ; > < = : and the
//     keyword-operator byte 0x15, plus `sep` unless it is 'p'. An opening
//     "(" or "[" starts a nested part of the operand (a parenthesised
//     expression or an index list), so it never ends the operand.
//   expression = false: the only delimiter is `sep` itself.
size_t find_operand_end(std::string_view text, char sep, bool expression);

// The position of "," or ";" at depth 0, whichever comes first (the
// operand-end scan of a plain line); npos when neither occurs.
size_t find_print_separator(std::string_view text);

// Drops bytes up to blank (0x00-0x20) at both ends.
std::string_view trim(std::string_view text);

// Upper case for names: 0x61-0x7A, 0xE0-0xF6 and 0xF8-0xFE lose 0x20.
inline unsigned char fold_upper(unsigned char c) {
    if ((c >= 0x61 && c <= 0x7A) || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
        return static_cast<unsigned char>(c - 0x20);
    return c;
}
void fold_upper(std::string& text);
std::string folded(std::string_view text);

}  // namespace tolven
