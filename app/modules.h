// The composition root's list of modules: the one place that ties the
// statement, function and reset tables of every module to the runtime.
//
// Where a handler is found: the token's name in core/tokens.def, then the
// module table that names it (grep "Cmd::PRINT," or "Fn::MID_S,").
#pragma once
#include <span>

#include "core/registry.h"

namespace tolven {

// The portable modules, in reset order (see modules.cpp).
std::span<const Module* const> portable_modules();

// Fills the statement and function tables from the modules' tables and
// runs their start hooks.
void install_modules(std::span<const Module* const> modules);

// Empties both handler tables, then installs the portable modules (the
// native tests and tools; the Windows runtime adds its own modules).
void install_portable_modules();

// Every installed module back to the state a program starts in, in the
// order of the module lists.
void reset_runtime();

}  // namespace tolven
