// Area variables: memory blocks addressed by 32-bit values (see
// values/low_memory.h), and the structure fields laid over them.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "core/registry.h"
#include "values/low_memory.h"

namespace tolven {

// The memory behind a 32-bit data address. Check memory_readable /
// memory_writable first: a program may point a variable anywhere.
inline uint8_t* area_pointer(uint32_t address) { return address_pointer(address); }

// Field access "AREA#.FIELD" or ".FIELD" (under WITH). The read leaves the
// field's value in the result slots; the write stores the value in the
// result slots (the assignment has read it).
void read_structure_field(std::string_view name);
void write_structure_field(std::string_view target);

// True when a name addresses a structure field.
inline bool is_field_name(std::string_view name) {
    return (!name.empty() && name[0] == '.') || name.find("#.") != std::string_view::npos;
}

// The name given by the active WITH, empty when none.
const std::string& with_name();

// DIM, DISPOSE, STRUCT, WITH, ENDWITH and the POKE writes into area
// variables; its reset forgets structures and the WITH name.
extern const Module kAreaModule;

}  // namespace tolven
