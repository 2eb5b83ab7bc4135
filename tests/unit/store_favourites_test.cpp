#include <gtest/gtest.h>

#include <functional>

#include "infra/logger.h"
#include "infra/logger_files.h"
#include "infra/utf16.h"
#include "menu/shorten_caption.h"
#include "platform/shell_link.h"
#include "platform/shell_names.h"
#include "sim/sim_process.h"
#include "sim/sim_shell_execute.h"
#include "sim/sim_shell_link.h"
#include "sim/sim_shell_names.h"
#include "store/shell_extension.h"
#include "store_test_support.h"

using namespace store_test;
using plat::HKEY_CURRENT_USER;

namespace {

using StoreSplit = StoreFixture;
using StoreLoad = StoreFixture;
using StoreAdd = StoreFixture;
using StoreRemove = StoreFixture;
using StoreFirstRun = StoreFixture;
using StoreShortcuts = StoreFixture;

TEST_F(StoreSplit, DecodesTheLastDollarAndItsNumber) {
  struct Case {
    std::wstring text, head;
    int number;
  } cases[] = {
      {L"Music$2", L"Music", 2},
      {L"Notes", L"Notes", 0},
      {L"Price$", L"Price$", 0},
      {L"A$B$7", L"A$B", 7},
      {L"C:\\Work$2", L"C:\\Work", 2},
      {L"Data$ 12", L"Data", 12},
      {L"Odd$x5", L"Odd", 0},
      {L"$3", L"", 3},
      {L"", L"", 0},
  };
  for (const auto& c : cases) {
    const store::TEncoded e = store::SplitEncoded(c.text);
    EXPECT_EQ(e.text, c.head) << N(c.text);
    EXPECT_EQ(e.number, c.number) << N(c.text);
  }
  EXPECT_TRUE(store::IsSubmenuHeader(L"Submenu234"));
  EXPECT_TRUE(store::IsSubmenuHeader(L"SubmenuTools"));
  EXPECT_FALSE(store::IsSubmenuHeader(L"submenu1"));
  EXPECT_FALSE(store::IsSubmenuHeader(L"C:\\Submenu"));

  // Paths whose stored names decode back to themselves.
  EXPECT_TRUE(store::IsStorablePath(L"C:\\Work"));
  EXPECT_TRUE(store::IsStorablePath(L"C:\\Price$"));
  EXPECT_FALSE(store::IsStorablePath(L"\\\\server\\c$\\data"));
  EXPECT_FALSE(store::IsStorablePath(L"C:\\x$5"));
}

TEST_F(StoreLoad, MirrorsBothKeysInStoredOrder) {
  const Entries tree = {{L"Submenu1", L"Work$5"}, {L"C:\\Projects$2", L"Projects$0"}, {L"D:\\Data", L"Data$0"}};
  SetEntries(store::kPathKey, tree);
  SetEntries(store::kFilterKey, {{L"*.txt", L"Text"}, {L"*.*", L"All Files"}});
  store::FavouriteNames = {L"stale"};
  store::FavouriteValues = {L"stale$0"};

  store::LoadFavourites();
  EXPECT_EQ(Favourites(), tree);
  EXPECT_EQ(Filters(), (Entries{{L"*.txt", L"Text"}, {L"*.*", L"All Files"}}));
  EXPECT_EQ(menu_builds, 1);

  // The tree the entries describe: a submenu Work with one child, then Data.
  EXPECT_TRUE(store::IsSubmenuHeader(store::FavouriteNames[0]));
  EXPECT_EQ(store::SplitEncoded(store::FavouriteValues[0]).text, L"Work");
  EXPECT_EQ(store::SplitEncoded(store::FavouriteValues[0]).number, 5);
  EXPECT_EQ(store::SplitEncoded(store::FavouriteNames[1]).number, 2);
  EXPECT_EQ(store::SplitEncoded(store::FavouriteNames[2]).number, 0);
}

TEST_F(StoreLoad, MissingKeysGiveEmptyListsAndWrongTypesAreSkipped) {
  store::FilterMasks = {L"*.old"};
  store::FilterNames = {L"Old"};
  store::LoadFavourites();
  EXPECT_TRUE(Favourites().empty());
  EXPECT_TRUE(Filters().empty());
  EXPECT_FALSE(sim::RegKeyExists(HKEY_CURRENT_USER, store::kPathKey)) << "loading creates no key";

  SetEntries(store::kPathKey, {{L"C:\\A", L"A$0"}});
  sim::RegSetDword(HKEY_CURRENT_USER, store::kPathKey, L"C:\\Broken", 7);
  SetEntries(store::kPathKey, {{L"C:\\B", L"B$0"}});
  sim::RegSetString(HKEY_CURRENT_USER, store::kFilterKey, L"*.x", L"X", plat::REG_EXPAND_SZ);
  store::LoadFavourites();
  EXPECT_EQ(Favourites(), (Entries{{L"C:\\A", L"A$0"}, {L"C:\\B", L"B$0"}}));
  EXPECT_EQ(Filters(), (Entries{{L"*.x", L"X"}}));
}

TEST_F(StoreLoad, ALoadAfterAnotherProgramChangedTheStoreFindsTheChangeAndNoneCostsNoRebuild) {
  // The agent keeps what it read and reads a key again only once it changed:
  // whatever changed in between, a load gives the store as it is now.
  const Entries path = {{L"Submenu1", L"Work$5"}, {L"C:\\Work$2", L"Work$0"}, {L"D:\\Data", L"Data$0"}};
  const Entries filters = {{L"*.txt", L"Text"}};
  struct Case {
    const char* name;
    std::function<void()> change;
    bool rebuilt;
  };
  const Case cases[] = {
      {"nothing changed", [] {}, false},
      {"the lists in memory edited (the menu may show them: built again)",
       [] {
         store::FavouriteNames.pop_back();
         store::FilterNames[0] = L"Edited";
       },
       true},
      {"a title rewritten in place",
       [] { sim::RegSetString(HKEY_CURRENT_USER, store::kPathKey, L"D:\\Data", L"Mine$0"); }, true},
      {"the same data written again",
       [] { sim::RegSetString(HKEY_CURRENT_USER, store::kPathKey, L"D:\\Data", L"Data$0"); }, false},
      {"a folder added", [] { sim::RegSetString(HKEY_CURRENT_USER, store::kPathKey, L"E:\\New", L"New$0"); }, true},
      {"a folder deleted", [] { sim::RegDeleteValue(HKEY_CURRENT_USER, store::kPathKey, L"C:\\Work$2"); }, true},
      {"the key deleted and made anew",
       [] {
         sim::RegDeleteTree(HKEY_CURRENT_USER, store::kPathKey);
         SetEntries(store::kPathKey, {{L"F:\\Other", L"Other$0"}});
       },
       true},
      {"only a filter changed", [] { sim::RegSetString(HKEY_CURRENT_USER, store::kFilterKey, L"*.txt", L"Notes"); },
       true},
      {"the filters deleted", [] { sim::RegDeleteTree(HKEY_CURRENT_USER, store::kFilterKey); }, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sim::RegDeleteTree(HKEY_CURRENT_USER, store::kPathKey);
    sim::RegDeleteTree(HKEY_CURRENT_USER, store::kFilterKey);
    SetEntries(store::kPathKey, path);
    SetEntries(store::kFilterKey, filters);
    store::LoadFavourites();
    store::LoadFavourites();  // read once, then served from what was read
    ASSERT_EQ(Favourites(), path);
    menu_builds = 0;

    c.change();
    store::LoadFavourites();
    EXPECT_EQ(Favourites(), KeyEntries(store::kPathKey));
    EXPECT_EQ(Filters(), KeyEntries(store::kFilterKey));
    EXPECT_EQ(menu_builds, c.rebuilt ? 1 : 0);
  }
}

TEST_F(StoreLoad, AValueThatIsNoStringIsReportedAtEveryLoad) {
  const std::wstring folder = L"C:\\Log\\";
  infra::ResetLogger();
  ASSERT_TRUE(plat::CreateDirectories(folder));
  infra::SetLogFolder(folder);
  SetEntries(store::kPathKey, {{L"C:\\A", L"A$0"}});
  sim::RegSetDword(HKEY_CURRENT_USER, store::kPathKey, L"C:\\Broken", 7);
  for (int load = 0; load < 3; ++load) store::LoadFavourites();
  infra::SaveAllLogs(false);
  std::string bytes;
  ASSERT_TRUE(plat::ReadWholeFile(folder + L"folder_error.log", bytes));
  int reported = 0;  // entries (their heads), not the recent lines each entry repeats
  for (const auto& line : infra::SplitLogLines(bytes))
    reported += line.find(L":  Err (common): Function: LoadFavourites Message: Invalid data type for 'C:\\Broken'") !=
                std::wstring::npos;
  EXPECT_EQ(reported, 3);
  EXPECT_EQ(Favourites(), (Entries{{L"C:\\A", L"A$0"}}));
  infra::ResetLogger();
}

TEST_F(StoreAdd, AddsExistingFoldersOnceAtTheEndOfTheTopLevel) {
  ASSERT_TRUE(plat::CreateDirectories(L"C:\\Work"));
  ASSERT_TRUE(plat::CreateDirectories(L"C:\\Other"));
  SetEntries(store::kPathKey, {{L"Submenu1", L"Work$5"}, {L"c:\\work", L"Work$0"}});
  store::LoadFavourites();
  menu_builds = 0;

  store::AddFavouriteFolder(L"C:\\Work");  // present, other case
  store::AddFavouriteFolder(L"C:\\Missing");
  store::AddFavouriteFolder(L"");
  EXPECT_EQ(KeyEntries(store::kPathKey), (Entries{{L"Submenu1", L"Work$5"}, {L"c:\\work", L"Work$0"}}));

  store::AddFavouriteFolder(L"C:\\Other");
  const Entries want = {{L"Submenu1", L"Work$5"}, {L"c:\\work", L"Work$0"}, {L"C:\\Other", L"C:\\Other$0"}};
  EXPECT_EQ(KeyEntries(store::kPathKey), want);
  EXPECT_EQ(Favourites(), want);
  EXPECT_GE(menu_builds, 1);
}

TEST_F(StoreAdd, ASubmenuChildCountsAsPresent) {
  ASSERT_TRUE(plat::CreateDirectories(L"C:\\Work"));
  SetEntries(store::kPathKey, {{L"Submenu1", L"Jobs$5"}, {L"C:\\Work$2", L"Work$0"}});
  store::LoadFavourites();
  store::AddFavouriteFolder(L"C:\\Work");
  store::AddFavouriteFolder(L"c:\\WORK");
  EXPECT_EQ(KeyEntries(store::kPathKey).size(), 2u);

  // Present in the registry but not yet in the lists (another program wrote it).
  sim::RegSetString(HKEY_CURRENT_USER, store::kPathKey, L"C:\\Late$2", L"Late$0");
  ASSERT_TRUE(plat::CreateDirectories(L"C:\\Late"));
  store::AddFavouriteFolder(L"C:\\Late");
  EXPECT_EQ(KeyEntries(store::kPathKey).size(), 3u);
  EXPECT_EQ(store::FavouriteNames.size(), 2u);
}

TEST_F(StoreAdd, SlowPathsAreTakenUntouchedAndDollarPathsRefused) {
  sim::MapTempDrive(L'E', plat::DRIVE_REMOVABLE);
  sim::SetDriveReady(L'E', false);
  store::AddFavouriteFolder(L"E:\\Card\\Photos");
  store::AddFavouriteFolder(L"\\\\server\\share\\docs");
  store::AddFavouriteFolder(L"\\\\server\\c$\\data");  // would be read back as \\server\c
  EXPECT_EQ(KeyEntries(store::kPathKey), (Entries{{L"E:\\Card\\Photos", L"E:\\Card\\Photos$0"},
                                                  {L"\\\\server\\share\\docs", L"\\\\server\\share\\docs$0"}}));
}

TEST_F(StoreAdd, TitleIsTheShortenedPathOrWhatThePromptGives) {
  const std::wstring deep = L"C:\\Users\\Public\\Documents\\Projects\\2013\\Quarterly reports\\Final";
  ASSERT_TRUE(plat::CreateDirectories(deep));
  ASSERT_TRUE(plat::CreateDirectories(L"C:\\Asked"));
  ASSERT_TRUE(plat::CreateDirectories(L"C:\\Declined"));
  store::AddFavouriteFolder(deep);
  EXPECT_EQ(KeyEntries(store::kPathKey).back().second, menu::ShortenPathCaption(deep) + L"$0");

  bool always = false;
  std::vector<std::wstring> prompted;
  bool confirm = true;
  store::Links().AlwaysAddDialog = [&] { return always; };
  store::Links().AddItemPrompt = [&](std::wstring& title) {
    prompted.push_back(title);
    title = L"My title";
    return confirm;
  };
  always = true;
  store::AddFavouriteFolder(L"C:\\Asked");
  confirm = false;
  store::AddFavouriteFolder(L"C:\\Declined");
  EXPECT_EQ(prompted, (std::vector<std::wstring>{L"C:\\Asked", L"C:\\Declined"}));
  const Entries entries = KeyEntries(store::kPathKey);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[1], (std::pair<std::wstring, std::wstring>{L"C:\\Asked", L"My title$0"}));
}

TEST_F(StoreAdd, UpdateReloadsWithoutWriting) {
  SetEntries(store::kPathKey, {{L"C:\\A", L"A$0"}});
  sim::RegClearJournal();
  menu_builds = 0;
  store::AddFavouriteFolder(L"/update");
  EXPECT_TRUE(sim::RegJournal().empty());
  EXPECT_EQ(Favourites(), (Entries{{L"C:\\A", L"A$0"}}));
  EXPECT_EQ(menu_builds, 1);
  // Again with nothing changed: the menu shows the store already.
  store::AddFavouriteFolder(L"/update");
  EXPECT_EQ(menu_builds, 1);
  // Another program changed the store: one build.
  SetEntries(store::kPathKey, {{L"C:\\B", L"B$0"}});
  store::AddFavouriteFolder(L"/update");
  EXPECT_EQ(menu_builds, 2);
}

TEST_F(StoreAdd, AFailedWriteLeavesListsAndRegistryAgreeing) {
  ASSERT_TRUE(plat::CreateDirectories(L"C:\\Work"));
  sim::RegFailWritesAlways(HKEY_CURRENT_USER, store::kPathKey);
  store::AddFavouriteFolder(L"C:\\Work");
  EXPECT_TRUE(KeyEntries(store::kPathKey).empty());
  EXPECT_TRUE(store::FavouriteNames.empty());
}

TEST_F(StoreRemove, RemovesTheTopLevelEntryFirstThenTheChild) {
  const Entries start = {{L"Submenu1", L"Jobs$5"}, {L"C:\\Work$2", L"Work child$0"}, {L"C:\\Work", L"Work$0"}};
  SetEntries(store::kPathKey, start);
  store::LoadFavourites();

  store::RemoveFavouriteFolder(L"c:\\work");
  EXPECT_EQ(KeyEntries(store::kPathKey), (Entries{start[0], start[1]}));
  store::RemoveFavouriteFolder(L"C:\\Work");
  EXPECT_EQ(KeyEntries(store::kPathKey), (Entries{start[0]})) << "the header stays as an empty submenu";
  store::RemoveFavouriteFolder(L"C:\\Work");
  EXPECT_EQ(Favourites(), (Entries{start[0]}));
}

class StoreFirstRunWorld : public StoreFixture {
 protected:
  void SetUp() override {
    StoreFixture::SetUp();
    sim::MapTempDrive(L'D', plat::DRIVE_CDROM, L"DVD");
    sim::SetProgramPath(L"C:\\Program Files\\Vorlune\\qorbin.exe");
    const wchar_t* folders[] = {L"C:\\Users\\Ann\\Documents", L"C:\\Users\\Ann\\Music", L"C:\\Users\\Ann\\Pictures",
                                L"C:\\Users\\Ann\\Favorites\\Tools", L"C:\\Build"};
    for (auto f : folders) ASSERT_TRUE(plat::CreateDirectories(f));
    auto shell = [](const wchar_t* name, const wchar_t* path) {
      sim::RegSetString(HKEY_CURRENT_USER, store::kShellFoldersKey, name, path);
    };
    shell(L"Personal", L"C:\\Users\\Ann\\Documents");
    shell(L"My Music", L"C:\\Users\\Ann\\Music");
    shell(L"My Pictures", L"C:\\Users\\Ann\\Pictures");
    shell(L"Favorites", L"C:\\Users\\Ann\\Favorites");
    ASSERT_TRUE(plat::WriteShortcut(L"C:\\Users\\Ann\\Favorites\\Tools\\Build.lnk", L"C:\\Build"));
  }
};

TEST_F(StoreFirstRunWorld, WritesTheDefaultsInOrder) {
  sim::SetSpecialFolderDisplayName(plat::CSIDL_PERSONAL, L"Documents");
  sim::SetSpecialFolderDisplayName(plat::CSIDL_DRIVES, L"Computer");
  store::WriteFirstRunDefaults();

  EXPECT_EQ(KeyEntries(store::kPathKey), (Entries{
                                             {L"Submenu234", L"Computer$5"},
                                             {L"C:\\$2", L"System (C:)$9"},
                                             {L"D:\\$2", L"D:\\$9"},
                                             {L"C:\\Users\\Ann\\Documents", L"Documents$12"},
                                             {L"C:\\Users\\Ann\\Music", L"Music$2"},
                                             {L"C:\\Users\\Ann\\Pictures", L"Pictures$1"},
                                             {L"SubmenuTools", L"Tools$5"},
                                             {L"C:\\Build$2", L"Build$0"},
                                         }));
  Entries filters;
  for (const auto& f : store::kDefaultFilters) filters.emplace_back(f.mask, f.name);
  EXPECT_EQ(KeyEntries(store::kFilterKey), filters);
  EXPECT_EQ(filters[0], (std::pair<std::wstring, std::wstring>{L"*.*", L"All Files"}));
  EXPECT_NE(filters[2].first.find(L";*img;"), std::wstring::npos);
  EXPECT_EQ(filters[3].second, L"Video");

  EXPECT_EQ(sim::RegGetString(HKEY_CURRENT_USER, store::kSettingsKey, L"Path"),
            std::wstring(L"C:\\Program Files\\Vorlune\\"));
  EXPECT_EQ(sim::RegGetString(HKEY_CURRENT_USER, store::kRunKey, store::kRunValue),
            std::wstring(L"C:\\Program Files\\Vorlune\\qorbin.exe"));
  const auto runs = sim::ShellExecutions();
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].file, L"Regsvr32");
  EXPECT_EQ(runs[0].parameters, L"/s \"C:\\Program Files\\Vorlune\\shellext.dll\"");
  EXPECT_EQ(runs[0].show, 1);
  EXPECT_EQ(sim::LiveShellLinks(), 0);
  EXPECT_EQ(sim::RegOpenHandles(), 0);
}

