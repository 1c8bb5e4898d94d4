// Menus, the timer and DDE on the platform. Menu handles stay inside the
// runtime (programs name items by their ids), so they need no 32-bit
// stand-ins.
#include <windows.h>
#include <dde.h>

#include <cstring>
#include <string>

#include "core/errors.h"
#include "gui/gui_state.h"
#include "gui/menus.h"
#include "screen/bitmaps.h"
#include "screen/events.h"
#include "screen/screen_state.h"
#include "screen/win32/main_window.h"
#include "values/dll.h"
#include "values/reader.h"

namespace tolven {

namespace {

HMENU current_popup = nullptr;
// The context menu made by CONTEXTMENU and not shown yet: no menu holds it.
HMENU free_popup = nullptr;
HMENU popup_stack[kMaxSubPopups] = {};
int depth = 0;

bool timer_on = false;
HWND timer_window = nullptr;
UINT_PTR thread_timer = 0;

// Without a window the timer belongs to the thread; its ticks come here.
void CALLBACK thread_timer_tick(HWND, UINT m, UINT_PTR id, DWORD) {
    events.current_message = {0, m, static_cast<int32_t>(id), 0};
    events.timer_flag = true;
}

// The main window, made when there is none, and its menu bar, made when it
// has none.
HMENU menu_bar() {
    ensure_main_window();
    HWND w = main_window_handle();
    if (!w) return nullptr;
    HMENU bar = GetMenu(w);
    if (!bar) {
        bar = CreateMenu();
        if (bar && !SetMenu(w, bar)) {
            DestroyMenu(bar);
            bar = nullptr;
        }
    }
    return bar;
}

void redraw_menu_bar() {
    if (HWND w = main_window_handle()) DrawMenuBar(w);
}

// The menu the item changes act on: the main window's, when there is one.
HMENU main_menu() {
    HWND w = main_window_handle();
    return w ? GetMenu(w) : nullptr;
}

void appended(BOOL ok) {
    if (!ok) {
        raise_error(226);
        return;
    }
    redraw_menu_bar();
}

// "id,text"
void append_item(HMENU menu) {
    const int32_t id = read_int(',');
    const std::string text = read_string(' ');
    appended(menu && AppendMenuA(menu, MF_STRING, static_cast<UINT_PTR>(static_cast<uint16_t>(id)),
                                 text.c_str()));
}

void stop_timer() {
    if (timer_window) KillTimer(timer_window, 1);
    if (thread_timer) KillTimer(nullptr, thread_timer);
    timer_window = nullptr;
    thread_timer = 0;
    timer_on = false;
}

}  // namespace

void menu_item_statement() { append_item(menu_bar()); }

namespace {

// A new popup appended to `parent` as its item with `text`; null (error 226
// raised) when that fails.
HMENU new_popup_in(HMENU parent, const std::string& text) {
    HMENU popup = CreatePopupMenu();
    if (!parent || !popup ||
        !AppendMenuA(parent, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), text.c_str())) {
        if (popup) DestroyMenu(popup);
        raise_error(226);
        return nullptr;
    }
    redraw_menu_bar();
    return popup;
}

}  // namespace

void popup_statement() {
    const std::string text = read_string(' ');
    if (HMENU popup = new_popup_in(menu_bar(), text)) current_popup = popup;
}

void sub_popup_statement() {
    const std::string text = read_string(' ');
    if (depth >= kMaxSubPopups) {
        raise_error(227);
        return;
    }
    HMENU parent = current_popup;
    if (HMENU popup = new_popup_in(parent, text)) {
        popup_stack[depth++] = parent;
        current_popup = popup;
    }
}

void end_sub_popup_statement() {
    if (depth == 0) {
        raise_error(125);
        return;
    }
    current_popup = popup_stack[--depth];
}

void context_menu_statement() {
    // One that was never shown is nobody's any more.
    if (free_popup) DestroyMenu(free_popup);
    free_popup = current_popup = CreatePopupMenu();
}

void popup_item_statement() { append_item(current_popup); }

void separator_statement() {
    appended(current_popup && AppendMenuA(current_popup, MF_SEPARATOR, 0, nullptr));
}

void track_popup_statement() {
    POINT at;
    at.x = read_int(',');
    at.y = read_int(' ');
    ensure_main_window();
    HWND w = main_window_handle();
    HMENU menu = current_popup;
    if (!w || !menu) return;
    ClientToScreen(w, &at);
    {
        // The menu closes when the user clicks elsewhere only while its
        // owner is in front.
        SetForegroundWindow(w);
        ModalAutomation automation;
        TrackPopupMenu(menu, TPM_RIGHTBUTTON, at.x, at.y, 0, w, nullptr);
        PostMessageA(w, WM_NULL, 0, 0);
    }
    // Only the context menu goes: a popup of the menu bar shown this way
    // stays the bar's.
    if (menu == free_popup) {
        DestroyMenu(menu);
        free_popup = current_popup = nullptr;
    }
    InvalidateRect(w, nullptr, FALSE);
    UpdateWindow(w);
    pump_main_messages();
}

