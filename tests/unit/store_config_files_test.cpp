#include <gtest/gtest.h>

#include <tuple>

#include "infra/utf16.h"
#include "sim/sim_file_dialog.h"
#include "sim/sim_message_box.h"
#include "store_test_support.h"

using namespace store_test;
using plat::HKEY_CURRENT_USER;

namespace {

const std::wstring kConfig = L"C:\\Users\\Ann\\Documents\\Vorlune files\\";
const std::wstring kFolder = kConfig + L"Folder configuration\\";

class StoreConfigFiles : public StoreFixture {
 protected:
  void SetUp() override {
    StoreFixture::SetUp();
    SetEntries(store::kPathKey, favourites);
    SetEntries(store::kFilterKey, filters);
    store::LoadFavourites();
  }
  std::string Bytes(const std::wstring& path) {
    std::string b;
    EXPECT_TRUE(plat::ReadWholeFile(path, b)) << N(path);
    return b;
  }
  void Save(const std::wstring& base) {
    sim::ScriptFileDialogAnswer(base);
    store::SaveConfiguration(0, kConfig);
  }
  void Open(const std::wstring& base) {
    sim::ScriptFileDialogAnswer(base);
    store::OpenConfiguration(0, kConfig);
  }

  const Entries favourites = {{L"Submenu234", L"My Computer$5"},
                              {L"C:\\$2", L"System (C:)$9"},
                              {L"C:\\Users\\Ann\\Documents", L"Documents$12"},
                              {L"C:\\Work", L"Work$0"}};
  const Entries filters = {{L"*.*", L"All Files"}, {L"*.txt;*.doc*", L"Text Documents"}};
};

using StoreConfigText = StoreFixture;

TEST_F(StoreConfigText, LinesAndEncodings) {
  struct Case {
    std::string bytes;
    store::TTextEncoding encoding;
    std::vector<std::wstring> lines;
  } cases[] = {
      {"", store::TTextEncoding::Ansi, {}},
      {"a\r\nb\r\n", store::TTextEncoding::Ansi, {L"a", L"b"}},
      {"a\rb\nc", store::TTextEncoding::Ansi, {L"a", L"b", L"c"}},
      {"a\r\n\r\n", store::TTextEncoding::Ansi, {L"a", L""}},
      {"caf\xE9\r\n", store::TTextEncoding::Ansi, {L"caf\u00e9"}},
      {"\xEF\xBB\xBF"
       "caf\xC3\xA9\r\n",
       store::TTextEncoding::Utf8,
       {L"caf\u00e9"}},
      {std::string("\xFF\xFE", 2) + infra::ToUtf16Le(L"\u65e5\r\nx\r\n"),
       store::TTextEncoding::Utf16Le,
       {L"\u65e5", L"x"}},
      {std::string("\xFE\xFF\x00"
                   "a\x00\r\x00\n",
                   8),
       store::TTextEncoding::Utf16Be,
       {L"a"}},
  };
  for (const auto& c : cases) {
    store::TTextEncoding found = store::TTextEncoding::Utf8;
    EXPECT_EQ(store::DecodeLines(c.bytes, found), c.lines) << c.bytes;
    EXPECT_EQ(found, c.encoding) << c.bytes;
    if (c.encoding == store::TTextEncoding::Ansi || c.lines.empty()) continue;
    // Writing in the encoding found gives the same bytes back (mark included).
    store::TTextEncoding again = c.encoding;
    EXPECT_EQ(store::EncodeLines(c.lines, again), c.bytes);
  }

  // ANSI without a mark; a title ANSI cannot hold is written as UTF-8 instead.
  store::TTextEncoding ansi = store::TTextEncoding::Ansi;
  EXPECT_EQ(store::EncodeLines({L"caf\u00e9", L"b"}, ansi), "caf\xE9\r\nb\r\n");
  EXPECT_EQ(ansi, store::TTextEncoding::Ansi);
  EXPECT_EQ(store::EncodeLines({L"\u65e5"}, ansi), "\xEF\xBB\xBF\xE6\x97\xA5\r\n");
  EXPECT_EQ(ansi, store::TTextEncoding::Utf8);
}

// The system's code page puts look-alikes for many characters without saying
// so ("\u0141" -> "L", "\u0151" -> "o"): a file written that way would give
// back other paths. Every text comes back as it was saved.
TEST_F(StoreConfigFiles, EveryTextComesBackAsSaved) {
  struct Case {
    const char* what;
    std::vector<std::wstring> lines;
    store::TTextEncoding written;
  };
  const Case cases[] = {
      {"code page letters", {L"C:\\Caf\u00e9", L"\u20ac \u0152uvre"}, store::TTextEncoding::Ansi},
      {"polish, best fit L", {L"C:\\\u0141\u00f3d\u017a"}, store::TTextEncoding::Utf8},
      {"hungarian, best fit o", {L"D:\\Gy\u0151r", L"plain"}, store::TTextEncoding::Utf8},
      {"no byte form at all", {L"\u65e5\u672c"}, store::TTextEncoding::Utf8},
      {"a question mark of its own", {L"*.?", L"Why?"}, store::TTextEncoding::Ansi},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    store::TTextEncoding encoding = store::TTextEncoding::Ansi;
    const std::string bytes = store::EncodeLines(c.lines, encoding);
    EXPECT_EQ(encoding, c.written);
    store::TTextEncoding found = store::TTextEncoding::Ansi;
    EXPECT_EQ(store::DecodeLines(bytes, found), c.lines);
    EXPECT_EQ(found, c.written);
  }
}

TEST_F(StoreConfigFiles, SaveThenOpenRestoresFavouritesFiltersAndOrder) {
  Save(kFolder + L"Work");  // the dialog adds the default extension
  const auto dialogs = sim::FileDialogs();
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_TRUE(dialogs[0].save);
  EXPECT_EQ(dialogs[0].ofn.title, L"Save Configuration");
  EXPECT_EQ(dialogs[0].ofn.filter, L"Vorlune Folder settings|*.qxs");
  EXPECT_EQ(dialogs[0].ofn.default_ext, L"qxs");
  EXPECT_EQ(dialogs[0].ofn.initial_dir, kFolder);
  EXPECT_NE(dialogs[0].ofn.flags & plat::OFN_OVERWRITEPROMPT, 0u);
  EXPECT_TRUE(plat::DirectoryExists(kFolder));

  EXPECT_EQ(Bytes(kFolder + L"Work.qxs"), "");
  EXPECT_EQ(Bytes(kFolder + L"Work.qxs1"), "Submenu234\r\nC:\\$2\r\nC:\\Users\\Ann\\Documents\r\nC:\\Work\r\n");
  EXPECT_EQ(Bytes(kFolder + L"Work.qxs2"), "My Computer$5\r\nSystem (C:)$9\r\nDocuments$12\r\nWork$0\r\n");
  EXPECT_EQ(Bytes(kFolder + L"Work.qxs3"), "*.*\r\n*.txt;*.doc*\r\n");
  EXPECT_EQ(Bytes(kFolder + L"Work.qxs4"), "All Files\r\nText Documents\r\n");

  // Change the store, then open the saved set.
  sim::RegDeleteTree(HKEY_CURRENT_USER, store::kPathKey);
  SetEntries(store::kPathKey, {{L"C:\\Other", L"Other$0"}, {L"C:\\Work", L"Renamed$3"}});
  sim::RegDeleteTree(HKEY_CURRENT_USER, store::kFilterKey);
  store::LoadFavourites();
  menu_builds = 0;

  Open(kFolder + L"Work.qxs");
  EXPECT_EQ(sim::FileDialogs().back().ofn.title, L"Open Configuration");
  EXPECT_EQ(sim::FileDialogs().back().ofn.flags & plat::OFN_FILEMUSTEXIST, 0u);
  EXPECT_EQ(KeyEntries(store::kPathKey), favourites);
  EXPECT_EQ(KeyEntries(store::kFilterKey), filters);
  EXPECT_EQ(Favourites(), favourites);
  EXPECT_EQ(Filters(), filters);
  EXPECT_EQ(menu_builds, 1);  // once, not once for the load and again afterwards
  EXPECT_TRUE(sim::MessageBoxes().empty());
  EXPECT_EQ(sim::RegOpenHandles(), 0);
}

TEST_F(StoreConfigFiles, UnicodeFilesRoundTripInTheEncodingTheyWereReadIn) {
  const std::wstring title = L"Tr\u00e4ume \u65e5\u672c$0";
  ASSERT_TRUE(plat::CreateDirectories(kFolder));
  const std::wstring base = kFolder + L"Uni.qxs";
  ASSERT_TRUE(plat::WriteWholeFile(base, ""));
  ASSERT_TRUE(plat::WriteWholeFile(base + L"1",
                                   "\xEF\xBB\xBF"
                                   "C:\\Musik\r\n"));
  ASSERT_TRUE(plat::WriteWholeFile(base + L"2", std::string("\xFF\xFE", 2) + infra::ToUtf16Le(title + L"\r\n")));
  ASSERT_TRUE(plat::WriteWholeFile(base + L"3", ""));
  ASSERT_TRUE(plat::WriteWholeFile(base + L"4", ""));
  Open(base);
  EXPECT_EQ(KeyEntries(store::kPathKey), (Entries{{L"C:\\Musik", title}}));
  EXPECT_TRUE(KeyEntries(store::kFilterKey).empty()) << "a set without filters empties the Filter key";

  Save(kFolder + L"Back.qxs");
  EXPECT_EQ(Bytes(kFolder + L"Back.qxs1"),
            "\xEF\xBB\xBF"
            "C:\\Musik\r\n");
  EXPECT_EQ(Bytes(kFolder + L"Back.qxs2"), std::string("\xFF\xFE", 2) + infra::ToUtf16Le(title + L"\r\n"));
  EXPECT_EQ(Bytes(kFolder + L"Back.qxs3"), "");

  sim::RegDeleteTree(HKEY_CURRENT_USER, store::kPathKey);
  Open(kFolder + L"Back.qxs");
  EXPECT_EQ(Favourites(), (Entries{{L"C:\\Musik", title}}));
}

TEST_F(StoreConfigFiles, IncompleteOrInconsistentSetsChangeNothing) {
  Save(kFolder + L"Set.qxs");
  ASSERT_TRUE(plat::CreateDirectories(kFolder));
  const std::wstring bad = kFolder + L"Bad.qxs";
  struct Case {
    const char* what;
    std::string f1, f2, f3, f4;
    bool drop4;
  } cases[] = {
      {"fourth file missing", "C:\\A\r\n", "A$0\r\n", "", "", true},
      {"names and titles differ in count", "C:\\A\r\nC:\\B\r\n", "A$0\r\n", "", "", false},
      {"masks and filter names differ in count", "C:\\A\r\n", "A$0\r\n", "*.*\r\n", "", false},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(plat::WriteWholeFile(bad, ""));
    ASSERT_TRUE(plat::WriteWholeFile(bad + L"1", c.f1));
    ASSERT_TRUE(plat::WriteWholeFile(bad + L"2", c.f2));
    ASSERT_TRUE(plat::WriteWholeFile(bad + L"3", c.f3));
    if (c.drop4) {
      plat::RemoveFile(bad + L"4");
    } else {
      ASSERT_TRUE(plat::WriteWholeFile(bad + L"4", c.f4));
    }
    sim::RegClearJournal();
    const size_t boxes = sim::MessageBoxes().size();
    menu_builds = 0;
    Open(bad);
    EXPECT_TRUE(sim::RegJournal().empty()) << c.what;
    EXPECT_EQ(KeyEntries(store::kPathKey), favourites) << c.what;
    EXPECT_EQ(Favourites(), favourites) << c.what;
    EXPECT_EQ(menu_builds, 0) << c.what;
    ASSERT_EQ(sim::MessageBoxes().size(), boxes + 1) << c.what;
    EXPECT_EQ(sim::MessageBoxes().back().text, L"The configuration is invalid");
    EXPECT_EQ(sim::MessageBoxes().back().caption, L"Vorlune Folder");
  }

  // Cancelled dialogs change nothing.
  sim::RegClearJournal();
  sim::ScriptFileDialogCancel();
  store::OpenConfiguration(0, kConfig);
  sim::ScriptFileDialogCancel();
  store::SaveConfiguration(0, kConfig);
  EXPECT_TRUE(sim::RegJournal().empty());
}

TEST_F(StoreConfigFiles, AFailedRewritePutsTheFavouritesBack) {
  ASSERT_TRUE(plat::CreateDirectories(kFolder));
  const std::wstring base = kFolder + L"New.qxs";
  ASSERT_TRUE(plat::WriteWholeFile(base, ""));
  ASSERT_TRUE(plat::WriteWholeFile(base + L"1", "C:\\New1\r\nC:\\New2\r\nC:\\New3\r\n"));
  ASSERT_TRUE(plat::WriteWholeFile(base + L"2", "One$0\r\nTwo$0\r\nThree$0\r\n"));
  ASSERT_TRUE(plat::WriteWholeFile(base + L"3", "*.new\r\n"));
  ASSERT_TRUE(plat::WriteWholeFile(base + L"4", "New\r\n"));

  // The third new value cannot be written: the rewrite stops part-way.
  sim::RegFailWrites(HKEY_CURRENT_USER, store::kPathKey, sim::kAlways, plat::ERROR_CANTWRITE, L"C:\\New3");
  Open(base);
  EXPECT_EQ(KeyEntries(store::kPathKey), favourites);
  EXPECT_EQ(KeyEntries(store::kFilterKey), filters);
  EXPECT_EQ(Favourites(), favourites);
  ASSERT_EQ(sim::MessageBoxes().size(), 1u);

  // The copy kept before the rewrite is a configuration set of its own.
  const std::wstring copy = kFolder + store::kStoreCopyName;
  store::TStoreContent kept;
  ASSERT_EQ(store::ReadConfigurationFiles(copy, kept), store::TConfigurationRead::Ok);
  EXPECT_EQ(ListEntries(kept.favourite_names, kept.favourite_values), favourites);
  EXPECT_EQ(ListEntries(kept.filter_masks, kept.filter_names), filters);
}

TEST_F(StoreConfigFiles, WhenNothingCanBeWrittenTheCopyAndTheMenuKeepTheFavourites) {
  ASSERT_TRUE(plat::CreateDirectories(kFolder));
  const std::wstring base = kFolder + L"New.qxs";
  ASSERT_TRUE(plat::WriteWholeFile(base, ""));
  ASSERT_TRUE(plat::WriteWholeFile(base + L"1", "C:\\New1\r\n"));
  ASSERT_TRUE(plat::WriteWholeFile(base + L"2", "One$0\r\n"));
  ASSERT_TRUE(plat::WriteWholeFile(base + L"3", ""));
  ASSERT_TRUE(plat::WriteWholeFile(base + L"4", ""));
  sim::RegFailWritesAlways(HKEY_CURRENT_USER, store::kPathKey);
  Open(base);
  EXPECT_TRUE(KeyEntries(store::kPathKey).empty());
  EXPECT_EQ(Favourites(), favourites) << "the menu keeps what the user had";
  ASSERT_EQ(sim::MessageBoxes().size(), 1u);
  EXPECT_NE(sim::MessageBoxes()[0].text.find(store::kStoreCopyName), std::wstring::npos);

  // Opening the copy once the registry takes writes again brings everything back.
  sim::RegDeleteTree(HKEY_CURRENT_USER, store::kPathKey);
  Open(kFolder + store::kStoreCopyName);
  EXPECT_EQ(KeyEntries(store::kPathKey), favourites);
  EXPECT_EQ(KeyEntries(store::kFilterKey), filters);
  store::TStoreContent kept;
  ASSERT_EQ(store::ReadConfigurationFiles(kFolder + store::kStoreCopyName, kept), store::TConfigurationRead::Ok);
  EXPECT_EQ(ListEntries(kept.favourite_names, kept.favourite_values), favourites)
      << "the empty store in between did not replace the copy";
}

TEST_F(StoreConfigFiles, ReplaceStoreRewritesOneListInTheGivenOrder) {
  store::TStoreContent content;
  content.filter_masks = {L"*.b", L"*.a", L"*.B"};
  content.filter_names = {L"B", L"A", L"B again"};
  EXPECT_EQ(store::ReplaceStore(content, false, true, L""), store::TReplaceResult::Replaced);
  EXPECT_EQ(KeyEntries(store::kFilterKey), (Entries{{L"*.b", L"B again"}, {L"*.a", L"A"}}))
      << "a later mask that differs only in case overwrites the earlier one in place";
  EXPECT_EQ(KeyEntries(store::kPathKey), favourites);
}

// A rewrite leaves the key exactly as emptying it and writing the list in
// order would (names as spelt, REG_SZ, order, a later name overwriting an
// earlier one in place), but deletes and writes only from the first value
// that differs: the unchanged head of a big store costs no registry call.
TEST_F(StoreConfigFiles, ARewriteEndsAsAFullRewriteButTouchesOnlyWhatDiffers) {
  struct Raw {
    std::wstring name;
    std::uint32_t type;
    plat::RegData data;
  };
  auto sz = [](const wchar_t* name, const wchar_t* text) { return Raw{name, plat::REG_SZ, plat::RegStringData(text)}; };
  auto values = [](const std::wstring& key) {
    std::vector<std::tuple<std::wstring, std::uint32_t, plat::RegData>> out;
    for (const auto& name : sim::RegValueNames(HKEY_CURRENT_USER, key)) {
      const auto v = sim::RegGetRaw(HKEY_CURRENT_USER, key, name);
      out.emplace_back(v->name, v->type, v->data);
    }
    return out;
  };
  struct Case {
    const char* what;
    std::vector<Raw> before;
    Entries content;
    std::vector<std::wstring> touched;  // the journal's value calls
  };
  const plat::RegData no_zero = {'A', 0};
  const Case cases[] = {
      {"the same list",
       {sz(L"a", L"A"), sz(L"b", L"B"), sz(L"c", L"C")},
       {{L"a", L"A"}, {L"b", L"B"}, {L"c", L"C"}},
       {}},
      {"the last two swapped",
       {sz(L"a", L"A"), sz(L"b", L"B"), sz(L"c", L"C")},
       {{L"a", L"A"}, {L"c", L"C"}, {L"b", L"B"}},
       {L"delete b", L"delete c", L"set c", L"set b"}},
      {"one less", {sz(L"a", L"A"), sz(L"b", L"B"), sz(L"c", L"C")}, {{L"a", L"A"}, {L"b", L"B"}}, {L"delete c"}},
      {"one more", {sz(L"a", L"A"), sz(L"b", L"B")}, {{L"a", L"A"}, {L"b", L"B"}, {L"c", L"C"}}, {L"set c"}},
      {"the first title changed",
       {sz(L"a", L"A"), sz(L"b", L"B")},
       {{L"a", L"X"}, {L"b", L"B"}},
       {L"delete a", L"delete b", L"set a", L"set b"}},
      {"a name spelt in another case",
       {sz(L"a", L"A"), sz(L"b", L"B")},
       {{L"A", L"A"}, {L"b", L"B"}},
       {L"delete a", L"delete b", L"set A", L"set b"}},
      {"the same text as another type",
       {Raw{L"a", plat::REG_EXPAND_SZ, plat::RegStringData(L"A")}, sz(L"b", L"B")},
       {{L"a", L"A"}, {L"b", L"B"}},
       {L"delete a", L"delete b", L"set a", L"set b"}},
      {"the same text without its zero",
       {Raw{L"a", plat::REG_SZ, no_zero}, sz(L"b", L"B")},
       {{L"a", L"A"}, {L"b", L"B"}},
       {L"delete a", L"delete b", L"set a", L"set b"}},
      {"a number between",
       {sz(L"a", L"A"), Raw{L"n", plat::REG_DWORD, plat::RegDwordData(1)}, sz(L"b", L"B")},
       {{L"a", L"A"}, {L"b", L"B"}},
       {L"delete n", L"delete b", L"set b"}},
      {"a later mask overwrites a kept one",
       {sz(L"*.b", L"B")},
       {{L"*.b", L"B"}, {L"*.a", L"A"}, {L"*.B", L"B again"}},
       {L"set *.a", L"set *.B"}},
  };
  for (const Case& c : cases) {
    sim::RegDeleteTree(HKEY_CURRENT_USER, store::kFilterKey);
    for (const Raw& v : c.before) sim::RegSetRaw(HKEY_CURRENT_USER, store::kFilterKey, v.name, v.type, v.data);
    // What emptying the key and writing the list gives.
    sim::RegDeleteTree(HKEY_CURRENT_USER, L"Software\\Full");
    sim::RegCreateKey(HKEY_CURRENT_USER, L"Software\\Full");
    store::TStoreContent content;
    for (const auto& [mask, name] : c.content) {
      content.filter_masks.push_back(mask);
      content.filter_names.push_back(name);
      sim::RegSetString(HKEY_CURRENT_USER, L"Software\\Full", mask, name);
    }
    sim::RegClearJournal();
    EXPECT_EQ(store::ReplaceStore(content, false, true, L""), store::TReplaceResult::Replaced) << c.what;
    EXPECT_EQ(values(store::kFilterKey), values(L"Software\\Full")) << c.what;
    std::vector<std::wstring> touched;
    for (const auto& call : sim::RegJournal())
      if (call.rfind(L"set ", 0) == 0 || call.rfind(L"delete ", 0) == 0) touched.push_back(call);
    EXPECT_EQ(touched, c.touched) << c.what;
  }
  EXPECT_EQ(KeyEntries(store::kPathKey), favourites);
}

}  // namespace
