#include "values/reader.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>

#include "core/errors.h"
#include "core/interp.h"
#include "values/area.h"
#include "values/functions.h"
#include "values/numtext.h"
#include "values/store.h"
#include "values/sysvars.h"
#include "values/textops.h"

namespace tolven {

ResultSlots slots;
ReaderState reader;
NumberFormat number_format;

namespace {


// Nested reader levels (parentheses, function calls, index lists, function
// arguments) beyond this raise runtime error 255 instead of exhausting the
// native stack.
constexpr int kMaxDepth = 150;
constexpr int kStackSize = 150;
// A field width beyond a program line's length is a mistake; it is capped
// so a number never becomes gigabytes of blanks.
constexpr int32_t kMaxWidth = 32767;
constexpr int32_t kMaxDecimals = 35;

// ---- reader levels and their parameter block copies ----

struct Level {
    const ParamBlock* view = nullptr;
    bool owned = false;
};
Level levels[kMaxDepth + 1];
std::unique_ptr<ParamBlock> copies[kMaxDepth + 1];
int depth = 0;

// ---- the operand stack ----

struct Pending {
    std::string s;
    int32_t i = 0, l = 0;
    double f = 0.0;
    int type = kNone;
    char op = 0;
    int prec = 0;
    bool stale = false;  // s not yet the text of the number
};
Pending stack[kStackSize];
int top = 0;
int base = 0;

// Enters a reader level: a parameter block view inherited from the level
// that started it, and an operand-stack base of its own. Leaving restores
// both, also when a runtime error ends the process by unwinding.
class LevelScope {
public:
    LevelScope() : saved_base_(base) {
        if (!levels[0].view) levels[0].view = &parameter_block();
        ++depth;
        levels[depth] = Level{levels[depth - 1].view, false};
        base = top;
    }
    ~LevelScope() {
        top = base;
        base = saved_base_;
        --depth;
    }
    LevelScope(const LevelScope&) = delete;
    LevelScope& operator=(const LevelScope&) = delete;

private:
    int saved_base_;
};

// ---- small helpers ----

bool strip_sign(std::string_view& r) {
    bool negate = false;
    if (!r.empty() && r[0] == '-') {
        negate = true;
        r.remove_prefix(1);
    }
    if (!r.empty() && r[0] == '+') r.remove_prefix(1);
    return negate;
}

// "(...)" whose first ")" at depth 0 is its last character.
bool is_wrapped(std::string_view t) {
    if (t.size() <= 2 || t.front() != '(' || t.back() != ')') return false;
    return find_separator(t.substr(1), ')') == t.size() - 2;
}

bool is_print_separator(char c) { return c == ',' || c == ';'; }

void put_padded(std::string& out, const char* p, size_t n) {
    int32_t w = number_format.width;
    if (w > kMaxWidth) w = kMaxWidth;
    if (w < -kMaxWidth) w = -kMaxWidth;
    const size_t aw = static_cast<size_t>(w < 0 ? -w : w);
    if (n >= aw) {
        out.assign(p, n);
    } else if (w > 0) {
        out.assign(aw - n, ' ');
        out.append(p, n);
    } else {
        out.assign(p, n);
        out.append(aw - n, ' ');
    }
}

// Translates the escapes of a string literal's text into `out`. "\\" is one
// backslash; unless in mode 9, "\n" CR, "\a" 8, "\t" TAB, "\z" a zero byte
// and "\." one backslash; a byte 0x01 also becomes a backslash. One pass
// gives the same as replacing each pattern in turn: after the pairs of
// backslashes, every remaining backslash starts at most one pattern.
void unescape(std::string_view body, int mode, std::string& out) {
    out.clear();
    const size_t n = body.size();
    for (size_t k = 0; k < n; ++k) {
        const char c = body[k];
        if (c == '\\' && k + 1 < n) {
            const char next = body[k + 1];
            char replaced = 0;
            bool known = true;
            if (next == '\\') {
                replaced = '\\';
            } else if (mode == kRawString) {
                known = false;
            } else {
                switch (next) {
                    case 'n': replaced = 13; break;
                    case 'a': replaced = 8; break;
                    case 't': replaced = 9; break;
                    case 'z': replaced = 0; break;
                    case '.': replaced = '\\'; break;
                    default: known = false; break;
                }
            }
            if (known) {
                out.push_back(replaced);
                ++k;
                continue;
            }
            out.push_back(c);
        } else if (c == 0x01) {
            out.push_back('\\');
        } else {
            out.push_back(c);
        }
    }
}

void set_numbers_from_text() {
    const NumberScan scan = scan_number(slots.s);
    slots.f = scan.value;
    slots.i = slots.l = float_to_long(scan.value);
}

int type_of_kind(char kind) {
    switch (kind) {
        case kStringKind: return kString;
        case kIntegerKind: return kInteger;
        case kLongKind: return kLong;
        case kFloatKind: return kFloat;
        default: return kLong;
    }
}

// A variable that does not exist: a warning (not while declaring), the
// numeric slots keep what they held, the string slot gets the text.
void undeclared(std::string_view text, std::string_view name, int type) {
    if (interp.current_token != Cmd::DECLARE && interp.current_token != Cmd::PARAMETERS)
        raise_warning(215, name);
    slots.s.assign(text.data(), text.size());
    slots.type = type;
}

}  // namespace

// ---- number conversions ----

void format_integer(int32_t v, std::string& out) {
    char buf[16];
    auto res = std::to_chars(buf, buf + sizeof buf, v);
    put_padded(out, buf, static_cast<size_t>(res.ptr - buf));
}

void format_float(double v, std::string& out) {
    int32_t d = number_format.decimals;
    if (d > kMaxDecimals) d = kMaxDecimals;
    char buf[400];
    size_t n = 0;
    if (d < 0) {
        // Negative decimals ask for the exponent form, with as many digits
        // after the point as the setting's magnitude.
        const int digits = d < -kMaxDecimals ? kMaxDecimals : -d;
        auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, digits);
        n = res.ec == std::errc() ? static_cast<size_t>(res.ptr - buf) : 0;
        for (size_t k = 0; k < n; ++k)
            if (buf[k] == 'e') buf[k] = 'E';
    } else if (std::isfinite(v) && std::fabs(v) < 1e15 && v == std::trunc(v)) {
        // Whole numbers, the common case, without the general formatter.
        const int64_t whole = static_cast<int64_t>(v);
        if (whole == 0 && std::signbit(v)) buf[n++] = '-';
        n = static_cast<size_t>(std::to_chars(buf + n, buf + sizeof buf, whole).ptr - buf);
        if (d > 0) {
            buf[n++] = '.';
            std::memset(buf + n, '0', static_cast<size_t>(d));
            n += static_cast<size_t>(d);
        }
    } else {
        auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, d);
        n = res.ec == std::errc() ? static_cast<size_t>(res.ptr - buf) : 0;
    }
    put_padded(out, buf, n);
}

