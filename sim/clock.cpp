// The sim's virtual clock.
#include <algorithm>
#include <map>
#include <mutex>

#include "platform/clock.h"
#include "sim/sim_clock.h"
#include "sim/sim_world.h"

namespace sim {
namespace {
struct ClockState {
  std::recursive_mutex lock;
  std::uint64_t now = 1000000;  // far from 0 so "older than" arithmetic is natural
  plat::LocalTime base{2026, 12, 9, 10, 0, 0, 0};
  std::map<int, std::function<void(std::uint64_t)>> listeners;
  int next_id = 1;
  int precise_scopes = 0;
  int most_precise_scopes = 0;
};
ClockState& S() {
  static ClockState s;
  return s;
}
const bool kReset = RegisterReset([] {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().now = 1000000;
  S().base = plat::LocalTime{2026, 12, 9, 10, 0, 0, 0};
  S().listeners.clear();
  S().precise_scopes = 0;
  S().most_precise_scopes = 0;
});
}  // namespace

int PreciseSleepScopes() {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return S().precise_scopes;
}

int MostPreciseSleepScopes() {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return S().most_precise_scopes;
}

std::uint64_t Now() {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return S().now;
}

void SetNow(std::uint64_t ms) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().now = ms;
}

void Advance(std::uint64_t ms) {
  // Step in 1 ms increments only where listeners exist, so timers and scripted
  // behaviour see every instant they care about in order.
  std::unique_lock<std::recursive_mutex> g(S().lock);
  const std::uint64_t target = S().now + ms;
  if (S().listeners.empty()) {
    S().now = target;
    return;
  }
  while (S().now < target) {
    S().now += 1;
    auto copy = S().listeners;
    for (auto& [id, fn] : copy) fn(S().now);
  }
}

int AddClockListener(std::function<void(std::uint64_t)> fn) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  int id = S().next_id++;
  S().listeners[id] = std::move(fn);
  return id;
}

void RemoveClockListener(int id) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().listeners.erase(id);
}

plat::LocalTime LocalTimeAt(std::uint64_t now) {
  // Adds the elapsed virtual milliseconds to the base time, within one month
  // (enough for tests); days roll over at 24 h.
  plat::LocalTime t;
  {
    std::lock_guard<std::recursive_mutex> g(S().lock);
    t = S().base;
  }
  std::uint64_t ms = now - 1000000 + t.milliseconds + 1000ull * (t.second + 60ull * (t.minute + 60ull * t.hour));
  t.milliseconds = static_cast<int>(ms % 1000);
  ms /= 1000;
  t.second = static_cast<int>(ms % 60);
  ms /= 60;
  t.minute = static_cast<int>(ms % 60);
  ms /= 60;
  t.hour = static_cast<int>(ms % 24);
  t.day += static_cast<int>(ms / 24);
  return t;
}

}  // namespace sim

namespace plat {

std::uint32_t TickCount() { return static_cast<std::uint32_t>(sim::Now()); }

// Only the thread that runs the agent's logic sleeps through plat::SleepMs;
// background threads of the sim build wait on real time.
void SleepMs(std::uint32_t ms) { sim::Advance(ms); }

PreciseSleeps::PreciseSleeps() {
  std::lock_guard<std::recursive_mutex> g(sim::S().lock);
  sim::S().most_precise_scopes = std::max(sim::S().most_precise_scopes, ++sim::S().precise_scopes);
}

PreciseSleeps::~PreciseSleeps() {
  std::lock_guard<std::recursive_mutex> g(sim::S().lock);
  --sim::S().precise_scopes;
}

LocalTime LocalNow() { return sim::LocalTimeAt(sim::Now()); }

}  // namespace plat
