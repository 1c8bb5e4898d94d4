#include "values/functions.h"

#include <string>

#include "core/errors.h"
#include "values/reader.h"
#include "values/textops.h"

namespace tolven {

namespace {

FunctionHandler table[256] = {};
bool handled = false;

// Skips a call's arguments up to and including its ")" so that the text
// after the call is read as the program meant.
void skip_call_arguments() {
    size_t close = find_separator(reader.rest, ')');
    if (close == std::string_view::npos) reader.rest = {};
    else reader.rest.remove_prefix(close + 1);
}

}  // namespace

void set_function_handler(uint8_t token, FunctionHandler handler) { table[token] = handler; }
FunctionHandler function_handler(uint8_t token) { return table[token]; }
void clear_function_handlers() {
    for (auto& h : table) h = nullptr;
}

void mark_function_handled() { handled = true; }
bool function_handled() { return handled; }

bool is_builtin_function_token(uint8_t token) {
    if (token < 24 || token == 255) return false;
    if (token >= 32 && token <= 39) return false;
    return token != 96 && token != 97 && token != 187 && token != 217 && token != 218;
}

void complete_function_slots() {
    if (slots.type != kString) slots.i = slots.l;
    if (slots.type != kFloat && slots.type != kNone) slots.f = static_cast<double>(slots.l);
}

void dispatch_function(uint8_t token) {
    slots.f = 0.0;
    handled = false;
    if (FunctionHandler h = table[token]) {
        h();
        handled = true;
        complete_function_slots();
        return;
    }
    // A built-in whose module is not there yet: unknown. When the error
    // mode lets the program go on, the call gives 0.
    raise_error(101, std::to_string(token));
    skip_call_arguments();
    set_result_long(0);
}

}  // namespace tolven
