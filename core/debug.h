// The debug interface: the debug mode a debugger switches, the line it
// reads and the texts its calls get (exported by tolvrun.exe, see
// core/win32/debug_exports.cpp). The mode is 0 when a program starts and
// nothing in the runtime raises it; a debugger that starts the runtime sets
// TOLVEN_DEBUG=<n> to begin in mode n.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace tolven {

// Above 0 the interface answers and errors and warnings also go to the
// debugger output; 2 adds the trace box before every statement.
int32_t debug_mode();
void start_debug_mode(int32_t mode);

// The debugger's switch: takes the new mode only while the mode is above 0;
// returns the mode before the call.
int32_t debug_set_mode(int32_t mode);

// The current line while the mode is above 0, else 0.
int32_t debug_line();

// The variable text of a list of names: each variable found as its name,
// " = ", its value and a CR. It lives with the variables; the composition
// root connects it.
using VariableTextSource = std::string (*)(std::string_view names);
void set_variable_text_source(VariableTextSource source);

// The buffers as the exports hand them out. A counted string is a length
// byte (0 to 255) and the characters; the caller's buffer holds 256 bytes
// and nothing after the characters is written.
constexpr size_t kCountedBuffer = 256;
constexpr size_t kMaxVariableText = 32767;

void debug_file_name_counted(uint8_t* buffer);
void debug_variable_text_counted(uint8_t* buffer, const uint8_t* counted_names);
// "Runtime" while the mode is above 0, else "".
const char* debug_file_name();
// The zero-terminated variable text (cut to 32,767 characters) in a buffer
// of the runtime that stays valid until the next call; nullptr while the
// mode is not above 0.
const char* debug_variable_text(const char* names);

}  // namespace tolven
