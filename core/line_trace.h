// The line log (TOLVEN_TRACE): one line per program line run, numbered and
// written as `tolvasm dis -n` lists it, so whoever maintains an old program
// can follow where it goes. Complete on disk whichever way the program ends.
#pragma once
#include <string_view>

namespace tolven {

// Starts logging into a new file at `path` (the loaded program's lines);
// false when the file cannot be created.
bool start_line_trace(std::string_view path);

// Logs the current line; the loop calls it only while the log is on.
void log_line();

// Writes what is logged and closes the file (the log ends).
void end_line_trace();

}  // namespace tolven
