#include "values/area.h"

#include "core/errors.h"
#include "values/reader.h"

namespace tolven {

// Structures, WITH, DIM and DISPOSE of area blocks are the next step of this
// module; until then a field access is an unknown command.
void read_structure_field(std::string_view name) {
    raise_error(102, name);
    set_result_long(0);
}

void write_structure_field(std::string_view target) { raise_error(102, target); }

}  // namespace tolven
