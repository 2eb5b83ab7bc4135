// The Recent folder watcher: its thread, the hand-over to the UI thread, the
// five-second debounce timer and its failures.
#include <chrono>
#include <thread>

#include "infra/logger.h"
#include "platform/app.h"
#include "platform/files.h"
#include "sim/sim_app.h"
#include "sim/sim_clock.h"
#include "sim/sim_dir_watch.h"
#include "platform/ui_handover.h"
#include "recent_test_support.h"
#include "store/change_monitoring.h"

using namespace recent_test;

namespace {

class RecentWatch : public RecentFixture {
 protected:
  void SetUp() override {
    RecentFixture::SetUp();
    window = plat::CreateHiddenWindow(
        L"TRecentWatchTest", L"",
        [](plat::Window, std::uint32_t message, std::uint64_t wparam, std::int64_t) -> std::optional<std::int64_t> {
          if (message == plat::WM_TIMER && wparam == store::kChangeTimerId) store::ChangeTimerProc();
          return std::nullopt;
        });
    store::ChangeNotifyWindow = window;
    store::RecentChangedCallback = [this] { fired.push_back(sim::Now()); };
  }
  void TearDown() override {
    store::StopChangeWatch();
    WaitUntil([] { return store::RunningChangeWatchThreads() == 0; });
    plat::StopUiHandOver();
    store::RecentChangedCallback = nullptr;
    store::ChangeNotifyWindow = 0;
    store::TimerPending = false;
    plat::DestroyHiddenWindow(window);
    RecentFixture::TearDown();
  }

  // Runs the UI thread's message loop for ms of virtual time.
  void Pump(std::uint64_t ms) {
    sim::SetLoopDeadline(ms);
    plat::Msg m;
    while (plat::GetMessageW(m)) plat::DispatchMessageW(m);
  }
  // Waits until the watcher has a read pending on the Recent folder.
  bool Armed() {
    return WaitUntil([] { return sim::PendingDirectoryReads(kRecent) == 1; });
  }
  // A change in the Recent folder, once the watcher listens.
  void Change() {
    ASSERT_TRUE(Armed());
    ASSERT_EQ(sim::NotifyDirectoryChange(kRecent), 1);
  }
  bool TimerSet() const { return sim::TimerRunning(window, store::kChangeTimerId); }

  plat::Window window = 0;
  std::vector<std::uint64_t> fired;
};

TEST_F(RecentWatch, ABurstOfChangesGivesOneCallbackFiveSecondsAfterTheFirst) {
  store::StartChangeWatch(kRecent);
  EXPECT_TRUE(store::WatchActive);
  const std::uint64_t first = sim::Now();
  for (int i = 0; i < 10; ++i) {
    Change();
    // The first change installs the timer; the later ones find it pending.
    ASSERT_TRUE(WaitUntil([this] { return TimerSet(); })) << i;
    if (i < 9) Pump(200);
  }
  EXPECT_EQ(sim::TimerInterval(window, store::kChangeTimerId), 5000u);
  ASSERT_TRUE(Armed());  // the last change has been handled
  Pump(first + 4990 - sim::Now());
  EXPECT_TRUE(fired.empty());
  Pump(20);
  ASSERT_EQ(fired.size(), 1u);
  EXPECT_NEAR(static_cast<double>(fired[0] - first), 5000.0, 250.0);
  EXPECT_FALSE(TimerSet());
  EXPECT_FALSE(store::TimerPending);

  // A change six seconds after the first gives a second callback.
  Pump(first + 6000 - sim::Now());
  Change();
  ASSERT_TRUE(WaitUntil([this] { return TimerSet(); }));
  const std::uint64_t second = sim::Now();
  Pump(5100);
  ASSERT_EQ(fired.size(), 2u);
  EXPECT_NEAR(static_cast<double>(fired[1] - second), 5000.0, 100.0);

  EXPECT_EQ(LogCount(L"Start change watch"), 1);
  EXPECT_EQ(LogCount(L"Start change monitoring Parameters: Path=" + kRecent), 1);
  EXPECT_GE(LogCount(L"Find changes in folder Parameters: Path=" + kRecent), 2);
  EXPECT_GE(LogCount(L"Find changes in folder (timer already installed) Parameters: Path=" + kRecent), 1);
}

TEST_F(RecentWatch, StoppingDuringAPendingReadEndsTheThreadPromptly) {
  store::StartChangeWatch(kRecent);
  ASSERT_TRUE(Armed());
  const auto begin = std::chrono::steady_clock::now();
  store::StopChangeWatch();
  EXPECT_FALSE(store::WatchActive);
  ASSERT_TRUE(WaitUntil([] { return store::RunningChangeWatchThreads() == 0; }, 2000));
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - begin);
  // It does not wait for a change: it notices the request at its next poll.
  EXPECT_LT(took.count(), 1000);
  EXPECT_EQ(sim::PendingDirectoryReads(kRecent), 0);
  EXPECT_EQ(sim::OpenDirectoryWatchHandles(), 0);
  EXPECT_EQ(LogCount(L"Ending change watch"), 1);
  EXPECT_EQ(LogCount(L"Stopping change monitoring Parameters: Path=" + kRecent), 1);
  // A change after the stop arms nothing.
  sim::NotifyDirectoryChange(kRecent);
  Pump(6000);
  EXPECT_TRUE(fired.empty());
  // Stopping twice does nothing more.
  store::StopChangeWatch();
  EXPECT_EQ(LogCount(L"Ending change watch"), 1);
}

