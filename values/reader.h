// The argument reader: statements and functions read their arguments one at
// a time from the remaining argument text and find the value in the shared
// result slots.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace tolven {

enum ResultType : int { kNone = 0, kString = 1, kInteger = 2, kLong = 3, kFloat = 4 };

// Argument modes.
enum ArgMode : int { kAny = 0, kStringArg = 1, kNumberArg = 2, kRawString = 9 };

struct ResultSlots {
    std::string s;
    int32_t i = 0;
    int32_t l = 0;
    double f = 0.0;
    int type = kNone;
};
extern ResultSlots slots;

struct ReaderState {
    std::string_view rest;       // unconsumed argument text
    char separator_found = ' ';
    bool end_of_args = false;
    uint8_t force_expression = 0;
};
extern ReaderState reader;

// Called by the loop before each statement handler.
inline void begin_arguments(std::string_view text) { reader.rest = text; }

// Reads the next argument up to `separator` (' ' = whole rest, 'p' = up to
// ',' or ';') in `mode`; the value is left in `slots`.
void read_arg(char separator, int mode);

// Convenience: read an argument and return its integer / long / float /
// string slot.
int32_t read_int(char separator);
int32_t read_long(char separator);
double read_float(char separator);
const std::string& read_string(char separator, int mode = kStringArg);

}  // namespace tolven
