// Windows and controls a program makes and works with: the create
// functions, the functions and statements that query and change windows
// through messages, the window search and the move statement. The runtime
// keeps no table of these objects; a program holds each by its window
// handle. The handlers live in gui/win32/window_objects_win32.cpp; the
// tables are here, in a portable header, so the native tools know these
// tokens are built.
#pragma once

#include "core/registry.h"

namespace tolven {

// ---- creating ----
void create_object_function();
void create_text_function();
void create_icon_function();
void create_button_function();
void create_default_button_function();
void create_check_box_function();
void create_radio_button_function();
void create_group_box_function();
void create_edit_function();
void create_multi_edit_function();
void create_list_box_function();
void create_sorted_list_box_function();
void create_choice_box_function();
void create_hscroll_function();
void create_vscroll_function();
void create_window_function();
void create_dialog_function();
void create_ext_dialog_function();
void general_window_function();

// ---- messages ----
void window_text_function();
void get_check_function();
void get_style_function();
void client_height_function();
void client_width_function();
void dialog_item_function();
void post_message_function();
void send_message_function();
void scroll_pos_function();
void edit_line_function();
void edit_lines_function();
void list_delete_function();
void combo_delete_function();
void list_count_function();
void list_selected_function();
void list_text_function();
void list_insert_function();
void list_select_function();
void list_add_function();
void combo_add_function();
void items_to_list_function();
void items_to_combo_function();
void items_to_text_function();
void insert_tab_function();
void tab_index_function();
void tab_changed_function();
void find_window_function();
void foreground_function();
void set_foreground_function();
void show_window_function();
void set_focus_function();
void has_focus_function();
void destroy_window_function();

// ---- statements ----
void control_font_statement();
void set_window_text_statement();
void set_check_statement();
void set_scroll_pos_statement();
void set_scroll_range_statement();
void enable_window_statement();
void set_style_statement();
void set_window_font_statement();
void move_window_statement();
void maximize_statement();
void minimize_statement();
void show_normal_statement();
void window_list_statement();

// Makes the rich-edit file procedures' addresses readable for programs.
void reset_window_objects();

inline constexpr StatementEntry kWindowObjectStatements[] = {
    {Cmd::CONTROLFONT, control_font_statement},
    {Cmd::SETWINDOWTEXT, set_window_text_statement},
    {Cmd::SETCHECK, set_check_statement},
    {Cmd::SETSCROLLPOS, set_scroll_pos_statement},
    {Cmd::SETSCROLLRANGE, set_scroll_range_statement},
    {Cmd::ENABLEWINDOW, enable_window_statement},
    {Cmd::SETSTYLE, set_style_statement},
    {Cmd::SETWINDOWFONT, set_window_font_statement},
    {Cmd::MOVEWINDOW, move_window_statement},
    {Cmd::MAXIMIZE, maximize_statement},
    {Cmd::MINIMIZE, minimize_statement},
    {Cmd::SHOWNORMAL, show_normal_statement},
    {Cmd::WINDOWLIST, window_list_statement},
};

inline constexpr FunctionEntry kWindowObjectFunctions[] = {
    {Fn::CREATEOBJECT, create_object_function},
    {Fn::TEXT, create_text_function},
    {Fn::ICON, create_icon_function},
    {Fn::BUTTON, create_button_function},
    {Fn::DEFBUTTON, create_default_button_function},
    {Fn::CHECKBOX, create_check_box_function},
    {Fn::RADIOBUTTON, create_radio_button_function},
    {Fn::GROUPBOX, create_group_box_function},
    {Fn::EDIT, create_edit_function},
    {Fn::MULTIEDIT, create_multi_edit_function},
    {Fn::LISTBOX, create_list_box_function},
    {Fn::SORTEDLISTBOX, create_sorted_list_box_function},
    {Fn::CHOICEBOX, create_choice_box_function},
    {Fn::HSCROLL, create_hscroll_function},
    {Fn::VSCROLL, create_vscroll_function},
    {Fn::WINDOW, create_window_function},
    {Fn::DIALOG, create_dialog_function},
    {Fn::EXTDIALOG, create_ext_dialog_function},
    {Fn::CREATEWINDOW, general_window_function},
    {Fn::WINDOWTEXT_S, window_text_function},
    {Fn::GETCHECK, get_check_function},
    {Fn::GETSTYLE, get_style_function},
    {Fn::CLIENTHEIGHT, client_height_function},
    {Fn::CLIENTWIDTH, client_width_function},
    {Fn::DLGITEM, dialog_item_function},
    {Fn::POSTMESSAGE, post_message_function},
    {Fn::SENDMESSAGE, send_message_function},
    {Fn::SCROLLPOS, scroll_pos_function},
    {Fn::EDITLINE_S, edit_line_function},
    {Fn::EDITLINES, edit_lines_function},
    {Fn::LBDELETE, list_delete_function},
    {Fn::CBDELETE, combo_delete_function},
    {Fn::LBCOUNT, list_count_function},
    {Fn::LBSELECTED, list_selected_function},
    {Fn::LBTEXT_S, list_text_function},
    {Fn::LBINSERT, list_insert_function},
    {Fn::LBSELECT, list_select_function},
    {Fn::LBADD, list_add_function},
    {Fn::CBADD, combo_add_function},
    {Fn::ITEMSTOLISTBOX, items_to_list_function},
    {Fn::ITEMSTOCOMBO, items_to_combo_function},
    {Fn::ITEMSTOTEXT, items_to_text_function},
    {Fn::INSERTTAB, insert_tab_function},
    {Fn::TABINDEX, tab_index_function},
    {Fn::TABCHANGED, tab_changed_function},
    {Fn::FINDWINDOW, find_window_function},
    {Fn::FOREGROUND, foreground_function},
    {Fn::SETFOREGROUND, set_foreground_function},
    {Fn::SHOWWINDOW, show_window_function},
    {Fn::SETFOCUS, set_focus_function},
    {Fn::HASFOCUS, has_focus_function},
    {Fn::DESTROYWINDOW, destroy_window_function},
};

inline constexpr Module kWindowObjectModule{"window-objects", kWindowObjectStatements,
                                            kWindowObjectFunctions, reset_window_objects};

}  // namespace tolven
