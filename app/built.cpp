#include "app/built.h"

#include <array>

#include "app/modules.h"
#include "app/win32_modules.h"

namespace tolven {

namespace {

struct Built {
    std::array<bool, 256> statement{}, function{};
    constexpr void add(const Module& m) {
        for (const StatementEntry& e : m.statements) statement[code_of(e.token)] = true;
        for (const FunctionEntry& e : m.functions) function[code_of(e.token)] = true;
    }
};

// Computed by the compiler: reading the Windows-only tables here takes no
// address of their handlers, so the native tools link without them.
consteval Built windows_only() {
    Built b;
    for (const Module* m : kWin32Modules) b.add(*m);
    return b;
}
constexpr Built kWindowsOnly = windows_only();

const Built& all() {
    static const Built built = [] {
        Built b = kWindowsOnly;
        for (const TokenInfo& t : all_commands())
            if (t.kind == TokenKind::Inline) b.statement[t.code] = true;
        for (const TokenInfo& t : all_functions())
            if (t.kind == TokenKind::Argument) b.function[t.code] = true;
        for (const Module* m : portable_modules()) b.add(*m);
        return b;
    }();
    return built;
}

}  // namespace

bool statement_is_built(uint8_t token) { return all().statement[token]; }
bool function_is_built(uint8_t token) { return all().function[token]; }

}  // namespace tolven
