// How a module hands its statements and functions to the runtime: as
// constant tables of {token, handler} rows, in the manner of Lua's luaL_Reg
// arrays, gathered in one Module object:
//
//     constexpr StatementEntry kStatements[] = {
//         {Cmd::OPENINPUT, open_input_statement},
//         {Cmd::CLOSE, close_statement},
//     };
//     const Module kFileModule{"files", kStatements, kFunctions, reset_file_numbers};
//
// The composition root (app/modules.cpp) lists the modules once. The same
// list fills the handler tables at start-up, resets the modules in its order
// and tells the tools which tokens the runtime builds, so none of these can
// disagree.
//
// Portable modules define their Module in their .cpp and declare it extern
// in their header. A Windows-only module instead defines its tables and its
// Module `inline constexpr` in a portable header that declares its
// handlers: then the native tools read its tokens at compile time
// (app/built.cpp) without linking the handlers.
#pragma once
#include <span>

#include "core/tokens.h"

namespace tolven {

// A statement or function handler takes no parameters: it reads its
// arguments through the argument reader and leaves results in the slots.
using Handler = void (*)();

struct StatementEntry {
    Cmd token;
    Handler handler;
};

struct FunctionEntry {
    Fn token;
    Handler handler;
};

struct Module {
    const char* name;
    std::span<const StatementEntry> statements;
    std::span<const FunctionEntry> functions;
    // Back to the state a program starts in. Called by reset_runtime() in
    // the order of the module list; registration itself changes no state.
    void (*reset)() = nullptr;
    // Once per process, after every module's handlers are in place: what a
    // module hangs onto shared hooks (shutdown steps, switch keywords).
    void (*start)() = nullptr;
};

}  // namespace tolven
