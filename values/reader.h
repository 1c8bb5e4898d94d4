// The argument reader: statements and functions read their arguments one at
// a time from the remaining argument text and find the value in the shared
// result slots.
//
// After every argument the slots are consistent: a number also fills the
// string slot (formatted with the width and decimals settings), a float the
// integer and long slots (truncated toward zero, 0 beyond 32 bits), and a
// string the numeric slots with the number its text starts with ("12abc"
// gives 12, "abc" 0).
//
// Lines are plain (an argument is one value) or expression lines (operators
// and parentheses), decided by the line's expression flag or the
// force-expression byte.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace tolven {

struct ParamBlock;

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

// Saves what reading other text (a DEF line, an index list) overwrites, so
// the caller's argument text can be put back afterwards.
struct SavedReader {
    std::string_view rest = reader.rest;
    char separator_found = reader.separator_found;
    bool end_of_args = reader.end_of_args;
    void restore() const {
        reader.rest = rest;
        reader.separator_found = separator_found;
        reader.end_of_args = end_of_args;
    }
};

// Output format settings used whenever a number becomes text.
struct NumberFormat {
    int32_t decimals = 6;  // fixed-point decimals of floats (at most 35)
    int32_t width = 0;     // field width of numbers, right-aligned
};
extern NumberFormat number_format;

// Called by the loop before each statement handler.
inline void begin_arguments(std::string_view text) { reader.rest = text; }

// Reads the next argument up to `separator` in `mode`; the value is left in
// `slots`. Separators: a character such as ',' ')' '=' (the argument ends at
// its first occurrence outside quotes and brackets); ' ' takes the whole
// rest; 'p' takes the text up to the next ',' or ';' and records which one
// (sets end_of_args when the text is used up). Reading with any separator but
// 'p' when no text is left raises runtime error 212.
void read_arg(char separator, int mode);

// Convenience: read an argument and return its integer / long / float /
// string slot.
int32_t read_int(char separator);
int32_t read_long(char separator);
double read_float(char separator);
const std::string& read_string(char separator, int mode = kStringArg);

// Drops the text up to and including the next `separator` (everything when
// it does not occur); runtime error 212 when no text is left.
void skip_argument(char separator);

// Which of ',' and ')' comes first in the remaining text (outside quotes and
// brackets): ',' or ')', or ' ' when neither occurs.
char which_comes_first();

// Evaluates an index or dimension list "i,j,k" (up to three numbers, their
// long slots; absent ones 0) with the reader and leaves the reader's text as
// it was. False when a fourth value raised runtime error 254.
bool read_index_list(std::string_view text, int32_t idx[3]);

// True when the current line is read as an expression line.
bool expression_line();

// ---- result setters for statement and function handlers; each leaves all
// slots consistent ----
void set_result_int(int32_t v);    // type 2
void set_result_long(int32_t v);   // type 3
void set_result_float(double v);   // type 4
void set_result_string(std::string_view v);  // type 1
// Fills the other slots from the slot of slots.type.
void complete_slots();

// ---- number conversions of the reader ----
// The text of an integer / float under the current width and decimals.
void format_integer(int32_t v, std::string& out);
void format_float(double v, std::string& out);

// ---- parameter block copies of the reader levels ----
// Every nesting level of the reader sees its own copy of the parameter
// block, taken from the level that started it; a user-function call fills
// the copy of the level that evaluates the call and evaluates the body with
// it. Copies are made only when a level writes.
const ParamBlock& visible_params();
ParamBlock& writable_params();

// Reads one argument as read_arg does, with `params` as the parameter block
// that this read and everything nested in it see: a user function's body
// runs with the arguments of its call, while the level that made the call
// keeps its own block.
void read_arg_with_params(const ParamBlock& params, char separator, int mode);

// Resets the reader, its settings and its nesting state (program start).
void reset_reader();

}  // namespace tolven
