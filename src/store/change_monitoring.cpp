#include "store/change_monitoring.h"

#include <chrono>
#include <exception>
#include <thread>

#include "infra/logger.h"
#include "platform/app.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/system.h"
#include "platform/ui_handover.h"

namespace store {

plat::Window ChangeNotifyWindow = 0;
bool WatchActive = false;
std::atomic<bool> TimerPending{false};
std::function<void()> RecentChangedCallback;

namespace {

// The running watcher, or none. The thread keeps its own reference while it
// runs, so forgetting it here never ends the object under the thread.
std::shared_ptr<TFolderMonitoringThread> g_watcher;

std::mutex g_running_lock;
std::condition_variable g_running_changed;
int g_running = 0;

constexpr wchar_t kExecute[] = L"FolderMonitoringThread.Execute";
constexpr std::uint32_t ERROR_NOTIFY_ENUM_DIR = 1022;

}  // namespace

// --- TMonitoringThread -------------------------------------------------------------

void TMonitoringThread::Start() {
  {
    std::lock_guard<std::mutex> g(g_running_lock);
    ++g_running;
  }
  std::shared_ptr<TMonitoringThread> self = shared_from_this();
  std::thread([self] {
    try {
      self->Execute();
    } catch (const std::exception&) {
      // A failure inside the watcher ends it; the agent goes on without it.
    }
    self->finished_ = true;
    std::lock_guard<std::mutex> g(g_running_lock);
    --g_running;
    g_running_changed.notify_all();
  }).detach();
}

void TMonitoringThread::Terminate() {
  {
    std::lock_guard<std::mutex> g(wait_lock_);
    terminated_ = true;
  }
  wake_.notify_all();
}

bool TMonitoringThread::WaitOrTerminated(std::uint32_t ms) {
  std::unique_lock<std::mutex> g(wait_lock_);
  return wake_.wait_for(g, std::chrono::milliseconds(ms), [this] { return terminated_.load(); });
}

void TMonitoringThread::Synchronize(std::uint32_t error_code, bool error) {
  // The fields are read on the UI thread while this thread waits.
  plat::RunOnUiThread([this, error_code, error] {
    if (error) {
      infra::LogError(ErrorLocation, Message, Detail, error_code, MarkBusy);
    } else {
      infra::LogMessage(Message, Detail);
    }
  });
}

void TMonitoringThread::HandOverLog(const std::wstring& message, const std::wstring& detail) {
  Message = message;
  Detail = detail;
  Synchronize(0, false);
}

void TMonitoringThread::HandOverError(const std::wstring& location, const std::wstring& message,
                                      const std::wstring& detail, std::uint32_t error_code) {
  ErrorLocation = location;
  Message = message;
  Detail = detail;
  MarkBusy = true;
  Synchronize(error_code, true);
}

// --- TFolderMonitoringThread ---------------------------------------------------------

void TFolderMonitoringThread::Execute() {
  const std::wstring path = FolderPath;
  const std::wstring detail = L"Path=" + path;
  HandOverLog(L"Start change monitoring", detail);
  if (path.empty() || !plat::DirectoryExists(path)) {
    // The one entry written from this thread itself.
    infra::LogError(L"TFolderMonitoringThread.Execute", L"Invalid folder path: " + path, L"", plat::LastError(), true);
    return;
  }

  for (;;) {
    if (Terminated()) {
      HandOverLog(L"Stopping change monitoring", detail);
      return;
    }
    plat::OwnedWatchEvent event(plat::CreateEventW(true, false));
    if (!event) {
      HandOverError(kExecute, L"CreateEvent fail", L"", plat::LastError());
      return;
    }
    plat::OwnedWatchFolder owned_folder(plat::OpenDirectoryForChanges(path));
    if (!owned_folder && !plat::DirectoryExists(path)) {
      // The folder was deleted: the watch waits for it to be made again, and
      // its contents are read anew then.
      event.reset();
      HandOverLog(L"Change monitoring: the folder is gone, waiting for it to come back", detail);
      while (!plat::DirectoryExists(path)) {
        if (WaitOrTerminated(kWatchPollInterval)) break;
      }
      if (Terminated()) continue;
      HandOverLog(L"Change monitoring: the folder is back", detail);
      plat::RunOnUiThread(ChangeNotify);
      continue;
    }
    if (!owned_folder) {
      event.reset();  // keeps the last error
      HandOverError(kExecute, L"CreateFileW=INVALID_HANDLE_VALUE", detail, plat::LastError());
      return;
    }
    const plat::Handle folder = owned_folder.get();
    Overlapped.event = event.get();
    if (!plat::ReadDirectoryChangesW(folder, false, kRecentNotifyFilter, Overlapped)) {
      owned_folder.reset();
      event.reset();
      HandOverError(kExecute, L"ReadDirectoryChangesW fail", L"", plat::LastError());
      // A read that cannot be started is tried again after a pause, not in a
      // tight loop of error entries.
      WaitOrTerminated(kWatchPollInterval);
      continue;
    }

    bool pending = true;
    while (!Terminated()) {
      std::uint32_t bytes = 0;
      bool complete = plat::GetOverlappedResult(folder, Overlapped, bytes, false);
      if (!complete) {
        const std::uint32_t error = plat::LastError();
        if (error == plat::ERROR_IO_INCOMPLETE) {
          WaitOrTerminated(kWatchPollInterval);
          continue;
        }
        // Too many changes for the (empty) buffer still is a change.
        complete = error == ERROR_NOTIFY_ENUM_DIR;
        if (!complete) {
          // The read ended with a failure: a new one is started after a pause
          // (polling the ended read again would only repeat the failure). A
          // folder that was deleted says so when it is opened again.
          if (plat::DirectoryExists(path)) HandOverError(kExecute, L"GetOverlappedResult fail", L"", error);
          pending = false;
          WaitOrTerminated(kWatchPollInterval);
          break;
        }
      }
      pending = false;
      if (Terminated()) {
        HandOverLog(L"Find changes in folder (terminated)", detail);
      } else if (TimerPending.load()) {
        HandOverLog(L"Find changes in folder (timer already installed)", detail);
        WaitOrTerminated(kWatchPollInterval);
      } else {
        HandOverLog(L"Find changes in folder", detail);
        plat::RunOnUiThread(ChangeNotify);
        WaitOrTerminated(kWatchPollInterval);
      }
      break;
    }
    if (pending) {
      // Ended during a pending read: the read is cancelled and its end
      // awaited before its record and handles go.
      plat::CancelIo(folder);
      std::uint32_t bytes = 0;
      plat::GetOverlappedResult(folder, Overlapped, bytes, true);
    }
    owned_folder.reset();
    event.reset();
    Overlapped.event = 0;
  }
}

// --- The watch ------------------------------------------------------------------------

void StartChangeWatch(const std::wstring& folder) {
  infra::LogMessage(L"Start change watch");
  TimerPending = false;
  plat::StartUiHandOver();
  if (!g_watcher || g_watcher->Finished()) {
    g_watcher = TFolderMonitoringThread::Create();
    g_watcher->FolderPath = folder;
    g_watcher->Start();
  }
  WatchActive = true;
  plat::SleepMs(20);
}

void StopChangeWatch() {
  if (!WatchActive) return;
  infra::LogMessage(L"Ending change watch");
  try {
    if (g_watcher) g_watcher->Terminate();
  } catch (...) {}
  g_watcher.reset();
  WatchActive = false;
  plat::SleepMs(20);
}

void ChangeNotify() {
  if (TimerPending.load()) return;
  TimerPending = true;
  try {
    if (!plat::SetTimer(ChangeNotifyWindow, kChangeTimerId, kChangeTimerInterval)) {
      const std::uint32_t error = plat::LastError();
      // Without a timer the next change tries again.
      TimerPending = false;
      infra::LogError(L"MonitoringThread.ChangeNotify", L"SetTimer fail", L"", error, true);
    }
  } catch (const std::exception&) {
    TimerPending = false;
    infra::LogError(L"MonitoringThread.ChangeNotify", L"Error on starting notify function", L"", plat::LastError(),
                    true);
  }
}

void ChangeTimerProc() {
  plat::KillTimer(ChangeNotifyWindow, kChangeTimerId);
  TimerPending = false;
  if (WatchActive && RecentChangedCallback) RecentChangedCallback();
}

int RunningChangeWatchThreads() {
  std::lock_guard<std::mutex> g(g_running_lock);
  return g_running;
}

bool WaitForChangeWatchThreads(std::uint32_t timeout_ms) {
  std::unique_lock<std::mutex> g(g_running_lock);
  return g_running_changed.wait_for(g, std::chrono::milliseconds(timeout_ms), [] { return g_running == 0; });
}

}  // namespace store
