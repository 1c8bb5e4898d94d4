// The built-in functions of the values module: arithmetic and tests in
// function form, mathematics, string operations, number and text
// conversions, date and time texts, memory-block reads, drive and system
// queries, input state and colours, and the text scrambling; with the two
// statements that seed the random numbers and set the scrambling key.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "core/registry.h"

// Dependency kept on purpose (values -> screen, data): the input and colour
// family reads the event state and the colour mode of the screen module,
// and the system family the directory search of the file platform and the
// cells of the text screen; the language puts these functions here.
namespace tolven {

// The pure functions (numbers, texts, dates, colours, keys), the scrambling
// key and randomize statements; its reset starts the generator, the key and
// the values the system variables keep afresh.
extern const Module kBuiltinModule;

// The switch function (token 24) takes a keyword first. "RANDSEED" is
// built here; other modules add theirs (e.g. "MESSAGEMODE" with the
// command recording): the handler runs after the keyword and its "," were
// read, reads its own arguments up to ")" and leaves its result. An
// unknown keyword raises runtime error 262 with the keyword.
void add_switch_keyword(std::string_view keyword, void (*handler)());

// ---- shared by the handler files ----

// The raw text of an argument up to `sep` (outside quotes and brackets),
// trimmed and not evaluated; the text and the separator are consumed.
std::string take_raw_argument(char sep);

// The memory-block family and the system family (files, disks, the
// program's parameters).
extern const Module kMemoryModule;
extern const Module kSystemInfoModule;
void reset_directory_search();

}  // namespace tolven
