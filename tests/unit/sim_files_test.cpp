// The sim's file system: names found without regard to case in big folders
// (read once, then looked up by hash) stay true to the folder as it changes,
// and a folder listing carries each entry's own facts.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <ctime>
#include <string>

#include "platform/files.h"
#include "sim/sim_files.h"
#include "sim/sim_world.h"

namespace {

// Sets a host folder's modification time a minute back, as a folder that
// has not changed for a while.
void Settle(const std::wstring& folder) {
  const std::time_t back = std::time(nullptr) - 60;
  struct utimbuf t {
    back, back
  };
  ASSERT_EQ(::utime(sim::HostPath(folder).c_str(), &t), 0);
}

class SimFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::ResetWorld();
    sim::MapTempDrive(L'C');
    ASSERT_TRUE(plat::CreateDirectories(L"C:\\Big"));
    for (int i = 0; i < 300; ++i) {
      ASSERT_TRUE(plat::WriteWholeFile(L"C:\\Big\\File" + std::to_wstring(i) + L".txt", "x"));
    }
    Settle(L"C:\\Big");
  }
  void TearDown() override { sim::ResetWorld(); }
};

TEST_F(SimFiles, NamesAreFoundWithoutRegardToCaseAsTheFolderChanges) {
  struct Step {
    const char* what;
    const wchar_t* write;   // made through the sim first, if any
    const wchar_t* remove;  // removed through the sim first, if any
    bool settle;            // the folder's time set back afterwards
    const wchar_t* look;
    bool exists;
  };
  const Step steps[] = {
      {"stored spelling", nullptr, nullptr, false, L"C:\\Big\\File7.txt", true},
      {"other case, settled folder", nullptr, nullptr, false, L"c:\\BIG\\FILE7.TXT", true},
      {"missing name", nullptr, nullptr, false, L"C:\\Big\\file7.doc", false},
      {"made after the folder was read", L"C:\\Big\\Late.txt", nullptr, false, L"C:\\BIG\\LATE.TXT", true},
      {"made, then the folder settles", L"C:\\Big\\Later.txt", nullptr, true, L"c:\\big\\later.TXT", true},
      {"removed from a settled folder", nullptr, L"C:\\Big\\File8.txt", true, L"C:\\BIG\\FILE8.TXT", false},
      {"removed while the folder is fresh", nullptr, L"C:\\Big\\File9.txt", false, L"c:\\big\\file9.txt", false},
      {"neighbour of a removed one", nullptr, nullptr, false, L"C:\\BIG\\FILE10.TXT", true},
      {"missing folder", nullptr, nullptr, false, L"C:\\Bigger\\File1.txt", false},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    if (s.write) ASSERT_TRUE(plat::WriteWholeFile(s.write, "y"));
    if (s.remove) ASSERT_TRUE(plat::RemoveFile(s.remove));
    if (s.settle) Settle(L"C:\\Big");
    EXPECT_EQ(plat::FileExists(s.look), s.exists);
    std::string bytes;
    EXPECT_EQ(plat::ReadWholeFile(s.look, bytes), s.exists);
  }
}

TEST_F(SimFiles, ListingCarriesEachEntrysOwnFacts) {
  ASSERT_TRUE(plat::CreateDirectories(L"C:\\Mixed\\Sub"));
  ASSERT_TRUE(plat::WriteWholeFile(L"C:\\Mixed\\a.lnk", "12345"));
  ASSERT_TRUE(plat::WriteWholeFile(L"C:\\Mixed\\B.LNK", ""));
  ASSERT_TRUE(plat::WriteWholeFile(L"C:\\Mixed\\c.txt", "1"));
  ASSERT_EQ(::chmod(sim::HostPath(L"C:\\Mixed\\B.LNK").c_str(), 0444), 0);

  const auto found = plat::FindFiles(L"C:\\Mixed\\*.lnk");
  ASSERT_EQ(found.size(), 2u);
  struct Want {
    const wchar_t* name;
    std::uint32_t attributes;
    std::uint64_t size;
  };
  const Want want[] = {{L"B.LNK", plat::FILE_ATTRIBUTE_ARCHIVE | plat::FILE_ATTRIBUTE_READONLY, 0},
                       {L"a.lnk", plat::FILE_ATTRIBUTE_ARCHIVE, 5}};
  for (std::size_t i = 0; i < found.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(found[i].name, want[i].name);
    EXPECT_EQ(found[i].attributes, want[i].attributes);
    EXPECT_EQ(found[i].size, want[i].size);
    plat::FileTime t = 0;
    ASSERT_TRUE(plat::FileLastWriteTime(L"C:\\Mixed\\" + found[i].name, t));
    EXPECT_EQ(found[i].last_write, t);
  }
  const auto all = plat::FindFiles(L"C:\\Mixed\\*");
  ASSERT_EQ(all.size(), 4u);  // no "." or ".."
  EXPECT_EQ(all[0].name, L"B.LNK");
  EXPECT_EQ(all[3].name, L"c.txt");
  EXPECT_TRUE(all[1].IsDirectory());  // "Sub" sorts between "B.LNK" and "a.lnk"
  EXPECT_EQ(all[1].name, L"Sub");
}

}  // namespace
