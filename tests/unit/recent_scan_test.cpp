// The full and incremental scans of the Recent folder, "Clear" and the icon
// cache.
#include <algorithm>
#include <functional>
#include <stdexcept>

#include "platform/file_icon.h"
#include "platform/file_stream.h"
#include "sim/sim_file_icon.h"
#include "recent_test_support.h"

using namespace recent_test;

namespace {

class RecentScan : public RecentFixture {};

store::TRecentScanSettings Settings(bool clear_link = false, int files = 20, int folders = 20) {
  store::TRecentScanSettings s;
  s.ClearLink = clear_link;
  s.FilesCount = files;
  s.FoldersCount = folders;
  return s;
}

TEST_F(RecentScan, PiecesDriveLettersTimeStampKeysFoldersIconKeys) {
  sim::MapTempDrive(L'D', plat::DRIVE_CDROM);
  sim::MapTempDrive(L'E', plat::DRIVE_REMOVABLE);
  sim::MapTempDrive(L'R', plat::DRIVE_RAMDISK);
  sim::MapTempDrive(L'Z', plat::DRIVE_REMOTE);
  EXPECT_EQ(store::BuildRecentDriveLetters(), L"CcZz");

  // 2026-03-02 09:00:04 local: year 46, month 3, day 2, 9 h, 0 min, 2 two-seconds.
  const plat::FileTime ft = (static_cast<plat::FileTime>(BaseTime() + 4) + 11644473600ull) * 10000000ull;
  const std::uint32_t expected = (46u << 25) | (3u << 21) | (2u << 16) | (9u << 11) | 2u;
  EXPECT_EQ(static_cast<std::uint32_t>(store::ShortcutTimeStamp(ft)), expected);
  EXPECT_EQ(store::TimeStampText(static_cast<std::int32_t>(expected)), std::to_wstring(expected));
  // A time the format cannot hold gives 0.
  EXPECT_EQ(store::ShortcutTimeStamp(0), 0);

  struct FolderCase {
    const wchar_t* file;
    const wchar_t* folder;
  };
  for (const FolderCase& c : {FolderCase{L"C:\\Docs\\a.txt", L"C:\\Docs"}, FolderCase{L"C:\\a.txt", L"C:\\"},
                              FolderCase{L"Z:\\Share\\Deep\\x", L"Z:\\Share\\Deep"}}) {
    EXPECT_EQ(store::RecentFolderOf(c.file), c.folder) << c.file;
  }

  struct KeyCase {
    const wchar_t* file;
    const wchar_t* key;
  };
  for (const KeyCase& c :
       {KeyCase{L"C:\\Docs\\a.TXT", L".txt"}, KeyCase{L"C:\\Docs\\b.txt", L".txt"}, KeyCase{L"C:\\Docs\\Makefile", L""},
        KeyCase{L"C:\\v1.2\\readme", L""}, KeyCase{L"C:\\Tools\\Setup.EXE", L"C:\\Tools\\Setup.EXE"},
        KeyCase{L"C:\\Pics\\a.gif", L"C:\\Pics\\a.gif"}, KeyCase{L"C:\\Pics\\a.bmp", L"C:\\Pics\\a.bmp"},
        KeyCase{L"C:\\Pics\\a.ico", L"C:\\Pics\\a.ico"}, KeyCase{L"C:\\Pics\\a.cdr", L"C:\\Pics\\a.cdr"},
        KeyCase{L"C:\\Pics\\a.jpg", L".jpg"}}) {
    EXPECT_EQ(store::IconKey(c.file), c.key) << c.file;
  }
}

TEST_F(RecentScan, FullScanKeepsTheFortyNewestAndDeletesOlderShortcutsWithClearLink) {
  for (bool clear_link : {true, false}) {
    SCOPED_TRACE(clear_link ? "ClearLink on" : "ClearLink off");
    TearDown();
    SetUp();
    std::vector<std::wstring> links;
    for (int i = 0; i < 50; ++i) {
      links.push_back(Opened(L"C:\\Work\\f" + std::to_wstring(100 + i) + L".txt", 4 * i));
    }
    store::ScanRecentFull(kRecent, Settings(clear_link));
    ASSERT_EQ(store::RecentFiles.Count(), 40);
    EXPECT_EQ(store::RecentFiles.Objects(39).Path, L"C:\\Work\\f149.txt");  // the newest is last
    EXPECT_EQ(store::RecentFiles.Objects(0).Path, L"C:\\Work\\f110.txt");
    EXPECT_EQ(store::SeenLinks.Count(), 50);
    for (int i = 0; i < 50; ++i) {
      EXPECT_EQ(plat::FileExists(links[static_cast<std::size_t>(i)]), !clear_link || i >= 10) << i;
    }
    // One folder, keyed by its newest file.
    ASSERT_EQ(store::RecentFolders.Count(), 1);
    EXPECT_EQ(store::RecentFolders.Strings(0), store::RecentFiles.Strings(39));
    EXPECT_EQ(store::RecentFolders.Objects(0).Path, L"C:\\Work");
  }
}

TEST_F(RecentScan, FullScanReadsShortcutsNewestFirstAndStopsAtTheFortiethUsable) {
  struct Case {
    const char* what;
    int shortcuts;
    int broken_newest;  // the newest ones point at files that are gone
    bool clear_link;
    int loads;  // shortcut files read
    int listed;
  };
  const Case cases[] = {
      {"all usable, ClearLink off", 50, 0, false, 40, 40},
      {"all usable, ClearLink on: the older ones are deleted unread", 50, 0, true, 40, 40},
      {"the five newest broken", 50, 5, false, 45, 40},
      {"fewer usable than forty: every one read", 30, 5, false, 30, 25},
      {"ten broken of fifty: every one read", 50, 10, true, 50, 40},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    for (int i = 0; i < c.shortcuts; ++i) {
      const std::wstring file = L"C:\\Work\\f" + std::to_wstring(100 + i) + L".txt";
      if (i >= c.shortcuts - c.broken_newest) {
        MakeShortcut(file.substr(file.rfind(L'\\') + 1), file, 4 * i);  // its file was never made
      } else {
        Opened(file, 4 * i);
      }
    }
    const int before = sim::ShellLinkLoads();
    store::ScanRecentFull(kRecent, Settings(c.clear_link));
    EXPECT_EQ(sim::ShellLinkLoads() - before, c.loads);
    EXPECT_EQ(store::RecentFiles.Count(), c.listed);
    EXPECT_EQ(store::SeenLinks.Count(), c.shortcuts);
  }
}

TEST_F(RecentScan, FullScanListsOnlyExistingFilesOnFixedAndNetworkDrives) {
  sim::MapTempDrive(L'E', plat::DRIVE_REMOVABLE);
  sim::MapTempDrive(L'Z', plat::DRIVE_REMOTE);
  MakeFile(L"E:\\Stick\\photo.txt");
  plat::CreateDirectories(L"C:\\Projects");
  struct Case {
    const wchar_t* target;
    bool listed;
  };
  const Case cases[] = {
      {L"C:\\Docs\\plain.txt", true},        // made below
      {L"C:\\Projects", false},              // a folder
      {L"E:\\Stick\\photo.txt", false},      // a removable drive
      {L"\\\\server\\share\\x.txt", false},  // UNC
      {L"Z:\\Team\\plan.txt", true},         // a mapped network drive, never tested for existence
      {L"C:\\Docs\\gone.txt", false},        // no longer exists
      {L"Q:\\nowhere.txt", false},           // no such drive
  };
  MakeFile(L"C:\\Docs\\plain.txt");
  int seconds = 0;
  for (const Case& c : cases) {
    seconds += 4;
    MakeShortcut(L"s" + std::to_wstring(seconds), c.target, seconds);
  }
  // A damaged shortcut is passed over.
  plat::WriteWholeFile(kRecent + L"\\damaged.lnk", "not a shortcut");
  // Not a shortcut at all.
  plat::WriteWholeFile(kRecent + L"\\desktop.ini", "x");

  store::ScanRecentFull(kRecent, Settings());
  std::vector<std::wstring> expected;
  for (const Case& c : cases) {
    if (c.listed) expected.push_back(c.target);
  }
  EXPECT_EQ(Paths(store::RecentFiles), expected);
  EXPECT_EQ(store::SeenLinks.Count(), 8);  // every shortcut file, readable or not
  EXPECT_EQ(sim::LiveShellLinks(), 0);
}

// A fault inside the shell's shortcut handler ends a scan with an exception:
// the scan's link object (and with it the thread's COM initialisation) is
// released all the same, in both scans.
TEST_F(RecentScan, AScanEndedByAFaultReleasesItsShellLink) {
  MakeFile(L"C:\\Docs\\plain.txt");
  MakeShortcut(L"a", L"C:\\Docs\\plain.txt", 4);
  struct Case {
    const char* what;
    std::function<void()> scan;
  } cases[] = {
      {"full scan", [] { store::ScanRecentFull(kRecent, Settings()); }},
      {"incremental scan", [] { store::ScanRecentChanges(kRecent, Settings()); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    store::SeenLinks.Clear();
    sim::SetShellLinkLoadFaults(true);
    EXPECT_THROW(c.scan(), std::runtime_error);
    sim::SetShellLinkLoadFaults(false);
    EXPECT_EQ(sim::LiveShellLinks(), 0);
  }
}

TEST_F(RecentScan, FoldersAreKeyedByTheirNewestFileAndEqualStampsOrderByPath) {
  Opened(L"C:\\Docs\\a.txt", 0);
  Opened(L"C:\\Music\\song.txt", 4);
  Opened(L"C:\\Docs\\b.txt", 8);
  // The same folder written in other letters is one folder.
  MakeFile(L"C:\\docs\\c.txt");
  MakeShortcut(L"c.txt", L"C:\\docs\\c.txt", 2);
  // Two shortcuts of the same second order by path, without regard to case.
  Opened(L"C:\\Same\\Y.txt", 12);
  Opened(L"C:\\Same\\x.txt", 12);

  store::ScanRecentFull(kRecent, Settings());
  EXPECT_EQ(NewestFirst(store::RecentFiles),
            (std::vector<std::wstring>{L"C:\\Same\\Y.txt", L"C:\\Same\\x.txt", L"C:\\Docs\\b.txt",
                                       L"C:\\Music\\song.txt", L"C:\\docs\\c.txt", L"C:\\Docs\\a.txt"}));
  EXPECT_EQ(NewestFirst(store::RecentFolders), (std::vector<std::wstring>{L"C:\\Same", L"C:\\Docs", L"C:\\Music"}));
  // The Docs entry carries the key of b.txt, the newer file.
  const int docs = store::RecentFolders.Count() - 2;
  EXPECT_NE(store::RecentFolders.Strings(docs).find(L"@C:\\Docs\\b.txt"), std::wstring::npos);
}

TEST_F(RecentScan, IconsAreSharedByExtensionAndOwnedByProgramsAndPictures) {
  Opened(L"C:\\Docs\\a.TXT", 0);
  Opened(L"C:\\Docs\\b.txt", 4);
  Opened(L"C:\\Tools\\setup.exe", 8);
  Opened(L"C:\\Tools\\tool.exe", 12);
  Opened(L"C:\\Data\\one.xyz", 16);  // the shell gives no icon for .xyz
  Opened(L"C:\\Data\\two.xyz", 20);
  Opened(L"C:\\Data\\tiny.ti", 24);  // a 8 x 8 icon is not taken by the full scan
  sim::SetShellIcon(L".xyz", 0, 0);
  sim::SetShellIcon(L".ti", 8, 8);

  store::ScanRecentFull(kRecent, Settings());
  auto icon_of = [](const std::wstring& path) {
    for (int i = 0; i < store::RecentFiles.Count(); ++i) {
      if (store::RecentFiles.Objects(i).Path == path) return store::RecentFiles.Objects(i).IconIndex;
    }
    return -1;
  };
  const int txt = icon_of(L"C:\\Docs\\b.txt");
  EXPECT_GT(txt, 0);
  EXPECT_EQ(icon_of(L"C:\\Docs\\a.TXT"), txt);
  EXPECT_EQ(store::RecentIcons.Key(txt), L".txt");
  const int setup = icon_of(L"C:\\Tools\\setup.exe"), tool = icon_of(L"C:\\Tools\\tool.exe");
  EXPECT_GT(setup, 0);
  EXPECT_GT(tool, 0);
  EXPECT_NE(setup, tool);
  EXPECT_EQ(icon_of(L"C:\\Data\\one.xyz"), 0);
  EXPECT_EQ(icon_of(L"C:\\Data\\two.xyz"), 0);
  EXPECT_EQ(icon_of(L"C:\\Data\\tiny.ti"), 0);
  // Placeholder + .txt + two programs; the refused icons are not kept.
  EXPECT_EQ(store::RecentIcons.Count(), 4);
  EXPECT_EQ(store::RecentIcons.Key(0), L"\\\\\\???");
  EXPECT_EQ(sim::IconSource(store::RecentIcons.Icon(0)), L"default");
  EXPECT_EQ(sim::LiveIcons(), 4);
  // The shell was asked once for .txt, and for every .xyz file again.
  const auto asked = sim::ShellIconRequests();
  EXPECT_EQ(std::count_if(asked.begin(), asked.end(),
                          [](const std::wstring& p) { return p.find(L".xyz") != std::wstring::npos; }),
            2);
  EXPECT_EQ(std::count_if(asked.begin(), asked.end(),
                          [](const std::wstring& p) {
                            return p.find(L"txt") != std::wstring::npos || p.find(L"TXT") != std::wstring::npos;
                          }),
            1);

  // Only the newest FilesCount files get icons; 0 asks for none.
  struct CountCase {
    int files_count;
    int asked;
  };
  for (const CountCase& c : {CountCase{2, 2}, CountCase{0, 0}}) {
    store::ResetRecentState();
    sim::ResetWorld();
    SetUp();
    for (int i = 0; i < 5; ++i) Opened(L"C:\\Docs\\f" + std::to_wstring(i) + L".exe", 4 * i);
    store::ScanRecentFull(kRecent, Settings(false, c.files_count));
    EXPECT_EQ(static_cast<int>(sim::ShellIconRequests().size()), c.asked) << c.files_count;
    EXPECT_EQ(store::RecentFiles.Objects(0).IconIndex, 0);
  }
}

TEST_F(RecentScan, IncrementalScanReadsNewAndRewrittenShortcutsOnly) {
  Opened(L"C:\\Docs\\a.txt", 0);
  Opened(L"C:\\Music\\song.txt", 4);
  const std::wstring pics = Opened(L"C:\\Pics\\p.txt", 8);
  store::ScanRecentFull(kRecent, Settings());
  ASSERT_EQ(NewestFirst(store::RecentFolders), (std::vector<std::wstring>{L"C:\\Pics", L"C:\\Music", L"C:\\Docs"}));

  // Nothing changed: nothing to rebuild.
  EXPECT_FALSE(store::ScanRecentChanges(kRecent, Settings()));

  // a.txt opened again: its shortcut is rewritten later; a new file opened.
  MakeShortcut(L"a.txt", L"C:\\Docs\\a.txt", 20);
  Opened(L"C:\\Music\\other.txt", 16);
  // A shortcut gone from the folder stays listed until the next full scan.
  plat::RemoveFile(pics);
  EXPECT_TRUE(store::ScanRecentChanges(kRecent, Settings()));
  EXPECT_EQ(NewestFirst(store::RecentFiles), (std::vector<std::wstring>{L"C:\\Docs\\a.txt", L"C:\\Music\\other.txt",
                                                                        L"C:\\Pics\\p.txt", L"C:\\Music\\song.txt"}));
  EXPECT_EQ(NewestFirst(store::RecentFolders), (std::vector<std::wstring>{L"C:\\Docs", L"C:\\Music", L"C:\\Pics"}));
  EXPECT_EQ(store::SeenLinks.Count(), 4);
  const int a = store::SeenLinks.IndexOf(L"A.TXT.LNK");
  ASSERT_GE(a, 0);
  EXPECT_EQ(store::RecentFiles.Strings(store::RecentFiles.Count() - 1),
            store::SeenLinks.Objects(a).Text + L"@C:\\Docs\\a.txt");

  // A rewritten shortcut whose target is gone adds nothing but keeps its new
  // time, so it is not read again.
  plat::RemoveFile(L"C:\\Music\\song.txt");
  MakeShortcut(L"song.txt", L"C:\\Music\\song.txt", 24);
  EXPECT_FALSE(store::ScanRecentChanges(kRecent, Settings()));
  EXPECT_EQ(store::SeenLinks.Objects(store::SeenLinks.IndexOf(L"song.txt.lnk")).Text,
            store::TimeStampText(store::ShortcutTimeStamp([] {
              plat::FileTime t = 0;
              plat::FileLastWriteTime(kRecent + L"\\song.txt.lnk", t);
              return t;
            }())));
}

TEST_F(RecentScan, ReopenedFolderMovesToTheTopWhateverTheFolderCount) {
  // Ten folders; the oldest one's file is opened again. With FoldersCount 0
  // (no limit) and 3 alike, the folder ends with one entry, the newest.
  for (int folders_count : {0, 3, 20}) {
    SCOPED_TRACE(folders_count);
    TearDown();
    SetUp();
    for (int i = 0; i < 10; ++i) Opened(L"C:\\F" + std::to_wstring(i) + L"\\x" + std::to_wstring(i) + L".txt", 4 * i);
    store::ScanRecentFull(kRecent, Settings(false, 20, folders_count));
    MakeFile(L"C:\\F0\\again.txt");
    MakeShortcut(L"again.txt", L"C:\\F0\\again.txt", 60);
    ASSERT_TRUE(store::ScanRecentChanges(kRecent, Settings(false, 20, folders_count)));
    const auto folders = NewestFirst(store::RecentFolders);
    ASSERT_EQ(folders.size(), 10u);
    EXPECT_EQ(folders.front(), L"C:\\F0");
    EXPECT_EQ(std::count(folders.begin(), folders.end(), L"C:\\F0"), 1);
  }
}

TEST_F(RecentScan, IncrementalScanTakesAnyIconAndAsksAgainWhenNoneCame) {
  store::ScanRecentFull(kRecent, Settings());
  sim::SetShellIcon(L".ti", 8, 8);
  sim::SetShellIcon(L".xyz", 0, 0);
  Opened(L"C:\\D\\small.ti", 4);
  Opened(L"C:\\D\\a.xyz", 8);
  ASSERT_TRUE(store::ScanRecentChanges(kRecent, Settings()));
  EXPECT_GT(store::RecentFiles.Objects(0).IconIndex, 0);  // the small icon is taken here
  EXPECT_EQ(store::RecentFiles.Objects(1).IconIndex, 0);
  sim::SetShellIcon(L".xyz", 16, 16);
  Opened(L"C:\\D\\b.xyz", 12);
  ASSERT_TRUE(store::ScanRecentChanges(kRecent, Settings()));
  EXPECT_GT(store::RecentFiles.Objects(2).IconIndex, 0);
}

TEST_F(RecentScan, ClearEmptiesTheShellsListTheListsAndTheIconCache) {
  Opened(L"C:\\Docs\\a.txt", 0);
  Opened(L"C:\\Tools\\t.exe", 4);
  store::ScanRecentFull(kRecent, Settings());
  ASSERT_EQ(store::RecentFiles.Count(), 2);
  ASSERT_EQ(store::RecentIcons.Count(), 3);

  store::ClearRecentLists(kRecent);
  EXPECT_EQ(sim::RecentDocsClears(), 1);
  EXPECT_TRUE(plat::FindFiles(kRecent + L"\\*.lnk").empty());
  EXPECT_EQ(store::RecentFiles.Count(), 0);
  EXPECT_EQ(store::RecentFolders.Count(), 0);
  EXPECT_EQ(store::SeenLinks.Count(), 0);
  EXPECT_EQ(store::RecentIcons.Count(), 1);
  EXPECT_EQ(sim::LiveIcons(), 1);  // the other icons were destroyed

  // The next opened file fills the lists again.
  Opened(L"C:\\Docs\\b.txt", 8);
  EXPECT_TRUE(store::ScanRecentChanges(kRecent, Settings()));
  EXPECT_EQ(Paths(store::RecentFiles), std::vector<std::wstring>{L"C:\\Docs\\b.txt"});
}

TEST_F(RecentScan, ShortcutsTheShellLeavesAfterClearDoNotComeBack) {
  sim::SetRecentDocsClearKeepsFiles(true);
  Opened(L"C:\\Docs\\a.txt", 0);
  Opened(L"C:\\Docs\\b.txt", 4);
  store::ScanRecentFull(kRecent, Settings());
  store::ClearRecentLists(kRecent);
  EXPECT_EQ(store::RecentFiles.Count(), 0);
  EXPECT_EQ(store::SeenLinks.Count(), 2);
  EXPECT_FALSE(store::ScanRecentChanges(kRecent, Settings()));
  Opened(L"C:\\Music\\c.txt", 8);
  EXPECT_TRUE(store::ScanRecentChanges(kRecent, Settings()));
  EXPECT_EQ(Paths(store::RecentFiles), std::vector<std::wstring>{L"C:\\Music\\c.txt"});
  EXPECT_EQ(Paths(store::RecentFolders), std::vector<std::wstring>{L"C:\\Music"});
}

TEST_F(RecentScan, NoRecentFolderScansNothing) {
  Opened(L"C:\\Docs\\a.txt", 0);
  store::ScanRecentFull(L"", Settings());
  EXPECT_EQ(store::RecentFiles.Count(), 0);
  EXPECT_FALSE(store::ScanRecentChanges(L"", Settings()));
  // A Recent folder that does not exist lists nothing either.
  store::ScanRecentFull(L"C:\\Nowhere", Settings());
  EXPECT_EQ(store::SeenLinks.Count(), 0);
}

}  // namespace
