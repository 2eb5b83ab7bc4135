// The folder menu's builders: the favourites block and Filter submenu from the
// store's lists, the recent submenus from the recent lists, and the captions
// of long paths.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "agent/program_settings.h"
#include "menu/folder_menu.h"
#include "menu/shorten_caption.h"
#include "platform/files.h"
#include "sim/sim_files.h"
#include "sim/sim_world.h"
#include "store/recent_lists.h"

namespace {

using Strings = std::vector<std::wstring>;

// "Caption#tag@image" and, for a submenu, its children in braces.
std::wstring Describe(const plat::MenuItem& i) {
  std::wstring s = i.caption + L"#" + std::to_wstring(i.tag) + L"@" + std::to_wstring(i.image);
  if (!i.items.empty() || (!i.action && i.tag >= menu::kFavouriteTagBase)) {
    s += L"{";
    for (std::size_t k = 0; k < i.items.size(); ++k) s += (k ? L"," : L"") + Describe(i.items[k]);
    s += L"}";
  }
  return s;
}

// The favourites block: the items above the first separator.
Strings Block(const plat::Menu& m) {
  Strings out;
  for (const auto& i : m) {
    if (i.IsSeparator()) break;
    out.push_back(Describe(i));
  }
  return out;
}

Strings Captions(const std::vector<plat::MenuItem>& items) {
  Strings out;
  for (const auto& i : items) out.push_back(i.IsSeparator() ? L"-" : i.caption);
  return out;
}

class MenuBuild : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::ResetWorld();
    sim::MapTempDrive(L'C');
    sim::MapTempDrive(L'D');
    sim::MapTempDrive(L'N', 4 /* DRIVE_REMOTE */);
    for (const wchar_t* d : {L"C:\\Projects", L"D:\\Data", L"C:\\A", L"C:\\B", L"C:\\C", L"C:\\Work"}) {
      plat::CreateDirectories(d);
    }
    menu_ = menu::CreateFolderMenu({});
  }
  void TearDown() override { sim::ResetWorld(); }

  void Build(const Strings& names, const Strings& values, const Strings& masks = {}, const Strings& filter_names = {}) {
    menu::BuildFavouritesBlock(menu_, names, values, masks, filter_names);
  }

  plat::Menu menu_;
};

TEST_F(MenuBuild, FavouritesBlockFollowsTheStoredTree) {
  struct Case {
    const char* what;
    Strings names, values;
    Strings expected;
  };
  const Case cases[] = {
      {"a submenu with a child, then a top-level folder",
       {L"Submenu1", L"C:\\Projects$2", L"D:\\Data"},
       {L"Work$5", L"Projects$0", L"Data$0"},
       {L"Work#20@5{Projects#21@0}", L"Data#22@0"}},
      {"a header followed by a top-level folder is left out",
       {L"Submenu1", L"C:\\A"},
       {L"Empty$5", L"A$0"},
       {L"A#21@0"}},
      {"a header as last entry is left out", {L"C:\\A", L"Submenu9"}, {L"A$3", L"Last$5"}, {L"A#20@3"}},
      {"a missing child is left out and the submenu goes on",
       {L"Submenu1", L"C:\\Gone$2", L"C:\\B$2", L"C:\\C"},
       {L"W$5", L"Gone$0", L"B$1", L"C$0"},
       {L"W#20@5{B#22@1}", L"C#23@0"}},
      {"a header whose children are all missing stays, empty",
       {L"Submenu1", L"C:\\Gone1$2", L"C:\\Gone2$2", L"C:\\A"},
       {L"W$5", L"G1$0", L"G2$0", L"A$0"},
       {L"W#20@5{}", L"A#23@0"}},
      {"a missing top-level folder leaves its tag unused",
       {L"C:\\Gone", L"C:\\A", L"D:\\Gone", L"C:\\B"},
       {L"G$0", L"A$0", L"G$0", L"B$0"},
       {L"A#21@0", L"B#23@0"}},
      {"a missing entry inside a submenu is passed over whatever its kind",
       {L"Submenu1", L"C:\\A$2", L"C:\\GoneTop", L"C:\\B$2", L"C:\\C"},
       {L"W$5", L"A$0", L"G$0", L"B$0", L"C$0"},
       {L"W#20@5{A#21@0,B#23@0}", L"C#24@0"}},
      {"a second header ends the first submenu",
       {L"Submenu1", L"C:\\A$2", L"Submenu2", L"C:\\B$2"},
       {L"One$5", L"A$0", L"Two$6", L"B$0"},
       {L"One#20@5{A#21@0}", L"Two#22@6{B#23@0}"}},
      {"slow paths are shown without an existence test",
       {L"N:\\Share\\Nowhere", L"\\\\server\\share", L"Submenu1", L"N:\\Other$2"},
       {L"Net$9", L"Unc$9", L"S$5", L"Other$0"},
       {L"Net#20@9", L"Unc#21@9", L"S#22@5{Other#23@0}"}},
      {"a child met at the top level counts as a missing folder",
       {L"C:\\A$2", L"C:\\B"},
       {L"A$0", L"B$0"},
       {L"B#21@0"}},
      {"a title with dollars keeps all but the last", {L"C:\\A"}, {L"Price $5 folder$7"}, {L"Price $5 folder#20@7"}},
  };
  for (const auto& c : cases) {
    Build(c.names, c.values);
    EXPECT_EQ(Block(menu_), c.expected) << c.what;
  }
}

