// The reversible text scrambling with a key (statement token 119 sets the
// key, function token 118 applies it). Applying it twice restores a text.
#pragma once
#include <string>
#include <string_view>

namespace tolven {

constexpr size_t kScrambleKeyLength = 32767;

// The key made from a text: empty for an empty text; otherwise the first
// (length mod 256) bytes are multiplied by 64 (their two low bits become
// the two top bits, the rest zero) and the text is repeated and cut to
// exactly 32767 bytes.
std::string make_scramble_key(std::string_view text);

// For i = 1 .. (length mod 256), byte i keeps its low six bits and its top
// two bits are XORed with the top two bits of key byte 32768 - i (counting
// from the end of the key). A key that is not exactly 32767 bytes long
// (no key set) leaves the text unchanged, as does a length that is a
// multiple of 256.
std::string scramble_text(std::string_view text, std::string_view key);

// The process-wide key the two tokens share; empty until set.
void set_scramble_key(std::string_view text);
std::string scramble_with_current_key(std::string_view text);
void reset_scramble_key();

}  // namespace tolven
