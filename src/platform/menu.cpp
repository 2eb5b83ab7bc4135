#include "platform/menu.h"

namespace plat {

MenuItem* FindMenuItem(Menu& menu, const std::wstring& name) {
  for (auto& item : menu) {
    if (item.name == name) return &item;
    if (MenuItem* inner = FindMenuItem(item.items, name)) return inner;
  }
  return nullptr;
}

const MenuItem* FindMenuItem(const Menu& menu, const std::wstring& name) {
  return FindMenuItem(const_cast<Menu&>(menu), name);
}

}  // namespace plat