void complete_slots() {
    switch (slots.type) {
        case kInteger:
            slots.l = slots.i;
            slots.f = slots.i;
            format_integer(slots.i, slots.s);
            break;
        case kLong:
            slots.i = slots.l;
            slots.f = slots.l;
            format_integer(slots.l, slots.s);
            break;
        case kFloat:
            slots.i = slots.l = float_to_long(slots.f);
            format_float(slots.f, slots.s);
            break;
        case kString:
            set_numbers_from_text();
            break;
        default:
            break;
    }
}

void set_result_int(int32_t v) {
    slots.i = v;
    slots.type = kInteger;
    complete_slots();
}
void set_result_long(int32_t v) {
    slots.l = v;
    slots.type = kLong;
    complete_slots();
}
void set_result_float(double v) {
    slots.f = v;
    slots.type = kFloat;
    complete_slots();
}
void set_result_string(std::string_view v) {
    slots.s.assign(v.data(), v.size());
    slots.type = kString;
    complete_slots();
}

// ---- parameter block copies ----

const ParamBlock& visible_params() {
    if (!levels[0].view) levels[0].view = &parameter_block();
    return *levels[depth].view;
}

ParamBlock& writable_params() {
    if (depth == 0) return parameter_block();
    Level& level = levels[depth];
    if (!level.owned) {
        if (!copies[depth]) copies[depth] = std::make_unique<ParamBlock>();
        *copies[depth] = *level.view;
        level.view = copies[depth].get();
        level.owned = true;
    }
    return *copies[depth];
}

