// The folder menu PopupMenu2 of the main form: its favourites part and its
// display for a target window.
#pragma once
#include "platform/types.h"
#include "targets/target_kind.h"

namespace menu {

// Rebuilds the favourites part of PopupMenu2 and its Filter submenu from the
// store's lists.
void BuildFavouritesMenu();

// Pops the folder menu up at the cursor for a target window of a kind and runs
// the chosen item's action once the menu has closed.
void ShowPath(plat::Window window, targets::TargetKind kind);

}  // namespace menu
