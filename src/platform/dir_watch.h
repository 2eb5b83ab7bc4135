// Directory change notification with overlapped reads: the calls the Recent
// folder watcher makes (CreateEventW, CreateFileW on a folder,
// ReadDirectoryChangesW, GetOverlappedResult, CancelIo, CloseHandle).
//
// A pending read keeps using its Overlapped record until it completes or is
// cancelled; the record must not move or end before that.
//
// The sim keeps its own change source: a test reports a change in a folder
// (sim/sim_dir_watch.h) and every read pending on that folder
// completes. These calls may be made from any thread.
#pragma once
#include <cstdint>
#include <string>

#include "platform/owned.h"
#include "platform/types.h"

namespace plat {

// INVALID_HANDLE_VALUE of CreateFileW.
constexpr Handle INVALID_FOLDER_HANDLE = ~static_cast<Handle>(0);

// Notify filter bits of ReadDirectoryChangesW.
constexpr std::uint32_t FILE_NOTIFY_CHANGE_FILE_NAME = 0x00000001;
constexpr std::uint32_t FILE_NOTIFY_CHANGE_DIR_NAME = 0x00000002;
constexpr std::uint32_t FILE_NOTIFY_CHANGE_ATTRIBUTES = 0x00000004;
constexpr std::uint32_t FILE_NOTIFY_CHANGE_SIZE = 0x00000008;
constexpr std::uint32_t FILE_NOTIFY_CHANGE_LAST_WRITE = 0x00000010;
constexpr std::uint32_t FILE_NOTIFY_CHANGE_CREATION = 0x00000040;

constexpr std::uint32_t ERROR_OPERATION_ABORTED = 995;
constexpr std::uint32_t ERROR_IO_INCOMPLETE = 996;
constexpr std::uint32_t ERROR_IO_PENDING = 997;

// The OVERLAPPED record of one read: room for the system's record (Internal,
// InternalHigh, Offset/OffsetHigh, hEvent) and the event it signals.
struct Overlapped {
  alignas(8) unsigned char system[32] = {};
  Handle event = 0;
};

// CreateEventW(no security, manual_reset, initial_state, no name); 0 on failure.
Handle CreateEventW(bool manual_reset, bool initial_state);

// CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE |
// FILE_SHARE_DELETE, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS |
// FILE_FLAG_OVERLAPPED): the folder opened for listing its changes.
// INVALID_FOLDER_HANDLE on failure.
Handle OpenDirectoryForChanges(const std::wstring& path);

// ReadDirectoryChangesW(folder, no buffer, length 0, watch_subtree, filter,
// no byte count, &overlapped, no completion routine) with overlapped.event as
// the record's event. The read completes on the first matching change without
// saying which. False when it could not be started.
bool ReadDirectoryChangesW(Handle folder, bool watch_subtree, std::uint32_t filter, Overlapped& overlapped);

// GetOverlappedResult(folder, &overlapped, &bytes, wait). While the read is
// pending and wait is false: false with LastError() ERROR_IO_INCOMPLETE.
bool GetOverlappedResult(Handle folder, Overlapped& overlapped, std::uint32_t& bytes, bool wait);

// CancelIo: cancels the reads the calling thread started on folder; they then
// complete with ERROR_OPERATION_ABORTED.
bool CancelIo(Handle folder);

// CloseHandle of an event or a folder handle of this header.
bool CloseWatchHandle(Handle handle);
using OwnedWatchEvent = Owned<Handle, CloseWatchHandle>;
using OwnedWatchFolder = Owned<Handle, CloseWatchHandle, INVALID_FOLDER_HANDLE>;

}  // namespace plat
