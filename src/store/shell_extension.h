// The Explorer context-menu extension "shellext.dll" (outside this program,
// beside the agent's executable): its registration through "Regsvr32", and
// the two signals by which it (or any program) asks the agent to reload the
// favourites after changing them in the registry.
#pragma once
#include <string>

namespace store {

inline constexpr wchar_t kShellExtensionFile[] = L"shellext.dll";
// The marker value in the settings key: the folder menu reloads the store
// before it next shows.
inline constexpr wchar_t kUpdateMarkerValue[] = L"Update";

// Full path of the extension library in the executable's folder.
std::wstring ShellExtensionPath();

// Starts "Regsvr32" through the shell in a normal window, not waiting:
// "/s" and the library's quoted path to register, "/s /u" to unregister.
// The shell's result is not looked at.
void RegisterShellExtension(bool register_it);

// The settings key holds "Update"; it is deleted when found (the caller
// then reloads the store).
bool TakeUpdateMarker();

}  // namespace store
