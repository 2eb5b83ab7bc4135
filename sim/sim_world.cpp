#include "sim/sim_world.h"

#include <mutex>
#include <vector>

namespace sim {
namespace {
std::vector<std::function<void()>>& Resets() {
  static std::vector<std::function<void()>> r;
  return r;
}
std::mutex& ResetsLock() {
  static std::mutex m;
  return m;
}
}  // namespace

bool RegisterReset(std::function<void()> reset) {
  std::lock_guard<std::mutex> g(ResetsLock());
  Resets().push_back(std::move(reset));
  return true;
}

void ResetWorld() {
  std::vector<std::function<void()>> copy;
  {
    std::lock_guard<std::mutex> g(ResetsLock());
    copy = Resets();
  }
  for (auto& r : copy) r();
}

}  // namespace sim
