// The language side of the dBase engine (data/dbf.h): the table and index
// functions and the three table statements read their arguments with the
// argument reader and call the engine.
#pragma once

#include "core/registry.h"

namespace tolven {

// MEMOWIDTH, CREATEINDEX, CREATETABLE and the table functions.
extern const Module kDbaseModule;

}  // namespace tolven
