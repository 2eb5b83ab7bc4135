// Control of the sim's drives: drive letters mapped to host folders.
//
// Logic code keeps Windows paths ("C:\Users\Ann\Documents"); the sim turns the
// drive letter into the host folder mapped here and the rest of the path into
// host path components, matching existing names case-insensitively like
// Windows does. Paths on drives that are not mapped do not exist.
#pragma once
#include <cstdint>
#include <string>

namespace sim {

// Maps a drive letter to an existing host folder with a drive type
// (plat::DRIVE_FIXED, ...) and a volume label.
void MapDrive(wchar_t letter, const std::string& host_dir, std::uint32_t drive_type, const std::wstring& label = L"");

// Maps a drive letter to a fresh, empty temporary host folder and returns that
// folder; the world's reset removes it again.
std::string MapTempDrive(wchar_t letter, std::uint32_t drive_type = 3 /* DRIVE_FIXED */,
                         const std::wstring& label = L"");

// Removes a drive mapping (the host folder stays).
void UnmapDrive(wchar_t letter);

// Sets a drive "not ready" (an empty card reader, say): its files cannot be
// reached and it has no volume label; its type stays.
void SetDriveReady(wchar_t letter, bool ready);

// The process's current directory (SetCurrentDirectoryW): relative paths
// ("config", "\Windows", "C:x") are taken from it, as the system takes them;
// empty (the start of each test): relative paths do not exist.
void SetCurrentDirectory(const std::wstring& windows_path);

// Host path of a Windows path; empty when its drive is not mapped.
std::string HostPath(const std::wstring& windows_path);

// A full drive: every write of data fails with ERROR_DISK_FULL as on Windows -
// a whole-file write has emptied the file first, an append adds nothing, a
// copy deletes its destination; renames, deletes and empty files still work.
void SetDriveFull(wchar_t letter, bool full);

// While locked, a file cannot be opened for writing, appending, deleting or
// moving (another process holds it without sharing): ERROR_SHARING_VIOLATION.
void SetFileLocked(const std::wstring& windows_path, bool locked);

}  // namespace sim