TEST_F(StoreFirstRunWorld, FallbackTitlesAndExistingValuesKept) {
  // No display names from the shell; a value from an earlier installation.
  sim::RegSetString(HKEY_CURRENT_USER, store::kPathKey, L"C:\\Old", L"Old$0");
  sim::RegSetString(HKEY_CURRENT_USER, store::kPathKey, L"c:\\users\\ann\\music", L"Tunes$3");
  sim::RegSetDword(HKEY_CURRENT_USER, store::kShellFoldersKey, L"My Pictures", 1);  // not a string: unknown
  store::WriteFirstRunDefaults();
  const Entries entries = KeyEntries(store::kPathKey);
  ASSERT_GE(entries.size(), 5u);
  EXPECT_EQ(entries[0], (std::pair<std::wstring, std::wstring>{L"C:\\Old", L"Old$0"}));
  EXPECT_EQ(entries[1].second, L"Music$2") << "overwritten in place";
  EXPECT_EQ(entries[2], (std::pair<std::wstring, std::wstring>{L"Submenu234", L"My Computer$5"}));
  bool documents = false, pictures = false;
  for (const auto& e : entries) {
    documents |= e.second == L"My documents$12";
    pictures |= e.first == L"C:\\Users\\Ann\\Pictures";
  }
  EXPECT_TRUE(documents);
  EXPECT_FALSE(pictures);
}

