// Faults on the way to the disk: a drive that is full or a file another
// program holds while a configuration set or the store's kept copy is written.
// The set that was on disk stays whole, the favourites stay as the user made
// them, the program goes on, and the failure is logged once.
#include <gtest/gtest.h>

#include "infra/logger.h"
#include "infra/logger_files.h"
#include "sim/sim_file_dialog.h"
#include "sim/sim_message_box.h"
#include "store_test_support.h"

using namespace store_test;
using plat::HKEY_CURRENT_USER;

namespace {

const std::wstring kConfig = L"C:\\Users\\Ann\\Documents\\Vorlune files\\";
const std::wstring kFolder = kConfig + L"Folder configuration\\";
const std::wstring kLogs = kConfig + L"Log\\";

class StoreWriteFaults : public StoreFixture {
 protected:
  void SetUp() override {
    StoreFixture::SetUp();
    infra::ResetLogger();
    plat::CreateDirectories(kLogs);
    plat::CreateDirectories(kFolder);
    infra::SetLogFolder(kLogs);
    SetEntries(store::kPathKey, favourites);
    SetEntries(store::kFilterKey, filters);
    store::LoadFavourites();
  }
  void TearDown() override {
    sim::SetDriveFull(L'C', false);
    infra::ResetLogger();
    StoreFixture::TearDown();
  }
  // Lines of both logs holding the text.
  static int LogLines(const std::wstring& text) {
    infra::SaveAllLogs(false);
    int n = 0;
    for (const wchar_t* name : {L"folder.log"}) {
      std::string bytes;
      if (!plat::ReadWholeFile(kLogs + name, bytes)) continue;
      for (const auto& l : infra::SplitLogLines(bytes)) n += l.find(text) != std::wstring::npos;
    }
    return n;
  }
  static store::TStoreContent Read(const std::wstring& base) {
    store::TStoreContent c;
    EXPECT_EQ(store::ReadConfigurationFiles(base, c), store::TConfigurationRead::Ok) << N(base);
    return c;
  }
  static void Fault(const std::string& kind, const std::wstring& base) {
    if (kind == "full") sim::SetDriveFull(L'C', true);
    if (kind == "locked") sim::SetFileLocked(base + L"3", true);
  }
  static void EndFault(const std::string& kind, const std::wstring& base) {
    sim::SetDriveFull(L'C', false);
    sim::SetFileLocked(base + L"3", false);
  }

  const Entries favourites = {{L"Submenu1", L"Projects$5"}, {L"C:\\Work$2", L"Work$0"}, {L"C:\\Data", L"Data$0"}};
  const Entries filters = {{L"*.*", L"All Files"}};
};

TEST_F(StoreWriteFaults, SavingOverASetKeepsTheOldSetWhole) {
  for (const std::string kind : {"full", "locked"}) {
    SCOPED_TRACE(kind);
    const std::wstring base = kFolder + L"Mine " + std::wstring(kind.begin(), kind.end()) + L".qxs";
    // The user saved a set earlier, then changed the store.
    sim::ScriptFileDialogAnswer(base);
    store::SaveConfiguration(0, kConfig);
    const store::TStoreContent before = Read(base);
    sim::RegSetString(HKEY_CURRENT_USER, store::kPathKey, L"C:\\New", L"New$0");
    store::LoadFavourites();
    const std::size_t boxes = sim::MessageBoxes().size();

    Fault(kind, base);
    sim::ScriptFileDialogAnswer(base);
    store::SaveConfiguration(0, kConfig);
    EndFault(kind, base);

    EXPECT_TRUE(Read(base) == before);
    EXPECT_FALSE(plat::FileExists(base + L"1.new"));
    EXPECT_EQ(sim::MessageBoxes().size(), boxes + 1);
    EXPECT_EQ(LogLines(L"Write file error Parameters: File=" + base), 1);
    // The store and the lists are as the user left them.
    EXPECT_EQ(Favourites().back(), (std::pair<std::wstring, std::wstring>{L"C:\\New", L"New$0"}));
    sim::RegDeleteValue(HKEY_CURRENT_USER, store::kPathKey, L"C:\\New");
    store::LoadFavourites();
  }
}

TEST_F(StoreWriteFaults, AFullDiskKeepsThePreviousCopyAndStillOpensTheSet) {
  const std::wstring copy = kFolder + store::kStoreCopyName;
  // A first change keeps a copy of the store as it was.
  store::TStoreContent other;
  other.favourite_names = {L"C:\\Data"};
  other.favourite_values = {L"Data$0"};
  other.filter_masks = {L"*.*"};
  other.filter_names = {L"All Files"};
  ASSERT_EQ(store::ReplaceStore(other, true, true, kConfig), store::TReplaceResult::Replaced);
  const store::TStoreContent kept = Read(copy);
  EXPECT_EQ(ListEntries(kept.favourite_names, kept.favourite_values), favourites);

  // The next change finds the disk full: the copy cannot be renewed, the old
  // copy is still whole, and the change itself is made (the registry is not
  // on that disk).
  sim::SetDriveFull(L'C', true);
  store::TStoreContent next = other;
  next.favourite_names.push_back(L"C:\\Work");
  next.favourite_values.push_back(L"Work$0");
  EXPECT_EQ(store::ReplaceStore(next, true, true, kConfig), store::TReplaceResult::Replaced);
  sim::SetDriveFull(L'C', false);
  EXPECT_TRUE(Read(copy) == kept);
  EXPECT_EQ(KeyEntries(store::kPathKey), (Entries{{L"C:\\Data", L"Data$0"}, {L"C:\\Work", L"Work$0"}}));
  EXPECT_EQ(LogLines(L"Can't keep a copy of the store"), 1);
}

}  // namespace
