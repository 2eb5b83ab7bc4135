#include <mutex>

#include "platform/os_version.h"
#include "sim/sim_os_version.h"
#include "sim/sim_world.h"

namespace sim {
namespace {
constexpr plat::OsVersion kWindows7{6, 1, 7601, plat::VER_PLATFORM_WIN32_NT};
std::mutex lock;
plat::OsVersion version = kWindows7;
const bool kReset = RegisterReset([] {
  std::lock_guard<std::mutex> g(lock);
  version = kWindows7;
});
}  // namespace

void SetOsVersion(plat::OsVersion v) {
  std::lock_guard<std::mutex> g(lock);
  version = v;
}

void SetVistaOrLater(bool vista) {
  SetOsVersion(vista ? kWindows7 : plat::OsVersion{5, 1, 2600, plat::VER_PLATFORM_WIN32_NT});
}
}  // namespace sim

namespace plat {
OsVersion GetOsVersion() {
  std::lock_guard<std::mutex> g(sim::lock);
  return sim::version;
}
}  // namespace plat
