// The statements and functions on the item list that need no dialog.
#pragma once

#include "core/registry.h"

namespace tolven {

// Clear, add and set entries; read one, join them into a text or an area.
extern const Module kItemListModule;

void item_function();           // entry i; runtime error 206 above the last
void items_to_area_function();  // the entries with a separator into an area variable
void join_items_function();     // the entries with a separator as one string

}  // namespace tolven
