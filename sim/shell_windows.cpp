#include <mutex>
#include <optional>

#include "platform/shell_windows.h"
#include "sim/sim_shell_windows.h"
#include "sim/sim_world.h"

namespace sim {
namespace {
std::mutex lock;
std::optional<std::vector<plat::ShellWindowView>> list;
const bool kReset = RegisterReset([] {
  std::lock_guard<std::mutex> g(lock);
  list.reset();
});
}  // namespace

void SetShellWindowViews(const std::vector<plat::ShellWindowView>& views) {
  std::lock_guard<std::mutex> g(lock);
  list = views;
}

void SetShellWindowsUnavailable() {
  std::lock_guard<std::mutex> g(lock);
  list.reset();
}
}  // namespace sim

namespace plat {
bool GetShellWindowViews(std::vector<ShellWindowView>* views, std::uint32_t) {
  std::lock_guard<std::mutex> g(sim::lock);
  if (!sim::list) return false;
  if (views) *views = *sim::list;
  return true;
}
}  // namespace plat
