// The variable store: scalar tables of the five kinds, arrays in four
// element pools, the four list arrays and the parameter block.
//
// Every search finds the newest entry of a name. The four scalar tables of
// integers, longs, strings and floats are cut back when a procedure ends
// (mark_scalars / release_scalars), which drops its locals and uncovers the
// outer variables they hid. Area variables, arrays and lists stay global.
//
// Pointers returned by the finders stay valid until the entry is released
// (scalars) or the program ends (everything else): tables and pools never
// move.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "values/low_allocator.h"
#include "values/names.h"

namespace tolven {

constexpr int32_t kTableCapacity = 999;   // entries per scalar / area table
constexpr int32_t kMaxArrays = 999;
constexpr int32_t kPoolCapacity = 65535;  // elements per element pool
constexpr int32_t kListMaxBound = 65535;
constexpr int kParamSlots = 16;

// The text of a string variable or string array element. Programs hand
// its address to DLLs, so in the 64-bit build it must lie where a 32-bit
// value reaches: its characters come from the low range too.
using VarString = std::basic_string<char, std::char_traits<char>, LowAllocator<char>>;

// The kind characters double as kind codes.
constexpr char kIntegerKind = '%', kLongKind = '&', kStringKind = '$', kFloatKind = '!',
               kAreaKind = '#';
inline bool is_kind_char(char c) {
    return c == kIntegerKind || c == kLongKind || c == kStringKind || c == kFloatKind ||
           c == kAreaKind;
}

// An area variable: a memory block a program allocates, reads and hands to
// DLLs. Addresses a program can see are 32-bit values.
struct AreaVar {
    VarName name;
    uint32_t data = 0;           // the address every read and write uses
    void* allocation = nullptr;  // the block DIM allocated (freed by DISPOSE)
    int32_t size = 0;            // bytes
    int32_t structure = -1;      // structure index, -1 for a plain block
};

struct ArrayDesc {
    char kind = kIntegerKind;    // element kind character
    VarName name;                // with its kind suffix, without brackets
    int32_t bound[3] = {0, 0, 0};
    int32_t count = 0;           // (b1+1)*(b2+1)*(b3+1)
    int32_t first = 1;           // pool index of element (0,0,0)
};

// The arguments of the running procedure or user function; slot 0 holds the
// value of the last RETURN.
struct ParamBlock {
    std::string s[kParamSlots];
    int32_t i[kParamSlots] = {};
    int32_t l[kParamSlots] = {};
    double f[kParamSlots] = {};
};

struct ScalarMark {
    int32_t integers = 0, longs = 0, strings = 0, floats = 0;
};

// Empties every table, pool and list and the parameter block.
void reset_value_store();

// ---- procedure locals (call stack) ----
ScalarMark mark_scalars();
// Cuts the four scalar tables back to the mark; counts above the current
// ones are ignored.
void release_scalars(const ScalarMark& mark);

// ---- declaration; the caller raises the capacity errors ----
// Each appends a new entry (value 0 / empty / null) that hides older ones of
// the same name; nullptr when the table already holds 999 entries.
int32_t* declare_integer(const VarName& name);
int32_t* declare_long(const VarName& name);
VarString* declare_string(const VarName& name);
double* declare_float(const VarName& name);
AreaVar* declare_area(const VarName& name);
// nullptr when 999 arrays exist or the pool has no room (the caller checks
// array_room() first to tell the two apart).
ArrayDesc* declare_array(char kind, const VarName& name, const int32_t bound[3]);
int32_t array_count();
// Elements still free in the pool of a kind.
int32_t array_room(char kind);

// ---- queries by folded name, newest first; nullptr when not found ----
int32_t* find_integer(const VarName& name);
int32_t* find_long(const VarName& name);
VarString* find_string(const VarName& name);
double* find_float(const VarName& name);
AreaVar* find_area(const VarName& name);
ArrayDesc* find_array(const VarName& name);

// The same by any-case name text (for other modules).
int32_t* find_integer(std::string_view name);
int32_t* find_long(std::string_view name);
VarString* find_string(std::string_view name);
double* find_float(std::string_view name);
AreaVar* find_area(std::string_view name);
ArrayDesc* find_array(std::string_view name);

// Pool index of element (i, j, k), or -1 when an index lies outside 0..bound.
int32_t element_index(const ArrayDesc& a, int32_t i, int32_t j, int32_t k);
int32_t& integer_element(int32_t pool_index);
int32_t& long_element(int32_t pool_index);
double& float_element(int32_t pool_index);
VarString& string_element(int32_t pool_index);
// Sets every element of the array to 0, 0.0 or the empty string.
void clear_array(const ArrayDesc& a);

int32_t scalar_count(char kind);

// ---- list arrays (one per kind %, &, !, $) ----
// Upper bound, -1 until dimensioned.
int32_t list_bound(char kind);
// Dimensions the list with elements 0..bound cleared.
void dimension_list(char kind, int32_t bound);
int32_t& integer_list(int32_t index);
int32_t& long_list(int32_t index);
double& float_list(int32_t index);
std::string& string_list(int32_t index);

// ---- the parameter block of the running procedure ----
ParamBlock& parameter_block();
// Copies the result slots into slot n (1..15) of all four kinds of `block`:
// the procedure-call statement and user-function calls fill their arguments
// this way.
void store_result_in_param(ParamBlock& block, int n);

}  // namespace tolven
