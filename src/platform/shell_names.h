// Display names of the shell's special folders, asked of the desktop folder
// object (SHGetDesktopFolder, SHGetSpecialFolderLocation,
// IShellFolder::GetDisplayNameOf with SHGDN_NORMAL).
#pragma once
#include <string>

namespace plat {

constexpr int CSIDL_DRIVES = 0x0011;  // the Computer folder

// The normal display name of a special folder ("Documents", "Computer");
// false (and an empty name) when the shell gives none.
bool GetSpecialFolderDisplayName(int csidl, std::wstring& name);

}  // namespace plat
