// Files, folders and drives.
//
// Paths are Windows paths ("C:\Work\a.txt", "\\server\share\x") in every build;
// the sim maps drive letters to host folders (sim/sim_files.h).
// Functions never throw: failures return false / an empty or "invalid" value and
// leave the Windows error code in plat::LastError() (platform/system.h).
// File contents are bytes (std::string); log and configuration files hold
// UTF-16LE or ANSI text, converted by the caller.
//
// win32 sources include this header before <windows.h>, whose macros share
// the constants' names.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/system.h"  // LastError and the ERROR_* codes

namespace plat {

// GetDriveType results.
constexpr std::uint32_t DRIVE_UNKNOWN = 0;
constexpr std::uint32_t DRIVE_NO_ROOT_DIR = 1;
constexpr std::uint32_t DRIVE_REMOVABLE = 2;
constexpr std::uint32_t DRIVE_FIXED = 3;
constexpr std::uint32_t DRIVE_REMOTE = 4;
constexpr std::uint32_t DRIVE_CDROM = 5;
constexpr std::uint32_t DRIVE_RAMDISK = 6;

// File attribute bits (GetFileAttributes, WIN32_FIND_DATA).
constexpr std::uint32_t FILE_ATTRIBUTE_READONLY = 0x1;
constexpr std::uint32_t FILE_ATTRIBUTE_HIDDEN = 0x2;
constexpr std::uint32_t FILE_ATTRIBUTE_SYSTEM = 0x4;
constexpr std::uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr std::uint32_t FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr std::uint32_t FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr std::uint32_t INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;

// FILETIME as one number: 100-nanosecond intervals since 1601-01-01 UTC.
using FileTime = std::uint64_t;

// One entry of a folder listing (WIN32_FIND_DATAW).
struct FindData {
  std::wstring name;  // file name only, no folder
  std::uint32_t attributes = 0;
  std::uint64_t size = 0;
  FileTime last_write = 0;
  bool IsDirectory() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
};

// True when path names an existing file (not a folder).
bool FileExists(const std::wstring& path);

// True when path names an existing folder. A drive root ("C:\") is a folder.
bool DirectoryExists(const std::wstring& path);

// Creates the folder and every missing parent (ForceDirectories). True when
// the folder exists afterwards. A trailing backslash is allowed.
bool CreateDirectories(const std::wstring& path);

// Removes an empty folder (RemoveDirectoryW).
bool RemoveFolder(const std::wstring& path);

// Size in bytes of the file (opened for attribute reading with read sharing);
// -1 when it cannot be opened.
std::int64_t FileSize(const std::wstring& path);

// Opens the file for appending with read sharing, creating it when missing
// (OPEN_ALWAYS); a newly created file first receives prefix_if_new (a
// byte-order mark, say). Returns false when the file cannot be opened or the
// write fails; created (optional) tells whether the file was new.
bool AppendToFile(const std::wstring& path, const std::string& data, const std::string& prefix_if_new = {},
                  bool* created = nullptr);

// Creates or truncates the file and writes data (CREATE_ALWAYS).
bool WriteWholeFile(const std::wstring& path, const std::string& data);

// Reads the whole file (opened with read and write sharing, so a file that
// another writer holds open can be read). False when it cannot be opened.
bool ReadWholeFile(const std::wstring& path, std::string& out);

// CopyFileW: with fail_if_exists an existing target makes it fail.
bool CopyFileTo(const std::wstring& from, const std::wstring& to, bool fail_if_exists);

// DeleteFileW.
bool RemoveFile(const std::wstring& path);

// MoveFileExW; with replace an existing target is replaced.
bool MoveFileTo(const std::wstring& from, const std::wstring& to, bool replace);

// Lists the folder entries that match a FindFirstFileW pattern
// ("C:\Users\Ann\Recent\*.lnk", "C:\Data\*"). "." and ".." are left out.
// Matching is case-insensitive with '*' and '?'. An empty result with
// LastError() ERROR_FILE_NOT_FOUND or ERROR_NO_MORE_FILES means no match;
// ERROR_PATH_NOT_FOUND means the folder is missing.
std::vector<FindData> FindFiles(const std::wstring& pattern);

// GetDriveTypeW of a root such as "C:\" (a path is cut to its drive root).
std::uint32_t DriveType(const std::wstring& root);

// GetLogicalDriveStringsW into a buffer of buffer_chars characters: the roots
// of the present drives ("C:\", "D:\"), each ended by a zero character, and
// one more zero after the last, as the system writes them. Returns the number
// of characters written without the final zero (0 on failure); when the
// buffer is too small nothing is written and the size needed is returned.
std::uint32_t GetLogicalDriveStrings(std::uint32_t buffer_chars, std::wstring& buffer);

// Volume label of a root ("C:\"), through GetVolumeInformationW; false when the
// drive is not ready or not present.
bool VolumeLabel(const std::wstring& root, std::wstring& label);

// GetFileAttributesW; INVALID_FILE_ATTRIBUTES when the path does not exist.
std::uint32_t FileAttributes(const std::wstring& path);

// Last write time of a file or folder; false when it does not exist.
bool FileLastWriteTime(const std::wstring& path, FileTime& time);

}  // namespace plat
