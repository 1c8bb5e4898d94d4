// The one dispatch point for function calls inside argument texts: "@",
// a function token byte, the arguments and ")".
//
// Built-in functions live in a 256-entry table filled at start-up. A
// handler reads its own arguments with the argument reader (each but the
// last up to ",", the last up to ")"; none at all for a function without
// arguments), leaves its value with one of the set_result_* setters and
// returns. Each module lists its handlers in a table (core/registry.h) and
// the composition root installs them. Tokens nobody registered raise
// runtime error 101 "Funktion unbekannt: " with the token number.
#pragma once
#include <cstdint>

#include "core/registry.h"

namespace tolven {

using FunctionHandler = void (*)();

// Installs (or with nullptr removes) the handler of a function token.
void set_function_handler(uint8_t token, FunctionHandler handler);
// The registered handler, nullptr when none.
FunctionHandler function_handler(uint8_t token);
// Empties the whole table (start-up and tests).
void clear_function_handlers();

// The handled flag of the running dispatch: cleared on entry, set when a
// handler has produced its result. The dispatcher sets it itself after a
// registered handler returns, so a handler that gave up early (an error
// under a suppressing error mode) is never mistaken for a user-function
// call; handlers may still call mark_function_handled().
void mark_function_handled();
bool function_handled();

// True for the tokens the function table reserves for built-in handlers
// (24..254 without 32..39, 96, 97, 187, 217 and 218); the others are the
// argument accesses 33, 36, 37, 38 and user-function calls.
bool is_builtin_function_token(uint8_t token);

// Runs the function of `token`. The remaining argument text (reader.rest)
// starts right after the token and holds the function's arguments and its
// closing ")"; the function consumes what it reads and leaves its value in
// the result slots.
void dispatch_function(uint8_t token);

// The argument access functions of user functions, the DLL calls, library
// loading, FREELIBRARY and the procedure call by line reference.
extern const Module kDispatchModule;

// Skips a call's arguments up to and including its ")" (all the text when
// there is none, without an error), so that after a failure that left
// arguments unread the text after the call is read as the program meant.
void skip_call_arguments();

// Completes the result slots after a handler: unless the result is a
// string the integer slot takes the long slot; unless it is a float or no
// result, the float slot takes the long slot as a float.
void complete_function_slots();

}  // namespace tolven
