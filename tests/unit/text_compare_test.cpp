// The one text module: comparisons without regard to case by the system's
// case tables, trimming, and the parts that must agree on "the same folder".
#include <gtest/gtest.h>

#include <cwchar>

#include "infra/text.h"
#include "menu/folder_menu.h"
#include "sim/sim_world.h"
#include "store_test_support.h"
#include "targets/target_kind.h"

namespace {

TEST(TextCompare, CaseIsFoldedByTheSystemTables) {
  struct Case {
    const char* what;
    std::wstring a, b;
    bool same;
    int order;  // sign of CompareText(a, b)
  };
  const Case cases[] = {
      {"ascii", L"C:\\Work", L"c:\\WORK", true, 0},
      {"latin-1", L"D:\\\u00c4rger", L"d:\\\u00e4RGER", true, 0},
      {"latin extended-a", L"C:\\\u0141\u00f3d\u017a", L"c:\\\u0142\u00d3D\u0179", true, 0},
      {"cyrillic", L"\u041c\u043e\u0441\u043a\u0432\u0430", L"\u043c\u041e\u0421\u041a\u0412\u0410", true, 0},
      {"greek", L"\u03a9mega", L"\u03c9MEGA", true, 0},
      {"other letters", L"C:\\\u0141odz", L"C:\\Lodz", false, 1},
      {"prefix sorts first", L"C:\\Work", L"c:\\workspace", false, -1},
      {"empty", L"", L"", true, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(infra::SameText(c.a, c.b), c.same);
    EXPECT_EQ(infra::SameText(c.b, c.a), c.same);
    const int order = infra::CompareText(c.a, c.b);
    EXPECT_EQ((order > 0) - (order < 0), c.order);
    EXPECT_EQ(infra::ContainsText({L"x", c.a}, c.b), c.same);
  }
  EXPECT_EQ(infra::FindText(L"%ProgramFiles%\\\u00c9t\u00e9", L"\u00e9T\u00c9"), 15u);
  EXPECT_EQ(infra::FindText(L"C:\\%userprofile%\\x", L"%USERPROFILE%"), 3u);
  EXPECT_EQ(infra::FindText(L"C:\\x", L"%USERPROFILE%"), std::wstring::npos);
  EXPECT_EQ(infra::LowerCaseText(L"C:\\\u0141\u00d3D\u0179.TXT"), L"c:\\\u0142\u00f3d\u017a.txt");
  EXPECT_EQ(infra::TrimControls(L" \t\r\n C:\\A B \x01\x1f"), L"C:\\A B");
  EXPECT_EQ(infra::TrimControls(L" \t "), L"");
}

// The folder menu offers "Remove Current Folder" exactly when the store
// refuses the folder as one it already holds, whatever the script.
class TextAgreement : public store_test::StoreFixture {};

TEST_F(TextAgreement, MenuAndStoreAgreeOnTheSameFolder) {
  struct Case {
    const char* what;
    std::wstring stored;  // name in the Path key
    std::wstring shown;   // the folder the target window shows
    bool known;
  };
  const Case cases[] = {
      {"ascii, other case", L"C:\\Work", L"c:\\WORK", true},
      {"polish, other case", L"C:\\\u0141\u00f3d\u017a", L"C:\\\u0142\u00d3D\u0179", true},
      {"german, other case", L"C:\\\u00c4rger", L"C:\\\u00e4rger", true},
      {"cyrillic submenu child, other case", L"C:\\\u041c\u043e\u0441\u043a\u0432\u0430$2",
       L"C:\\\u041c\u041e\u0421\u041a\u0412\u0410", true},
      {"other letters", L"C:\\Lodz", L"C:\\\u0141odz", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();  // a fresh world for each case
    const std::wstring folder = c.stored.ends_with(store::kChildMarker)
                                    ? c.stored.substr(0, c.stored.size() - std::wcslen(store::kChildMarker))
                                    : c.stored;
    ASSERT_TRUE(plat::CreateDirectories(folder));
    if (c.stored.ends_with(store::kChildMarker)) {
      store_test::SetEntries(store::kPathKey, {{L"SubmenuA", L"A$-1"}, {c.stored, L"child$0"}});
    } else {
      store_test::SetEntries(store::kPathKey, {{c.stored, L"title$0"}});
    }
    store::LoadFavourites();
    const std::size_t before = store::FavouriteNames.size();

    plat::Menu m = menu::CreateFolderMenu({});
    menu::TDisplayFacts facts;
    facts.kind = targets::Explorer;
    facts.folder = c.shown;
    menu::ApplyVisibility(m, facts, store::FavouriteNames, store::FilterMasks);
    EXPECT_EQ(plat::FindMenuItem(m, menu::kRemove)->visible, c.known);
    EXPECT_EQ(plat::FindMenuItem(m, menu::kAdd)->visible, !c.known);

    plat::CreateDirectories(c.shown);
    store::AddFavouriteFolder(c.shown);
    EXPECT_EQ(store::FavouriteNames.size() == before, c.known) << "the store's answer";
  }
}

}  // namespace