// ---- reading ----

namespace {

}  // namespace

bool read_index_list(std::string_view text, int32_t idx[3]) {
    idx[0] = idx[1] = idx[2] = 0;
    SavedReader saved;
    reader.rest = text;
    int n = 0;
    bool ok = true;
    while (!reader.rest.empty()) {
        if (n == 3) {
            raise_error(254);
            ok = false;
            break;
        }
        const size_t before = reader.rest.size();
        read_arg(',', kNumberArg);
        idx[n++] = slots.l;
        if (reader.rest.size() == before) break;  // nothing readable is left
    }
    saved.restore();
    return ok;
}

namespace {

void set_zero_result(int type) {
    if (type == kString) set_result_string({});
    else if (type == kInteger) set_result_int(0);
    else if (type == kFloat) set_result_float(0.0);
    else set_result_long(0);
}

// The readers of variables return false when the variable does not exist.

bool read_array_element(std::string_view arg) {
    const size_t open = arg.find('[');
    if (open == std::string_view::npos) {
        undeclared(arg, arg, kLong);
        return false;
    }
    const std::string_view name_text = trim(arg.substr(0, open));
    VarName name;
    const bool valid = make_name(name_text, name);
    const int kind_type = name_text.empty() ? kLong : type_of_kind(name_text.back());
    int32_t idx[3];
    if (!read_index_list(arg.substr(open + 1, arg.size() - open - 2), idx)) {
        set_zero_result(kind_type);
        return true;
    }
    ArrayDesc* a = valid ? find_array(name) : nullptr;
    if (!a) {
        undeclared(arg, valid ? name.view() : name_text, kind_type);
        return false;
    }
    interp.found_flag = true;
    const int32_t p = element_index(*a, idx[0], idx[1], idx[2]);
    if (p < 0) {
        raise_error(233);
        set_zero_result(type_of_kind(a->kind));
        return true;
    }
    switch (a->kind) {
        case kIntegerKind: set_result_int(integer_element(p)); break;
        case kLongKind: set_result_long(long_element(p)); break;
        case kFloatKind: set_result_float(float_element(p)); break;
        default: set_result_string(string_element(p)); break;
    }
    return true;
}

bool read_area(std::string_view arg) {
    VarName name;
    const bool valid = make_name(arg, name);
    AreaVar* a = valid ? find_area(name) : nullptr;
    if (!a) {
        undeclared(arg, valid ? name.view() : arg, kLong);
        return false;
    }
    interp.found_flag = true;
    if (a->data == 0) {
        raise_error(243);
        set_result_long(0);
        return true;
    }
    set_result_long(static_cast<int32_t>(a->data));
    return true;
}

bool read_scalar(std::string_view arg, char kind) {
    VarName name;
    const bool valid = make_name(arg, name);
    bool found = false;
    if (valid) {
        switch (kind) {
            case kIntegerKind:
                if (int32_t* p = find_integer(name)) set_result_int(*p), found = true;
                break;
            case kLongKind:
                if (int32_t* p = find_long(name)) set_result_long(*p), found = true;
                break;
            case kFloatKind:
                if (double* p = find_float(name)) set_result_float(*p), found = true;
                break;
            default:
                if (VarString* p = find_string(name)) set_result_string(*p), found = true;
                break;
        }
    }
    if (found) {
        interp.found_flag = true;
        return true;
    }
    undeclared(arg, valid ? name.view() : arg, type_of_kind(kind));
    return false;
}

void read_number(std::string_view arg) {
    if (arg.empty()) {
        // An empty argument ("a,,b") is the empty string, without a warning.
        set_result_string({});
        return;
    }
    const NumberScan scan = scan_number(arg);
    size_t end = scan.length;
    while (end < arg.size() && arg[end] == ' ') ++end;
    slots.f = scan.value;
    slots.i = slots.l = float_to_long(scan.value);
    if (scan.length == 0 || end != arg.size()) {
        slots.s.assign(arg.data(), arg.size());
        slots.type = kString;
        raise_warning(214, arg);
        return;
    }
    if (scan.point) {
        slots.type = kFloat;
        format_float(slots.f, slots.s);
    } else {
        slots.type = kLong;
        format_integer(slots.l, slots.s);
    }
}

void read_literal(std::string_view arg, int mode) {
    std::string_view body = arg.substr(1);
    if (!body.empty() && body.back() == '"') body.remove_suffix(1);
    unescape(body, mode, slots.s);
    slots.type = kString;
    set_numbers_from_text();
}

// Classifies one argument or operand and leaves its value in the slots.
// Returns false when it named a variable that does not exist (the slots then
// hold the text and the old numbers).
bool classify(std::string_view arg, int mode) {
    if (arg.empty()) {
        read_number(arg);
        return true;
    }
    if (arg.front() == '"') {
        read_literal(arg, mode);
        return true;
    }
    if (arg.back() == ']') return read_array_element(arg);
    if (arg.back() == '#') {
        if (!is_field_name(arg)) return read_area(arg);
        read_structure_field(arg);
        return true;
    }
    char kind = 0;
    for (char c : {kStringKind, kFloatKind, kLongKind, kIntegerKind}) {
        if (arg.front() == c || arg.back() == c) {
            kind = c;
            break;
        }
    }
    if (kind == 0) {
        read_number(arg);
        return true;
    }
    if (arg.front() == kind) {
        read_system_variable(arg);
        if (slots.type == kFloat) format_float(slots.f, slots.s);
        else if (slots.type == kInteger) format_integer(slots.i, slots.s);
        else if (slots.type == kLong) format_integer(slots.l, slots.s);
        return true;
    }
    if (is_field_name(arg)) {
        read_structure_field(arg);
        return true;
    }
    return read_scalar(arg, kind);
}

void negate_slots(bool refresh_text) {
    slots.i = static_cast<int32_t>(0u - static_cast<uint32_t>(slots.i));
    slots.l = static_cast<int32_t>(0u - static_cast<uint32_t>(slots.l));
    slots.f = -slots.f;
    if (!refresh_text) return;
    if (slots.type == kInteger || slots.type == kLong) format_integer(slots.l, slots.s);
    else if (slots.type == kFloat) format_float(slots.f, slots.s);
}

// Runs a function call whose token has been taken off the text.
void call_function(uint8_t token) {
    const int saved_base = base;
    base = top;
    dispatch_function(token);
    top = base;
    base = saved_base;
    complete_slots();
}

// ---- plain lines ----

void read_plain(char sep, int mode) {
    std::string_view& r = reader.rest;
    if (r.empty() && sep != 'p') {
        raise_error(212);
        return;
    }
    const bool negate = strip_sign(r);
    if (r.size() > 2 && r[0] == '(') {
        r.remove_prefix(1);
        if (!r.empty() && r.back() == ')' && find_separator(r, ')') == r.size() - 1)
            r.remove_suffix(1);
    }

    std::string_view arg;
    bool known = true;
    if (!r.empty() && r[0] == '@') {
        const std::string_view call = r;
        const uint8_t token = r.size() > 1 ? static_cast<uint8_t>(r[1]) : 0;
        r.remove_prefix(r.size() > 1 ? 2 : 1);
        call_function(token);
        if (!r.empty() && r[0] == ')') r.remove_prefix(1);
        // The function only consumes from the front (or everything).
        arg = call.substr(0, call.size() - (r.size() < call.size() ? r.size() : call.size()));
        if (r.empty()) {
            reader.separator_found = ' ';
            if (sep == 'p') reader.end_of_args = true;
        } else if (sep == 'p' ? is_print_separator(r[0]) : r[0] == sep) {
            reader.separator_found = r[0];
            r.remove_prefix(1);
        }
    } else {
        if (sep == ' ') {
            arg = r;
            r = {};
            reader.separator_found = ' ';
        } else if (sep == 'p') {
            const size_t cut = find_print_separator(r);
            if (cut == std::string_view::npos) {
                arg = r;
                r = {};
                reader.separator_found = ' ';
            } else {
                arg = r.substr(0, cut);
                reader.separator_found = r[cut];
                r.remove_prefix(cut + 1);
            }
            if (r.empty()) reader.end_of_args = true;
        } else {
            const size_t cut = find_separator(r, sep);
            if (cut == std::string_view::npos) {
                arg = r;
                r = {};
                reader.separator_found = ' ';
            } else {
                arg = r.substr(0, cut);
                reader.separator_found = sep;
                r.remove_prefix(cut + 1);
                if (!r.empty() && r[0] == ']') r.remove_prefix(1);
            }
        }
        if (is_wrapped(arg)) arg = arg.substr(1, arg.size() - 2);
        known = classify(arg, mode);
    }

    if (negate) negate_slots(known);
    const bool wants_string = mode == kStringArg || mode == kRawString;
    if ((wants_string && slots.type != kString) || (mode == kNumberArg && slots.type == kString))
        raise_error(216, arg);
}

// ---- expression lines ----

struct Operator {
    char code;
    int prec;
    size_t length;
};

Operator match_operator(std::string_view r) {
    if (r.size() >= 2) {
        const char a = r[0], b = r[1];
        if (a == '<' && b == '>') return {'#', 1, 2};
        if (a == '<' && b == '=') return {'(', 1, 2};
        if (a == '>' && b == '=') return {')', 1, 2};
        if (a == '<' && b == '<') return {'l', 4, 2};
        if (a == '>' && b == '>') return {'r', 4, 2};
        if (a == 0x15) {
            switch (b) {
                case 'M': return {'M', 4, 2};
                case 'O': return {'O', 3, 2};
                case 'A': return {'A', 4, 2};
                case '&': return {'&', 4, 2};
                case '|': return {'|', 3, 2};
                default: break;
            }
        }
    }
    if (!r.empty()) {
        switch (r[0]) {
            case '=': return {'=', 2, 1};
            case '>': return {'>', 2, 1};
            case '<': return {'<', 2, 1};
            case '+': return {'+', 3, 1};
            case '-': return {'-', 3, 1};
            case '*': return {'*', 4, 1};
            case '/': return {'/', 4, 1};
            case '\\': return {'\\', 4, 1};
            case '^': return {'^', 5, 1};
            default: break;
        }
    }
    return {0, 0, 0};
}

int compare_bytes(const std::string& a, const std::string& b) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    const int c = n ? std::memcmp(a.data(), b.data(), n) : 0;
    if (c != 0) return c < 0 ? -1 : 1;
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

// The text of a numeric result.
void format_number(int type, int32_t l, double f, std::string& out) {
    if (type == kFloat) format_float(f, out);
    else format_integer(l, out);
}

// Applies a pending left operand and its operator to the slots, which hold
// the right operand; the result replaces them. The text of a numeric result
// is made only when something needs it: `stale` tells that slots.s is not
// yet the number's text.
void apply(Pending& left, bool& stale) {
    if (slots.type == kString && left.stale) {
        format_number(left.type, left.l, left.f, left.s);
        left.stale = false;
    }
    const double a = left.f, b = slots.f;
    const int64_t ta = left.l, tb = slots.l;
    double r = 0.0;
    int type = kFloat;
    switch (left.op) {
        case '#': case '(': case ')': case '=': case '>': case '<': {
            int c;
            if (slots.type == kString) c = compare_bytes(left.s, slots.s);
            else c = a < b ? -1 : a > b ? 1 : a == b ? 0 : 2;  // 2: unordered (NaN)
            bool t = false;
            switch (left.op) {
                case '#': t = c != 0; break;
                case '(': t = c == -1 || c == 0; break;
                case ')': t = c == 1 || c == 0; break;
                case '=': t = c == 0; break;
                case '>': t = c == 1; break;
                default: t = c == -1; break;
            }
            r = t ? 1.0 : 0.0;
            type = kInteger;
            break;
        }
        case '+':
            if (slots.type == kString) {
                slots.s.insert(0, left.s);
                slots.type = kString;
                set_numbers_from_text();
                stale = false;
                return;
            }
            r = a + b;
            break;
        case '-': r = a - b; break;
        case '*': r = a * b; break;
        case '/':
            if (b == 0.0) raise_error(201);
            else r = a / b;
            break;
        case '\\':
            type = kInteger;
            if (tb == 0) raise_error(201);
            else r = static_cast<double>(ta / tb);
            break;
        case 'M':
            if (tb == 0) raise_error(201);
            else r = static_cast<double>(ta % tb);
            break;
        case 'l':
            r = static_cast<int32_t>(static_cast<uint32_t>(ta) << (static_cast<uint32_t>(tb) & 31));
            type = kInteger;
            break;
        case 'r':
            r = static_cast<int32_t>(static_cast<uint32_t>(ta) >> (static_cast<uint32_t>(tb) & 31));
            type = kInteger;
            break;
        case 'O': r = (a != 0.0 || b != 0.0) ? 1.0 : 0.0; break;
        case 'A': r = (a != 0.0 && b != 0.0) ? 1.0 : 0.0; break;
        case '&':
            r = static_cast<int32_t>(static_cast<uint32_t>(ta) & static_cast<uint32_t>(tb));
            type = kInteger;
            break;
        case '|':
            r = static_cast<int32_t>(static_cast<uint32_t>(ta) | static_cast<uint32_t>(tb));
            type = kInteger;
            break;
        case '^':
            if (a <= 0.0) raise_error(200);
            else r = std::exp(std::log(a) * b);
            break;
        default:
            break;
    }
    slots.f = r;
    slots.i = slots.l = float_to_long(r);
    slots.type = type;
    stale = true;
}

void apply_down_to(int prec, bool& stale) {
    while (top > base && stack[top - 1].prec >= prec) {
        --top;
        apply(stack[top], stale);
    }
}

bool push_pending(const Operator& op, bool& stale) {
    if (top >= kStackSize) return false;
    Pending& p = stack[top++];
    p.stale = stale;
    if (!stale) p.s = slots.s;
    stale = false;
    p.i = slots.i;
    p.l = slots.l;
    p.f = slots.f;
    p.type = slots.type;
    p.op = op.code;
    p.prec = op.prec;
    return true;
}

bool is_requested(char c, char sep) { return sep == 'p' ? is_print_separator(c) : c == sep; }

// Reads one operand of an expression (with its sign) into the slots.
// `closed` is set when the argument's separator has been consumed, so no
// operator follows. Returns false when no text was left (error 212).
bool read_operand(char sep, int& mode, bool& closed) {
    std::string_view& r = reader.rest;
    if (r.empty() && sep != 'p') {
        raise_error(212);
        closed = true;
        return false;
    }
    const bool negate = strip_sign(r);
    const size_t end = find_operand_end(r, sep, true);
    const std::string_view operand = r.substr(0, end);
    const std::string_view after = r.substr(end);
    bool known = true;

    if (!operand.empty() && operand[0] == '(') {
        if (operand == "()") {
            r = {};
            closed = true;
        } else {
            r = operand.substr(1);
            read_arg(')', mode);
            r = after;
        }
        reader.separator_found = sep == 'p' ? ' ' : sep;
    } else if (!operand.empty() && operand[0] == '@') {
        const uint8_t token = operand.size() > 1 ? static_cast<uint8_t>(operand[1]) : 0;
        r = operand.substr(operand.size() > 1 ? 2 : 1);
        call_function(token);
        r = after;
        reader.separator_found = sep == 'p' ? ' ' : sep;
    } else {
        r = after;
        known = classify(operand, mode);
        if (sep == 'p') {
            reader.separator_found = ' ';
        } else {
            reader.separator_found = sep;
            if (!r.empty() && r[0] == sep) {
                r.remove_prefix(1);
                if (sep != ' ') closed = true;
            }
        }
    }

    if (mode == kRawString) mode = kStringArg;
    if (negate) negate_slots(known);
    if (mode == kStringArg && slots.type != kString) raise_error(216, operand);

    if (!closed && !r.empty() && is_requested(r[0], sep)) {
        reader.separator_found = r[0];
        r.remove_prefix(1);
        closed = true;
    }
    if (sep == 'p' && r.empty()) reader.end_of_args = true;
    return true;
}

void read_expression(char sep, int mode) {
    std::string_view& r = reader.rest;
    bool closed = false;
    bool stale = false;
    read_operand(sep, mode, closed);
    while (!closed && !r.empty()) {
        const Operator op = match_operator(r);
        if (op.length == 0) break;
        r.remove_prefix(op.length);
        apply_down_to(op.prec, stale);
        if (!push_pending(op, stale)) {
            raise_error(255, r);
            r = {};
            break;
        }
        if (!read_operand(sep, mode, closed)) {
            // No right operand: the operator is dropped, the left operand stays.
            Pending& left = stack[--top];
            slots.s = left.s;
            slots.i = left.i;
            slots.l = left.l;
            slots.f = left.f;
            slots.type = left.type;
            stale = left.stale;
            break;
        }
    }
    apply_down_to(0, stale);
    if (stale) format_number(slots.type, slots.l, slots.f, slots.s);
    if (r == ")" || r == "()") r = {};
    if (sep == 'p' && r.empty()) {
        reader.end_of_args = true;
        if (!is_print_separator(reader.separator_found)) reader.separator_found = ' ';
    }
}

}  // namespace

