#include "menu/folder_menu.h"

#include <string>

#include "agent/vorl_folder.h"
#include "infra/logger.h"
#include "platform/app.h"
#include "platform/menu.h"
#include "platform/system.h"
#include "platform/window.h"
#include "targets/target_state.h"

namespace menu {

void BuildFavouritesMenu() {
  // The favourites block and the Filter submenu of PopupMenu2 are built from
  // FavouriteNames/FavouriteValues and FilterMasks/FilterNames here; the
  // fixed commands of the menu are made by the main form.
}

void ShowPath(plat::Window window, targets::TargetKind kind) {
  auto* form = agent::VorlFolder;
  if (!form) return;
  if (window == 0) {
    infra::LogError(L"ShowPath", L"W = 0", L"", plat::LastError(), true);
    return;
  }
  infra::LogMessage(L"ShowPath", L"begin, type=" + std::to_wstring(static_cast<int>(kind)) +
                                     L", W=" + targets::HandleText(window));
  targets::CurrentTargetWindow = window;
  targets::CurrentTargetKind = kind;

  plat::Point pt;
  plat::GetCursorPos(&pt);
  agent::HookSharedBlock* block = form->HookBlock;
  if (block) block->MenuOpenFlag = 1;
  const plat::MenuItem* chosen = plat::TrackPopupMenu(form->PopupMenu2, pt, form->Handle);
  // The block may have been replaced while the menu was open.
  if (form->HookBlock) form->HookBlock->MenuOpenFlag = 0;
  plat::PostMessage(form->Handle, plat::WM_NULL, 0, 0);
  if (chosen && chosen->action) {
    plat::MenuItem item = *chosen;  // the action may rebuild the menu
    item.action(item);
  }
}

}  // namespace menu