// A folder that holds many favourites is listed once rather than asked about
// each; the menu must show exactly what asking each one shows.
TEST_F(MenuBuild, AFolderOfManyFavouritesShowsWhatAskingEachShows) {
  for (int i = 0; i < 12; ++i) plat::CreateDirectories(L"C:\\Crowd\\Dir" + std::to_wstring(i));
  plat::CreateDirectories(L"C:\\Crowd\\Sub\\Deep");
  ASSERT_TRUE(plat::WriteWholeFile(L"C:\\Crowd\\file.txt", "x"));
  Strings names, values;
  auto add = [&](const std::wstring& path, const wchar_t* number) {
    names.push_back(path + number);
    values.push_back(L"T" + std::to_wstring(names.size()) + L"$0");
  };
  for (int i = 0; i < 12; ++i) add((i % 2 ? L"C:\\CROWD\\dir" : L"C:\\Crowd\\Dir") + std::to_wstring(i), L"");
  for (const wchar_t* odd : {L"C:\\Crowd\\Gone1", L"C:\\Crowd\\file.txt", L"C:\\Crowd\\Gone2", L"C:\\Crowd\\Sub\\Deep",
                             L"C:\\Crowd\\Sub\\Gone", L"C:\\Crowd\\Gone3", L"C:\\Crowd\\Dir3\\", L"C:\\Crowd\\Dir4$2"})
    add(odd, L"");
  names.push_back(L"Submenu1");
  values.push_back(L"S$5");
  add(L"C:\\Crowd\\Dir5", L"$2");
  add(L"C:\\Crowd\\Gone4", L"$2");
  add(L"C:\\Crowd\\Dir6", L"$2");

  // What the menu shows when each folder is asked about on its own.
  const auto tag = [](std::size_t at) { return std::to_wstring(at + menu::kFavouriteTagBase); };
  Strings expected;
  std::size_t i = 0;
  for (; names[i] != L"Submenu1"; ++i) {
    if (plat::DirectoryExists(names[i]))
      expected.push_back(values[i].substr(0, values[i].size() - 2) + L"#" + tag(i) + L"@0");
  }
  expected.push_back(L"S#" + tag(i) + L"@5{T22#" + tag(i + 1) + L"@0,T24#" + tag(i + 3) + L"@0}");
  ASSERT_EQ(expected.size(), 15U);  // the 12 folders, Sub\Deep, "Dir3\" and the submenu

  Build(names, values);
  EXPECT_EQ(Block(menu_), expected);
}

TEST_F(MenuBuild, RebuildingReplacesTheBlockAndKeepsTheFixedItems) {
  const Strings fixed = Captions(menu_);
  Build({L"C:\\A", L"C:\\B"}, {L"A$0", L"B$0"});
  Build({L"C:\\A", L"C:\\B"}, {L"A$0", L"B$0"});
  EXPECT_EQ(Block(menu_), (Strings{L"A#20@0", L"B#21@0"}));
  Build({L"C:\\C"}, {L"C$0"});
  EXPECT_EQ(Block(menu_), (Strings{L"C#20@0"}));
  Build({}, {});
  EXPECT_EQ(Captions(menu_), fixed);
  EXPECT_EQ(fixed, (Strings{L"-", L"Open Windows", L"Recently Opened Folders", L"Recently Opened Files", L"Filter",
                            L"-", L"Add Current Folder", L"Remove Current Folder", L"Open Folder in New Window", L"-",
                            L"Options..."}));
  // The built items act; a childless header does not.
  Build({L"C:\\A", L"Submenu1", L"C:\\Gone$2"}, {L"A$0", L"S$5", L"G$0"});
  EXPECT_TRUE(menu_[0].action);
  EXPECT_FALSE(menu_[1].action);
}

