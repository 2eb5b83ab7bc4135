// The folders of the open Explorer windows, for the folder menu's "Open
// Windows" submenu. Read from the shell's window list where it answers (which
// gives every tab of a tabbed window), otherwise from each window's title or
// address bar (Wine's folder windows). Runs on the agent's UI thread; no
// window holds it longer than the usual 200 ms.
#pragma once
#include <string>
#include <vector>

#include "platform/types.h"

namespace targets {

// How long a window (or the shell's window list) may take to answer.
constexpr std::uint32_t kOpenWindowsTimeoutMs = 200;

// The folders shown by the open Explorer windows other than `target`, top of
// the Z order first (within a window its selected tab first), each folder
// once (letter case aside), without `own_folder` (the target's folder) and
// without windows that do not answer in time.
std::vector<std::wstring> OpenExplorerFolders(plat::Window target, const std::wstring& own_folder);

// The folder a common file dialog lists (CDM_GETFOLDERPATH, through a buffer
// in the dialog's process); empty when it cannot be read in time.
std::wstring FileDialogFolder(plat::Window dialog);

// Removes the folder (letter case and a trailing backslash aside) from folders.
void LeaveOutFolder(std::vector<std::wstring>& folders, const std::wstring& folder);

// The folder an Explorer window shows: its title when that is a folder, else
// its address bar's text when that is one; empty when neither is (or the
// window did not answer).
std::wstring ExplorerWindowFolder(plat::Window frame);

}  // namespace targets