TEST_F(StoreFirstRunWorld, AFailureEndsTheRoutineButKeepsWhatWasWritten) {
  // Every write of a drive entry fails: only the drive walk ends.
  sim::RegFailWrites(HKEY_CURRENT_USER, store::kPathKey, sim::kAlways, plat::ERROR_CANTWRITE, L"C:\\$2");
  store::WriteFirstRunDefaults();
  const Entries entries = KeyEntries(store::kPathKey);
  ASSERT_GE(entries.size(), 2u);
  EXPECT_EQ(entries[0].first, L"Submenu234");
  EXPECT_EQ(entries[1].first, L"C:\\Users\\Ann\\Documents") << "D: comes after C: and is not reached";
  EXPECT_EQ(KeyEntries(store::kFilterKey).size(), 4u);

  // A Filter key that refuses writes ends the routine: no settings key, so
  // the next start seeds again.
  sim::ResetWorld();
  sim::MapTempDrive(L'C', plat::DRIVE_FIXED, L"System");
  sim::RegDenyWrites(HKEY_CURRENT_USER, store::kFilterKey);
  store::WriteFirstRunDefaults();
  EXPECT_EQ(KeyEntries(store::kPathKey).size(), 2u);
  EXPECT_FALSE(sim::RegKeyExists(HKEY_CURRENT_USER, store::kSettingsKey));
  EXPECT_TRUE(sim::ShellExecutions().empty());
}

