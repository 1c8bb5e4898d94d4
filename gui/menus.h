// The menu bar, popup and context menus of the main window, the timer and
// DDE conversations. The handlers live in gui/win32/menus_win32.cpp; the
// table is here, in a portable header, so the native tools know these
// tokens are built.
#pragma once

#include <cstdint>

#include "core/registry.h"

namespace tolven {

void menu_item_statement();
void popup_statement();
void sub_popup_statement();
void end_sub_popup_statement();
void context_menu_statement();
void popup_item_statement();
void separator_statement();
void track_popup_statement();
void insert_menu_item_statement();
void check_menu_item_statement();
void enable_menu_item_statement();
void delete_menu_item_statement();
void load_menu_statement();
void set_timer_statement();
void kill_timer_statement();
void dde_initiate_statement();
void dde_execute_statement();
void dde_terminate_statement();
void reset_menus();

// The timer runs (and its window, if it has one, still exists).
bool timer_running();

// Sub-popups open at once at most.
inline constexpr int kMaxSubPopups = 11;

inline constexpr StatementEntry kMenuStatements[] = {
    {Cmd::MENUITEM, menu_item_statement},
    {Cmd::POPUP, popup_statement},
    {Cmd::SUBPOPUP, sub_popup_statement},
    {Cmd::ENDSUBPOPUP, end_sub_popup_statement},
    {Cmd::CONTEXTMENU, context_menu_statement},
    {Cmd::POPUPITEM, popup_item_statement},
    {Cmd::SEPARATOR, separator_statement},
    {Cmd::TRACKPOPUP, track_popup_statement},
    {Cmd::INSERTMENUITEM, insert_menu_item_statement},
    {Cmd::CHECKMENUITEM, check_menu_item_statement},
    {Cmd::ENABLEMENUITEM, enable_menu_item_statement},
    {Cmd::DELETEMENUITEM, delete_menu_item_statement},
    {Cmd::LOADMENU, load_menu_statement},
    {Cmd::SETTIMER, set_timer_statement},
    {Cmd::KILLTIMER, kill_timer_statement},
    {Cmd::DDEINITIATE, dde_initiate_statement},
    {Cmd::DDEEXECUTE, dde_execute_statement},
    {Cmd::DDETERMINATE, dde_terminate_statement},
};
inline constexpr Module kMenuModule{"menus", kMenuStatements, {}, reset_menus};

}  // namespace tolven
