#include <mutex>

#include "platform/shell_execute.h"
#include "platform/sim/sim_shell_execute.h"
#include "platform/sim/sim_world.h"

namespace sim {
namespace {
std::mutex lock;
std::vector<ShellExecution> executed;
const bool kReset = RegisterReset([] {
  std::lock_guard<std::mutex> g(lock);
  executed.clear();
});
}  // namespace

std::vector<ShellExecution> ShellExecutions() {
  std::lock_guard<std::mutex> g(lock);
  return executed;
}
}  // namespace sim

namespace plat {
bool ShellExecute(Window owner, const std::wstring& verb, const std::wstring& file, const std::wstring& parameters,
                  const std::wstring& directory, int show) {
  std::lock_guard<std::mutex> g(sim::lock);
  sim::executed.push_back({owner, verb, file, parameters, directory, show});
  return true;
}
}  // namespace plat