TEST_F(StoreShortcuts, ImportsFolderShortcutsOnly) {
  ASSERT_TRUE(plat::CreateDirectories(L"C:\\Fav\\Empty"));
  ASSERT_TRUE(plat::CreateDirectories(L"C:\\Fav\\Work"));
  ASSERT_TRUE(plat::CreateDirectories(L"C:\\Target"));
  ASSERT_TRUE(plat::WriteWholeFile(L"C:\\Target\\file.txt", "x"));
  ASSERT_TRUE(plat::WriteShortcut(L"C:\\Fav\\Empty\\ToFile.lnk", L"C:\\Target\\file.txt"));
  ASSERT_TRUE(plat::WriteShortcut(L"C:\\Fav\\Empty\\Gone.lnk", L"C:\\Gone"));
  ASSERT_TRUE(plat::WriteWholeFile(L"C:\\Fav\\Empty\\Broken.lnk", "not a shortcut"));
  ASSERT_TRUE(plat::WriteShortcut(L"C:\\Fav\\Work\\Target.lnk", L"C:\\Target"));
  ASSERT_TRUE(plat::WriteShortcut(L"C:\\Fav\\Work\\.lnk", L"C:\\Target"));  // empty title
  ASSERT_TRUE(plat::WriteShortcut(L"C:\\Fav\\Share.lnk", L"\\\\nas\\share"));
  ASSERT_TRUE(plat::WriteShortcut(L"C:\\Fav\\Admin.lnk", L"\\\\nas\\d$\\x"));

  store::ImportShortcutFolder(L"C:\\Fav", L"Empty");
  EXPECT_TRUE(KeyEntries(store::kPathKey).empty()) << "no accepted shortcut, no submenu";
  store::ImportShortcutFolder(L"C:\\Fav", L"Work");
  store::ImportShortcutFolder(L"C:\\Fav", L"");
  EXPECT_EQ(KeyEntries(store::kPathKey),
            (Entries{{L"SubmenuWork", L"Work$5"}, {L"C:\\Target$2", L"Target$0"}, {L"\\\\nas\\share", L"Share$0"}}));
  EXPECT_EQ(sim::LiveShellLinks(), 0);
}

