// Control of the sim's shell links.
//
// A sim shortcut file is UTF-16LE text: the line "[sim shortcut]", CR LF, then
// "Target=" and the target path. plat::ShellLinkSave writes that form; any
// other content fails plat::ShellLinkLoad, like a damaged shortcut.
#pragma once
#include <string>

namespace sim {

// The bytes of a sim shortcut file to target.
std::string ShortcutFileBytes(const std::wstring& target);

// Link objects created and not released yet.
int LiveShellLinks();

// Calls of plat::ShellLinkLoad since the world's reset (shortcut files read).
int ShellLinkLoads();

// While set, plat::CreateShellLink fails (COM cannot make the object).
void SetShellLinkUnavailable(bool unavailable);

// While set, plat::ShellLinkLoad throws: a fault inside the shell's shortcut
// handler, unwound as an exception by the program's fault guard.
void SetShellLinkLoadFaults(bool faults);

}  // namespace sim
