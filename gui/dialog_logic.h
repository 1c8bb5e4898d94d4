// What the ready-made dialogs work out without the platform: which template
// a variant opens, the edit box's text from the item list and its lines
// back, the list box's order and width, the answers the automation gives
// in place of a user, and the trimming of results.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tolven {

class ItemList;

namespace dialogs {

// "EDITBOX2" for variant 2, else "EDITBOX1".
const char* edit_box_template(int32_t variant);
// "LISTBOX1" .. "LISTBOX6" and "LISTBOX8" for those variants, else
// "LISTBOX7".
const char* list_box_template(int32_t variant);
// Whether the list box of that template sorts its lines.
bool list_box_sorts(std::string_view template_name);

// Characters with codes up to 32 removed at both ends.
std::string trimmed(std::string_view text);

// The input dialog's field takes at most this many characters.
constexpr size_t kMaxInput = 254;

// ---- edit box ----

// The text of the edit field: the entries in order, separated by CR LF. An
// entry is taken only while the text stays below kMaxEditText bytes
// (counting the entry); longer ones are left out.
std::string edit_text(const ItemList& items);
constexpr size_t kMaxEditText = 63999;

// The edit box reads back at most this many lines of at most this many
// characters when it is confirmed.
constexpr int32_t kMaxEditLines = 32767;
constexpr size_t kMaxEditLine = 255;

// Lines of a text (CR LF, CR or LF end a line; a text is at least one
// line), limited as the edit box reads them back.
std::vector<std::string> edit_lines(std::string_view text);

// The automation writes the edit box's text on one line, each line break
// as backslash and n; these convert between that and the lines.
std::vector<std::string> edit_lines_from_answer(std::string_view answer);
std::string edit_answer(const std::vector<std::string>& lines);

// Empties the item list and adds the lines; adding stops silently when
// the list is full.
void store_edit_lines(ItemList& items, const std::vector<std::string>& lines);

// ---- list box ----

// The horizontal extent of the list: 9 pixels per character of the longest
// entry.
int32_t list_extent(const ItemList& items);

// The entries' indices in the order the list box shows them: as they are,
// or, sorted, by their text without regard to case (equal texts keep
// their order), as the platform's sorted list box places them.
std::vector<int32_t> list_order(const ItemList& items, bool sorted);

// The line an answer chooses: the first line, in the order shown, whose
// text equals the answer (both trimmed). `row` is its row in the list box,
// `text` the line as it is.
struct ListChoice {
    bool found = false;
    int32_t row = -1;
    std::string text;
};
ListChoice choose_line(const ItemList& items, bool sorted, std::string_view answer);

// ---- folder ----

// The chosen folder with a backslash at its end (none added when it has
// one).
std::string folder_with_backslash(std::string_view path);

}  // namespace dialogs
}  // namespace tolven
