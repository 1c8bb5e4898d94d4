#include "gui/window_objects.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "core/errors.h"
#include "gui/gui_state.h"
#include "gui/item_list.h"
#include "gui/win32/rich_edit_win32.h"
#include "gui/window_logic.h"
#include "screen/events.h"
#include "screen/pixel_text.h"
#include "screen/screen_state.h"
#include "screen/win32/main_window.h"
#include "values/charcase.h"
#include "values/dll.h"
#include "values/functions.h"
#include "values/reader.h"

namespace tolven {

using windows::ControlTraits;
using windows::ObjectKind;

namespace {

// Programs hold window handles as 32-bit values; the platform's handles
// are 32-bit values sign-extended, also in the 64-bit build.
HWND window_of(int32_t v) { return reinterpret_cast<HWND>(static_cast<intptr_t>(v)); }
int32_t value_of(const void* h) {
    return static_cast<int32_t>(reinterpret_cast<uintptr_t>(h));
}
WPARAM word_param(int32_t v) { return static_cast<WPARAM>(static_cast<intptr_t>(v)); }
LPARAM long_param(int32_t v) { return static_cast<LPARAM>(v); }

HINSTANCE instance() { return GetModuleHandleA(nullptr); }

HWND read_window(char separator) { return window_of(read_long(separator)); }

// Texts and entries go through buffers of this size.
constexpr int kTextBuffer = 32768;

// The arguments every create function but ICON and EXTDIALOG reads.
struct Placement {
    HWND parent = nullptr;
    std::string text;
    int32_t x = 0, y = 0, width = 0, height = 0;
};

Placement read_placement() {
    Placement p;
    p.parent = read_window(',');
    p.text = read_string(',');
    p.x = read_int(',');
    p.y = read_int(',');
    p.width = read_int(',');
    p.height = read_int(')');
    return p;
}

void apply_control_font(HWND h) {
    if (h && gui_state.control_font)
        SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(custom_font()), 1);
}

// Windows whose keys (Tab, Enter, Esc) the pump hands to the dialog
// navigation: the dialog windows made last.
void make_current_dialog(HWND h) {
    if (h) current_dialog = h;
}

void give_client_edge(HWND h, int32_t x, int32_t y, int32_t width, int32_t height) {
    SetWindowLongA(h, GWL_EXSTYLE, WS_EX_CLIENTEDGE);
    SetWindowPos(h, nullptr, x, y, width, height, SWP_NOZORDER | SWP_FRAMECHANGED);
}

// The window class of the rich-edit library that could be loaded, null
// when neither can be. The libraries stay loaded.
const char* rich_edit_class() {
    if (LoadLibraryA("RICHED20.DLL")) return "RICHEDIT20A";
    if (LoadLibraryA("RICHED32.DLL")) return "RichEdit";
    return nullptr;
}

HWND create_control(ObjectKind kind, const Placement& p) {
    const ControlTraits& traits = *windows::control_traits(kind);
    const char* window_class = traits.window_class;
    if (kind == ObjectKind::RichEdit) {
        window_class = rich_edit_class();
        if (!window_class) return nullptr;
    } else if (kind == ObjectKind::TabCtrl) {
        // The tab control's class comes with the common controls, which
        // are made ready here so that it exists.
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TAB_CLASSES};
        InitCommonControlsEx(&icc);
    }
    const bool edit = kind == ObjectKind::Edit || kind == ObjectKind::MultiEdit ||
                      kind == ObjectKind::RichEdit;
    const bool negative = p.height < 0 && kind != ObjectKind::RichEdit;
    const DWORD style = negative ? traits.negative_style : traits.style;
    const int32_t id = traits.takes_id ? take_control_id() : 0;
    HMENU id_param = reinterpret_cast<HMENU>(static_cast<intptr_t>(id));
    HWND h;
    if (edit) {
        h = CreateWindowExA(0, window_class, p.text.c_str(), style, 0, 0, 0, 0, p.parent,
                            id_param, instance(), nullptr);
        if (h) give_client_edge(h, p.x, p.y, p.width, std::abs(p.height));
    } else {
        h = CreateWindowExA(0, window_class, p.text.c_str(), style, p.x, p.y, p.width, p.height,
                            p.parent, id_param, instance(), nullptr);
        if (h && traits.client_edge) give_client_edge(h, p.x, p.y, p.width, p.height);
    }
    if (!h) return nullptr;
    if (kind == ObjectKind::HScroll || kind == ObjectKind::VScroll) {
        SetScrollRange(h, SB_CTL, 0, 100, FALSE);
    } else if (kind == ObjectKind::TabCtrl) {
        TCITEMA tab{};
        tab.mask = TCIF_TEXT;
        std::string text = p.text;
        tab.pszText = text.data();
        tab.cchTextMax = 80;
        SendMessageA(h, TCM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&tab));
        SendMessageA(h, TCM_SETITEMA, 0, reinterpret_cast<LPARAM>(&tab));
    }
    if (traits.takes_font) apply_control_font(h);
    return h;
}

