#include "values/debug_vars.h"

#include <charconv>

#include "values/statements.h"
#include "values/store.h"
#include "values/textops.h"

namespace tolven {

namespace {

// The value as a debugger shows it; false when no variable has the name.
bool append_value(const DeclaredName& d, std::string& out) {
    char buf[40];
    switch (d.kind) {
        case kIntegerKind:
        case kLongKind: {
            const int32_t* v = d.kind == kIntegerKind ? find_integer(d.name) : find_long(d.name);
            if (!v) return false;
            out.append(buf, std::to_chars(buf, buf + sizeof buf, *v).ptr);
            return true;
        }
        case kStringKind:
            if (const VarString* v = find_string(d.name)) {
                out.append(v->data(), v->size());
                return true;
            }
            return false;
        case kFloatKind:
            if (const double* v = find_float(d.name)) {
                // General form, up to 15 significant digits, always a '.'.
                out.append(buf, std::to_chars(buf, buf + sizeof buf, *v, std::chars_format::general, 15).ptr);
                return true;
            }
            return false;
        default:
            return false;
    }
}

}  // namespace

std::string variable_text(std::string_view names) {
    std::string out;
    if (trim(names).empty()) return out;
    std::string_view rest = names;
    while (!rest.empty()) {
        DeclaredName d;
        if (!next_declared_name(rest, d) || d.has_dims) continue;
        const size_t start = out.size();
        out += d.name.view();
        out += " = ";
        if (append_value(d, out)) {
            out += '\r';
        } else {
            out.resize(start);
        }
    }
    return out;
}

}  // namespace tolven
