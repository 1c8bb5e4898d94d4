// The loop's periodic message pump.
#pragma once

namespace tolven {

// Called after every 21st line. Asking the platform for messages is costly
// (tens of microseconds under Wine), so the call is skipped while the tick
// count has not moved since the last one: nothing new can be handled sooner.
void periodic_pump();

// Set once at start-up; true pumps on every 21st line regardless of time
// (used to measure the cost of the pump).
void set_pump_always(bool always);

// A key value of 255 left from the previous line is seen as 254.
void last_key_seen();

}  // namespace tolven
