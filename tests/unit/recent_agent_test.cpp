// The main form's side of the recent lists: the start-up scan and watch, the
// settings that switch the rescan off, Timer1, "Clear" and a missing Recent
// folder value.
#include <chrono>
#include <thread>

#include "agent_test_support.h"
#include "platform/file_icon.h"
#include "sim/sim_clock.h"
#include "sim/sim_dir_watch.h"
#include "sim/sim_shell_link.h"
#include "sim/sim_ui_handover.h"
#include "store/change_monitoring.h"
#include "store/recent_lists.h"
#include "store/recent_scan.h"

using namespace agent_test;

namespace {

const std::wstring kRecent = L"C:\\Users\\Ann\\Recent";
const std::wstring kShellFolders = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

class RecentAgent : public AgentFixture {
 protected:
  void SetUp() override {
    AgentFixture::SetUp();
    store::ResetRecentState();
    plat::CreateDirectories(kRecent);
    sim::RegSetString(HKCU, kShellFolders, L"Recent", kRecent);
    sim::RegSetDword(HKCU, kSettings, L"ShowTray", 1);  // not a first run
    builds.clear();
    store::RecentLinks().BuildRecentMenus = [this](bool files, bool folders) { builds.push_back({files, folders}); };
    store::RecentLinks().SetRecentFileIcons = [this](std::vector<plat::Handle> icons) {
      lst = icons.size();
      for (plat::Handle i : icons) plat::DestroyIcon(i);
    };
  }
  void TearDown() override {
    if (form) form->FormDestroy();
    Settle([] { return store::RunningChangeWatchThreads() == 0; });
    AgentFixture::TearDown();
    store::ResetRecentState();
    store::RecentLinks() = store::TRecentLinks{};
  }
  // A file and the shortcut to it, written now.
  static void Opened(const std::wstring& file) {
    plat::CreateDirectories(file.substr(0, file.rfind(L'\\')));
    plat::WriteWholeFile(file, "x");
    plat::WriteWholeFile(kRecent + L"\\" + file.substr(file.rfind(L'\\') + 1) + L".lnk", sim::ShortcutFileBytes(file));
  }
  // Runs hand-overs until pred holds (real time).
  static bool Settle(const std::function<bool()>& pred) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (std::chrono::steady_clock::now() < end) {
      sim::RunUiHandOvers();
      if (pred()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return pred();
  }
  // A change in the Recent folder seen by the watcher: the debounce timer is set.
  void Change() {
    ASSERT_TRUE(Settle([] { return sim::PendingDirectoryReads(kRecent) == 1; }));
    ASSERT_EQ(sim::NotifyDirectoryChange(kRecent), 1);
    ASSERT_TRUE(Settle([this] { return sim::TimerRunning(form->Handle, store::kChangeTimerId); }));
  }
  std::vector<std::pair<bool, bool>> builds;  // (files, folders) of each rebuild of the submenus
  std::size_t lst = 0;                        // icons last given to Lst
};

TEST_F(RecentAgent, StartScansAndAChangeReachesTheListsAfterTheDebounce) {
  Opened(L"C:\\Docs\\a.txt");
  auto& f = Start();
  EXPECT_EQ(f.RecentFolderPath, kRecent);
  ASSERT_EQ(store::RecentFiles.Count(), 1);
  ASSERT_EQ(builds.size(), 1u);
  EXPECT_EQ(builds[0], std::make_pair(true, true));
  EXPECT_EQ(lst, 2u);  // the default picture and the icon of .txt
  EXPECT_TRUE(store::WatchActive);

  Opened(L"C:\\Music\\b.txt");
  Change();
  const std::uint64_t t0 = sim::Now();
  Pump(5200);  // the debounce has fired, Timer1 not yet
  EXPECT_EQ(store::RecentFiles.Count(), 1);
  EXPECT_TRUE(f.Timer1Enabled);
  Pump(t0 + 5400 - sim::Now());
  EXPECT_FALSE(f.Timer1Enabled);  // one run per arming
  ASSERT_EQ(store::RecentFiles.Count(), 2);
  EXPECT_EQ(store::RecentFolders.Objects(1).Path, L"C:\\Music");
  EXPECT_TRUE(LogHas(L"Timer1Timer Parameters: Recent files=2, folders=2"));
  EXPECT_EQ(builds.size(), 2u);

  // "Clear" empties both lists and hides both submenus.
  f.Clear1Click();
  EXPECT_EQ(store::RecentFiles.Count(), 0);
  EXPECT_EQ(store::RecentFolders.Count(), 0);
  ASSERT_EQ(builds.size(), 3u);
  EXPECT_EQ(builds[2], std::make_pair(true, true));
  EXPECT_EQ(lst, 1u);  // the default picture only
}

TEST_F(RecentAgent, WithBothSubmenusOffTheTimerFiresButNoScanRuns) {
  sim::RegSetDword(HKCU, kSettings, L"RecentFldr", 0);
  sim::RegSetDword(HKCU, kSettings, L"RecentFls", 0);
  Opened(L"C:\\Docs\\a.txt");
  auto& f = Start();
  EXPECT_EQ(store::RecentFiles.Count(), 0);  // no start-up scan
  EXPECT_TRUE(builds.empty());
  EXPECT_TRUE(store::WatchActive);  // the watcher runs all the same
  Opened(L"C:\\Music\\b.txt");
  Change();
  Pump(5100);
  EXPECT_FALSE(sim::TimerRunning(f.Handle, store::kChangeTimerId));  // fired
  EXPECT_FALSE(store::TimerPending);
  EXPECT_FALSE(f.Timer1Enabled);
  Pump(1000);
  EXPECT_EQ(store::RecentFiles.Count(), 0);
  EXPECT_EQ(store::SeenLinks.Count(), 0);
}

TEST_F(RecentAgent, WithoutARecentValueNothingIsReadOrWatched) {
  sim::RegDeleteValue(HKCU, kShellFolders, L"Recent");
  Opened(L"C:\\Docs\\a.txt");
  auto& f = Start();
  EXPECT_TRUE(f.RecentFolderPath.empty());
  EXPECT_EQ(store::RecentFiles.Count(), 0);
  EXPECT_FALSE(store::WatchActive);
  EXPECT_EQ(store::RunningChangeWatchThreads(), 0);
  EXPECT_TRUE(builds.empty());  // the submenus stay as made: hidden
  int lines = 0;
  for (const auto& e : LogEntries()) lines += e.find(L"No \"Recent\" value") != std::wstring::npos ? 1 : 0;
  EXPECT_EQ(lines, 1);
  // The end stops nothing and waits for nothing.
  f.FormDestroy();
  EXPECT_FALSE(LogHas(L"Ending change watch"));
}

TEST_F(RecentAgent, TheEndStopsTheWatcherBeforeTheListsGo) {
  Opened(L"C:\\Docs\\a.txt");
  auto& f = Start();
  ASSERT_TRUE(Settle([] { return sim::PendingDirectoryReads(kRecent) == 1; }));
  f.FormDestroy();
  EXPECT_EQ(store::RunningChangeWatchThreads(), 0);
  EXPECT_FALSE(store::WatchActive);
  EXPECT_EQ(store::RecentFiles.Count(), 0);
  EXPECT_EQ(sim::OpenDirectoryWatchHandles(), 0);
}

}  // namespace