TEST_F(MenuBuild, FiltersAppearInStoredOrderWithTheirNamesAsStored) {
  Build({}, {}, {L"*.txt", L"*.doc;*.rtf", L"*.$2"}, {L"Text files", L"Documents$3", L"Odd"});
  const plat::MenuItem* filter = plat::FindMenuItem(menu_, menu::kFilter1);
  ASSERT_NE(filter, nullptr);
  EXPECT_EQ(Captions(filter->items), (Strings{L"Text files", L"Documents$3", L"Odd"}));
  EXPECT_EQ(filter->items[0].tag, 300);
  EXPECT_EQ(filter->items[2].tag, 302);
  EXPECT_TRUE(filter->items[1].action);
  Build({}, {}, {L"*.log"}, {L"Logs"});
  EXPECT_EQ(Captions(plat::FindMenuItem(menu_, menu::kFilter1)->items), (Strings{L"Logs"}));
}

class MenuRecentBuild : public MenuBuild {
 protected:
  // Entries oldest first; each folder (or file) exists unless its name says "Gone".
  void AddFolders(int n) {
    for (int i = 0; i < n; ++i) {
      const std::wstring folder = L"C:\\F" + std::to_wstring(i);
      plat::CreateDirectories(folder);
      folders_.Add(std::to_wstring(1000 + i) + L"@" + folder + L"\\x.txt", store::TStr{folder, 0});
    }
  }
  void AddFile(std::uint32_t stamp, const std::wstring& path, int icon, bool create = true) {
    if (create) plat::WriteWholeFile(path, "x");
    files_.Add(std::to_wstring(stamp) + L"@" + path, store::TStr{path, icon});
  }
  void Build(bool files, bool folders) {
    menu::TRecentActions actions;
    actions.folder = [this](const plat::MenuItem& i) { chosen_ = L"folder " + i.value; };
    actions.file = [this](const plat::MenuItem& i) { chosen_ = L"file " + i.value; };
    menu::BuildRecentBlock(menu_, files, folders, settings_, files_, folders_, actions);
  }
  const plat::MenuItem& Sub(const wchar_t* name) { return *plat::FindMenuItem(menu_, name); }

  agent::TProgramSettings settings_;
  store::TRecentList files_, folders_;
  std::wstring chosen_;  // what the last recent action was run for
};

TEST_F(MenuRecentBuild, FoldersNewestFirstUpToTheirCountThenClear) {
  AddFolders(10);
  settings_.FoldersCount = 3;
  Build(false, true);
  const plat::MenuItem& sub = Sub(menu::kRecent1);
  EXPECT_TRUE(sub.visible);
  EXPECT_EQ(Captions(sub.items), (Strings{L"C:\\F9", L"C:\\F8", L"C:\\F7", L"-", L"Clear"}));
  EXPECT_EQ(sub.items[0].tag, 9);
  EXPECT_EQ(sub.items[2].tag, 7);
  EXPECT_EQ(sub.items[0].image, 0);
  ASSERT_TRUE(sub.items[0].action);
  sub.items[0].action(sub.items[0]);
  EXPECT_EQ(chosen_, L"folder C:\\F9");

  // A folder that vanished is passed over and does not count.
  plat::RemoveFolder(L"C:\\F8");
  Build(false, true);
  EXPECT_EQ(Captions(Sub(menu::kRecent1).items), (Strings{L"C:\\F9", L"C:\\F7", L"C:\\F6", L"-", L"Clear"}));
  // 0: no limit.
  settings_.FoldersCount = 0;
  Build(false, true);
  EXPECT_EQ(Sub(menu::kRecent1).items.size(), 9u + 2u);
  // The files submenu was not asked for and stays as it was.
  EXPECT_EQ(Captions(Sub(menu::kRecentfiles1).items), (Strings{L"-", L"Clear"}));
  EXPECT_FALSE(Sub(menu::kRecentfiles1).visible);
}

