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

// While one exists, the short sleeps of this process last what they ask for
// (timeBeginPeriod(1) ... timeEndPeriod(1)): Windows otherwise rounds every
// sleep up to its timer tick of about 15.6 ms, which makes a 5 ms poll of
// another program's window three times as slow. Held only while the agent
// drives a target window, never for the agent's life (a fine timer costs
// power). The sim counts the scopes that are open.
class PreciseSleeps {
 public:
  PreciseSleeps();
  ~PreciseSleeps();
  PreciseSleeps(const PreciseSleeps&) = delete;
  PreciseSleeps& operator=(const PreciseSleeps&) = delete;
};

// The current local time (GetLocalTime).
LocalTime LocalNow();

}  // namespace plat
