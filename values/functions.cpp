#include "values/functions.h"

#include <cstdio>
#include <string>
#include <vector>

#include "core/bytes.h"
#include "core/control_flow.h"
#include "core/errors.h"
#include "core/host.h"
#include "core/interp.h"
#include "core/loop.h"
#include "values/dll.h"
#include "values/reader.h"
#include "values/store.h"
#include "values/sysvars.h"
#include "values/textops.h"

namespace tolven {

void skip_call_arguments() {
    size_t close = find_separator(reader.rest, ')');
    if (close == std::string_view::npos) reader.rest = {};
    else reader.rest.remove_prefix(close + 1);
}

namespace {

constexpr int kMaxParams = 15;

FunctionHandler table[256] = {};
bool handled = false;
uint32_t loaded_library = 0;  // the last module loaded by function 128

// An unknown function: when the error mode lets the program go on, the
// call's arguments are skipped and the call gives 0.
void unknown_function(uint8_t token) {
    raise_error(101, std::to_string(token));
    skip_call_arguments();
    set_result_long(0);
}

// One argument's values as a parameter slot holds them.
struct ArgValue {
    std::string s;
    int32_t i = 0, l = 0;
    double f = 0.0;
};

void put_param(ParamBlock& block, int n, const ArgValue& v) {
    block.s[n] = v.s;
    block.i[n] = v.i;
    block.l[n] = v.l;
    block.f[n] = v.f;
}

// ---- argument access (tokens 33, 36, 37, 38) ----

template <char Kind>
void argument_access() {
    read_arg(')', kNumberArg);
    const int32_t n = slots.l;
    if (n < 0 || n > kMaxParams) {
        raise_error(211);
        if (Kind == kStringKind) set_result_string({});
        else set_result_long(0);
        return;
    }
    const ParamBlock& p = visible_params();
    switch (Kind) {
        case kStringKind: set_result_string(p.s[n]); break;
        case kIntegerKind: set_result_int(p.i[n]); break;
        case kLongKind: set_result_long(p.l[n]); break;
        default: set_result_float(p.f[n]); break;
    }
}

// ---- DLL calls ----

// Calls `address` with the collected values, or shows the box for more
// than 15 of them and gives 0 without calling.
int32_t call_with(uint32_t address, const std::vector<int32_t>& args, std::string_view what) {
    if (args.size() > static_cast<size_t>(dll::kMaxArguments)) {
        host().message_box("Mehr als 15 Parameter!", "Fehler", mb::kOk | mb::kIconInformation, true);
        return 0;
    }
    return dll::call(address, args.data(), static_cast<int>(args.size()), what);
}

// Reads the numbers of a DLL call up to the call's ")": before each one,
// whichever of "," and ")" comes first tells whether another follows.
// `more` says whether the argument just read ended with a comma.
void collect_numbers(bool more, std::vector<int32_t>& out) {
    while (more && !reader.rest.empty()) {
        const size_t before = reader.rest.size();
        more = which_comes_first() == ',';
        read_arg(more ? ',' : ')', kNumberArg);
        out.push_back(slots.l);
        if (more && reader.rest.size() == before) {
            // Text no read can take (damaged program): give up on the rest
            // of the call instead of reading the same place forever.
            skip_call_arguments();
            break;
        }
    }
}

// Reads one argument that may be the call's last.
bool read_maybe_last(int mode) {
    const bool more = which_comes_first() == ',';
    read_arg(more ? ',' : ')', mode);
    return more;
}

void set_dll_result(int32_t r) { set_result_int(r); }

// Token 44: DLL name, function name, 0..15 numbers.
void function_call_dll() {
    read_arg(',', kRawString);
    const std::string dll_name = slots.s;
    const bool more = read_maybe_last(kStringArg);
    const std::string function = slots.s;
    const uint32_t module = dll::load(dll_name);
    if (!module) {
        raise_error(247, dll_name);
        if (more) skip_call_arguments();
        set_dll_result(0);
        return;
    }
    const uint32_t address = dll::proc_address(module, function);
    if (!address) {
        raise_error(248, function);
        dll::free(module);
        if (more) skip_call_arguments();
        set_dll_result(0);
        return;
    }
    std::vector<int32_t> args;
    collect_numbers(more, args);
    const int32_t r = call_with(address, args, function);
    dll::free(module);
    set_dll_result(r);
}

// Token 43: a code address and 0..15 numbers; nothing is loaded or freed.
void function_call_address() {
    const bool more = read_maybe_last(kNumberArg);
    const auto address = static_cast<uint32_t>(slots.l);
    std::vector<int32_t> args;
    collect_numbers(more, args);
    char what[24];
    std::snprintf(what, sizeof what, "@%08X", address);
    if (address == 0) {
        // Nothing can run at address 0: the call would fault.
        raise_error(207, what);
        set_dll_result(0);
        return;
    }
    set_dll_result(call_with(address, args, what));
}

// Token 128: loads a DLL and keeps its handle; an empty name keeps the old.
void function_load_library() {
    read_arg(')', kRawString);
    if (!slots.s.empty()) loaded_library = dll::load(slots.s);
    set_result_int(static_cast<int32_t>(loaded_library));
}

// Statement 69.
void statement_free_library() {
    read_arg(' ', kNumberArg);
    dll::free(static_cast<uint32_t>(slots.l));
}

// Restores the force-expression byte when a call ends, also when a
// runtime error ends the process by unwinding. Restoring rather than
// clearing keeps an outer call's mode for the rest of its body.
struct ForceExpression {
    uint8_t saved = reader.force_expression;
    ~ForceExpression() { reader.force_expression = saved; }
};

// ---- the procedure call by line reference (statement 255) ----

// "<line>arg,arg,...": the arguments fill slots 1..n of the parameter
// block, the call is pushed on the call stack shared with GOSUB, and the
// program goes on after the target line (normally the PROC header). The
// arguments are expressions whatever the call line's flag says, and the
// target line's expression flag is set as well.
void statement_call() {
    std::string_view& r = reader.rest;
    const int32_t target =
        r.size() < 2 ? 0 : le16(r.data());
    if (target < 1 || target > program.line_count) {
        raise_error(113, std::to_string(target));
        return;
    }
    r.remove_prefix(2);
    ArgValue values[kMaxParams];
    int count = 0;
    ForceExpression force;
    reader.force_expression = 1;
    while (!r.empty()) {
        if (count == kMaxParams) {
            raise_error(211);
            return;
        }
        const size_t before = r.size();
        read_arg(',', kAny);
        values[count++] = ArgValue{slots.s, slots.i, slots.l, slots.f};
        if (r.size() == before) break;
    }
    ParamBlock& params = parameter_block();
    for (int k = 0; k < count; ++k) put_param(params, k + 1, values[k]);
    call_argument_count = count;
    if (!push_call()) return;
    program.expression_flags[static_cast<size_t>(target)] = 1;
    interp.current_line = target;
}

// ---- user functions ----

// A DEF body "!dll,function": the DLL function called with the long slots
// of the arguments. The result type stays string (the function name was
// read last); the numbers and the decimal text carry the value.
void call_bound_function(std::string_view body, const ParamBlock& params, int count) {
    SavedReader caller;
    reader.rest = body.substr(1);
    read_arg(',', kRawString);
    const std::string dll_name = slots.s;
    read_arg(',', kStringArg);
    const std::string function = slots.s;
    caller.restore();
    int32_t args[kMaxParams];
    for (int k = 0; k < count; ++k) args[k] = params.l[k + 1];
    bool called = false;
    const int32_t r = dll::call_named(dll_name, function, args, count, called);
    slots.l = slots.i = r;
    slots.f = r;
    format_integer(r, slots.s);
    slots.type = kString;
}

void user_function(uint8_t token) {
    std::string_view& r = reader.rest;
    if (r.size() < 2) {
        unknown_function(token);
        return;
    }
    const int32_t line = le16(r.data());
    r.remove_prefix(2);
    if (line_token(line) != Cmd::DEF) {
        unknown_function(token);
        return;
    }
    ForceExpression force;
    reader.force_expression = program.expression_flags[static_cast<size_t>(line)];

    // The DEF line: token, four bytes nobody reads, "count)body".
    const std::string_view def = line_text(line);
    SavedReader caller;
    reader.rest = def.size() > 5 ? def.substr(5) : std::string_view{};
    slots.l = 0;  // a DEF line without a count (error 212) has none
    read_arg(')', kNumberArg);
    const int32_t count = slots.l;
    const std::string_view body = reader.rest;
    caller.restore();
    if (count < 0 || count > kMaxParams) {
        raise_error(211);
        skip_call_arguments();
        set_result_long(0);
        return;
    }

    // All arguments are evaluated before any slot changes, so an argument
    // that reads an argument of the running function sees that function's
    // value, not one of this call's.
    ArgValue values[kMaxParams];
    for (int k = 0; k < count; ++k) {
        read_arg(k + 1 < count ? ',' : ')', kAny);
        values[k] = ArgValue{slots.s, slots.i, slots.l, slots.f};
    }
    ParamBlock params = visible_params();
    for (int k = 0; k < count; ++k) put_param(params, k + 1, values[k]);

    if (body.empty()) return;  // the result is the last argument read
    if (body[0] == '!') {
        call_bound_function(body, params, count);
        return;
    }
    if (body[0] == '*') {
        raise_error(134);
        set_result_long(0);
        return;
    }
    SavedReader after_call;
    reader.rest = body;
    read_arg_with_params(params, ' ', kAny);
    after_call.restore();
}

}  // namespace

void set_function_handler(uint8_t token, FunctionHandler handler) { table[token] = handler; }
FunctionHandler function_handler(uint8_t token) { return table[token]; }
void clear_function_handlers() {
    for (auto& h : table) h = nullptr;
    loaded_library = 0;
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
    if (is_builtin_function_token(token)) {
        unknown_function(token);
        return;
    }
    user_function(token);
    handled = true;
}

namespace {

constexpr StatementEntry kStatements[] = {
    {Cmd::FREELIBRARY, statement_free_library},
    {Cmd::CALL, statement_call},
};

constexpr FunctionEntry kFunctions[] = {
    {Fn::ARG_F, argument_access<kFloatKind>},
    {Fn::ARG_S, argument_access<kStringKind>},
    {Fn::ARG_I, argument_access<kIntegerKind>},
    {Fn::ARG_L, argument_access<kLongKind>},
    {Fn::CALLADDRESS, function_call_address},
    {Fn::CALLDLL, function_call_dll},
    {Fn::LOADLIBRARY, function_load_library},
};

}  // namespace

const Module kDispatchModule{"dispatch", kStatements, kFunctions};

}  // namespace tolven
