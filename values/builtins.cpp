#include "values/builtins.h"

#include <cstring>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/loop.h"
#include "screen/colours.h"
#include "screen/events.h"
#include "values/arith.h"
#include "values/charcase.h"
#include "values/dates.h"
#include "values/functions.h"
#include "values/numtext.h"
#include "values/picture.h"
#include "values/radix.h"
#include "values/random.h"
#include "values/reader.h"
#include "values/scramble.h"
#include "values/strops.h"
#include "values/system_platform.h"
#include "values/sysvars.h"
#include "values/textops.h"

namespace tolven {

std::string take_raw_argument(char sep) {
    std::string_view& r = reader.rest;
    const size_t cut = find_separator(r, sep);
    std::string_view raw = cut == std::string_view::npos ? r : r.substr(0, cut);
    r = cut == std::string_view::npos ? std::string_view{} : r.substr(cut + 1);
    return std::string(trim(raw));
}

namespace {

// ---- argument helpers ----

struct Num {
    int32_t i, l;
    double f;
    int type;
};
Num number(char sep) {
    read_arg(sep, kNumberArg);
    return {slots.i, slots.l, slots.f, slots.type};
}
std::string text(char sep) { return read_string(sep, kAny); }

// A float result whose long slot the function computes on its own.
void result_float_long(double f, int32_t l) {
    set_result_float(f);
    slots.l = l;
}
void result_bool(bool b) { set_result_int(b ? 1 : 0); }

// Raises a failed routine's error; the neutral value stays the result.
template <class T>
T checked(const Checked<T>& c) {
    if (!c.ok()) raise_error(c.error);
    return c.value;
}

// ---- family 1: arithmetic and tests ----

void fn_add() {
    const Num a = number(','), b = number(')');
    result_float_long(a.f + b.f, wrap_add(a.l, b.l));
}
void fn_sub() {
    const Num a = number(','), b = number(')');
    result_float_long(a.f - b.f, wrap_sub(a.l, b.l));
}
void fn_mul() {
    const Num a = number(','), b = number(')');
    result_float_long(a.f * b.f, wrap_mul(a.l, b.l));
}
void fn_quotient() {
    const Num a = number(','), b = number(')');
    const int32_t l = b.l != 0 ? checked(long_div(a.l, b.l)) : 0;
    const double f = checked(float_div(a.f, b.f));
    result_float_long(f, l);
}
void fn_div() {
    const Num a = number(','), b = number(')');
    set_result_long(checked(long_div(a.l, b.l)));
}
void fn_mod() {
    const Num a = number(','), b = number(')');
    const int32_t r = checked(long_mod(a.l, b.i));
    result_float_long(r, r);
}
void fn_and() {
    const Num a = number(','), b = number(')');
    set_result_long(a.l & b.l);
}
void fn_or() {
    const Num a = number(','), b = number(')');
    result_float_long(a.l | b.l, a.l | b.l);
}
void fn_xor() {
    const Num a = number(','), b = number(')');
    result_float_long(a.l ^ b.l, a.l ^ b.l);
}

template <int kWhich>
void fn_compare_numbers() {
    const Num a = number(','), b = number(')');
    const double d = a.f - b.f;
    switch (kWhich) {
        case 0: result_bool(d != 0.0); break;
        case 1: result_bool(d == 0.0); break;
        case 2: result_bool(d > 0.0); break;
        default: result_bool(d < 0.0); break;
    }
}

int compare_texts(const std::string& a, const std::string& b) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    const int c = n ? std::memcmp(a.data(), b.data(), n) : 0;
    if (c != 0) return c < 0 ? -1 : 1;
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

template <int kWhich>
void fn_compare_texts() {
    const std::string a = text(',');
    const std::string& b = text(')');
    const int c = compare_texts(a, b);
    switch (kWhich) {
        case 0: result_bool(c == 0); break;
        case 1: result_bool(c != 0); break;
        case 2: result_bool(c < 0); break;
        default: result_bool(c > 0); break;
    }
}

void fn_not() { set_result_long(number(')').l == 0 ? 1 : 0); }
void fn_abs() {
    const Num a = number(')');
    result_float_long(a.f < 0 ? -a.f : a.f, wrap_abs(a.l));
}
void fn_int() { set_result_long(float_to_long(number(')').f)); }
void fn_bit_test() {
    const Num v = number(','), b = number(')');
    result_bool(bit_test(v.l, b.l));
}
void fn_bit_change() {
    const Num v = number(','), b = number(','), set = number(')');
    set_result_int(bit_change(v.l, b.l, set.i));
}

// The number is the full 32-bit value in every slot: only taking its low
// 16 bits would make numbers of 32768 and more come out wrong.
void fn_random() {
    const Num n = number(')');
    const auto v = static_cast<int32_t>(random_generator().next(static_cast<uint32_t>(n.l)));
    result_float_long(v, v);
}

struct SwitchKeyword {
    std::string keyword;
    void (*handler)();
};
std::vector<SwitchKeyword> switch_keywords;

void randseed_switch() {
    const Num seed = number(')');
    set_result_int(static_cast<int32_t>(random_generator().set_seed(static_cast<uint32_t>(seed.l))));
}

void fn_switch() {
    const std::string keyword = folded(read_string(',', kStringArg));
    for (const SwitchKeyword& k : switch_keywords) {
        if (k.keyword == keyword) {
            k.handler();
            return;
        }
    }
    raise_error(262, keyword);
    skip_argument(')');
    set_result_int(0);
}

void fn_round() {
    const Num x = number(','), n = number(')');
    set_result_float(round_decimals(x.f, n.f));
}

void fn_zero() { set_result_int(0); }

// ---- family 2: mathematics ----

template <MathFn kFn>
void fn_math() {
    double x = 0.0, y = 0.0;
    if (kFn == MathFn::Power) {
        x = number(',').f;
        y = number(')').f;
    } else if (kFn != MathFn::Pi) {
        x = number(')').f;
    }
    set_result_float(checked(math_function(kFn, x, y)));
}

// ---- family 3: strings ----

void fn_nth_part() {
    const std::string t = text(',');
    const int32_t n = number(',').l;
    const std::string& sep = text(')');
    set_result_string(checked(nth_part(t, n, sep)));
}
void fn_chr() { set_result_string(char_of(number(')').l)); }
void fn_concat() {
    std::string a = text(',');
    a += text(')');
    set_result_string(a);
}
void fn_mid() {
    const std::string t = text(',');
    const int32_t start = number(',').l;
    const int32_t count = number(')').l;
    set_result_string(mid_text(t, start, count));
}
void fn_delete() {
    const std::string t = text(',');
    const int32_t pos = number(',').l;
    const int32_t count = number(')').l;
    set_result_string(checked(delete_text(t, pos, count)));
}
void fn_insert() {
    const std::string ins = text(',');
    const std::string t = text(',');
    const int32_t pos = number(')').l;
    set_result_string(checked(insert_text(ins, t, pos)));
}
void fn_len() { set_result_int(static_cast<int32_t>(text(')').size())); }
void fn_instr() {
    const std::string part = text(',');
    set_result_int(find_text(part, text(')')));
}
void fn_asc() { set_result_int(first_code(text(')'))); }
void fn_trim() { set_result_string(trim_text(text(')'))); }
void fn_left() {
    const std::string t = text(',');
    set_result_string(left_text(t, number(')').l));
}
void fn_right() {
    const std::string t = text(',');
    set_result_string(right_text(t, number(')').l));
}
void fn_repeat() {
    const std::string t = text(',');
    set_result_string(repeat_text(t, number(')').l));
}
void fn_space() { set_result_string(blanks(number(')').l)); }
void fn_replace() {
    const std::string t = text(',');
    const std::string search = text(',');
    set_result_string(replace_all(t, search, text(')')));
}
void fn_upper() { set_result_string(ansi_upper(text(')'))); }
void fn_lower() { set_result_string(ansi_lower(text(')'))); }
void fn_to_oem() { set_result_string(system_platform().ansi_to_oem(text(')'))); }
void fn_to_ansi() { set_result_string(system_platform().oem_to_ansi(text(')'))); }

// Only the chosen argument is evaluated; the other is passed over as text,
// so its functions do not run.
void fn_choose() {
    read_arg(',', kAny);
    if (slots.i != 0) {
        read_arg(',', kAny);
        ResultSlots chosen = slots;
        skip_argument(')');
        slots = std::move(chosen);
    } else {
        skip_argument(',');
        read_arg(')', kAny);
    }
}

// ---- family 4: numbers and texts ----

void fn_value() {
    const NumberValue v = value_of_text(text(')'));
    slots.i = v.i;
    slots.l = v.l;
    slots.f = v.f;
    slots.type = kFloat;
}
void fn_str() {
    read_arg(')', kAny);
    std::string out;
    if (slots.type == kFloat) format_float(slots.f, out);
    else format_integer(slots.l, out);
    set_result_string(out);
}
template <int kBase>
void fn_radix() { set_result_string(radix_text(number(')').l, kBase)); }
void fn_picture() {
    const std::string format = text(',');
    const double v = number(')').f;
    const RegionalSettings& r = regional();
    set_result_string(format_picture(format, v, r.decimal, r.thousands).value_or(std::string()));
}

// ---- family 5: date and time ----

void fn_time() { set_result_string(time_text(number(')').l, system_platform().local_time())); }
void fn_date() {
    set_result_string(date_text(number(')').l, system_platform().local_time(), regional_date_order()));
}

// ---- family 8: input state and colours ----

struct Corners {
    int32_t x1, y1, x2, y2;
};
Corners corners() {
    Corners c;
    c.x1 = number(',').l;
    c.y1 = number('-').l;
    c.x2 = number(',').l;
    c.y2 = number(')').l;
    return c;
}
void fn_mouse_in_pixels() {
    const Corners c = corners();
    const int32_t x = events.mouse_x, y = events.mouse_y;
    result_bool(c.x1 <= x && x <= c.x2 && c.y1 <= y && y <= c.y2);
}
void fn_mouse_in_cells() {
    const Corners c = corners();  // rows first, then columns
    const int32_t row = events.mouse_y / 13 + 1, column = events.mouse_x / 8 + 1;
    result_bool(c.x1 <= row && row <= c.x2 && c.y1 <= column && column <= c.y2);
}
// No key typed gives the empty text rather than a zero byte.
void fn_inkey() {
    const int32_t key = events.last_key;
    events.last_key = 0;
    // Always one character: character 0 when no key is stored.
    set_result_string(std::string(1, static_cast<char>(key)));
}
void fn_key_in() {
    const std::string& t = text(')');
    const int32_t key = events.last_key;
    result_bool(key != 0 && t.find(static_cast<char>(key)) != std::string::npos);
}
void fn_key_is() { result_bool(events.last_key == number(')').l); }
void fn_key_state_is() { result_bool(events.key_state == number(')').l); }

int32_t component(int32_t v) { return v < 0 ? 0 : v > 255 ? 255 : v; }
void fn_rgb() {
    const int32_t r = component(number(',').l);
    const int32_t g = component(number(',').l);
    const int32_t b = component(number(')').l);
    if (true_colour_mode) set_result_long(r + g * 256 + b * 65536);
    else set_result_long(rgb_colour_number(rgb(static_cast<uint32_t>(r), static_cast<uint32_t>(g),
                                               static_cast<uint32_t>(b))));
}
void fn_red() {
    const int32_t c = number(')').l;
    if (true_colour_mode) return set_result_int(c & 0xFF);
    int32_t v = c % 32;
    set_result_int(v > 1 ? v - 1 : v);
}
void fn_green() {
    const int32_t c = number(')').l;
    if (true_colour_mode) return set_result_int((c >> 8) & 0xFF);
    int32_t v = (c % 1024) / 32;
    set_result_int(v >= 64 ? v - 1 : v);
}
void fn_blue() {
    const int32_t c = number(')').l;
    if (true_colour_mode) return set_result_int((c >> 16) & 0xFF);
    set_result_int(c / 1024);
}

// ---- family 9: scrambling ----

void fn_scramble() { set_result_string(scramble_with_current_key(read_string(')', kStringArg))); }

void scramble_key_statement() {
    reset_scramble_key();
    set_scramble_key(read_string(' ', kRawString));
}

void randomize_statement() {
    const DateTime t = system_platform().utc_time();
    random_generator().set_seed(seed_from_time(t.hour, t.minute, t.second, t.millisecond));
}

}  // namespace

void add_switch_keyword(std::string_view keyword, void (*handler)()) {
    std::string name = folded(keyword);
    for (SwitchKeyword& k : switch_keywords) {
        if (k.keyword == name) {
            k.handler = handler;
            return;
        }
    }
    switch_keywords.push_back({std::move(name), handler});
}

namespace {

constexpr StatementEntry kStatements[] = {
    {Cmd::SCRAMBLEKEY, scramble_key_statement},
    {Cmd::RANDOMIZE, randomize_statement},
};

constexpr FunctionEntry kFunctions[] = {
    {Fn::ADD, fn_add},
    {Fn::SUB, fn_sub},
    {Fn::MUL, fn_mul},
    {Fn::DIV, fn_quotient},
    {Fn::IDIV, fn_div},
    {Fn::MOD, fn_mod},
    {Fn::AND, fn_and},
    {Fn::OR, fn_or},
    {Fn::XOR, fn_xor},
    {Fn::NE, fn_compare_numbers<0>},
    {Fn::EQ, fn_compare_numbers<1>},
    {Fn::GT, fn_compare_numbers<2>},
    {Fn::LT, fn_compare_numbers<3>},
    {Fn::STREQ, fn_compare_texts<0>},
    {Fn::STRNE, fn_compare_texts<1>},
    {Fn::STRLT, fn_compare_texts<2>},
    {Fn::STRGT, fn_compare_texts<3>},
    {Fn::NOT, fn_not},
    {Fn::ABS, fn_abs},
    {Fn::INT, fn_int},
    {Fn::BITTEST, fn_bit_test},
    {Fn::BITSET, fn_bit_change},
    {Fn::RND, fn_random},
    {Fn::SWITCH, fn_switch},
    {Fn::ROUND, fn_round},
    {Fn::ZERO, fn_zero},
    {Fn::COS, fn_math<MathFn::Cos>},
    {Fn::SIN, fn_math<MathFn::Sin>},
    {Fn::EXP, fn_math<MathFn::Exp>},
    {Fn::LN, fn_math<MathFn::Ln>},
    {Fn::LOG10, fn_math<MathFn::Log10>},
    {Fn::TAN, fn_math<MathFn::Tan>},
    {Fn::COT, fn_math<MathFn::Cot>},
    {Fn::POW, fn_math<MathFn::Power>},
    {Fn::SQUARE, fn_math<MathFn::Square>},
    {Fn::SQRT, fn_math<MathFn::Sqrt>},
    {Fn::ATN, fn_math<MathFn::ArcTan>},
    {Fn::PI, fn_math<MathFn::Pi>},
    {Fn::PART_S, fn_nth_part},
    {Fn::CHR_S, fn_chr},
    {Fn::CONCAT_S, fn_concat},
    {Fn::MID_S, fn_mid},
    {Fn::DELETE_S, fn_delete},
    {Fn::INSERT_S, fn_insert},
    {Fn::LEN, fn_len},
    {Fn::INSTR, fn_instr},
    {Fn::ASC, fn_asc},
    {Fn::TRIM_S, fn_trim},
    {Fn::LEFT_S, fn_left},
    {Fn::RIGHT_S, fn_right},
    {Fn::STRING_S, fn_repeat},
    {Fn::SPACE_S, fn_space},
    {Fn::REPLACE_S, fn_replace},
    {Fn::UPPER_S, fn_upper},
    {Fn::LOWER_S, fn_lower},
    {Fn::ANSITOOEM_S, fn_to_oem},
    {Fn::OEMTOANSI_S, fn_to_ansi},
    {Fn::IIF, fn_choose},
    {Fn::VAL, fn_value},
    {Fn::STR_S, fn_str},
    {Fn::HEX_S, fn_radix<16>},
    {Fn::OCT_S, fn_radix<8>},
    {Fn::BIN_S, fn_radix<2>},
    {Fn::FORMAT_S, fn_picture},
    {Fn::TIME_S, fn_time},
    {Fn::DATE_S, fn_date},
    {Fn::MOUSEIN, fn_mouse_in_pixels},
    {Fn::MOUSEINCELL, fn_mouse_in_cells},
    {Fn::INKEY_S, fn_inkey},
    {Fn::KEYIN, fn_key_in},
    {Fn::KEYCODE, fn_key_is},
    {Fn::KEYSTATE, fn_key_state_is},
    {Fn::RGB, fn_rgb},
    {Fn::RED, fn_red},
    {Fn::GREEN, fn_green},
    {Fn::BLUE, fn_blue},
    {Fn::SCRAMBLE_S, fn_scramble},
};

// The generator, the scrambling key, the cached regional settings and the
// values the system variables keep start afresh with each program.
void reset_builtins() {
    reset_system_variables();
    random_generator().set_seed(0);
    reset_scramble_key();
    reset_regional_cache();
}

void start_builtins() { add_switch_keyword("RANDSEED", randseed_switch); }

}  // namespace

const Module kBuiltinModule{"builtins", kStatements, kFunctions, reset_builtins, start_builtins};

}  // namespace tolven