// WINDOW and CHILDWINDOW: of the main window's class when the height is
// negative, else of the "DIALOG" class; no id.
HWND create_window(const Placement& p, bool child) {
    const int32_t height = windows::short_height(p.height);
    const char* window_class = height < 0 ? "FENSTER" : "DIALOG";
    const DWORD style = child ? 0x40CF0000u : window_settings.style;
    HWND h = CreateWindowExA(0, window_class, p.text.c_str(), style, p.x, p.y, p.width,
                             std::abs(height), p.parent, nullptr, instance(), nullptr);
    if (!h) return nullptr;
    ShowWindow(h, SW_SHOWNORMAL);
    // A child window is navigated as part of the window it lies in.
    if (height >= 0 && !child) make_current_dialog(h);
    return h;
}

HWND create_dialog(const Placement& p) {
    HWND h = CreateDialogParamA(instance(), "LDIALOG", p.parent, dialog_box_proc, 0);
    if (!h) return nullptr;
    SetWindowTextA(h, p.text.c_str());
    SetWindowPos(h, nullptr, p.x, p.y, p.width, windows::short_height(p.height), SWP_NOZORDER);
    apply_control_font(h);
    ShowWindow(h, SW_SHOWNORMAL);
    make_current_dialog(h);
    return h;
}

// A whole number names a template by its resource id.
bool is_resource_number(const std::string& s) {
    return !s.empty() && s.size() <= 5 &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
           std::atoi(s.c_str()) <= 0xFFFF;
}

HWND create_ext_dialog() {
    const int32_t module = read_long(',');
    HWND parent = read_window(',');
    const std::string name = read_string(')');
    const auto handle = reinterpret_cast<HINSTANCE>(dll::real_address(static_cast<uint32_t>(module)));
    const char* resource = is_resource_number(name)
                               ? MAKEINTRESOURCEA(std::atoi(name.c_str()))
                               : name.c_str();
    HWND h = CreateDialogParamA(handle, resource, parent, dialog_box_proc, 0);
    if (!h) return nullptr;
    ShowWindow(h, SW_SHOWNORMAL);
    make_current_dialog(h);
    return h;
}

HWND create_icon() {
    HWND parent = read_window(',');
    const std::string name = read_string(',');
    const int32_t x = read_int(',');
    const int32_t y = read_int(')');
    return CreateWindowExA(0, "STATIC", name.c_str(), 0x50000003, x, y, 0, 0, parent, nullptr,
                           instance(), nullptr);
}

HWND create_kind(ObjectKind kind) {
    switch (kind) {
        case ObjectKind::Icon: return create_icon();
        case ObjectKind::ExtDialog: return create_ext_dialog();
        case ObjectKind::Window: return create_window(read_placement(), false);
        case ObjectKind::ChildWindow: return create_window(read_placement(), true);
        case ObjectKind::Dialog: return create_dialog(read_placement());
        default: return create_control(kind, read_placement());
    }
}

void create_function(ObjectKind kind) { set_result_int(value_of(create_kind(kind))); }

}  // namespace

// ---- creating ----

void create_object_function() {
    const bool more = which_comes_first() == ',';
    const std::string keyword = read_string(more ? ',' : ')');
    const auto kind = windows::object_kind(keyword);
    if (!kind) {
        raise_error(261, ansi_upper(keyword));
        if (more) skip_call_arguments();
        set_result_int(0);
        return;
    }
    if (*kind == ObjectKind::Font) {
        create_font_function();
        return;
    }
    create_function(*kind);
}