TEST_F(MenuRecentBuild, FilesListedOnceEachWithTheirIconsAndLongPathsShortened) {
  settings_.FilesCount = 0;
  plat::CreateDirectories(L"C:\\Docs");
  const std::wstring long_path = L"C:\\Users\\Public\\Documents\\Projects\\2013\\Quarterly reports\\summary.txt";
  plat::CreateDirectories(L"C:\\Users\\Public\\Documents\\Projects\\2013\\Quarterly reports");
  AddFile(10, L"C:\\Docs\\a.txt", 1);
  AddFile(11, L"C:\\Docs\\b.doc", 2);
  AddFile(12, L"C:\\Docs\\gone.txt", 1, false);
  AddFile(13, long_path, 1);
  AddFile(14, L"C:\\DOCS\\A.TXT", 3, false);  // the same file again, newer
  AddFile(15, L"N:\\remote.txt", 4, false);   // a slow path is not tested
  Build(true, false);
  const plat::MenuItem& sub = Sub(menu::kRecentfiles1);
  EXPECT_TRUE(sub.visible);
  EXPECT_EQ(Captions(sub.items),
            (Strings{L"N:\\remote.txt", L"C:\\DOCS\\A.TXT", L"C:\\..\\Projects\\2013\\Quarterly reports\\summary.txt",
                     L"C:\\Docs\\b.doc", L"-", L"Clear"}));
  EXPECT_EQ(sub.items[1].tag, 4);
  EXPECT_EQ(sub.items[1].image, 3);
  EXPECT_EQ(sub.items[1].image_list, plat::MenuImageList::RecentFileIcons);
  EXPECT_EQ(sub.items[3].image, 2);
  // A shortened caption still opens the whole path.
  sub.items[2].action(sub.items[2]);
  EXPECT_EQ(chosen_, L"file " + long_path);

  settings_.FilesCount = 2;
  Build(true, false);
  EXPECT_EQ(Sub(menu::kRecentfiles1).items.size(), 2u + 2u);
}

TEST_F(MenuRecentBuild, SettingsAndEmptyListsDecideTheSubmenus) {
  // Empty lists: the submenus are hidden but keep their foot.
  Build(true, true);
  EXPECT_FALSE(Sub(menu::kRecent1).visible);
  EXPECT_FALSE(Sub(menu::kRecentfiles1).visible);
  EXPECT_EQ(Captions(Sub(menu::kRecent1).items), (Strings{L"-", L"Clear"}));

  // Entries whose folders are all missing still show the submenu (with its foot).
  folders_.Add(L"5@C:\\Gone\\x.txt", store::TStr{L"C:\\Gone", 0});
  Build(false, true);
  EXPECT_TRUE(Sub(menu::kRecent1).visible);
  EXPECT_EQ(Captions(Sub(menu::kRecent1).items), (Strings{L"-", L"Clear"}));

  // A submenu switched off is hidden and left alone.
  AddFolders(2);
  Build(false, true);
  const std::size_t before = Sub(menu::kRecent1).items.size();
  settings_.RecentFldr = false;
  Build(false, true);
  EXPECT_FALSE(Sub(menu::kRecent1).visible);
  EXPECT_EQ(Sub(menu::kRecent1).items.size(), before);
  AddFile(1, L"C:\\A\\f.txt", 0);
  settings_.RecentFls = false;
  Build(true, false);
  EXPECT_FALSE(Sub(menu::kRecentfiles1).visible);
}

