// Waits on another program's window: a condition polled until it holds or a
// bound has passed. The agent's UI thread waits this way for a dialog to take
// what it was given; in the sim build SleepMs advances the virtual clock.
#pragma once
#include <algorithm>
#include <cstdint>

#include "platform/clock.h"

namespace targets {

// Checks cond at once and then every poll_ms until it holds or max_ms have
// passed; whether it held.
template <class Cond>
bool WaitUntil(std::uint32_t max_ms, std::uint32_t poll_ms, Cond cond) {
  const std::uint32_t start = plat::TickCount();
  for (;;) {
    if (cond()) return true;
    const std::uint32_t spent = plat::TickCount() - start;
    if (spent >= max_ms) return false;
    plat::SleepMs(std::min(poll_ms, max_ms - spent));
  }
}

}  // namespace targets
