#include <map>
#include <mutex>

#include "platform/shell_names.h"
#include "sim/sim_shell_names.h"
#include "sim/sim_world.h"

namespace sim {
namespace {
std::mutex lock;
std::map<int, std::wstring> names;
const bool kReset = RegisterReset([] {
  std::lock_guard<std::mutex> g(lock);
  names.clear();
});
}  // namespace

void SetSpecialFolderDisplayName(int csidl, const std::wstring& name) {
  std::lock_guard<std::mutex> g(lock);
  if (name.empty()) {
    names.erase(csidl);
  } else {
    names[csidl] = name;
  }
}
}  // namespace sim

namespace plat {
bool GetSpecialFolderDisplayName(int csidl, std::wstring& name) {
  std::lock_guard<std::mutex> g(sim::lock);
  auto it = sim::names.find(csidl);
  name = it == sim::names.end() ? std::wstring() : it->second;
  return !name.empty();
}
}  // namespace plat
