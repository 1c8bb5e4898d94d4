// The statements and functions on the item list that need no dialog.
#pragma once

namespace tolven {

// Clear (0xDC), add (0xDD) and set (0xF4); called by register_file_statements.
void register_item_list_statements();

// ---- function handlers (function tokens) ----
void item_function();           // 0x9D: entry i; runtime error 206 above the last
void items_to_area_function();  // 41: the entries with a separator into an area variable
void join_items_function();     // 42: the entries with a separator as one string

}  // namespace tolven
