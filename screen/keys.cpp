#include "screen/keys.h"

#include "core/shutdown.h"
#include "screen/display.h"
#include "screen/events.h"
#include "screen/text_screen.h"

namespace tolven {

KeyFifo key_fifo;
bool ctrl_z_ends_input = false;
bool stopped_by_break = false;

void stop_by_break() {
    stopped_by_break = true;
    shutdown_and_exit(255);
}

void put_key(int32_t code) {
    if (events.break_check && code == 3) stop_by_break();
    const uint8_t key = static_cast<uint8_t>(code == 0 ? 1 : code);
    events.last_key = key;
    events.help_request = key == 5 && events.help_watching;
    key_fifo.push(key);
}

void clear_key_state() {
    key_fifo.clear();
    ctrl_z_ends_input = true;
}

uint8_t read_key() {
    if (key_fifo.empty()) {
        display().begin_key_wait();
        while (key_fifo.empty()) {
            display().wait_for_input();
            // Without a window nothing can ever be typed: give up the wait
            // as if Enter was pressed rather than hang.
            if (key_fifo.empty() && !display().window_exists()) {
                display().end_key_wait();
                return 13;
            }
        }
        display().end_key_wait();
    }
    return key_fifo.pop();
}

std::string read_line(int capacity) {
    std::string taken;
    const size_t room = capacity > 2 ? static_cast<size_t>(capacity - 2) : 0;
    for (;;) {
        const uint8_t key = read_key();
        if (key == 13 || (key == 26 && ctrl_z_ends_input)) {
            taken += static_cast<char>(key);
            if (key == 13) taken += '\n';
            return taken;
        }
        if (key == 8) {
            if (!taken.empty()) {
                write_text("\b");
                taken.pop_back();
            }
        } else if (key >= 32 && taken.size() < room) {
            const char c = static_cast<char>(key);
            taken += c;
            write_text(std::string_view(&c, 1));
        }
    }
}

void reset_keys() {
    key_fifo.clear();
    ctrl_z_ends_input = false;
    stopped_by_break = false;
}

}  // namespace tolven
