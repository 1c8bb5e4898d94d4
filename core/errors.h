// Runtime errors, warnings and notices, raised by number. A runtime error
// normally ends the process; under error mode -1 the raise returns and the
// caller must leave its state consistent and skip the failed operation.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace tolven {

// The table text of a message number (Latin-1), or "UNERWARTETER FEHLER!".
std::string_view message_text(int number);

void raise_error(int number, std::string_view text = {});
void raise_warning(int number, std::string_view text = {});
void raise_notice(int number, std::string_view text = {});

// Shows a loading failure box (caption "T O L V E N ²", error icon) and ends
// the process with the exit code. Used before any line runs.
[[noreturn]] void loading_failure(int number, std::string_view text, int exit_code);

struct ErrorState {
    int32_t error_mode = 1;
    int32_t last_report_kind = 0;  // 0 none, 1 warning or notice, 2 error
    int32_t last_error_number = 0;
    int32_t debug_mode = 0;        // above 0: reports also go to the debugger
};
extern ErrorState errors;

}  // namespace tolven
