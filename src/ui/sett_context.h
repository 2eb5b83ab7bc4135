// TSettContextMenu: "Context menu items", the three entries the Explorer
// context-menu extension shows, stored as "ShowMainMenu", "ShowAddDelMenu"
// and "ShowNewMenu" in the settings key (a missing value means on).
#pragma once
#include "platform/forms.h"

namespace ui {

// The control names of the context-menu options (TSettContextMenu): its layout and every reader of its
// controls use these.
namespace sett_context_control {
inline constexpr wchar_t kForm[] = L"TSettContextMenu";
inline constexpr wchar_t kGroup[] = L"GroupBox1";
inline constexpr wchar_t kShowMenu[] = L"ShowMenuItem";
inline constexpr wchar_t kAddRemove[] = L"AddRemoveItem";
inline constexpr wchar_t kOpenInNewWindow[] = L"OpenItem";
inline constexpr wchar_t kOk[] = L"btOK";
inline constexpr wchar_t kCancel[] = L"btCancel";
}  // namespace sett_context_control

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