TEST_F(StoreShortcuts, ShortcutFilesRoundTripThroughTheSeam) {
  ASSERT_TRUE(plat::CreateDirectories(L"C:\\Links"));
  const std::wstring target = L"C:\\Tr\u00e4ume \u65e5\u672c";
  ASSERT_TRUE(plat::WriteShortcut(L"C:\\Links\\a.lnk", target));
  std::wstring read;
  EXPECT_TRUE(plat::ReadShortcutTarget(L"C:\\Links\\a.lnk", read));
  EXPECT_EQ(read, target);
  ASSERT_TRUE(plat::WriteWholeFile(L"C:\\Links\\b.lnk", "junk"));
  EXPECT_FALSE(plat::ReadShortcutTarget(L"C:\\Links\\b.lnk", read));
  EXPECT_TRUE(read.empty());
  EXPECT_FALSE(plat::ReadShortcutTarget(L"C:\\Links\\missing.lnk", read));
  sim::SetShellLinkUnavailable(true);
  EXPECT_FALSE(plat::ReadShortcutTarget(L"C:\\Links\\a.lnk", read));
  EXPECT_EQ(sim::LiveShellLinks(), 0);
}

TEST_F(StoreShortcuts, ShellExtensionRegistrationAndUpdateMarker) {
  sim::SetProgramPath(L"D:\\Apps\\qorbin.exe");
  store::RegisterShellExtension(false);
  store::RegisterShellExtension(true);
  const auto runs = sim::ShellExecutions();
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].parameters, L"/s /u \"D:\\Apps\\shellext.dll\"");
  EXPECT_EQ(runs[1].parameters, L"/s \"D:\\Apps\\shellext.dll\"");

  EXPECT_FALSE(store::TakeUpdateMarker());
  sim::RegSetDword(HKEY_CURRENT_USER, store::kSettingsKey, L"Update", 1);
  EXPECT_TRUE(store::TakeUpdateMarker());
  EXPECT_FALSE(sim::RegValueExists(HKEY_CURRENT_USER, store::kSettingsKey, L"Update"));
  EXPECT_FALSE(store::TakeUpdateMarker());
}

}  // namespace