TEST(MenuShortenPathCaption, LongPathsBecomeCaptionsOfAtMostFiftyCharacters) {
  const std::wstring name60 = L"A very long file name that goes on and on and on and on.docx";
  ASSERT_EQ(name60.size(), 60u);
  const std::wstring name47 = L"An exactly forty-seven characters long name.txt";
  ASSERT_EQ(name47.size(), 47u);
  const std::wstring noext = std::wstring(55, L'n');
  struct Case {
    std::wstring path, expected;
  };
  const Case cases[] = {
      {L"C:\\Users\\Public\\Documents\\Projects\\2013\\Quarterly reports\\summary.txt",
       L"C:\\..\\Projects\\2013\\Quarterly reports\\summary.txt"},
      {L"D:\\Archive\\Photos\\2012\\Summer holiday at the lake with the whole family\\IMG_0001.jpg",
       L"D:\\..\\IMG_0001.jpg"},
      {L"C:\\Docs\\" + name60, name60.substr(0, 44) + L"~~.docx"},
      {L"C:\\Shared\\" + name47.substr(0, 45), name47.substr(0, 45)},  // 55 characters, name 45
      {L"C:\\Abc\\" + name47, name47},
      {L"C:\\short\\path.txt", L"C:\\short\\path.txt"},
      {std::wstring(L"C:\\") + std::wstring(47, L'x'), std::wstring(L"C:\\") + std::wstring(47, L'x')},  // 50
      {L"C:\\" + noext, noext.substr(0, 49) + L"~~"},
      {L"C:\\x\\" + std::wstring(40, L'y'), L"C:\\x\\" + std::wstring(40, L'y')},  // 45: unchanged
      {L"C:\\folder\\" + std::wstring(40, L'y') + L"z", std::wstring(40, L'y') + L"z"},
      {L"C:\\d\\" + std::wstring(45, L'e') + L"." + std::wstring(50, L'x'), L"~~." + std::wstring(50, L'x')},
  };
  for (const auto& c : cases) {
    const std::wstring got = menu::ShortenPathCaption(c.path);
    EXPECT_EQ(got, c.expected) << std::string(c.path.begin(), c.path.end());
  }
  EXPECT_EQ(menu::ShortenPathCaption(L"C:\\Docs\\" + name60).size(), 51u);
}

TEST(MenuShortenPathCaption, NetworkPathsKeepTheirServer) {
  // A UNC path has no drive letter: its server takes the drive's place.
  const std::wstring unc = L"\\\\fileserver\\projects\\customers\\2014\\invoices\\march\\report.pdf";
  EXPECT_EQ(menu::ShortenPathCaption(unc), L"\\\\fileserver\\..\\2014\\invoices\\march\\report.pdf");
  EXPECT_LE(menu::ShortenPathCaption(unc).size(), 50u);
}

TEST(MenuRecentList, KeysSortByTimeThenPathAndTouchingMovesAnEntryLast) {
  store::TRecentList l;
  l.Add(L"300@C:\\b.txt", {L"C:\\b.txt", 0});
  l.Add(L"20@C:\\z.txt", {L"C:\\z.txt", 0});
  l.Add(L"300@C:\\A.txt", {L"C:\\A.txt", 0});
  l.Add(L"4294967295@C:\\future.txt", {L"C:\\future.txt", 0});
  ASSERT_EQ(l.Count(), 4);
  EXPECT_EQ(l.Strings(0), L"20@C:\\z.txt");
  EXPECT_EQ(l.Strings(1), L"300@C:\\A.txt");
  EXPECT_EQ(l.Strings(2), L"300@C:\\b.txt");
  EXPECT_EQ(l.Strings(3), L"4294967295@C:\\future.txt");
  EXPECT_EQ(l.IndexOf(L"300@c:\\a.TXT"), 1);

  plat::LocalTime t{2014, 3, 9, 17, 45, 31, 0};
  const std::uint32_t stamp = store::DosDateTime(t);
  EXPECT_EQ(stamp, ((34u << 9 | 3u << 5 | 9u) << 16) | (17u << 11 | 45u << 5 | 15u));
  EXPECT_EQ(store::DosDateTime({1979, 12, 31, 23, 59, 59, 0}), 0u);
  EXPECT_EQ(store::DosDateTime({2108, 1, 1, 0, 0, 0, 0}), 0u);
  // After 2043 the top bit is set; such stamps still sort after older ones.
  EXPECT_TRUE(store::RecentKeyLess(std::to_wstring(stamp) + L"@x",
                                   std::to_wstring(store::DosDateTime({2050, 1, 1, 0, 0, 0, 0})) + L"@x"));
  EXPECT_EQ(store::RecentKeyTimeStamp(L"-1@C:\\x"), 4294967295u);

  l.SetString(0, store::TouchedRecentKey(l.Strings(0), 5000));
  EXPECT_EQ(l.Strings(0), L"5000@C:\\z.txt");
  l.Sort();
  EXPECT_EQ(l.Strings(2), L"5000@C:\\z.txt");
  EXPECT_EQ(l.Objects(2).Path, L"C:\\z.txt");
  // A path holding "@" keeps its whole path.
  EXPECT_EQ(store::TouchedRecentKey(L"1@C:\\odd@name.txt", 7), L"7@C:\\odd@name.txt");
}

}  // namespace