void create_text_function() { create_function(ObjectKind::Text); }
void create_icon_function() { create_function(ObjectKind::Icon); }
void create_button_function() { create_function(ObjectKind::Button); }
void create_default_button_function() { create_function(ObjectKind::DefButton); }
void create_check_box_function() { create_function(ObjectKind::CheckBox); }
void create_radio_button_function() { create_function(ObjectKind::RadioButton); }
void create_group_box_function() { create_function(ObjectKind::GroupBox); }
void create_edit_function() { create_function(ObjectKind::Edit); }
void create_multi_edit_function() { create_function(ObjectKind::MultiEdit); }
void create_list_box_function() { create_function(ObjectKind::ListBox); }
void create_sorted_list_box_function() { create_function(ObjectKind::SortedListBox); }
void create_choice_box_function() { create_function(ObjectKind::ChoiceBox); }
void create_hscroll_function() { create_function(ObjectKind::HScroll); }
void create_vscroll_function() { create_function(ObjectKind::VScroll); }
void create_window_function() { create_function(ObjectKind::Window); }
void create_dialog_function() { create_function(ObjectKind::Dialog); }
void create_ext_dialog_function() { create_function(ObjectKind::ExtDialog); }

void general_window_function() {
    const std::string window_class = read_string(',');
    const std::string text = read_string(',');
    const auto style = static_cast<DWORD>(read_long(','));
    const int32_t x = read_int(',');
    const int32_t y = read_int(',');
    const int32_t width = read_int(',');
    const int32_t height = read_int(',');
    HWND parent = read_window(',');
    const int32_t id = read_long(',');
    const bool extended = which_comes_first() == ',';
    const int32_t module = read_long(extended ? ',' : ')');
    const auto ex_style = static_cast<DWORD>(extended ? read_long(')') : 0);
    HWND h = CreateWindowExA(ex_style, window_class.c_str(), text.c_str(), style, x, y, width,
                             height, parent, reinterpret_cast<HMENU>(static_cast<intptr_t>(id)),
                             reinterpret_cast<HINSTANCE>(dll::real_address(static_cast<uint32_t>(module))),
                             nullptr);
    apply_control_font(h);
    set_result_long(value_of(h));
}

// ---- messages ----

