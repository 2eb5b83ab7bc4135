// Control of the sim's shell display names: none until a test sets them.
#pragma once
#include <string>

namespace sim {
// The display name the shell gives for a special folder; an empty name
// removes it (the shell then gives none).
void SetSpecialFolderDisplayName(int csidl, const std::wstring& name);
}  // namespace sim
