// The sim's directory change notification: reads pending on folders that a
// test completes with sim::NotifyDirectoryChange.
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <cwctype>
#include <map>
#include <mutex>

#include "platform/dir_watch.h"
#include "platform/files.h"
#include "sim/sim_dir_watch.h"
#include "sim/sim_world.h"
#include "platform/system.h"

namespace sim {
namespace {

constexpr std::uint32_t kStatusPending = 0x103;

struct Handle {
  bool folder = false;
  std::wstring path;  // folders: normalised path
};
struct PendingRead {
  plat::Handle folder = 0;
  std::wstring path;
  std::uint32_t filter = 0;
  plat::Overlapped* overlapped = nullptr;
};
struct Failure {
  bool fail = false;
  std::uint32_t error = 0;
};

struct DirWatchState {
  std::mutex lock;
  std::condition_variable changed;
  std::map<plat::Handle, Handle> handles;
  std::map<plat::Overlapped*, PendingRead> pending;
  plat::Handle next = 0x5000;
  std::map<DirWatchCall, Failure> failures;
  std::map<DirWatchCall, int> calls;
};
DirWatchState& S() {
  static DirWatchState s;
  return s;
}

const bool kReset = RegisterReset([] {
  std::lock_guard<std::mutex> g(S().lock);
  // Reads left pending by a test complete as cancelled, so a watcher that
  // outlived its test does not wait on them.
  for (auto& [o, r] : S().pending) std::memcpy(o->system, &plat::ERROR_OPERATION_ABORTED, 4);
  S().pending.clear();
  S().handles.clear();
  S().failures.clear();
  S().calls.clear();
  S().changed.notify_all();
});

std::wstring Normalised(const std::wstring& path) {
  std::wstring out;
  for (wchar_t c : path) out += static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
  while (out.size() > 3 && out.back() == L'\\') out.pop_back();
  return out;
}

// Counts the call; true (with the error set) when it is scripted to fail.
bool Fails(DirWatchCall call) {
  ++S().calls[call];
  const Failure f = S().failures[call];
  if (f.fail) plat::SetLastError(f.error);
  return f.fail;
}

std::uint32_t Status(const plat::Overlapped& o) {
  std::uint32_t s;
  std::memcpy(&s, o.system, 4);
  return s;
}
void SetStatus(plat::Overlapped& o, std::uint32_t s) { std::memcpy(o.system, &s, 4); }

}  // namespace

int NotifyDirectoryChange(const std::wstring& folder, std::uint32_t filter) {
  std::lock_guard<std::mutex> g(S().lock);
  const std::wstring path = Normalised(folder);
  int n = 0;
  for (auto it = S().pending.begin(); it != S().pending.end();) {
    if (it->second.path == path && (it->second.filter & filter) != 0) {
      SetStatus(*it->first, 0);
      it = S().pending.erase(it);
      ++n;
    } else {
      ++it;
    }
  }
  S().changed.notify_all();
  return n;
}

int PendingDirectoryReads(const std::wstring& folder) {
  std::lock_guard<std::mutex> g(S().lock);
  const std::wstring path = Normalised(folder);
  int n = 0;
  for (const auto& [o, r] : S().pending) n += r.path == path ? 1 : 0;
  return n;
}

int OpenDirectoryWatchHandles() {
  std::lock_guard<std::mutex> g(S().lock);
  return static_cast<int>(S().handles.size());
}

void SetDirWatchFailure(DirWatchCall call, bool fail, std::uint32_t error) {
  std::lock_guard<std::mutex> g(S().lock);
  S().failures[call] = Failure{fail, error};
}

int DirWatchCallCount(DirWatchCall call) {
  std::lock_guard<std::mutex> g(S().lock);
  return S().calls[call];
}

}  // namespace sim

namespace plat {

Handle CreateEventW(bool, bool) {
  std::lock_guard<std::mutex> g(sim::S().lock);
  if (sim::Fails(sim::DirWatchCall::CreateEvent)) return 0;
  const Handle h = ++sim::S().next;
  sim::S().handles[h] = sim::Handle{false, {}};
  return h;
}

Handle OpenDirectoryForChanges(const std::wstring& path) {
  {
    std::lock_guard<std::mutex> g(sim::S().lock);
    if (sim::Fails(sim::DirWatchCall::OpenDirectory)) return INVALID_FOLDER_HANDLE;
  }
  if (path.empty() || !DirectoryExists(path)) {
    SetLastError(path.empty() ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND);
    return INVALID_FOLDER_HANDLE;
  }
  std::lock_guard<std::mutex> g(sim::S().lock);
  const Handle h = ++sim::S().next;
  sim::S().handles[h] = sim::Handle{true, sim::Normalised(path)};
  return h;
}

bool ReadDirectoryChangesW(Handle folder, bool, std::uint32_t filter, Overlapped& overlapped) {
  std::lock_guard<std::mutex> g(sim::S().lock);
  if (sim::Fails(sim::DirWatchCall::ReadDirectoryChanges)) return false;
  auto it = sim::S().handles.find(folder);
  if (it == sim::S().handles.end() || !it->second.folder) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  std::memset(overlapped.system, 0, sizeof(overlapped.system));
  sim::SetStatus(overlapped, sim::kStatusPending);
  sim::S().pending[&overlapped] = sim::PendingRead{folder, it->second.path, filter, &overlapped};
  sim::S().changed.notify_all();
  return true;
}

bool GetOverlappedResult(Handle, Overlapped& overlapped, std::uint32_t& bytes, bool wait) {
  std::unique_lock<std::mutex> g(sim::S().lock);
  bytes = 0;
  if (sim::Fails(sim::DirWatchCall::GetOverlappedResult)) return false;
  if (wait) sim::S().changed.wait(g, [&] { return sim::Status(overlapped) != sim::kStatusPending; });
  const std::uint32_t status = sim::Status(overlapped);
  if (status == sim::kStatusPending) {
    SetLastError(ERROR_IO_INCOMPLETE);
    return false;
  }
  if (status != 0) {
    SetLastError(status);
    return false;
  }
  return true;
}

namespace {

// Ends every pending read of a folder as aborted. Called with the lock held.
void AbortReads(Handle folder) {
  for (auto it = sim::S().pending.begin(); it != sim::S().pending.end();) {
    if (it->second.folder == folder) {
      sim::SetStatus(*it->first, ERROR_OPERATION_ABORTED);
      it = sim::S().pending.erase(it);
    } else {
      ++it;
    }
  }
  sim::S().changed.notify_all();
}

}  // namespace

bool CancelIo(Handle folder) {
  std::lock_guard<std::mutex> g(sim::S().lock);
  AbortReads(folder);
  return true;
}

bool CloseWatchHandle(Handle handle) {
  std::lock_guard<std::mutex> g(sim::S().lock);
  if (sim::S().handles.erase(handle) == 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  // Closing a folder cancels its reads, as the system does.
  AbortReads(handle);
  return true;
}

}  // namespace plat
