// TSettContextMenu: "Context menu items", the three entries the Explorer
// context-menu extension shows, stored as "ShowMainMenu", "ShowAddDelMenu"
// and "ShowNewMenu" in the settings key (a missing value means on).
#pragma once
#include "platform/forms.h"

namespace ui {

plat::FormLayout SettContextLayout();

class TSettContextMenu {
 public:
  explicit TSettContextMenu(plat::Window owner);
  ~TSettContextMenu();
  TSettContextMenu(const TSettContextMenu&) = delete;
  TSettContextMenu& operator=(const TSettContextMenu&) = delete;

  plat::Form Form() const { return form_; }
  int ShowModalForm();
  void FormShow();
  void btOKClick();

 private:
  plat::Form form_ = 0;
};

TSettContextMenu& SettContextMenuCreated(plat::Window owner);
void FreeSettContextMenu();

}  // namespace ui
