// Numbers written in hexadecimal, octal and binary.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tolven {

struct RadixNumber {
    int32_t value = 0;  // the value read so far (what the conversion gives)
    bool ok = false;    // false: a bad digit, no digits, or too many digits
};

// The runtime's converter for base 2, 8, 10 or 16: blanks before the number
// are skipped, one leading "-" is allowed, then digits below the base (hex
// digits in either case). A character that is not such a digit stops the
// conversion with ok = false and the value read up to it. A value that
// needs more than 32 bits also stops it (ok = false) before the digit that
// would overflow. Eight hex digits reach bit 31: "80000000" is INT32_MIN.
RadixNumber parse_radix(std::string_view text, int base);

// A number written with a type character as the system-variable reader
// accepts it: "$1F" hexadecimal, "&17" octal, "%101" binary. nullopt when
// the text does not convert (the reader raises runtime error 100), and
// always for "!" and any other first character.
std::optional<int32_t> parse_typed_number(std::string_view text);

// The digits of the magnitude in base 2, 8 or 16 (upper case, no leading
// zeros, "0" for zero) with "-" before a negative number: -255 gives "-FF".
// INT32_MIN gives "-80000000".
std::string radix_text(int32_t value, int base);

}  // namespace tolven
