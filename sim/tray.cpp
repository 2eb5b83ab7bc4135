// The sim's notification area: at most one icon, the program's.
#include <mutex>

#include "platform/app.h"
#include "sim/sim_tray.h"
#include "sim/sim_world.h"
#include "platform/tray.h"

namespace sim {
namespace {
struct TrayState {
  std::mutex lock;
  bool shown = false;
  plat::Window owner = 0;
  std::uint32_t id = 0;
  std::uint32_t callback = 0;
  std::wstring tip;
};
TrayState& S() {
  static TrayState s;
  return s;
}
const bool kReset = RegisterReset([] {
  std::lock_guard<std::mutex> g(S().lock);
  S().shown = false;
  S().owner = 0;
  S().tip.clear();
});
}  // namespace

bool TrayIconShown() {
  std::lock_guard<std::mutex> g(S().lock);
  return S().shown;
}

std::wstring TrayIconTip() {
  std::lock_guard<std::mutex> g(S().lock);
  return S().tip;
}

bool ClickTrayIcon(std::uint32_t mouse_message) {
  plat::Window owner;
  std::uint32_t callback;
  std::uint32_t id;
  {
    std::lock_guard<std::mutex> g(S().lock);
    if (!S().shown) return false;
    owner = S().owner;
    callback = S().callback;
    id = S().id;
  }
  return plat::PostMessage(owner, callback, id, mouse_message);
}

void LoseTrayIcon() {
  std::lock_guard<std::mutex> g(S().lock);
  S().shown = false;
}

}  // namespace sim

namespace plat {

bool TrayShowIcon(Window owner, std::uint32_t id, std::uint32_t callback_message, const std::wstring& tip) {
  using sim::S;
  std::lock_guard<std::mutex> g(S().lock);
  S().shown = true;
  S().owner = owner;
  S().id = id;
  S().callback = callback_message;
  S().tip = tip;
  return true;
}

bool TrayHideIcon(Window owner, std::uint32_t id) {
  using sim::S;
  std::lock_guard<std::mutex> g(S().lock);
  if (!S().shown || S().owner != owner || S().id != id) return false;
  S().shown = false;
  return true;
}

}  // namespace plat
