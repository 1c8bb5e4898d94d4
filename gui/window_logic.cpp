#include "gui/window_logic.h"

#include "gui/item_list.h"
#include "values/charcase.h"

namespace tolven::windows {

namespace {

struct NamedKind {
    const char* keyword;
    ObjectKind kind;
};

constexpr NamedKind kKeywords[] = {
    {"TEXT", ObjectKind::Text},
    {"TABCTRL", ObjectKind::TabCtrl},
    {"EDIT", ObjectKind::Edit},
    {"RICHEDIT", ObjectKind::RichEdit},
    {"MULTIEDIT", ObjectKind::MultiEdit},
    {"WINDOW", ObjectKind::Window},
    {"CHILDWINDOW", ObjectKind::ChildWindow},
    {"DIALOG", ObjectKind::Dialog},
    {"EXTDIALOG", ObjectKind::ExtDialog},
    {"VSCROLL", ObjectKind::VScroll},
    {"HSCROLL", ObjectKind::HScroll},
    {"CHOICEBOX", ObjectKind::ChoiceBox},
    {"SORTEDLISTBOX", ObjectKind::SortedListBox},
    {"LISTBOX", ObjectKind::ListBox},
    {"ICON", ObjectKind::Icon},
    {"GROUPBOX", ObjectKind::GroupBox},
    {"BUTTON", ObjectKind::Button},
    {"DEFBUTTON", ObjectKind::DefButton},
    {"CHECKBOX", ObjectKind::CheckBox},
    {"RADIOBUTTON", ObjectKind::RadioButton},
    {"FONT", ObjectKind::Font},
};

constexpr ControlTraits kText{"STATIC", 0x50000000, 0x50000000, false, true, false};
constexpr ControlTraits kButton{"BUTTON", 0x50010000, 0x50010000, false, true};
constexpr ControlTraits kDefButton{"BUTTON", 0x50010001, 0x50010001, false, true};
constexpr ControlTraits kCheckBox{"BUTTON", 0x50010003, 0x50010003, false, true};
constexpr ControlTraits kRadioButton{"BUTTON", 0x50010009, 0x50010009, false, true};
constexpr ControlTraits kGroupBox{"BUTTON", 0x50020007, 0x50020007, false, true};
constexpr ControlTraits kEdit{"EDIT", 0x50010080, 0x500100A0, true, true};
constexpr ControlTraits kMultiEdit{"EDIT", 0x50311144, 0x50211144, true, true};
// The class is the one of the rich-edit library that could be loaded.
constexpr ControlTraits kRichEdit{"RICHEDIT20A", 0x54214044, 0x54214044, false, true};
constexpr ControlTraits kListBox{"LISTBOX", 0x50B101C1, 0x50B101C1, true, true};
constexpr ControlTraits kSortedListBox{"LISTBOX", 0x50B101C3, 0x50B101C3, true, true};
constexpr ControlTraits kChoiceBox{"COMBOBOX", 0x50B10303, 0x50B10303, false, true};
constexpr ControlTraits kHScroll{"SCROLLBAR", 0x50010000, 0x50010000, false, false};
constexpr ControlTraits kVScroll{"SCROLLBAR", 0x50010001, 0x50010001, false, false};
constexpr ControlTraits kTabCtrl{"SysTabControl32", 0x50010000, 0x50010000, false, true};

}  // namespace

std::optional<ObjectKind> object_kind(std::string_view keyword) {
    const std::string upper = ansi_upper(keyword);
    for (const NamedKind& k : kKeywords)
        if (upper == k.keyword) return k.kind;
    return std::nullopt;
}

const ControlTraits* control_traits(ObjectKind kind) {
    switch (kind) {
        case ObjectKind::Text: return &kText;
        case ObjectKind::Button: return &kButton;
        case ObjectKind::DefButton: return &kDefButton;
        case ObjectKind::CheckBox: return &kCheckBox;
        case ObjectKind::RadioButton: return &kRadioButton;
        case ObjectKind::GroupBox: return &kGroupBox;
        case ObjectKind::Edit: return &kEdit;
        case ObjectKind::MultiEdit: return &kMultiEdit;
        case ObjectKind::RichEdit: return &kRichEdit;
        case ObjectKind::ListBox: return &kListBox;
        case ObjectKind::SortedListBox: return &kSortedListBox;
        case ObjectKind::ChoiceBox: return &kChoiceBox;
        case ObjectKind::HScroll: return &kHScroll;
        case ObjectKind::VScroll: return &kVScroll;
        case ObjectKind::TabCtrl: return &kTabCtrl;
        default: return nullptr;
    }
}

bool join_items(const ItemList& items, std::string& text) {
    text.clear();
    bool complete = true;
    for (int32_t k = 0; k < items.size(); ++k) {
        const std::string& entry = items[k];
        if (text.size() + entry.size() > kMaxJoinedText) {
            complete = false;
            continue;
        }
        text += entry;
        text += "\r\n";
    }
    return complete;
}

bool caption_starts_with(std::string_view caption, std::string_view prefix) {
    if (caption.size() < prefix.size()) return false;
    for (size_t k = 0; k < prefix.size(); ++k)
        if (ansi_upper(static_cast<unsigned char>(caption[k])) !=
            ansi_upper(static_cast<unsigned char>(prefix[k])))
            return false;
    return true;
}

int32_t show_mode(int32_t mode) { return mode < 0 || mode > 9 ? 0 : mode; }

}  // namespace tolven::windows
