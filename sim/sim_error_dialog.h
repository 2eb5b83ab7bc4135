// Control of the sim's error dialog: each showing is recorded, and the
// scripted clicks are made in order (with the check box set as scripted)
// until one closes the dialog; without (more) clicks the dialog is closed as
// with the system menu.
#pragma once
#include <string>
#include <vector>

#include "platform/error_dialog.h"

namespace sim {
struct ErrorDialogShown {
  plat::ErrorDialogTexts texts;
  bool checked_at_show = false;
  bool wait_shown = false;  // "Please wait." was shown while it was open
  bool closed_by_click = false;
};
std::vector<ErrorDialogShown> ErrorDialogs();
void ScriptErrorDialogClick(plat::ErrorDialogButton button, bool checked);
}  // namespace sim