void insert_menu_item_statement() {
    const int32_t before = read_int(',');
    const int32_t id = read_int(',');
    const std::string text = read_string(' ');
    HMENU menu = main_menu();
    if (!menu) return;
    appended(InsertMenuA(menu, static_cast<UINT>(static_cast<uint16_t>(before)),
                         MF_BYCOMMAND | MF_STRING,
                         static_cast<UINT_PTR>(static_cast<uint16_t>(id)), text.c_str()));
}

void check_menu_item_statement() {
    const int32_t id = read_int(',');
    const int32_t n = read_int(' ');
    HMENU menu = main_menu();
    if (!menu) return;
    CheckMenuItem(menu, static_cast<UINT>(static_cast<uint16_t>(id)),
                  MF_BYCOMMAND | (n ? MF_CHECKED : MF_UNCHECKED));
    redraw_menu_bar();
}

void enable_menu_item_statement() {
    const int32_t id = read_int(',');
    const int32_t flags = read_int(' ');
    HMENU menu = main_menu();
    if (!menu) return;
    EnableMenuItem(menu, static_cast<UINT>(static_cast<uint16_t>(id)),
                   MF_BYCOMMAND | static_cast<UINT>(flags));
    redraw_menu_bar();
}

void delete_menu_item_statement() {
    const int32_t id = read_int(' ');
    HMENU menu = main_menu();
    if (!menu) return;
    DeleteMenu(menu, static_cast<UINT>(static_cast<uint16_t>(id)), MF_BYCOMMAND);
    redraw_menu_bar();
}

void load_menu_statement() {
    const uint32_t module = static_cast<uint32_t>(read_int(','));
    read_arg(' ', kAny);
    const std::string text = slots.s;
    if (!window_required()) return;
    const ResourceName name = resource_name(text);
    HMENU menu = LoadMenuA(reinterpret_cast<HINSTANCE>(dll::real_address(module)),
                           name.number ? MAKEINTRESOURCEA(*name.number) : name.name.c_str());
    if (!menu) {
        raise_error(252, text);
        return;
    }
    gui_state.menu_value = static_cast<int32_t>(reinterpret_cast<uintptr_t>(menu));
    if (HWND w = main_window_handle()) {
        HMENU old = GetMenu(w);
        SetMenu(w, menu);
        // The menu it replaces is no longer anybody's.
        if (old && old != menu) DestroyMenu(old);
        DrawMenuBar(w);
    }
}

void set_timer_statement() {
    const int32_t ms = read_int(' ');
    stop_timer();
    const UINT interval = static_cast<UINT>(ms);
    if (HWND w = main_window_handle()) {
        if (SetTimer(w, 1, interval, nullptr)) timer_window = w;
    } else {
        thread_timer = SetTimer(nullptr, 0, interval, thread_timer_tick);
    }
    timer_on = timer_window || thread_timer;
}

void kill_timer_statement() {
    if (!timer_on) {
        raise_warning(250, "KILLTIMER");
        return;
    }
    stop_timer();
}

bool timer_running() { return timer_on && (!timer_window || IsWindow(timer_window)); }

void dde_initiate_statement() {
    const std::string application = read_string(',');
    const std::string topic = read_string(' ');
    ensure_main_window();
    HWND me = main_window_handle();
    if (!me) return;
    // A conversation still open is ended before the next one starts.
    if (events.dde_partner) dde_terminate_statement();
    const ATOM a = GlobalAddAtomA(application.c_str());
    const ATOM t = GlobalAddAtomA(topic.c_str());
    events.dde_initiating = true;
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(HWND_BROADCAST, WM_DDE_INITIATE, reinterpret_cast<WPARAM>(me),
                        MAKELPARAM(a, t), SMTO_ABORTIFHUNG, 5000, &ignored);
    events.dde_initiating = false;
    if (a) GlobalDeleteAtom(a);
    if (t) GlobalDeleteAtom(t);
}

void dde_execute_statement() {
    const std::string command = read_string(' ');
    HWND me = main_window_handle();
    HWND partner = reinterpret_cast<HWND>(static_cast<uintptr_t>(events.dde_partner));
    if (!me || !partner) return;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, command.size() + 1);
    if (!memory) return;
    if (void* p = GlobalLock(memory)) {
        std::memcpy(p, command.c_str(), command.size() + 1);
        GlobalUnlock(memory);
    }
    events.dde_acknowledged = false;
    if (PostMessageA(partner, WM_DDE_EXECUTE, reinterpret_cast<WPARAM>(me),
                     reinterpret_cast<LPARAM>(memory))) {
        // A partner that goes away without answering ends the wait.
        MSG msg;
        while (!events.dde_acknowledged && IsWindow(partner)) {
            if (PeekMessageA(&msg, me, WM_DDE_ACK, WM_DDE_ACK, PM_REMOVE)) {
                FreeDDElParam(WM_DDE_ACK, msg.lParam);
                break;
            }
            wait_and_pump();
        }
    }
    GlobalFree(memory);
}

void dde_terminate_statement() {
    HWND me = main_window_handle();
    if (events.dde_partner)
        PostMessageA(reinterpret_cast<HWND>(static_cast<uintptr_t>(events.dde_partner)),
                     WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(me), 0);
    events.dde_partner = 0;
}

void reset_menus() {
    stop_timer();
    if (free_popup) DestroyMenu(free_popup);
    free_popup = current_popup = nullptr;
    depth = 0;
}

}  // namespace tolven
