// Time: the tick counter, sleeping, local time.
//
// In the sim build the tick counter is a virtual clock: SleepMs advances it
// without costing real time, so a test of a five-second debounce runs in
// microseconds (see sim/sim_clock.h).
#pragma once
#include "platform/types.h"

namespace plat {

// Milliseconds since start of the system, wrapping at 2^32 (GetTickCount).
std::uint32_t TickCount();

// Sleeps the calling thread (Sleep). The sim advances the virtual clock.
void SleepMs(std::uint32_t ms);

// The current local time (GetLocalTime).
LocalTime LocalNow();

}  // namespace plat
