// What the window and control objects work out without the platform: the
// kinds a program can name and how each is made, the control id counter,
// the window text joined from the item list and the caption comparison of
// the window search.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tolven {

class ItemList;

namespace windows {

// The kinds of object the create-by-keyword function knows, in the order it
// compares their keywords.
enum class ObjectKind {
    Text, TabCtrl, Edit, RichEdit, MultiEdit, Window, ChildWindow, Dialog, ExtDialog,
    VScroll, HScroll, ChoiceBox, SortedListBox, ListBox, Icon, GroupBox, Button,
    DefButton, CheckBox, RadioButton, Font,
};

// The kind named by `keyword`, compared in upper case; nullopt when the
// keyword names none.
std::optional<ObjectKind> object_kind(std::string_view keyword);

// How a control kind is made. Window, dialog, icon and font kinds are made
// their own way and have no entry.
struct ControlTraits {
    const char* window_class;
    uint32_t style;
    // The style when the height is negative (EDIT: a password field;
    // MULTIEDIT: no horizontal scroll bar); the same as `style` otherwise.
    uint32_t negative_style;
    bool client_edge;  // gets WS_EX_CLIENTEDGE after creation
    bool takes_font;   // gets the control font while it is switched on
    bool takes_id = true;  // gets the next control id
};
const ControlTraits* control_traits(ObjectKind kind);

// The item list joined into one window text, each entry followed by CR LF.
// An entry that would make the text longer than kMaxJoinedText is left out
// (later, shorter ones are still tried); false when one was.
constexpr size_t kMaxJoinedText = 639998;
bool join_items(const ItemList& items, std::string& text);

// Whether `caption` starts with `prefix`, case ignored (ANSI rules). An
// empty prefix matches every caption.
bool caption_starts_with(std::string_view caption, std::string_view prefix);

// The show mode that ShowWindow is given: modes outside 0..9 hide.
int32_t show_mode(int32_t mode);

// The height of WINDOW, CHILDWINDOW and DIALOG objects, read as a signed
// 16-bit value.
inline int32_t short_height(int32_t height) { return static_cast<int16_t>(height); }

}  // namespace windows
}  // namespace tolven
