#include "core/pump.h"

#include <cstdint>

#include "core/host.h"

namespace tolven {

namespace {
bool pump_always = false;
uint32_t last_pump_tick = 0;
bool pumped_once = false;
}  // namespace

void set_pump_always(bool always) { pump_always = always; }

void periodic_pump() {
    if (!pump_always) {
        uint32_t now = host().tick_count();
        if (pumped_once && now == last_pump_tick) return;
        last_pump_tick = now;
        pumped_once = true;
    }
    host().pump_messages();
}

int32_t* last_key_cell = nullptr;

void watch_last_key(int32_t* cell) { last_key_cell = cell; }

}  // namespace tolven