bool expression_line() {
    if (reader.force_expression) return true;
    const int32_t line = interp.current_line;
    return line >= 1 && static_cast<size_t>(line) < program.expression_flags.size() &&
           program.expression_flags[static_cast<size_t>(line)] != 0;
}

namespace {

void read_level(const ParamBlock* params, char separator, int mode) {
    if (depth >= kMaxDepth) {
        raise_error(255, reader.rest);
        reader.rest = {};
        reader.end_of_args = true;
        return;
    }
    LevelScope level;
    if (params) levels[depth].view = params;
    const size_t before = reader.rest.size();
    if (expression_line()) read_expression(separator, mode);
    else read_plain(separator, mode);
    // A "p" read that consumed nothing would make an argument loop endless.
    if (separator == 'p' && before > 0 && reader.rest.size() == before) reader.end_of_args = true;
}

}  // namespace

void read_arg(char separator, int mode) { read_level(nullptr, separator, mode); }

void read_arg_with_params(const ParamBlock& params, char separator, int mode) {
    read_level(&params, separator, mode);
}

int32_t read_int(char separator) { read_arg(separator, kNumberArg); return slots.i; }
int32_t read_long(char separator) { read_arg(separator, kNumberArg); return slots.l; }
double read_float(char separator) { read_arg(separator, kNumberArg); return slots.f; }
const std::string& read_string(char separator, int mode) { read_arg(separator, mode); return slots.s; }

void skip_argument(char separator) {
    if (reader.rest.empty()) {
        raise_error(212);
        return;
    }
    const size_t cut = find_separator(reader.rest, separator);
    if (cut == std::string_view::npos) reader.rest = {};
    else reader.rest.remove_prefix(cut + 1);
}

char which_comes_first() {
    const size_t comma = find_separator(reader.rest, ',');
    const size_t paren = find_separator(reader.rest, ')');
    if (comma == std::string_view::npos && paren == std::string_view::npos) return ' ';
    return comma < paren ? ',' : ')';
}

void reset_reader() {
    slots = ResultSlots{};
    reader = ReaderState{};
    number_format = NumberFormat{};
    depth = 0;
    top = base = 0;
    levels[0] = Level{&parameter_block(), false};
}

}  // namespace tolven
