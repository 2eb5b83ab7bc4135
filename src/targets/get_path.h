// Reading the folder the current target window shows.
#pragma once
#include <string>

namespace targets {

// The folder CurrentTargetWindow (of CurrentTargetKind) shows, read from its
// title or address bar; empty when none could be read or it is no existing
// folder with a backslash in its path. File dialogs always give empty.
std::wstring GetPath();

}  // namespace targets
