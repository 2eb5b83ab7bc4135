// The shell's list of its open folder windows (IShellWindows): one entry per
// folder view, so a window with tabs gives one per tab.
#pragma once
#include <string>
#include <vector>

#include "platform/types.h"

namespace plat {

struct ShellWindowView {
  Window frame = 0;      // the top-level window (IWebBrowser2::get_HWND)
  std::wstring folder;   // the file-system folder it shows; empty for other places
  bool selected = true;  // the selected tab of its window (a window without tabs: true)
};

// The views of the shell's window list, in the list's order. False when the
// list is not available or did not answer within timeout_ms (the call is then
// abandoned, never waited for).
bool GetShellWindowViews(std::vector<ShellWindowView>* views, std::uint32_t timeout_ms);

}  // namespace plat
