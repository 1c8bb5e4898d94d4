#include "core/modules.h"

#include <array>

#include "core/control_flow.h"
#include "core/loop.h"
#include "data/dbase_statements.h"
#include "data/file_numbers.h"
#include "values/area.h"
#include "values/builtins.h"
#include "values/functions.h"
#include "values/statements.h"

namespace tolven {

namespace {

// Every HANDLER command of the token table, in table order.
constexpr bool has_handler_INLINE = false;
constexpr bool has_handler_HANDLER = true;

struct CommandKind {
    uint8_t code;
    bool handler;
};
constexpr CommandKind kCommandKinds[] = {
#define TOLVEN_CMD(code, id, name, kind, owner, args, meaning) {code, has_handler_##kind},
#include "core/tokens.def"
};

constexpr size_t handler_count() {
    size_t n = 0;
    for (const CommandKind& c : kCommandKinds) n += c.handler ? 1 : 0;
    return n;
}

constexpr auto kHandlerArray = [] {
    std::array<uint8_t, handler_count()> out{};
    size_t k = 0;
    for (const CommandKind& c : kCommandKinds)
        if (c.handler) out[k++] = c.code;
    return out;
}();

}  // namespace

constinit const std::span<const uint8_t> kHandlerTokens{kHandlerArray};

void register_portable_modules() {
    clear_function_handlers();
    register_core_statements();
    register_value_statements();
    register_area_statements();
    register_function_dispatch();
    register_builtin_functions();
    register_file_statements();
    register_dbase_statements();
}

}  // namespace tolven
