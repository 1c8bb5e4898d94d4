#include "gui/waits.h"

#include "core/errors.h"
#include "gui/gui_state.h"
#include "screen/events.h"
#include "screen/keys.h"
#include "values/builtins.h"
#include "values/reader.h"

namespace tolven {

namespace {

WaitPlatform idle_platform;
WaitPlatform* platform = &idle_platform;

}  // namespace

WaitPlatform& wait_platform() { return *platform; }
void set_wait_platform(WaitPlatform* p) { platform = p ? p : &idle_platform; }

void begin_wait(WaitKind kind) {
    EventState& e = events;
    switch (kind) {
        case WaitKind::Key: e.last_virtual_key = 0; break;
        case WaitKind::KeyOrEvent: e.last_key = e.last_virtual_key = 0; break;
        case WaitKind::MouseOrCommand:
            e.left_button = e.right_button = false;
            e.last_command = 0;
            break;
        case WaitKind::Any:
            e.help_watching = true;
            e.left_button = e.right_button = false;
            e.last_command = e.last_control = 0;
            e.timer_flag = e.help_request = false;
            e.child_left_click = e.child_right_click = false;
            e.last_key = e.last_virtual_key = 0;
            e.last_user_message = {};
            e.notify_flag = false;
            break;
    }
}

bool wait_ended(WaitKind kind) {
    const EventState& e = events;
    switch (kind) {
        case WaitKind::Key: return e.last_virtual_key != 0;
        case WaitKind::KeyOrEvent: return e.last_key != 0 || e.last_virtual_key != 0;
        case WaitKind::MouseOrCommand: return e.left_button || e.right_button || e.last_command != 0;
        case WaitKind::Any:
            return e.last_virtual_key != 0 || e.last_key != 0 || e.left_button || e.right_button ||
                   e.child_left_click || e.child_right_click || e.paint_request || e.timer_flag ||
                   e.last_command != 0 || e.last_control != 0 ||
                   e.last_user_message.message != 0 || e.notify_flag;
    }
    return true;
}

void finish_wait(WaitKind kind) {
    EventState& e = events;
    switch (kind) {
        case WaitKind::Key:
        case WaitKind::KeyOrEvent: e.last_event = e.last_key; break;
        case WaitKind::MouseOrCommand:
            gui_state.last_message = static_cast<int32_t>(e.current_message.message);
            break;
        case WaitKind::Any:
            gui_state.last_message = static_cast<int32_t>(e.current_message.message);
            e.last_event = e.last_key;
            e.help_watching = false;
            break;
    }
    key_fifo.clear();
}

void wait_for(WaitKind kind) {
    begin_wait(kind);
    // Where nothing is left that could ever end the wait (no window, no
    // timer), it ends rather than hang the program for good.
    while (!wait_ended(kind) && platform->input_possible()) platform->wait_a_moment();
    finish_wait(kind);
}

namespace {

void wait_message_statement() {
    const uint32_t m = platform->wait_for_message();
    if (m) gui_state.last_message = static_cast<int32_t>(m);
}

void wait_key_statement() { wait_for(WaitKind::Key); }
void wait_key_event_statement() { wait_for(WaitKind::KeyOrEvent); }
void wait_mouse_statement() { wait_for(WaitKind::MouseOrCommand); }
void wait_event_statement() { wait_for(WaitKind::Any); }

void sleep_statement() {
    const int32_t ms = read_int(' ');
    if (ms > 0) platform->sleep(static_cast<uint32_t>(ms));
}

void set_command_statement() { events.last_command = static_cast<int16_t>(read_int(' ')); }

void catch_messages_statement() {
    reader.end_of_args = false;
    while (!reader.end_of_args && !reader.rest.empty()) {
        const int32_t m = read_int('p');
        if (m == 0) {
            events.user_messages.clear();
        } else if (!add_user_message(static_cast<uint32_t>(m))) {
            raise_error(232);
            return;
        }
    }
}

// SWITCH("MESSAGEMODE", n): the old state of command recording.
void message_mode_switch() {
    const bool was = events.command_recording;
    events.command_recording = read_int(')') != 0;
    set_result_int(was ? 1 : 0);
}

constexpr StatementEntry kStatements[] = {
    {Cmd::WAITMESSAGE, wait_message_statement},
    {Cmd::WAITKEY, wait_key_statement},
    {Cmd::WAITKEYEVENT, wait_key_event_statement},
    {Cmd::WAITMOUSE, wait_mouse_statement},
    {Cmd::WAITEVENT, wait_event_statement},
    {Cmd::SLEEP, sleep_statement},
    {Cmd::SETCOMMAND, set_command_statement},
    {Cmd::CATCHMESSAGES, catch_messages_statement},
};

void start_waits() { add_switch_keyword("MESSAGEMODE", message_mode_switch); }

}  // namespace

const Module kWaitModule{"waits", kStatements, {}, nullptr, start_waits};

}  // namespace tolven
