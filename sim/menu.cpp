// The sim's popup menus.
#include <deque>
#include <mutex>

#include "platform/clock.h"
#include "platform/menu.h"
#include "platform/system.h"
#include "platform/window.h"
#include "sim/sim_menu.h"
#include "sim/sim_world.h"

namespace sim {
namespace {
// One scripted choice: an item by name or shown text, or a typed key.
struct Choice {
  std::wstring text;
  wchar_t key = 0;
};

struct MenuState {
  std::recursive_mutex lock;
  std::deque<Choice> choices;
  std::function<void(const plat::Menu&)> on_open;
  std::vector<ShownMenu> shown;
  std::size_t images = 0;
  int first_image_resource = 0;
  std::uint32_t shown_tick = 0;
  std::wstring chosen_caption;
  std::uint32_t closed_tick = 0;
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
  S().shown_tick = 0;
  S().chosen_caption.clear();
  S().closed_tick = 0;
});

// Where the item the user picks stands: its index at each depth. The windows
// build numbers the items as it renders them and maps the number back to the
// item it stands for; the sim does the same with the position.
using ItemPath = std::vector<std::size_t>;

bool Find(const plat::Menu& menu, const std::wstring& text, bool by_name, ItemPath& path) {
  for (std::size_t i = 0; i < menu.size(); ++i) {
    const auto& item = menu[i];
    if (!item.visible || !item.enabled || item.IsSeparator()) continue;
    path.push_back(i);
    if (!item.items.empty()) {
      if (Find(item.items, text, by_name, path)) return true;
    } else if ((by_name ? item.name : plat::MenuCaptionText(item.caption)) == text) {
      return true;
    }
    path.pop_back();
  }
  return false;
}

const plat::MenuItem* At(const plat::Menu& menu, const ItemPath& path) {
  const plat::Menu* level = &menu;
  const plat::MenuItem* item = nullptr;
  for (std::size_t i : path) {
    if (i >= level->size()) return nullptr;
    item = &(*level)[i];
    level = &item->items;
  }
  return item;
}

wchar_t Upper(wchar_t c) {
  std::wstring s(1, c);
  plat::CharUpperText(s);
  return s[0];
}

// The item of the top level that the typed key chooses, as the system's menu
// finds it: by access key only; an item that opens a submenu or a key that
// several items share chooses nothing.
const plat::MenuItem* FindByKey(const plat::Menu& menu, wchar_t key) {
  const plat::MenuItem* found = nullptr;
  int matches = 0;
  for (const auto& item : menu) {
    if (!item.visible || item.IsSeparator()) continue;
    const wchar_t k = plat::MenuAccessKey(plat::MenuItemCaption(item));
    if (k == 0 || Upper(k) != Upper(key)) continue;
    ++matches;
    if (item.enabled && item.items.empty()) found = &item;
  }
  return matches == 1 ? found : nullptr;
}

// The item Enter chooses: the first one of the top level when the menu opened
// with it selected (the arrows skip separators, hidden and greyed items); an
// item that opens a submenu chooses nothing.
const plat::MenuItem* Selected(const plat::Menu& menu, bool select_first) {
  if (!select_first) return nullptr;
  for (const auto& item : menu) {
    if (!item.visible || item.IsSeparator() || !item.enabled) continue;
    return item.items.empty() ? &item : nullptr;
  }
  return nullptr;
}
}  // namespace

void ScriptMenuChoice(const std::wstring& name_or_caption) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().choices.push_back(Choice{name_or_caption, 0});
}

void ScriptMenuKey(wchar_t key) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().choices.push_back(Choice{L"", key});
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

}  // namespace sim

namespace plat {

std::uint32_t LastPopupShownTick() {
  using sim::S;
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return S().shown_tick;
}

std::wstring LastPopupChosenCaption() {
  using sim::S;
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return S().chosen_caption;
}

namespace {
std::optional<MenuItem> Chosen(const MenuItem* item) {
  using sim::S;
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().chosen_caption = item ? MenuItemCaption(*item) : L"";
  if (!item) return std::nullopt;
  return *item;
}
}  // namespace

std::uint32_t LastPopupClosedTick() {
  using sim::S;
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return S().closed_tick;
}

namespace {
std::optional<MenuItem> TrackPopupMenuOpen(const Menu& model, Point pt, Window owner, bool select_first);
}

std::optional<MenuItem> TrackPopupMenu(const Menu& model, Point pt, Window owner, bool select_first) {
  std::optional<MenuItem> chosen = TrackPopupMenuOpen(model, pt, owner, select_first);
  using sim::S;
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().closed_tick = plat::TickCount();
  return chosen;
}

namespace {
std::optional<MenuItem> TrackPopupMenuOpen(const Menu& model, Point pt, Window owner, bool select_first) {
  // As the windows build: the popup shows a copy taken when it opens (the
  // model may change while the menu is open).
  const Menu menu = model;  // NOLINT(performance-unnecessary-copy-initialization)
  using sim::S;
  // As on Windows, the owner becomes the foreground window first so that the
  // menu takes the keyboard (which may wait on a window that shares input).
  if (owner) plat::SetForegroundWindow(owner);
  std::function<void(const Menu&)> on_open;
  sim::Choice choice;
  {
    std::lock_guard<std::recursive_mutex> g(S().lock);
    S().shown.push_back(sim::ShownMenu{menu, pt, owner, select_first});
    S().shown_tick = plat::TickCount();
    S().chosen_caption.clear();
    on_open = S().on_open;
    if (!S().choices.empty()) {
      choice = S().choices.front();
      S().choices.pop_front();
    }
  }
  // The user picks among the items on screen.
  if (choice.key != 0) {
    const MenuItem* keyed = choice.key == L'\r' ? sim::Selected(menu, select_first) : sim::FindByKey(menu, choice.key);
    if (on_open) on_open(model);
    return Chosen(keyed);
  }
  sim::ItemPath path;
  const bool found =
      !choice.text.empty() && (sim::Find(menu, choice.text, true, path) || sim::Find(menu, choice.text, false, path));
  if (on_open) on_open(model);
  return Chosen(found ? sim::At(menu, path) : nullptr);
}

}  // namespace

void SetMenuImageResources(int first_resource_id, int count) {
  using sim::S;
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().first_image_resource = first_resource_id;
  S().images = count > 0 ? static_cast<std::size_t>(count) : 0;
}

// The sim draws no icons; the handles it is given are its own to drop (the
// seam hands them over by value).
void SetRecentFileIcons(std::vector<Handle> /*icons*/) {}  // NOLINT(performance-unnecessary-value-param)

}  // namespace plat
