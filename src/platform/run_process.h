// Starting helper programs (the registry export tools of the bug report) and
// the registry hive save that stands in when they fail.
#pragma once
#include <cstdint>
#include <string>

#include "platform/registry.h"

namespace plat {

// CreateProcessW with the command line, no window and no inherited handles,
// then waits at most wait_ms for it. False when it was not started (the
// reason in LastError()); finished tells whether it ended within wait_ms.
bool RunProcess(const std::wstring& command_line, std::uint32_t wait_ms, bool& finished);

// GetWindowsDirectoryW and GetSystemDirectoryW, without a trailing backslash.
std::wstring WindowsFolder();
std::wstring SystemFolder();

// Enables or disables "SeBackupPrivilege" in the process token; true when
// AdjustTokenPrivileges reported no error (ERROR_NOT_ALL_ASSIGNED included).
bool SetBackupPrivilege(bool enable);

// Opens root\key (the 64-bit view when asked) and saves it with RegSaveKeyW
// to file (a registry hive). False on failure.
bool SaveRegistryKey(RegKey root, const std::wstring& key, const std::wstring& file, bool use_64bit_view);

}  // namespace plat
