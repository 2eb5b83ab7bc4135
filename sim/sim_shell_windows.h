// Control of the sim's shell window list: unavailable until a test sets it
// (as under Wine, whose folder windows are not in the list).
#pragma once
#include <vector>

#include "platform/shell_windows.h"

namespace sim {
void SetShellWindowViews(const std::vector<plat::ShellWindowView>& views);
// The list fails (no shell, or it did not answer in time).
void SetShellWindowsUnavailable();
}  // namespace sim
