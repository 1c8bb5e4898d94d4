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

}  // namespace tolven
