// Reading the folder the current target window shows.
#pragma once
#include <string>

#include "platform/types.h"
#include "targets/target_kind.h"

namespace targets {

// The folder CurrentTargetWindow (of CurrentTargetKind) shows, read from its
// title or address bar; empty when none could be read or it is no existing
// folder with a backslash in its path. File dialogs always give empty.
std::wstring GetPath();

// The same for any window of the given kind (Explorer, InternetExplorer).
std::wstring GetPathOf(plat::Window target, TargetKind kind);

}  // namespace targets
