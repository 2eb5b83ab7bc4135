#include <mutex>

#include "platform/recent_docs.h"
#include "sim/sim_recent_docs.h"
#include "sim/sim_world.h"

namespace sim {
namespace {
std::mutex lock;
std::vector<std::wstring> docs;
const bool kReset = RegisterReset([] {
  std::lock_guard<std::mutex> g(lock);
  docs.clear();
});
}  // namespace

std::vector<std::wstring> RecentDocs() {
  std::lock_guard<std::mutex> g(lock);
  return docs;
}
}  // namespace sim

namespace plat {
void SHAddToRecentDocs(const std::wstring& path) {
  std::lock_guard<std::mutex> g(sim::lock);
  sim::docs.push_back(path);
}
}  // namespace plat
