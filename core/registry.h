// How a module hands its statements and functions to the runtime: as
// constant tables of {token, handler} rows, in the manner of Lua's luaL_Reg
// arrays. A module declares its tables in its header, for example
//
//     inline constexpr StatementEntry kFileStatements[] = {
//         {Cmd::OPEN, open_statement},
//         {Cmd::CLOSE, close_statement},
//     };
//     inline constexpr Module kFileModule{"files", kFileStatements, kFileFunctions};
//
// and the composition root (app/) lists the modules once. The same list
// fills the handler tables at start-up and tells the tools which tokens
// the runtime builds, so the two can never disagree. Tables live in headers
// (not in .cpp files) so that the native tools can read the tokens of the
// Windows-only modules at compile time without linking their handlers.
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
    // Command tokens the loop runs itself on behalf of this module (inline
    // cases of the token table); they count as built.
    std::span<const Cmd> inline_statements = {};
};

}  // namespace tolven
