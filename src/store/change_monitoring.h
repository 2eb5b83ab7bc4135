// Watching the user's Recent folder: a background thread waits for files that
// appear, disappear, are renamed or rewritten there, and then arms a
// five-second debounce timer (id 3) on the agent's main window. When that
// timer fires, RecentChangedCallback runs on the UI thread (the main form then
// arms Timer1, whose handler runs the incremental scan). A burst of changes
// therefore costs one scan.
//
// The thread never touches the lists or the menus: its log lines, its error
// entries and the arming of the timer are handed over to the UI thread, and
// the thread waits until they have run.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/dir_watch.h"
#include "platform/types.h"

namespace store {

// Base of the watcher threads: the folder to watch and the hand-over of log
// lines and error entries to the UI thread.
class TMonitoringThread : public std::enable_shared_from_this<TMonitoringThread> {
 public:
  virtual ~TMonitoringThread() = default;
  TMonitoringThread(const TMonitoringThread&) = delete;
  TMonitoringThread& operator=(const TMonitoringThread&) = delete;

  // Starts the thread (created suspended). The thread holds itself alive
  // until Execute has returned, whoever else forgets it.
  void Start();
  // Asks the thread to end; it notices within about 100 ms.
  void Terminate();
  bool Terminated() const { return terminated_.load(); }
  bool Finished() const { return finished_.load(); }

  // Hand-over fields: what the thread asks the UI thread to log.
  std::wstring ErrorLocation;
  std::wstring Message;
  std::wstring Detail;
  bool MarkBusy = true;
  // The folder to watch.
  std::wstring FolderPath;

 protected:
  TMonitoringThread() = default;
  virtual void Execute() = 0;

  // LogMessage(message, detail) on the UI thread; waits until it ran.
  void HandOverLog(const std::wstring& message, const std::wstring& detail);
  // LogError(location, message, detail, error_code, mark busy) on the UI
  // thread; waits until it ran.
  void HandOverError(const std::wstring& location, const std::wstring& message, const std::wstring& detail,
                     std::uint32_t error_code);
  // Waits ms of real time; returns early (true) once termination is asked.
  bool WaitOrTerminated(std::uint32_t ms);

 private:
  void Synchronize(std::uint32_t error_code, bool error);

  std::atomic<bool> terminated_{false};
  std::atomic<bool> finished_{false};
  std::mutex wait_lock_;
  std::condition_variable wake_;
};

// The Recent folder watcher.
class TFolderMonitoringThread : public TMonitoringThread {
 public:
  static std::shared_ptr<TFolderMonitoringThread> Create() {
    return std::shared_ptr<TFolderMonitoringThread>(new TFolderMonitoringThread());
  }
  // The record of the pending directory read; its event is made anew for
  // each pass.
  plat::Overlapped Overlapped;

 protected:
  TFolderMonitoringThread() = default;
  void Execute() override;
};

// The changes the watcher reacts to: file names, last writes, creations.
constexpr std::uint32_t kRecentNotifyFilter = 0x51;
// The debounce timer on the agent's main window.
constexpr std::uint64_t kChangeTimerId = 3;
constexpr std::uint32_t kChangeTimerInterval = 5000;
// The watcher's pause between polls of a pending read, and after a change.
constexpr std::uint32_t kWatchPollInterval = 100;

// The watch's state. Owned by the main form, which sets the window and the
// callback when it starts the watch (vorl_folder_recent.cpp); all of it is
// touched on the UI thread only, except TimerPending, which the watcher
// thread reads.
// The window the debounce timer is bound to (the agent's main window).
extern plat::Window ChangeNotifyWindow;
// The watcher was started and not yet stopped.
extern bool WatchActive;
// The debounce timer is installed and has not fired yet (read by the thread).
extern std::atomic<bool> TimerPending;
// What the debounce timer calls on the UI thread.
extern std::function<void()> RecentChangedCallback;

// Starts the watcher on folder (UI thread).
void StartChangeWatch(const std::wstring& folder);
// Asks the watcher to end, without waiting for it (UI thread).
void StopChangeWatch();

// UI thread: the watcher saw a change; installs the debounce timer unless it
// is pending.
void ChangeNotify();
// UI thread: the debounce timer fired (WM_TIMER with kChangeTimerId on
// ChangeNotifyWindow).
void ChangeTimerProc();

// Watcher threads whose Execute has not returned yet.
int RunningChangeWatchThreads();
// Waits in real time until no watcher thread runs; false after timeout_ms.
bool WaitForChangeWatchThreads(std::uint32_t timeout_ms);

}  // namespace store