namespace {

std::string text_of(HWND h) {
    std::string text(kTextBuffer, '\0');
    const LRESULT n = SendMessageA(h, WM_GETTEXT, kTextBuffer, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(std::clamp<LRESULT>(n, 0, kTextBuffer - 1)));
    return text;
}

// The caption as the window search reads it, at most `limit` characters.
// Windows of other programs are read without a message, so that a hung
// program cannot stop the search.
std::string caption_of(HWND h, int limit) {
    std::string text(static_cast<size_t>(limit) + 1, '\0');
    const int n = GetWindowTextA(h, text.data(), limit + 1);
    text.resize(static_cast<size_t>(std::clamp(n, 0, limit)));
    return text;
}

// Calls `visit` with every top-level window, first to last, until it
// returns true; that window, or null.
template <class Visit>
HWND walk_top_level(Visit visit) {
    // Windows that come and go while the walk runs can send it round in
    // circles; no desktop holds this many windows.
    constexpr int kMostWindows = 1 << 16;
    HWND h = GetWindow(GetDesktopWindow(), GW_CHILD);
    if (h) h = GetWindow(h, GW_HWNDFIRST);
    for (int k = 0; h && k < kMostWindows; h = GetWindow(h, GW_HWNDNEXT), ++k)
        if (visit(h)) return h;
    return nullptr;
}

// A message to `h` with one integer argument; its result.
LRESULT send_with(UINT message, char separator_after_handle = ')') {
    HWND h = read_window(separator_after_handle);
    return SendMessageA(h, message, 0, 0);
}

LRESULT send_index(UINT message) {
    HWND h = read_window(',');
    const int32_t index = read_int(')');
    return SendMessageA(h, message, word_param(index), 0);
}

LRESULT send_text(UINT message) {
    HWND h = read_window(',');
    const std::string text = read_string(')');
    return SendMessageA(h, message, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

LRESULT send_index_text(UINT message) {
    HWND h = read_window(',');
    const int32_t index = read_int(',');
    const std::string text = read_string(')');
    return SendMessageA(h, message, word_param(index), reinterpret_cast<LPARAM>(text.c_str()));
}

void result_of(LRESULT r) { set_result_int(static_cast<int32_t>(r)); }

// Every item list entry added with `message`; the result of the last, the
// result slot as the reader left it when the list is empty.
void add_items(UINT message) {
    HWND h = read_window(')');
    int32_t result = slots.i;
    for (int32_t k = 0; k < item_list.size(); ++k)
        result = static_cast<int32_t>(
            SendMessageA(h, message, 0, reinterpret_cast<LPARAM>(item_list[k].c_str())));
    set_result_int(result);
}

}  // namespace

void window_text_function() { set_result_string(text_of(read_window(')'))); }

void get_check_function() { result_of(send_with(BM_GETCHECK)); }

void get_style_function() { result_of(GetWindowLongA(read_window(')'), GWL_STYLE)); }

void client_height_function() {
    RECT r{};
    GetClientRect(read_window(')'), &r);
    set_result_int(r.bottom);
}

void client_width_function() {
    RECT r{};
    GetClientRect(read_window(')'), &r);
    set_result_int(r.right);
}

void dialog_item_function() {
    HWND h = read_window(',');
    const int32_t id = read_int(')');
    set_result_int(value_of(GetDlgItem(h, id)));
}

namespace {

struct Message {
    HWND h;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
};

Message read_message() {
    Message m;
    m.h = read_window(',');
    m.message = static_cast<UINT>(read_long(','));
    m.wparam = word_param(read_long(','));
    m.lparam = long_param(read_long(')'));
    return m;
}

}  // namespace

void post_message_function() {
    const Message m = read_message();
    set_result_int(PostMessageA(m.h, m.message, m.wparam, m.lparam) ? 1 : 0);
}

void send_message_function() {
    struct Call {
        Message m;
        LRESULT result;
    } call{read_message(), 0};
    // The parameters may be addresses the program made up; the control
    // that reads them must not take the runtime down with it.
    dll::run_guarded("Nachricht " + std::to_string(call.m.message),
                     [](void* c) {
                         auto* k = static_cast<Call*>(c);
                         k->result = SendMessageA(k->m.h, k->m.message, k->m.wparam, k->m.lparam);
                     },
                     &call);
    Sleep(1);
    set_result_long(static_cast<int32_t>(call.result));
}

void scroll_pos_function() { set_result_int(GetScrollPos(read_window(')'), SB_CTL)); }

void edit_line_function() {
    HWND h = read_window(',');
    const int32_t line = read_int(')');
    std::string text(kTextBuffer, '\0');
    *reinterpret_cast<WORD*>(text.data()) = 0x7FFF;
    const LRESULT n = SendMessageA(h, EM_GETLINE, word_param(line), reinterpret_cast<LPARAM>(text.data()));
    text.resize(n > 0 ? static_cast<size_t>(std::min<LRESULT>(n, 0x7FFF)) : 0);
    set_result_string(text);
}

void edit_lines_function() { result_of(send_with(EM_GETLINECOUNT)); }
void list_delete_function() { result_of(send_index(LB_DELETESTRING)); }
void combo_delete_function() { result_of(send_index(CB_DELETESTRING)); }
void list_count_function() { result_of(send_with(LB_GETCOUNT)); }
void list_selected_function() { result_of(send_with(LB_GETCURSEL)); }

void list_text_function() {
    HWND h = read_window(',');
    const int32_t index = read_int(')');
    const LRESULT n = SendMessageA(h, LB_GETTEXTLEN, word_param(index), 0);
    std::string text;
    if (n >= 0 && n < kTextBuffer) {
        text.assign(static_cast<size_t>(n) + 1, '\0');
        const LRESULT got =
            SendMessageA(h, LB_GETTEXT, word_param(index), reinterpret_cast<LPARAM>(text.data()));
        text.resize(got >= 0 && got <= n ? static_cast<size_t>(got) : 0);
    }
    set_result_string(text);
}

void list_insert_function() { result_of(send_index_text(LB_INSERTSTRING)); }
void list_select_function() { result_of(send_index_text(LB_SELECTSTRING)); }
void list_add_function() { result_of(send_text(LB_ADDSTRING)); }
void combo_add_function() { result_of(send_text(CB_ADDSTRING)); }
void items_to_list_function() { add_items(LB_ADDSTRING); }
void items_to_combo_function() { add_items(CB_ADDSTRING); }

void items_to_text_function() {
    HWND h = read_window(')');
    std::string text;
    const bool complete = windows::join_items(item_list, text);
    SetWindowTextA(h, text.c_str());
    set_result_int(complete ? 1 : 0);
}

void insert_tab_function() {
    HWND h = read_window(',');
    const int32_t position = read_int(',');
    std::string text = read_string(')');
    TCITEMA tab{};
    tab.mask = TCIF_TEXT;
    tab.pszText = text.data();
    tab.cchTextMax = 80;
    result_of(SendMessageA(h, TCM_INSERTITEMA, word_param(position), reinterpret_cast<LPARAM>(&tab)));
}

void tab_index_function() { result_of(send_with(TCM_GETCURSEL)); }

void tab_changed_function() {
    const auto h = static_cast<uint32_t>(read_long(')'));
    set_result_int(take_tab_change(h) ? 1 : 0);
}

void find_window_function() {
    const std::string prefix = read_string(')');
    HWND found = walk_top_level([&](HWND h) {
        return windows::caption_starts_with(caption_of(h, 255), prefix);
    });
    set_result_int(value_of(found));
}

void foreground_function() {
    set_result_int(value_of(GetForegroundWindow()));
}

void set_foreground_function() {
    HWND h = read_window(')');
    HWND before = GetForegroundWindow();
    SetForegroundWindow(h);
    set_result_int(value_of(before));
}

void show_window_function() {
    HWND h = read_window(',');
    const int32_t mode = windows::show_mode(read_int(')'));
    set_result_int(ShowWindow(h, mode) ? 1 : 0);
}

void set_focus_function() { set_result_int(value_of(SetFocus(read_window(')')))); }

void has_focus_function() {
    const int32_t h = read_long(')');
    set_result_int(h == focus_as_seen(static_cast<uint32_t>(value_of(GetFocus()))) ? 1 : 0);
}

void destroy_window_function() { set_result_int(DestroyWindow(read_window(')')) ? 1 : 0); }

// ---- statements ----

void control_font_statement() { gui_state.control_font = read_int(' ') != 0; }

void set_window_text_statement() {
    HWND h = read_window(',');
    const std::string text = read_string(' ');
    SetWindowTextA(h, text.c_str());
}

void set_check_statement() {
    HWND h = read_window(',');
    const int32_t n = read_int(' ');
    SendMessageA(h, BM_SETCHECK, n != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
}

void set_scroll_pos_statement() {
    HWND h = read_window(',');
    const int32_t position = read_int(' ');
    SetScrollPos(h, SB_CTL, position, TRUE);
}

void set_scroll_range_statement() {
    HWND h = read_window(',');
    const int32_t minimum = read_int(',');
    const int32_t maximum = read_int(' ');
    SetScrollRange(h, SB_CTL, minimum, maximum, TRUE);
}

void enable_window_statement() {
    HWND h = read_window(',');
    const int32_t n = read_int(' ');
    EnableWindow(h, n != 0);
}

void set_style_statement() {
    HWND h = read_window(',');
    const int32_t style = read_long(' ');
    SetWindowLongA(h, GWL_STYLE, style);
    InvalidateRect(h, nullptr, TRUE);
}

void set_window_font_statement() {
    HWND h = read_window(',');
    const int32_t font = read_long(' ');
    SendMessageA(h, WM_SETFONT, word_param(font), 1);
}

void move_window_statement() {
    HWND h = read_window('=');
    const int32_t x = read_int(',');
    const int32_t y = read_int('-');
    const int32_t width = read_int(',');
    int32_t height;
    HWND after = nullptr;
    if (reader.rest.find(';') != std::string_view::npos) {
        height = read_int(';');
        after = read_window(' ');
    } else {
        height = read_int(' ');
    }
    if (x < 0 || y < 0 || width < 0 || height < 0) raise_warning(223);
    SetWindowPos(h, after, x, y, width, height, after ? 0 : SWP_NOZORDER);
}

namespace {

void show_main_window(int mode) {
    ensure_main_window();
    if (HWND h = main_window_handle()) {
        ShowWindow(h, mode);
        UpdateWindow(h);
    }
}

}  // namespace

void maximize_statement() { show_main_window(SW_SHOWMAXIMIZED); }
void minimize_statement() { show_main_window(SW_SHOWMINIMIZED); }
void show_normal_statement() { show_main_window(SW_SHOWNORMAL); }

void window_list_statement() {
    const std::string prefix = read_string(' ');
    bool full = false;
    walk_top_level([&](HWND h) {
        const std::string caption = caption_of(h, kTextBuffer - 1);
        if (caption.empty() || !windows::caption_starts_with(caption, prefix)) return false;
        full = !item_list.add(caption);
        return full;
    });
    if (full) raise_error(232);
}

void reset_window_objects() { publish_rich_edit_procedures(); }

}  // namespace tolven
