// Control locators (the edit boxes inside each kind of target window) and the
// two ways of acting on another program's window: bringing it to the front and
// sharing its input state.
#pragma once
#include "platform/types.h"

namespace targets {

// The address bar's edit box of a shell window, or 0. A bar that shows its
// breadcrumb buttons is clicked (far right, x = 20002) into edit mode first;
// the edit box of Wine's folder window is sent WM_SETFOCUS, which makes it
// show the full path instead of the folder's name.
plat::Window FindExplorerAddressEdit(plat::Window shell_window);
// The address bar's edit box of a browser frame, or 0. Nothing is clicked.
plat::Window FindBrowserAddressEdit(plat::Window frame);
// The file name box of a file dialog (classic, new-style, the one direct
// "Edit" child of a dialog that has exactly one, or the edit box of the file
// name control of a dialog of no known layout), or 0.
plat::Window FindFileNameEdit(plat::Window dialog);

// Allows foreground changes, restores a minimized window, makes it the
// foreground window and locks foreground changes again.
void BringWindowToFront(plat::Window w);

// AttachThreadInput of the window's thread to AgentUiThreadId (attach) or
// apart (detach).
void AttachToTargetInput(plat::Window w, bool attach);

// Shares the input state of the target's thread with the agent's UI thread for
// the life of the object; the destructor detaches whatever happens in between.
// The thread is noted at attach time, so a target that vanishes meanwhile is
// still detached.
class InputAttachment {
 public:
  explicit InputAttachment(plat::Window target);
  ~InputAttachment();
  InputAttachment(const InputAttachment&) = delete;
  InputAttachment& operator=(const InputAttachment&) = delete;

 private:
  plat::ThreadId target_thread_ = 0;
  plat::ThreadId agent_thread_ = 0;
  bool attached_ = false;
};

}  // namespace targets
