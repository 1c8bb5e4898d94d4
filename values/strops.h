// The string functions. Positions are 1-based; texts are Latin-1 bytes.
// Routines that can fail return Checked (see checked.h) with the runtime
// error number the handler raises.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "values/checked.h"

namespace tolven {

constexpr size_t kMaxBuiltText = 32767;  // longest text the builders make

// Token 126: the n-th part of `text` split at `separator`. n < 1 fails with
// 205 "Substring-Nr ist < 1 !". A part beyond the last gives the empty text.
Checked<std::string> nth_part(std::string_view text, int32_t n, std::string_view separator);
// Token 145: one byte with the low eight bits of the code.
std::string char_of(int32_t code);
// Token 147: `count` bytes from `start`; start < 1, start beyond the end or
// count < 1 give the empty text.
std::string mid_text(std::string_view text, int32_t start, int32_t count);
// Token 148: `text` without `count` bytes at `pos`; pos < 1 fails with 204
// "String-Index ist < 1 !" (value: the text unchanged). A position beyond
// the end or count < 1 deletes nothing.
Checked<std::string> delete_text(std::string_view text, int32_t pos, int32_t count);
// Token 149: `insert` placed before position `pos` of `text` (after the end
// when pos is beyond it); pos < 1 fails with 204 (value: the text).
Checked<std::string> insert_text(std::string_view insert, std::string_view text, int32_t pos);
// Token 151: position of the first `part` in `text`; 0 if absent or empty.
int32_t find_text(std::string_view part, std::string_view text);
// Token 152: the first byte's value, 0 for the empty text.
int32_t first_code(std::string_view text);
// Token 153: without leading and trailing blanks and control characters.
std::string trim_text(std::string_view text);
// Token 55: the first n bytes (all for n beyond the length, none for n < 1).
std::string left_text(std::string_view text, int32_t n);
// Token 56: the last n bytes; n < 1 or n beyond the length gives "".
std::string right_text(std::string_view text, int32_t n);
// Token 57: `text` n times, stopping before the result would reach 32768
// bytes (so only whole copies).
std::string repeat_text(std::string_view text, int32_t n);
// Token 58: n blanks, at most 32767; none for n < 1.
std::string blanks(int32_t n);
// Token 98: every `search` replaced by `replacement`, left to right,
// replacements not rescanned. An empty search text replaces nothing.
std::string replace_all(std::string_view text, std::string_view search,
                        std::string_view replacement);

}  // namespace tolven
