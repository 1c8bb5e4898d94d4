// Input state recorded by the window procedures and the message pump, read
// by the waits, the input functions and the system variables. Plain data so
// that portable code can read it; the window procedures only ever record.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "values/message_record.h"

namespace tolven {

struct EventState {
    // Keyboard.
    int32_t last_key = 0;          // code of the last event put in the key FIFO; 0 none
    int32_t last_virtual_key = 0;  // virtual key of the last key-down; 0 none
    int32_t last_event = 0;        // the last key at the end of the last wait
    int32_t key_state = 0;         // key-state byte of the key sender: 1 while its Alt flag is set
    bool input_flag = false;       // a keyboard or mouse message passed the pump
    bool help_watching = false;    // key code 5 raises the help request
    bool help_request = false;
    bool break_check = true;       // Ctrl-C and Ctrl-Break end the program

    // Mouse, in client coordinates of the window that saw it.
    int32_t mouse_x = 0, mouse_y = 0;
    bool left_button = false, right_button = false;
    // A child control reported a button press (WM_PARENTNOTIFY). These are
    // the first and second event flags of the main window procedure.
    bool child_left_click = false, child_right_click = false;

    // Focus.
    uint32_t focus_window = 0;  // window that last got the focus through our procedures
    bool focus_flag = false;    // the main window has the focus

    // Commands (menus and controls).
    int32_t last_command = 0;   // 16-bit signed
    int32_t last_control = 0;   // low 16 bits of the last control command
    bool command_recording = true;

    // Timer tick of timer 1; the runtime's third event flag.
    bool timer_flag = false;

    // The program that answered the last DDE initiation; 0 when none. While
    // an initiation is broadcast, answers are taken as the partner.
    uint32_t dde_partner = 0;
    bool dde_initiating = false;
    // An execute's acknowledgement reached the window procedure.
    bool dde_acknowledged = false;

    // Painting: 0 no restore, 1 restore and flag dialog paints, 2 restore.
    int32_t paint_mode = 2;
    bool paint_request = false;

    // WM_NOTIFY: the sending control and its code (the last event source and
    // event code of the window procedure).
    uint32_t notify_window = 0;
    int32_t notify_code = 0;
    bool notify_flag = false;
    // The tab control whose tab change is still to be reported. Kept apart
    // from the last notification because a click on a tab is followed by
    // the control's click notification, which would hide the change.
    uint32_t tab_change_window = 0;

    // wParam of the last message 996 the main window received.
    int32_t message_996 = 0;

    // The message handled last by any of our window procedures.
    MessageRecord current_message;

    // Messages the program asked to catch (at most kMaxUserMessages), and
    // the last one caught.
    static constexpr size_t kMaxUserMessages = 500;
    std::vector<uint32_t> user_messages;
    MessageRecord last_user_message;

    // 2 left, 1 right, 0 none, as programs read the buttons.
    int32_t mouse_button_state() const { return left_button ? 2 : right_button ? 1 : 0; }
};
extern EventState events;

// Adds a message number to the caught list; false when it is full (the
// caller raises runtime error 232).
bool add_user_message(uint32_t message);

// True when `message` is on the caught list; it is then recorded as the last
// user message.
bool catch_user_message(uint32_t window, uint32_t message, int32_t wparam, int32_t lparam);

// What the window procedures record, shared by every procedure that sees
// these messages.
// WM_COMMAND from a menu (lParam 0): the item's id as last command (32767
// is kept as 255), the mouse state cleared.
void record_menu_command(uint32_t wparam);
// WM_COMMAND from a control: its id negated as last command (16-bit), the
// id as control id.
void record_control_command(uint32_t wparam);
// WM_TIMER: only timer 1 is the program's.
void record_timer_tick(uintptr_t timer_id);
// WM_DDE_ACK: while an initiation is under way, the first program to answer
// becomes the partner; true when `sender` was taken.
bool record_dde_answer(uint32_t sender);

// A WM_NOTIFY from control `window` with notification `code`.
void record_notification(uint32_t window, int32_t code);

// True when tab control `window` changed its tab (TCN_SELCHANGE) since the
// last notification of a change was taken; that one is then forgotten, so
// that one change is reported once.
bool take_tab_change(uint32_t window);

// The focus window as programs see it: negated while a help request is
// pending, so that a program tells F1 on control h by comparing with -h.
int32_t focus_as_seen(uint32_t focus);

}  // namespace tolven
