// Directory change notification over kernel32.
#include "platform/dir_watch.h"

#include <windows.h>
#undef CreateEvent
#undef CreateEventW

#include <cstring>

namespace plat {
namespace {

static_assert(sizeof(OVERLAPPED) <= sizeof(Overlapped::system), "OVERLAPPED must fit the record");

HANDLE H(Handle h) { return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(h)); }
OVERLAPPED* O(Overlapped& o) { return reinterpret_cast<OVERLAPPED*>(o.system); }

}  // namespace

Handle CreateEventW(bool manual_reset, bool initial_state) {
  HANDLE e = ::CreateEventW(nullptr, manual_reset ? TRUE : FALSE, initial_state ? TRUE : FALSE, nullptr);
  return reinterpret_cast<Handle>(e);
}

Handle OpenDirectoryForChanges(const std::wstring& path) {
  HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
  return h == INVALID_HANDLE_VALUE ? INVALID_FOLDER_HANDLE : reinterpret_cast<Handle>(h);
}

bool ReadDirectoryChangesW(Handle folder, bool watch_subtree, std::uint32_t filter, Overlapped& overlapped) {
  std::memset(overlapped.system, 0, sizeof(overlapped.system));
  O(overlapped)->hEvent = H(overlapped.event);
  return ::ReadDirectoryChangesW(H(folder), nullptr, 0, watch_subtree ? TRUE : FALSE, filter, nullptr, O(overlapped),
                                 nullptr) != 0;
}

bool GetOverlappedResult(Handle folder, Overlapped& overlapped, std::uint32_t& bytes, bool wait) {
  DWORD n = 0;
  const BOOL ok = ::GetOverlappedResult(H(folder), O(overlapped), &n, wait ? TRUE : FALSE);
  bytes = n;
  return ok != 0;
}

bool CancelIo(Handle folder) { return ::CancelIo(H(folder)) != 0; }

bool CloseWatchHandle(Handle handle) { return ::CloseHandle(H(handle)) != 0; }

}  // namespace plat
