// Structure layouts for area variables: named lists of typed fields at
// fixed byte offsets, laid over a block so that AREA#.FIELD reads or writes
// one field.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace tolven {

constexpr int32_t kMaxStructures = 999;
constexpr int32_t kMaxStructFields = 9990;

struct StructField {
    std::string name;    // folded, with its kind suffix
    char kind = 0;       // '%' 2 bytes, '&' 4, '$' text of n bytes and a zero, '#' n bytes
    int32_t size = 0;
    int32_t offset = 0;  // running sum of the sizes before it, no alignment
};

struct Structure {
    std::string name;    // folded
    int32_t size = 0;
    int32_t first = 0;   // field table indices [first, first + count)
    int32_t count = 0;
};

// Defines a structure from "NAME = field, field, ...". On failure nothing
// is defined and the runtime error number is returned with the text that
// goes with its message; 0 on success.
int define_structure(std::string_view text, std::string& error_text);

// The newest structure of a folded name, -1 when none.
int32_t find_structure(std::string_view name);
const Structure* structure_at(int32_t index);
// A field of a structure by folded name, nullptr when it has none.
const StructField* find_field(int32_t structure, std::string_view name);

int32_t structure_count();
int32_t struct_field_count();

// Forgets every structure (program start).
void reset_structures();

}  // namespace tolven
