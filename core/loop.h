// The interpreter loop and the statement handler table.
#pragma once
#include <cstdint>

#include "core/interp.h"
#include "core/registry.h"

namespace tolven {

// Empties the statement handler table: every handler token of the token
// table says "unknown statement" (102) until a module fills its entry.
void clear_handlers();
void set_handler(uint8_t token, Handler handler);
Handler statement_handler(uint8_t token);

// Runs the loaded program until its end; returns normally at the end or END.
void run_loop();

// Runs the loop, then the orderly shutdown with exit code 0.
[[noreturn]] void run_program();

// Interpreter state of a fresh program: line, flags, control stacks.
void reset_interpreter();

}  // namespace tolven
