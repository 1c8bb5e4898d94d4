// Which statement and function tokens the runtime has code for, so that
// tools can tell what a program would miss without running it.
//
// How a module adds itself: list the tokens it builds in constexpr arrays in
// a portable header of the module (no <windows.h>, also for modules whose
// code lives under win32/), include that header in core/built.cpp and add one
// row to its module table. Change the list in the same commit that registers
// or removes a handler. For portable modules the unit tests compare the list
// with what register_portable_modules() puts into the handler table, so a
// stale list fails there; Win32-only modules are trusted.
#pragma once
#include <cstdint>
#include <span>

namespace tolven {

struct BuiltModule {
    const char* name;
    bool portable;                         // registered by register_portable_modules()
    std::span<const uint8_t> statements;   // command tokens: handlers and inline cases
    std::span<const uint8_t> functions;    // function tokens the dispatcher serves
};

std::span<const BuiltModule> built_modules();

bool statement_is_built(uint8_t token);
bool function_is_built(uint8_t token);

}  // namespace tolven
