// Input state recorded by the window procedures and read by waits and system
// variables. Plain data so that portable code can read it.
#pragma once
#include <cstdint>

namespace tolven {

struct EventState {
    int32_t last_key = 0;
    int32_t last_virtual_key = 0;
    int32_t mouse_x = 0, mouse_y = 0, mouse_buttons = 0;
    int32_t last_command = 0, last_control = 0;
    bool timer_flag = false;
};
extern EventState events;

}  // namespace tolven
