// Follow Explorer: a file dialog that another program opens is switched, once,
// to the folder of the most recently active Explorer window.
//
// The system tells the agent of every top-level window created, shown,
// hidden or destroyed and of every change of the foreground window
// (window-event hooks, out of context: the UI thread runs them between its
// messages; nothing is polled). A dialog window that appears is classified
// once it is visible and filled (Wine reports only its creation, before its
// controls exist: such a window is looked at again every kCheckMs, for at
// most kClassifyMs). A file dialog is noted with what its file name box and
// folder hold then; kSettleMs later, once the program is through with it, it
// is switched unless the user already typed into its box or chose another
// folder, it is closing, there is no Explorer window or no folder to read
// from it, or it shows that folder already. The switch is the folder menu's
// navigation (SetDataToDialog) with the folder's path ending in a backslash,
// which no dialog takes for a file name: the dialog stays open and its file
// name box gets back what the program had put there. Each switch and each
// reason for not switching is logged. The agent's own windows are left out.
//
// UI thread only.
#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "platform/app.h"
#include "platform/types.h"

namespace targets {

// A file dialog's folder, asked of the dialog (CDM_GETFOLDERPATH with a
// buffer in its process); nothing when the dialog does not say.
std::optional<std::wstring> ReadDialogFolder(plat::Window dialog);

// The Explorer window the user was in last: the last one seen becoming the
// foreground window while it still is one, else the topmost in the Z order;
// 0 when there is none.
plat::Window LatestExplorerWindow(plat::Window last_active);

class TFollowExplorer {
 public:
  // The timer of the agent's main window that paces the checks.
  static constexpr std::uint64_t kTimerId = 6;
  static constexpr std::uint32_t kCheckMs = 50;
  // How long after it shows a dialog is left to its program.
  static constexpr std::uint32_t kSettleMs = 150;
  // How long a new dialog window may take to become a visible file dialog.
  static constexpr std::uint32_t kClassifyMs = 3000;

  explicit TFollowExplorer(plat::Window timer_window) : timer_window_(timer_window) {}
  // The window is made after its owner: set before the first SetEnabled.
  void SetTimerWindow(plat::Window w) { timer_window_ = w; }
  ~TFollowExplorer() { SetEnabled(false); }
  TFollowExplorer(const TFollowExplorer&) = delete;
  TFollowExplorer& operator=(const TFollowExplorer&) = delete;

  // Sets the window-event hooks (on) or removes them and forgets the
  // dialogs in waiting (off). False when the system refused a hook.
  bool SetEnabled(bool on);
  bool Enabled() const { return show_hook_ != 0; }

  // The main window's WM_TIMER with kTimerId: the dialogs whose time came.
  void OnTimer();

 private:
  struct Noted {
    std::uint32_t shown = 0;                // tick of the show event
    std::optional<std::wstring> file_name;  // the box as the program filled it
    std::optional<std::wstring> folder;     // the folder it opened on
    bool closing = false;
  };
  void OnEvent(const plat::WinEvent& e);
  // A new top-level window of a dialog class: noted when it is a visible
  // file dialog already, else looked at again by the timer.
  void Consider(plat::Window w);
  void Note(plat::Window dialog);
  void RunTimer();
  void Decide(plat::Window dialog, const Noted& noted);

  plat::Window timer_window_;
  plat::WinEventHook show_hook_ = 0;
  plat::WinEventHook foreground_hook_ = 0;
  plat::Window last_explorer_ = 0;
  std::map<plat::Window, std::uint32_t> candidates_;  // dialog windows not yet filled, since
  std::map<plat::Window, Noted> waiting_;
  std::set<plat::Window> seen_;  // windows considered once already
  bool timer_ = false;
};

}  // namespace targets
