#include <windows.h>

#include "platform/file_stream.h"

namespace plat {
namespace {
HANDLE H(Handle h) { return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(h)); }
Handle FromHandle(HANDLE h) {
  if (h == INVALID_HANDLE_VALUE || h == nullptr) return 0;
  return static_cast<Handle>(reinterpret_cast<std::uintptr_t>(h));
}
}  // namespace

Handle FileStreamCreate(const std::wstring& path) {
  return FromHandle(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

Handle FileStreamOpenRead(const std::wstring& path) {
  return FromHandle(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

bool FileStreamRead(Handle file, void* buffer, std::uint32_t size, std::uint32_t* read) {
  DWORD n = 0;
  BOOL ok = ::ReadFile(H(file), buffer, size, &n, nullptr);
  *read = n;
  return ok != FALSE;
}

bool FileStreamWrite(Handle file, const void* data, std::uint32_t size, std::uint32_t* written) {
  DWORD n = 0;
  BOOL ok = ::WriteFile(H(file), data, size, &n, nullptr);
  *written = n;
  return ok != FALSE;
}

bool FileStreamSeek(Handle file, std::int64_t offset, SeekOrigin origin, std::int64_t* position) {
  LARGE_INTEGER dist;
  dist.QuadPart = offset;
  LARGE_INTEGER now;
  now.QuadPart = 0;
  BOOL ok = ::SetFilePointerEx(H(file), dist, &now, static_cast<DWORD>(origin));
  if (position) *position = now.QuadPart;
  return ok != FALSE;
}

bool FileStreamSize(Handle file, std::int64_t* size) {
  LARGE_INTEGER s;
  if (!::GetFileSizeEx(H(file), &s)) return false;
  *size = s.QuadPart;
  return true;
}

bool FileStreamTruncate(Handle file) { return ::SetEndOfFile(H(file)) != FALSE; }

void FileStreamClose(Handle file) {
  if (file) ::CloseHandle(H(file));
}

bool FileStreamGetFacts(const std::wstring& path, FileStreamFacts* facts) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
  facts->attributes = data.dwFileAttributes;
  facts->size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  facts->last_write_time =
      (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
  return true;
}

bool FileTimeToLocalDosDateTime(std::uint64_t file_time, std::uint32_t* dos_date_time) {
  FILETIME utc;
  utc.dwLowDateTime = static_cast<DWORD>(file_time);
  utc.dwHighDateTime = static_cast<DWORD>(file_time >> 32);
  FILETIME local;
  if (!::FileTimeToLocalFileTime(&utc, &local)) return false;
  WORD date = 0, time = 0;
  if (!::FileTimeToDosDateTime(&local, &date, &time)) return false;
  *dos_date_time = (static_cast<std::uint32_t>(date) << 16) | time;
  return true;
}

std::string WideToAnsiCodePage(const std::wstring& text) {
  if (text.empty()) return {};
  int n = ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

void SetCurrentThreadPriority(int priority) { ::SetThreadPriority(::GetCurrentThread(), priority); }

}  // namespace plat
