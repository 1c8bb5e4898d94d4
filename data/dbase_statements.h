// The language side of the dBase engine (data/dbf.h): the table and index
// functions and the three table statements read their arguments with the
// argument reader and call the engine.
#pragma once

#include <cstdint>

#include "core/registry.h"

namespace tolven {

// MEMOWIDTH, CREATEINDEX, CREATETABLE and the table functions.
extern const Module kDbaseModule;

// Where the table functions learn the text font in use (font 1 means the
// program's texts are OEM and are converted on the way in and out). The
// text screen owns the font; the composition root connects the two, so the
// data module does not reach into the screen module.
void set_text_font_source(int32_t (*source)());

}  // namespace tolven
