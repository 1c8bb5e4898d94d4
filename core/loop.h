// The interpreter loop and the statement handler table.
#pragma once
#include <cstdint>

#include "core/interp.h"

namespace tolven {

// Clears the handler table, marks every statement token whose module is not
// built yet as "unknown statement" and lets each module register its
// handlers. The platform layer registers its own afterwards.
void install_portable_handlers();
void set_handler(uint8_t token, Handler handler);

// Runs the loaded program until its end; returns normally at the end or END.
void run_loop();

// Runs the loop, then the orderly shutdown with exit code 0.
[[noreturn]] void run_program();

// Resets interpreter state for a fresh program (tests).
void reset_interpreter();

}  // namespace tolven