TEST_F(RecentWatch, TheTimerFiringAfterTheStopCallsNothing) {
  store::StartChangeWatch(kRecent);
  Change();
  ASSERT_TRUE(WaitUntil([this] { return TimerSet(); }));
  store::StopChangeWatch();
  Pump(5100);
  EXPECT_TRUE(fired.empty());
  EXPECT_FALSE(store::TimerPending);
}

TEST_F(RecentWatch, FailuresEndTheWatcherOrRetryWithAnErrorEntry) {
  struct Case {
    const char* what;
    std::wstring folder;
    sim::DirWatchCall failing;
    bool fail;
    std::wstring entry;
    bool ends;  // the thread ends by itself
  };
  const Case cases[] = {
      {"empty path", L"", sim::DirWatchCall::CreateEvent, false,
       L"Function: TFolderMonitoringThread.Execute Message: Invalid folder path: ", true},
      {"missing folder", L"C:\\Nowhere", sim::DirWatchCall::CreateEvent, false,
       L"Message: Invalid folder path: C:\\Nowhere", true},
      {"no event", kRecent, sim::DirWatchCall::CreateEvent, true,
       L"Function: FolderMonitoringThread.Execute Message: CreateEvent fail", true},
      {"folder cannot be opened", kRecent, sim::DirWatchCall::OpenDirectory, true,
       L"Function: FolderMonitoringThread.Execute Message: CreateFileW=INVALID_HANDLE_VALUE Parameters: Path=" +
           kRecent,
       true},
      {"read cannot start", kRecent, sim::DirWatchCall::ReadDirectoryChanges, true,
       L"Function: FolderMonitoringThread.Execute Message: ReadDirectoryChangesW fail", false},
      {"poll fails", kRecent, sim::DirWatchCall::GetOverlappedResult, true,
       L"Function: FolderMonitoringThread.Execute Message: GetOverlappedResult fail", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    if (c.fail) sim::SetDirWatchFailure(c.failing, true);
    store::StartChangeWatch(c.folder);
    if (c.ends) {
      EXPECT_TRUE(WaitUntil([] { return store::RunningChangeWatchThreads() == 0; }));
    } else {
      // It tries again, pausing between attempts, until it is stopped.
      EXPECT_TRUE(WaitUntil([&] { return sim::DirWatchCallCount(c.failing) >= 3; }));
      std::this_thread::sleep_for(std::chrono::milliseconds(150));
      sim::RunUiHandOvers();
      EXPECT_LT(sim::DirWatchCallCount(c.failing), 30);
      EXPECT_EQ(store::RunningChangeWatchThreads(), 1);
      store::StopChangeWatch();
      EXPECT_TRUE(WaitUntil([] { return store::RunningChangeWatchThreads() == 0; }));
    }
    EXPECT_GE(LogCount(c.entry), 1);
    EXPECT_EQ(sim::OpenDirectoryWatchHandles(), 0);
    EXPECT_TRUE(fired.empty());
  }
}

TEST_F(RecentWatch, ARecentFolderDeletedAndMadeAgainIsWatchedAgain) {
  store::StartChangeWatch(kRecent);
  ASSERT_TRUE(Armed());
  // The folder goes; the read on it ends with a failure, as Windows ends it.
  ASSERT_TRUE(plat::RemoveFolder(kRecent));
  sim::SetDirWatchFailure(sim::DirWatchCall::GetOverlappedResult, true);
  auto logged = [](const wchar_t* text) {
    return WaitUntil([text] {
      infra::SaveAllLogs(false);
      return LogCount(text) >= 1;
    });
  };
  ASSERT_TRUE(logged(L"Change monitoring: the folder is gone, waiting for it to come back Parameters: Path="));
  sim::SetDirWatchFailure(sim::DirWatchCall::GetOverlappedResult, false);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(store::RunningChangeWatchThreads(), 1);  // still there, waiting
  EXPECT_EQ(sim::OpenDirectoryWatchHandles(), 0);
  // Made again: watched again, and read anew.
  ASSERT_TRUE(plat::CreateDirectories(kRecent));
  ASSERT_TRUE(logged(L"Change monitoring: the folder is back"));
  ASSERT_TRUE(WaitUntil([this] { return TimerSet(); }));
  Pump(5100);
  EXPECT_EQ(fired.size(), 1u);
  Change();
  ASSERT_TRUE(WaitUntil([this] { return TimerSet(); }));
  Pump(5100);
  EXPECT_EQ(fired.size(), 2u);
  // One line for each, no error entry.
  infra::SaveAllLogs(false);
  EXPECT_EQ(LogCount(L"the folder is gone"), 1);
  EXPECT_EQ(LogCount(L"GetOverlappedResult fail"), 0);
}

TEST_F(RecentWatch, ATimerThatCannotBeInstalledIsTriedAgainOnTheNextChange) {
  store::ChangeNotifyWindow = 0xDEAD;  // no such window: SetTimer fails
  store::StartChangeWatch(kRecent);
  Change();
  ASSERT_TRUE(WaitUntil([] { return LogCount(L"Message: SetTimer fail") >= 1; }));
  EXPECT_FALSE(store::TimerPending);
  store::ChangeNotifyWindow = window;
  Change();
  ASSERT_TRUE(WaitUntil([this] { return TimerSet(); }));
  Pump(5100);
  EXPECT_EQ(fired.size(), 1u);
}

}  // namespace
