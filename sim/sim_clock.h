// Control of the sim's virtual clock.
#pragma once
#include <cstdint>
#include <functional>
#include "platform/types.h"

namespace sim {

// Current virtual tick count in milliseconds (64-bit, never wraps here;
// plat::TickCount returns its low 32 bits).
std::uint64_t Now();

// How many plat::PreciseSleeps scopes are open now, and the most that were
// open at once since the last reset.
int PreciseSleepScopes();
int MostPreciseSleepScopes();

// Sets the virtual tick count (used to test wrap-around).
void SetNow(std::uint64_t ms);

// Advances the virtual clock, running due clock listeners in time order.
void Advance(std::uint64_t ms);

// Listeners run whenever the clock moves (timers and scripted window
// behaviour hang on this). Returns an id for RemoveClockListener.
// Local time at a given virtual tick.
plat::LocalTime LocalTimeAt(std::uint64_t now);

int AddClockListener(std::function<void(std::uint64_t now)> fn);
void RemoveClockListener(int id);

}  // namespace sim
