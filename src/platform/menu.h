// Popup menus built from a model: the tray menu and the folder menu are lists
// of items that the platform renders into a real popup menu (TrackPopupMenu)
// and whose chosen item it returns. The sim records every menu shown and
// returns the choice a test has scripted (platform/sim/sim_menu.h).
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/types.h"

namespace plat {

struct MenuItem {
  std::wstring name;     // the component name ("Exit1", "Recent1"), for lookups
  std::wstring caption;  // "-" is a separator
  int image = -1;        // index in the menu image list, -1 for none
  std::int64_t tag = 0;  // the owner's number for the item
  bool visible = true;
  bool enabled = true;
  bool checked = false;
  bool is_default = false;     // drawn in bold
  std::vector<MenuItem> items;  // a non-empty list makes a submenu
  std::function<void(const MenuItem&)> action;  // run by the owner for the chosen item

  bool IsSeparator() const { return caption == L"-"; }
};

using Menu = std::vector<MenuItem>;

// The item of menu (at any depth) named name, nullptr when none.
MenuItem* FindMenuItem(Menu& menu, const std::wstring& name);
const MenuItem* FindMenuItem(const Menu& menu, const std::wstring& name);

// Pops the visible items of menu up at pt, owned by owner, and waits until the
// user chose an item or dismissed the menu. Returns the chosen item (pointing
// into menu), nullptr when dismissed. Images come from the image list set with
// SetMenuImages; the owner window is made the foreground window first so the
// menu closes when the user clicks elsewhere.
const MenuItem* TrackPopupMenu(const Menu& menu, Point pt, Window owner);

// The images of menu items: 16x16 pictures as 32-bit premultiplied BGRA rows,
// top row first. Index i of the list is MenuItem::image i.
struct MenuImage {
  std::vector<std::uint32_t> pixels;  // 16 * 16 values 0xAARRGGBB
};
void SetMenuImages(std::vector<MenuImage> images);

}  // namespace plat
