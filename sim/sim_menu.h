// Control of the sim's popup menus: every menu shown is recorded, and the
// choice is the next one a test scripted (dismissed when none is scripted).
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "platform/menu.h"

namespace sim {

// The next popup menu chooses the visible, enabled item with this name (or,
// failing that, showing this text: plat::MenuCaptionText of its caption), at
// any depth; an empty text dismisses it.
void ScriptMenuChoice(const std::wstring& name_or_caption);

// In the next popup menu the user types this character, as Windows takes it:
// the one visible, enabled item of the top level whose access key it is
// (case ignored; an item's accelerator is its access key) is chosen; with none
// (or several) nothing is chosen and the user closes the menu. '\r' is Enter:
// it chooses the selected item, which is the first item of a menu opened with
// select_first and none otherwise.
void ScriptMenuKey(wchar_t key);

// Runs while a menu is open, before the choice is made (the user looks at it).
void OnMenuOpen(std::function<void(const plat::Menu&)> fn);

struct ShownMenu {
  plat::Menu menu;
  plat::Point pt;
  plat::Window owner = 0;
  bool select_first = false;  // opened with its first item selected
};
std::vector<ShownMenu> ShownMenus();

// ImageList1 as set by SetMenuImageResources: its size and first resource.
std::size_t MenuImageCount();
int MenuImageFirstResource();

}  // namespace sim
