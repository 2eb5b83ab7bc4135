// Seam headers come before <windows.h>: its macros share the constants' names.
#include "platform/files.h"

#include <windows.h>
#undef GetLogicalDriveStrings

#include "platform/win32/unique.h"
#include <algorithm>

namespace plat {
namespace {

FileTime ToFileTime(const FILETIME& ft) { return (static_cast<FileTime>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime; }

bool WriteAll(HANDLE h, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(h, data.data() + done, chunk, &written, nullptr) || written == 0) return false;
    done += written;
  }
  return true;
}

std::wstring DriveRoot(const std::wstring& path) {
  if (path.size() >= 2 && path[1] == L':') return path.substr(0, 2) + L"\\";
  return path;
}

// A path of MAX_PATH or more characters is asked about in its "\\?\" form,
// which reaches it whether or not the system lets the program use long paths
// as they are. Only plain absolute paths ("X:\..." and "\\server\...") are
// given that form: it takes a path literally, without resolving "/", "." or
// "..".
std::wstring Reachable(const std::wstring& path) {
  if (path.size() < MAX_PATH || path.find(L'/') != std::wstring::npos || path.find(L"\\.") != std::wstring::npos)
    return path;
  if (path.size() > 3 && path[1] == L':' && path[2] == L'\\') return L"\\\\?\\" + path;
  if (path.size() > 2 && path[0] == L'\\' && path[1] == L'\\' && path[2] != L'?' && path[2] != L'.')
    return L"\\\\?\\UNC\\" + path.substr(2);
  return path;
}

}  // namespace

bool FileExists(const std::wstring& path) {
  DWORD a = ::GetFileAttributesW(Reachable(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::wstring& path) {
  DWORD a = ::GetFileAttributesW(Reachable(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateDirectories(const std::wstring& path) {
  std::wstring p = path;
  while (p.size() > 3 && (p.back() == L'\\' || p.back() == L'/')) p.pop_back();
  if (p.empty()) {
    ::SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  if (DirectoryExists(p)) return true;
  size_t cut = p.find_last_of(L"\\/");
  if (cut != std::wstring::npos && cut > 0) {
    std::wstring parent = p.substr(0, cut);
    if (parent.size() == 2 && parent[1] == L':') parent += L'\\';
    if (parent != p && !DirectoryExists(parent) && !CreateDirectories(parent)) return false;
  }
  if (::CreateDirectoryW(p.c_str(), nullptr)) return true;
  DWORD err = ::GetLastError();
  if (DirectoryExists(p)) return true;
  ::SetLastError(err);
  return false;
}

bool RemoveFolder(const std::wstring& path) { return ::RemoveDirectoryW(path.c_str()) != 0; }

std::int64_t FileSize(const std::wstring& path) {
  win32::UniqueFile h(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h) return -1;
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(h.get(), &size)) return -1;
  return size.QuadPart;
}

bool AppendToFile(const std::wstring& path, const std::string& data, const std::string& prefix_if_new, bool* created) {
  if (created) *created = false;
  win32::UniqueFile h(::CreateFileW(path.c_str(), FILE_APPEND_DATA | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h) return false;
  bool is_new = ::GetLastError() != ERROR_ALREADY_EXISTS;
  if (created) *created = is_new;
  LARGE_INTEGER zero{};
  bool ok = ::SetFilePointerEx(h.get(), zero, nullptr, FILE_END) != 0;
  if (ok && is_new) ok = WriteAll(h.get(), prefix_if_new);
  if (ok) ok = WriteAll(h.get(), data);
  return ok;
}

bool WriteWholeFile(const std::wstring& path, const std::string& data) {
  win32::UniqueFile h(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h) return false;
  return WriteAll(h.get(), data);
}

bool ReadWholeFile(const std::wstring& path, std::string& out) {
  out.clear();
  win32::UniqueFile h(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h) return false;
  char buf[65536];
  DWORD got = 0;
  while (true) {
    if (!::ReadFile(h.get(), buf, sizeof buf, &got, nullptr)) return false;
    if (got == 0) return true;
    out.append(buf, got);
  }
}

bool CopyFileTo(const std::wstring& from, const std::wstring& to, bool fail_if_exists) {
  return ::CopyFileW(from.c_str(), to.c_str(), fail_if_exists ? TRUE : FALSE) != 0;
}

bool RemoveFile(const std::wstring& path) { return ::DeleteFileW(path.c_str()) != 0; }

bool MoveFileTo(const std::wstring& from, const std::wstring& to, bool replace) {
  DWORD flags = MOVEFILE_COPY_ALLOWED | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
  return ::MoveFileExW(from.c_str(), to.c_str(), flags) != 0;
}

std::vector<FindData> FindFiles(const std::wstring& pattern) {
  std::vector<FindData> out;
  WIN32_FIND_DATAW fd;
  win32::UniqueFind h(::FindFirstFileW(pattern.c_str(), &fd));
  if (!h) return out;
  do {
    std::wstring name = fd.cFileName;
    if (name == L"." || name == L"..") continue;
    FindData d;
    d.name = name;
    d.attributes = fd.dwFileAttributes;
    d.size = (static_cast<std::uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
    d.last_write = ToFileTime(fd.ftLastWriteTime);
    out.push_back(std::move(d));
  } while (::FindNextFileW(h.get(), &fd));
  h.reset();
  if (out.empty()) ::SetLastError(ERROR_FILE_NOT_FOUND);
  return out;
}

std::uint32_t DriveType(const std::wstring& root) { return ::GetDriveTypeW(DriveRoot(root).c_str()); }

std::uint32_t GetLogicalDriveStrings(std::uint32_t buffer_chars, std::wstring& buffer) {
  buffer.assign(buffer_chars, L'\0');
  DWORD n = ::GetLogicalDriveStringsW(buffer_chars, buffer.data());
  if (n == 0 || n > buffer_chars) buffer.clear();
  return n;
}

bool VolumeLabel(const std::wstring& root, std::wstring& label) {
  label.clear();
  wchar_t name[MAX_PATH + 1] = {};
  UINT old = ::SetErrorMode(SEM_FAILCRITICALERRORS);
  BOOL ok = ::GetVolumeInformationW(DriveRoot(root).c_str(), name, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0);
  ::SetErrorMode(old);
  if (!ok) return false;
  label = name;
  return true;
}

std::uint32_t FileAttributes(const std::wstring& path) { return ::GetFileAttributesW(Reachable(path).c_str()); }

bool FileLastWriteTime(const std::wstring& path, FileTime& time) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
  time = ToFileTime(data.ftLastWriteTime);
  return true;
}

}  // namespace plat
