// The current target of the folder menu and the agent's UI thread, plus small
// helpers shared by the target-window units.
#pragma once
#include <string>

#include "platform/types.h"
#include "targets/target_kind.h"

namespace targets {

// The window and kind of the last folder menu; written only by ShowPath, read by
// the reading, navigation and menu actions. They keep their values after the
// menu closes. UI thread only.
extern plat::Window CurrentTargetWindow;
extern TargetKind CurrentTargetKind;
// The agent's UI thread, noted when the main form is created; every attach to
// a target's input joins the target's thread to this one. 0 until set (the
// calling thread is used then). Written once by the main form's FormCreate;
// read by any thread.
extern plat::ThreadId AgentUiThreadId;

// Window handles in log texts: upper-case hexadecimal, at least 6 digits.
std::wstring HandleText(plat::Window w);

}  // namespace targets
