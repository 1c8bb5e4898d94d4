#include "values/statements.h"

#include <cstring>
#include <string>

#include "core/errors.h"
#include "core/interp.h"
#include "core/loop.h"
#include "values/area.h"
#include "values/functions.h"
#include "values/low_memory.h"
#include "values/reader.h"
#include "values/store.h"
#include "values/textops.h"

namespace tolven {

bool next_declared_name(std::string_view& text, DeclaredName& out) {
    const size_t comma = find_separator(text, ',');
    if (comma == 0) {
        raise_error(122);
        text.remove_prefix(1);
        return false;
    }
    std::string_view piece;
    if (comma != std::string_view::npos && comma + 1 < text.size()) {
        piece = trim(text.substr(0, comma));
        text.remove_prefix(comma + 1);
    } else {
        piece = trim(text);
        text = {};
    }
    std::string_view name = piece;
    out.has_dims = false;
    out.dims = {};
    if (!piece.empty() && piece.back() == ']') {
        const size_t open = piece.find('[');
        if (open == std::string_view::npos) {
            raise_error(122, folded(piece));
            return false;
        }
        out.has_dims = true;
        out.dims = trim(piece.substr(open + 1, piece.size() - open - 2));
        name = trim(piece.substr(0, open));
    }
    if (name.empty() || !is_kind_char(name.back()) ||
        (out.has_dims && name.back() == kAreaKind) ||
        name.find(' ') != std::string_view::npos) {
        raise_error(122, folded(name));
        return false;
    }
    if (!make_name(name, out.name)) {
        raise_error(123, folded(name));
        return false;
    }
    out.kind = name.back();
    return true;
}

namespace {


bool declare_scalar(const DeclaredName& d) {
    switch (d.kind) {
        case kIntegerKind:
            if (declare_integer(d.name)) return true;
            raise_error(217);
            return false;
        case kLongKind:
            if (declare_long(d.name)) return true;
            raise_error(218);
            return false;
        case kStringKind:
            if (declare_string(d.name)) return true;
            raise_error(219);
            return false;
        case kFloatKind:
            if (declare_float(d.name)) return true;
            raise_error(220);
            return false;
        default:
            if (declare_area(d.name)) return true;
            raise_error(239);
            return false;
    }
}

// `rest` is the declaration text from this name on, for message 232.
void declare_array_name(const DeclaredName& d, std::string_view rest) {
    if (array_count() >= kMaxArrays) {
        raise_error(253);
        return;
    }
    int32_t bound[3];
    if (!read_index_list(d.dims, bound)) return;
    int64_t count = 1;
    bool fits = true;
    for (int32_t b : bound) {
        // A negative bound would give an array with a nonsensical count.
        if (b < 0 || b >= kPoolCapacity) fits = false;
        else count *= static_cast<int64_t>(b) + 1;
        if (count > kPoolCapacity) fits = false;
    }
    if (!fits || count > array_room(d.kind)) {
        raise_error(232, rest);
        return;
    }
    declare_array(d.kind, d.name, bound);
}

void declare_statement() {
    std::string_view text = reader.rest;
    do {
        const std::string_view from_here = text;
        DeclaredName d;
        if (!next_declared_name(text, d)) continue;
        if (d.has_dims) declare_array_name(d, from_here);
        else declare_scalar(d);
    } while (!text.empty());
    interp.found_flag = true;
}

void parameters_statement() {
    std::string_view text = reader.rest;
    int n = 0;
    do {
        ++n;
        DeclaredName d;
        if (!next_declared_name(text, d)) continue;
        if (d.has_dims || d.kind == kAreaKind) continue;
        if (!declare_scalar(d)) continue;
        // Names past the 15th have no argument slot and start empty.
        const ParamBlock& block = visible_params();
        const bool has_slot = n < kParamSlots;
        switch (d.kind) {
            case kIntegerKind: *find_integer(d.name) = has_slot ? block.i[n] : 0; break;
            case kLongKind: *find_long(d.name) = has_slot ? block.l[n] : 0; break;
            case kFloatKind: *find_float(d.name) = has_slot ? block.f[n] : 0.0; break;
            default: find_string(d.name)->assign(has_slot ? std::string_view(block.s[n]) : std::string_view()); break;
        }
    } while (!text.empty());
    interp.found_flag = true;
}

void not_declared(std::string_view target) { raise_error(215, folded(target)); }

// Reads a string value as pieces separated by "," (joined with a blank) and
// ";" (joined directly).
const std::string& read_concatenation() {
    static std::string buffer;
    buffer.clear();
    reader.end_of_args = false;
    do {
        read_arg('p', kAny);
        buffer += slots.s;
        if (reader.separator_found == ',') buffer += ' ';
    } while (!reader.end_of_args);
    return buffer;
}

void store_numeric(char kind, void* target) {
    switch (kind) {
        case kIntegerKind: *static_cast<int32_t*>(target) = slots.i; break;
        case kLongKind: *static_cast<int32_t*>(target) = slots.l; break;
        case kFloatKind: *static_cast<double*>(target) = slots.f; break;
        default: break;
    }
}

void assign_array_element(std::string_view target) {
    const size_t open = target.find('[');
    if (open == std::string_view::npos) {
        not_declared(target);
        return;
    }
    int32_t idx[3];
    if (!read_index_list(target.substr(open + 1, target.size() - open - 2), idx)) return;
    VarName name;
    ArrayDesc* a = make_name(trim(target.substr(0, open)), name) ? find_array(name) : nullptr;
    if (!a) {
        not_declared(target);
        return;
    }
    interp.found_flag = true;
    const int32_t p = element_index(*a, idx[0], idx[1], idx[2]);
    if (p < 0) {
        raise_error(233);
        return;
    }
    switch (a->kind) {
        case kStringKind: string_element(p).assign(read_concatenation()); break;
        case kIntegerKind: read_arg(' ', kAny); integer_element(p) = slots.i; break;
        case kLongKind: read_arg(' ', kAny); long_element(p) = slots.l; break;
        default: read_arg(' ', kAny); float_element(p) = slots.f; break;
    }
}

void assignment_statement() {
    const std::string_view text = reader.rest;
    const size_t eq = find_separator(text, '=');
    const std::string_view target = trim(eq == std::string_view::npos ? text : text.substr(0, eq));
    reader.rest = eq == std::string_view::npos ? std::string_view{} : text.substr(eq + 1);

    if (is_field_name(target)) {
        read_arg(' ', kAny);
        write_structure_field(target);
        return;
    }
    if (!target.empty() && target.back() == ']') {
        assign_array_element(target);
        return;
    }
    VarName name;
    const char kind = target.empty() ? 0 : target.back();
    if (!make_name(target, name) || !is_kind_char(kind)) {
        not_declared(target);
        return;
    }
    switch (kind) {
        case kStringKind: {
            VarString* p = find_string(name);
            if (!p) break;
            interp.found_flag = true;
            p->assign(read_concatenation());
            return;
        }
        case kAreaKind: {
            AreaVar* a = find_area(name);
            if (!a) break;
            interp.found_flag = true;
            read_arg(' ', kAny);
            a->data = static_cast<uint32_t>(slots.l);
            return;
        }
        default: {
            void* p = kind == kIntegerKind ? static_cast<void*>(find_integer(name))
                    : kind == kLongKind    ? static_cast<void*>(find_long(name))
                                           : static_cast<void*>(find_float(name));
            if (!p) break;
            interp.found_flag = true;
            read_arg(' ', kAny);
            store_numeric(kind, p);
            return;
        }
    }
    not_declared(target);
}

enum class Change { Inc, Dec, Add, Sub };

void change_integer(Change how) {
    const std::string_view text = reader.rest;
    std::string_view name_text = text;
    if (how == Change::Add || how == Change::Sub) {
        const size_t comma = find_separator(text, ',');
        name_text = comma == std::string_view::npos ? text : text.substr(0, comma);
        reader.rest = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
    }
    name_text = trim(name_text);
    if (name_text.empty() || name_text.back() != kIntegerKind) {
        raise_error(103);
        return;
    }
    VarName name;
    int32_t* p = make_name(name_text, name) ? find_integer(name) : nullptr;
    if (!p) {
        not_declared(name_text);
        return;
    }
    interp.found_flag = true;
    uint32_t delta = 1;
    if (how == Change::Add || how == Change::Sub) {
        read_arg(' ', kAny);
        delta = static_cast<uint32_t>(slots.i);
    }
    const uint32_t v = static_cast<uint32_t>(*p);
    const bool up = how == Change::Inc || how == Change::Add;
    *p = static_cast<int32_t>(up ? v + delta : v - delta);
}

void dim_list(char kind, int already_message) {
    read_arg(' ', kNumberArg);
    const int32_t bound = slots.i;
    if (list_bound(kind) >= 0) {
        raise_error(already_message);
        return;
    }
    if (bound < 0 || bound > kListMaxBound) {
        raise_error(231);
        return;
    }
    dimension_list(kind, bound);
    interp.found_flag = true;
}

void assign_list_element(char kind) {
    read_arg('=', kAny);
    const int32_t index = slots.l;
    if (index < 0 || index > list_bound(kind)) {
        raise_error(207, std::to_string(index));
        return;
    }
    read_arg(' ', kAny);
    switch (kind) {
        case kIntegerKind: integer_list(index) = slots.i; break;
        case kLongKind: long_list(index) = slots.l; break;
        case kFloatKind: float_list(index) = slots.f; break;
        default: string_list(index).assign(slots.s); break;
    }
    interp.found_flag = true;
}

void clear_name(const DeclaredName& d) {
    if (d.has_dims) {
        if (ArrayDesc* a = find_array(d.name)) {
            clear_array(*a);
            return;
        }
        not_declared(d.name.view());
        return;
    }
    switch (d.kind) {
        case kIntegerKind:
            if (int32_t* p = find_integer(d.name)) { *p = 0; return; }
            break;
        case kLongKind:
            if (int32_t* p = find_long(d.name)) { *p = 0; return; }
            break;
        case kFloatKind:
            if (double* p = find_float(d.name)) { *p = 0.0; return; }
            break;
        case kStringKind:
            if (VarString* p = find_string(d.name)) { p->clear(); return; }
            break;
        default:
            if (AreaVar* a = find_area(d.name)) {
                if (a->data == 0) {
                    raise_error(243);
                    return;
                }
                if (a->size <= 0) return;
                // The program may have pointed the variable anywhere.
                if (!memory_writable(a->data, static_cast<uint32_t>(a->size))) {
                    raise_error(207, d.name.view());
                    return;
                }
                std::memset(address_pointer(a->data), 0, static_cast<size_t>(a->size));
                return;
            }
            break;
    }
    not_declared(d.name.view());
}

void clear_statement() {
    std::string_view text = reader.rest;
    do {
        DeclaredName d;
        if (next_declared_name(text, d)) clear_name(d);
    } while (!text.empty());
    interp.found_flag = true;
}

}  // namespace

void read_list_element(char kind) {
    read_arg(')', kNumberArg);
    const int32_t index = slots.l;
    if (index < 0 || index > list_bound(kind)) {
        raise_error(207, std::to_string(index));
        if (kind == kStringKind) set_result_string({});
        else set_result_long(0);
        return;
    }
    switch (kind) {
        case kIntegerKind: set_result_int(integer_list(index)); break;
        case kLongKind: set_result_long(long_list(index)); break;
        case kFloatKind: set_result_float(float_list(index)); break;
        default: set_result_string(string_list(index)); break;
    }
}

void reset_values() {
    reset_value_store();
    reset_reader();
}

namespace {

constexpr StatementEntry kStatements[] = {
    {Cmd::DECLARE, declare_statement},
    {Cmd::PARAMETERS, parameters_statement},
    {Cmd::LET, assignment_statement},
    {Cmd::INC, [] { change_integer(Change::Inc); }},
    {Cmd::DEC, [] { change_integer(Change::Dec); }},
    {Cmd::ADD, [] { change_integer(Change::Add); }},
    {Cmd::SUB, [] { change_integer(Change::Sub); }},
    {Cmd::DIM_I, [] { dim_list(kIntegerKind, 116); }},
    {Cmd::DIM_L, [] { dim_list(kLongKind, 117); }},
    {Cmd::DIM_F, [] { dim_list(kFloatKind, 119); }},
    {Cmd::DIM_S, [] { dim_list(kStringKind, 118); }},
    {Cmd::LIST_I, [] { assign_list_element(kIntegerKind); }},
    {Cmd::LIST_L, [] { assign_list_element(kLongKind); }},
    {Cmd::LIST_F, [] { assign_list_element(kFloatKind); }},
    {Cmd::LIST_S, [] { assign_list_element(kStringKind); }},
    {Cmd::CLEAR, clear_statement},
};

constexpr FunctionEntry kFunctions[] = {
    // The list elements are read through "@" like any function; without
    // these entries a program could fill its lists but never read them.
    {Fn::LIST_I, [] { read_list_element(kIntegerKind); }},
    {Fn::LIST_L, [] { read_list_element(kLongKind); }},
    {Fn::LIST_F, [] { read_list_element(kFloatKind); }},
    {Fn::LIST_S, [] { read_list_element(kStringKind); }},
};

}  // namespace

const Module kValueModule{"values", kStatements, kFunctions, reset_values};

}  // namespace tolven
