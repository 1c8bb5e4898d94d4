// The loop's periodic message pump.
#pragma once

#include <cstdint>

namespace tolven {

// Called after every 21st line. Asking the platform for messages is costly
// (tens of microseconds under Wine), so the call is skipped while the tick
// count has not moved since the last one: nothing new can be handled sooner.
void periodic_pump();

// Set once at start-up; true pumps on every 21st line regardless of time
// (used to measure the cost of the pump).
void set_pump_always(bool always);

// A key value of 255 left from the previous line is seen as 254. The event
// state that holds the last key belongs to the screen module, which hands
// the loop the cell at start-up: the rule is the loop's, the value is not.
extern int32_t* last_key_cell;
void watch_last_key(int32_t* cell);
inline void last_key_seen() {
    if (last_key_cell && *last_key_cell == 255) *last_key_cell = 254;
}

}  // namespace tolven
