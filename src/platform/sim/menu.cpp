// The sim's popup menus.
#include <deque>
#include <mutex>

#include "platform/menu.h"
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

}  // namespace sim

namespace plat {

const MenuItem* TrackPopupMenu(const Menu& menu, Point pt, Window owner) {
  using sim::S;
  std::function<void(const Menu&)> on_open;
  std::wstring choice;
  {
    std::lock_guard<std::recursive_mutex> g(S().lock);
    S().shown.push_back(sim::ShownMenu{menu, pt, owner});
    on_open = S().on_open;
    if (!S().choices.empty()) {
      choice = S().choices.front();
      S().choices.pop_front();
    }
  }
  if (on_open) on_open(menu);
  if (choice.empty()) return nullptr;
  if (const auto* item = sim::Find(menu, choice, true)) return item;
  return sim::Find(menu, choice, false);
}

void SetMenuImages(std::vector<MenuImage> images) {
  using sim::S;
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().images = images.size();
}

}  // namespace plat
