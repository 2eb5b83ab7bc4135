// The bug report archive: the log files and an export of the settings keys
// packed into "bug-report.zip" in the configuration folder.
#pragma once
#include <string>

namespace errors {

class TZip;

// Adds the files of folder (without a trailing backslash) that match mask,
// in listing order, leaving out folders, "desktop.ini" and ".exe" files; a
// file that cannot be added is logged ("Add fail") and skipped.
void AddToZip(const std::wstring& folder, const std::wstring& mask, TZip& archive);

// Exports HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE + "\" + key to target +
// ".reg" with the system's export tool (regedit.exe from the Windows folder,
// else reg.exe from the system folder), waiting at most a second; when that
// does not finish, saves the key as a hive under the same name (with the
// backup privilege), unless skip_fallback.
void BackupRegistryKey(const std::wstring& key, const std::wstring& target, bool current_user, bool use_64bit_view,
                       bool skip_fallback);

// "Software\Quantrel" of the current user and of the machine, to LogFolder +
// "cur_opt.reg" and "all_opt.reg".
void BackupRegistry();

// Writes the archive: the registry exports, "*.reg", "*.jpg" and (after
// writing every pending log entry) "*.log" of the log folder, named relative
// to the configuration folder. report_file gets the archive's path
// ("bug-report.zip", or "bug-report<n>.zip" when that cannot be replaced).
// False on failure (logged "BackupSystem", "Common error").
bool BackupSystem(std::wstring& report_file);

}  // namespace errors
