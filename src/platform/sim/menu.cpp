// The sim's popup menus.
#include <deque>
#include <mutex>

#include "platform/clock.h"
#include "platform/menu.h"
#include "platform/window.h"
#include "platform/sim/sim_menu.h"
#include "platform/sim/sim_world.h"

namespace sim {
namespace {
struct MenuState {
  std::recursive_mutex lock;
  std::deque<std::wstring> choices;
  std::function<void(const plat::Menu&)> on_open;
  std::vector<ShownMenu> shown;
  std::size_t images = 0;
  int first_image_resource = 0;
  std::size_t file_icons = 0;
  std::uint32_t shown_tick = 0;
};
MenuState& S() {
  static MenuState s;
  return s;
}
const bool kReset = RegisterReset([] {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().choices.clear();
  S().on_open = nullptr;
  S().shown.clear();
  S().images = 0;
  S().first_image_resource = 0;
  S().file_icons = 0;
  S().shown_tick = 0;
});

const plat::MenuItem* Find(const plat::Menu& menu, const std::wstring& text, bool by_name) {
  for (const auto& item : menu) {
    if (!item.visible || !item.enabled || item.IsSeparator()) continue;
    if (!item.items.empty()) {
      if (const auto* inner = Find(item.items, text, by_name)) return inner;
      continue;
    }
    if ((by_name ? item.name : item.caption) == text) return &item;
  }
  return nullptr;
}
}  // namespace

void ScriptMenuChoice(const std::wstring& name_or_caption) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().choices.push_back(name_or_caption);
}

void OnMenuOpen(std::function<void(const plat::Menu&)> fn) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().on_open = std::move(fn);
}

std::vector<ShownMenu> ShownMenus() {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return S().shown;
}

std::size_t MenuImageCount() {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return S().images;
}

int MenuImageFirstResource() {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return S().first_image_resource;
}

std::size_t RecentFileIconCount() {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return S().file_icons;
}

}  // namespace sim

namespace plat {

std::uint32_t LastPopupShownTick() {
  using sim::S;
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return S().shown_tick;
}

const MenuItem* TrackPopupMenu(const Menu& menu, Point pt, Window owner) {
  using sim::S;
  std::function<void(const Menu&)> on_open;
  std::wstring choice;
  {
    std::lock_guard<std::recursive_mutex> g(S().lock);
    S().shown.push_back(sim::ShownMenu{menu, pt, owner});
    S().shown_tick = plat::TickCount();
    on_open = S().on_open;
    if (!S().choices.empty()) {
      choice = S().choices.front();
      S().choices.pop_front();
    }
  }
  // As on Windows, the owner becomes the foreground window so that the menu
  // takes the keyboard.
  if (owner) plat::SetForegroundWindow(owner);
  if (on_open) on_open(menu);
  if (choice.empty()) return nullptr;
  if (const auto* item = sim::Find(menu, choice, true)) return item;
  return sim::Find(menu, choice, false);
}

void SetMenuImageResources(int first_resource_id, int count) {
  using sim::S;
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().first_image_resource = first_resource_id;
  S().images = count > 0 ? static_cast<std::size_t>(count) : 0;
}

void SetRecentFileIcons(std::vector<Handle> icons) {
  using sim::S;
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().file_icons = icons.size();
}

}  // namespace plat
