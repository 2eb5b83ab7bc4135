// Control of the sim's directory change notification.
//
// Nothing in the sim's file system reports changes by itself: a test that
// changes a watched folder calls NotifyDirectoryChange, and every read pending
// on that folder (not on its parent) whose filter takes the change completes.
#pragma once
#include <cstdint>
#include <string>

namespace sim {

// A change in folder of the kinds in filter (FILE_NOTIFY_CHANGE_* bits).
// Returns the number of pending reads it completed.
int NotifyDirectoryChange(const std::wstring& folder, std::uint32_t filter = 0x1 /* file name */);

// Reads started on folder and not yet completed.
int PendingDirectoryReads(const std::wstring& folder);

// Event and folder handles of this seam that are open.
int OpenDirectoryWatchHandles();

// Calls of the seam that fail while set (LastError() = error).
enum class DirWatchCall { CreateEvent, OpenDirectory, ReadDirectoryChanges, GetOverlappedResult };
void SetDirWatchFailure(DirWatchCall call, bool fail, std::uint32_t error = 5 /* ERROR_ACCESS_DENIED */);
// How often a call was made since the reset.
int DirWatchCallCount(DirWatchCall call);

}  // namespace sim
