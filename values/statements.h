// The statements of the variable store: DECLARE, PARAMETERS, assignment,
// INC, DEC, ADD, SUB, the list DIMs and list element assignments, CLEAR.
#pragma once
#include <string_view>

#include "values/names.h"

#include "core/registry.h"

namespace tolven {

// Declarations, assignments, INC/DEC/ADD/SUB, the lists and CLEAR; its
// reset empties the variable store and the reader's state.
extern const Module kValueModule;
void reset_values();

// Empties the variable store, the parameter block and the reader's state.
void reset_values();

// Function tokens 183-186, the element of a list (kind %, &, ! or $): reads
// the index up to ")" and leaves the element in the result slots; an index
// outside 0..bound raises runtime error 207.
void read_list_element(char kind);

// A name as DECLARE, PARAMETERS and CLEAR take it: "name%" or an array
// "name%[b1,b2,b3]".
struct DeclaredName {
    VarName name;              // folded, with its kind suffix, without brackets
    char kind = 0;             // the suffix: % & $ ! #
    bool has_dims = false;
    std::string_view dims;     // the text between the brackets
};

// Takes the next comma-separated name off `text` (the rest stays in `text`).
// A malformed name raises runtime error 122 or 123 and gives false; the
// caller goes on with the next name.
bool next_declared_name(std::string_view& text, DeclaredName& out);

}  // namespace tolven
