#include "screen/events.h"

#include <algorithm>

namespace tolven {

EventState events;

bool add_user_message(uint32_t message) {
    if (events.user_messages.size() >= EventState::kMaxUserMessages) return false;
    events.user_messages.push_back(message);
    return true;
}

bool catch_user_message(uint32_t window, uint32_t message, int32_t wparam, int32_t lparam) {
    const auto& list = events.user_messages;
    if (list.empty() || std::find(list.begin(), list.end(), message) == list.end()) return false;
    events.last_user_message = {window, message, wparam, lparam};
    return true;
}

void record_menu_command(uint32_t wparam) {
    events.mouse_x = events.mouse_y = 0;
    events.left_button = events.right_button = false;
    const int32_t id = static_cast<int32_t>(wparam & 0xFFFF);
    events.last_command = id == 0x7FFF ? 255 : static_cast<int16_t>(id);
}

void record_control_command(uint32_t wparam) {
    const int32_t id = static_cast<int32_t>(wparam & 0xFFFF);
    events.last_command = static_cast<int16_t>(-id);
    events.last_control = id;
}

void record_timer_tick(uintptr_t timer_id) {
    if (timer_id == 1) events.timer_flag = true;
}

bool record_dde_answer(uint32_t sender) {
    if (!events.dde_initiating || events.dde_partner != 0 || sender == 0) return false;
    events.dde_partner = sender;
    return true;
}

void record_notification(uint32_t window, int32_t code) {
    constexpr int32_t kTabChanged = -551;
    events.notify_window = window;
    events.notify_code = code;
    events.notify_flag = true;
    if (code == kTabChanged) events.tab_change_window = window;
}

bool take_tab_change(uint32_t window) {
    if (events.tab_change_window == 0 || events.tab_change_window != window) return false;
    events.tab_change_window = 0;
    return true;
}

int32_t focus_as_seen(uint32_t focus) {
    return static_cast<int32_t>(events.help_request ? 0u - focus : focus);
}

}  // namespace tolven
