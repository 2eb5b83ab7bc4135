#include <mutex>
#include <set>

#include "platform/shell_execute.h"
#include "sim/sim_shell_execute.h"
#include "sim/sim_world.h"

namespace sim {
namespace {
std::mutex lock;
std::vector<ShellExecution> executed;
std::set<std::wstring> failing;
const bool kReset = RegisterReset([] {
  std::lock_guard<std::mutex> g(lock);
  executed.clear();
  failing.clear();
});
bool Record(ShellExecution e) {
  std::lock_guard<std::mutex> g(lock);
  e.succeeded = !failing.count(e.verb);
  executed.push_back(e);
  return e.succeeded;
}
}  // namespace

std::vector<ShellExecution> ShellExecutions() {
  std::lock_guard<std::mutex> g(lock);
  return executed;
}

void SetShellVerbFails(const std::wstring& verb, bool fails) {
  std::lock_guard<std::mutex> g(lock);
  if (fails)
    failing.insert(verb);
  else
    failing.erase(verb);
}
}  // namespace sim

namespace plat {
bool ShellExecute(Window owner, const std::wstring& verb, const std::wstring& file, const std::wstring& parameters,
                  const std::wstring& directory, int show) {
  return sim::Record({owner, verb, file, parameters, directory, show, false, true});
}

bool ShellExecuteEx(const std::wstring& verb, const std::wstring& file, const std::wstring& parameters, int show) {
  return sim::Record({0, verb, file, parameters, L"", show, true, true});
}
}  // namespace plat
