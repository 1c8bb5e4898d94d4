#include "core/built.h"

#include <array>

#include "data/built_dbase.h"
#include "data/built_files.h"
#include "screen/built_screen.h"
#include "values/built_builtins.h"
#include "values/built_values.h"

namespace tolven {

namespace {

// The loop itself: END, comments, evaluate-only lines, the CASE prefixes,
// DEF and the other lines that do nothing when reached, and the core
// handlers of the statement table, and the block statements.
constexpr uint8_t kCoreStatements[] = {2,   39,  51,  59,  60,  64,  90,  129, 130, 131, 132, 133,
                                       134, 135, 136, 137, 138, 139, 140, 141, 142, 143, 191, 239,
                                       243, 254};

constexpr BuiltModule kModules[] = {
    {"core", true, kCoreStatements, {}},
    {"values", true, kValueStatements, kValueFunctions},
    {"builtins", true, kBuiltinStatements, kBuiltinFunctions},
    {"areas", true, kAreaStatements, {}},
    {"dispatch", true, kDispatchStatements, kDispatchFunctions},
    {"files", true, kFileStatements, kFileFunctions},
    {"dbase", true, kDbaseStatements, kDbaseFunctions},
    {"screen", false, kScreenStatements, kScreenFunctions},
};

struct Table {
    std::array<bool, 256> statement{}, function{};
    constexpr Table() {
        for (const BuiltModule& m : kModules) {
            for (uint8_t t : m.statements) statement[t] = true;
            for (uint8_t t : m.functions) function[t] = true;
        }
    }
};
constexpr Table kBuilt;

}  // namespace

std::span<const BuiltModule> built_modules() { return kModules; }
bool statement_is_built(uint8_t token) { return kBuilt.statement[token]; }
bool function_is_built(uint8_t token) { return kBuilt.function[token]; }

}  // namespace tolven
