// Shell links (".lnk" shortcut files): the shell's ShellLink object used
// through its link (IShellLinkW) and persist-file (IPersistFile) interfaces.
//
// A link object is a number; 0 is none. Create one per operation, load any
// number of shortcut files into it one after another, release it at the end.
// The time of a shortcut file itself comes from plat::FileLastWriteTime or a
// folder listing (platform/files.h).
//
// In the sim a shortcut is a small text file of the sim's own form (see
// sim/sim_shell_link.h); what is not of that form cannot be loaded.
#pragma once
#include <cstdint>
#include <string>

#include "platform/owned.h"

namespace plat {

using ShellLink = std::uint64_t;

// MAX_PATH: the target buffer the agent reads a shortcut's path into.
constexpr std::uint32_t kShellLinkPathChars = 260;

// CoCreateInstance(CLSID_ShellLink, IID_IShellLinkW) on the calling thread
// (COM is initialised for it when needed); 0 when the object cannot be made.
ShellLink CreateShellLink();

// Releases the object (and the COM initialisation CreateShellLink made).
void ReleaseShellLink(ShellLink link);
using OwnedShellLink = Owned<ShellLink, ReleaseShellLink>;

// IPersistFile::Load(path, STGM_READ). False when the file cannot be loaded.
bool ShellLinkLoad(ShellLink link, const std::wstring& path);

// IShellLinkW::GetPath into a buffer of kShellLinkPathChars characters with
// no flags. False (and an empty path) when the link has no file-system
// target.
bool ShellLinkGetPath(ShellLink link, std::wstring& target);

// IShellLinkW::SetPath, SetDescription (when not empty), then
// IPersistFile::Save(path, TRUE): writes a shortcut file to target.
bool ShellLinkSetPath(ShellLink link, const std::wstring& target);
bool ShellLinkSetDescription(ShellLink link, const std::wstring& description);
bool ShellLinkSave(ShellLink link, const std::wstring& path);

// The whole round for one file: create, load, read the target, release.
bool ReadShortcutTarget(const std::wstring& link_path, std::wstring& target);
// Create, set the target, save, release.
bool WriteShortcut(const std::wstring& link_path, const std::wstring& target);

}  // namespace plat
