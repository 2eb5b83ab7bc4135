#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "infra/dral_utils.h"
#include "infra/str_list.h"
#include "platform/files.h"
#include "sim/sim_files.h"
#include "sim/sim_process.h"
#include "sim/sim_os_version.h"
#include "sim/sim_shell_execute.h"
#include "sim/sim_system.h"
#include "platform/window.h"
#include "sim/sim_world.h"

using namespace infra;

namespace {
class DralUtilsFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::ResetWorld();
    ResetDralUtilsCaches();
  }
  void TearDown() override {
    sim::ResetWorld();
    ResetDralUtilsCaches();
  }
};
std::string N(const std::wstring& w) { return std::string(w.begin(), w.end()); }
}  // namespace

using DralUtilsText = DralUtilsFixture;
using DralUtilsFacts = DralUtilsFixture;
using DralUtilsPaths = DralUtilsFixture;

TEST_F(DralUtilsText, TextToIntReadsWhatItCanAndNeverFails) {
  struct Case {
    std::wstring text;
    std::int32_t want;
  } cases[] = {
      {L"", 0},
      {L"42", 42},
      {L"   42", 42},
      {L"\t-17", -17},
      {L"+8", 8},
      {L"12abc", 12},
      {L"abc", 0},
      {L"-", 0},
      {L"$FF", 255},
      {L"$ff", 255},
      {L"0x1A", 26},
      {L"0X1a", 26},
      {L"-$10", -16},
      {L"$FFFFFFFF", -1},
      {L"$1FFFFFFFF", 0x1FFFFFFF},  // the digit that would pass 32 bits ends reading
      {L"0x", 0},
      {L"$", 0},
      {L"2147483647", INT_MAX},
      {L"-2147483648", INT_MIN},
      {L"2147483648", 214748364},
      {L"99999999999999999999", 999999999},
      {L"42 ", 42},
      {L"4 2", 4},
      {L"1.5", 1},
      {L"\x0661\x0662", 0},  // non-ASCII digits are not digits
      {std::wstring(L"7\0"
                    L"8",
                    3),
       7},
  };
  for (auto& c : cases) EXPECT_EQ(TextToInt(c.text), c.want) << N(c.text);
}

TEST_F(DralUtilsText, CutOperationsAtTheirLimits) {
  struct Case {
    int op;  // 0 TextAfter, 1 TextAfterOrWhole, 2 TextWithoutLast, 3 TextWithoutLastOrWhole
    std::wstring text;
    int n;
    std::wstring want;
  } cases[] = {
      {0, L"abcdef", 2, L"cdef"},
      {0, L"abcdef", -1, L"abcdef"},
      {0, L"abcdef", 6, L""},
      {0, L"abcdef", 7, L""},
      {0, L"", 0, L""},
      {0, L"", 1, L""},
      {1, L"abcdef", 2, L"cdef"},
      {1, L"abcdef", -1, L"abcdef"},
      {1, L"abcdef", 7, L"abcdef"},
      {1, L"abcdef", 6, L""},
      {2, L"folder.log", 4, L"folder"},
      {2, L"abc", 0, L""},
      {2, L"abc", -2, L""},
      {2, L"abc", 4, L""},
      {2, L"abc", 3, L""},
      {3, L"folder.log", 4, L"folder"},
      {3, L"folder.log", 20, L"folder.log"},
      {3, L"abc", 0, L"abc"},
      {3, L"abc", -1, L"abc"},
      {3, L"abc", 3, L""},
      {3, L"", 1, L""},
  };
  for (auto& c : cases) {
    std::wstring got = c.op == 0   ? TextAfter(c.text, c.n)
                       : c.op == 1 ? TextAfterOrWhole(c.text, c.n)
                       : c.op == 2 ? TextWithoutLast(c.text, c.n)
                                   : TextWithoutLastOrWhole(c.text, c.n);
    EXPECT_EQ(got, c.want) << c.op << " " << N(c.text) << " " << c.n;
  }
}

TEST_F(DralUtilsText, TrimAndUpperCase) {
  EXPECT_EQ(TrimControls(L"  \t\r\nC:\\A B\x01\x1F "), L"C:\\A B");
  EXPECT_EQ(TrimControls(L""), L"");
  EXPECT_EQ(TrimControls(L" \x20\x10 "), L"");
  EXPECT_EQ(TrimControls(std::wstring(L"\0x\0", 3)), L"x");
  EXPECT_EQ(UpperCaseText(L"c:\\program files\\\u00e9t\u00e9 \u0434\u043e\u043a"),
            L"C:\\PROGRAM FILES\\\u00c9T\u00c9 \u0414\u041e\u041a");
  EXPECT_EQ(UpperCaseText(L""), L"");
}

TEST_F(DralUtilsText, CopyToCharArrayAlwaysTerminates) {
  struct Case {
    std::wstring text;
    size_t max;
    std::wstring want;
  } cases[] = {
      {L"abc", 5, L"abc"}, {L"abcde", 5, L"abcde"}, {L"abcdefgh", 5, L"abcde"}, {L"", 3, L""}, {L"xy", 0, L""}};
  for (auto& c : cases) {
    wchar_t buf[16];
    std::fill(std::begin(buf), std::end(buf), L'#');
    CopyToCharArray(c.text, buf, c.max);
    EXPECT_EQ(std::wstring(buf), c.want) << N(c.text) << " " << c.max;
    EXPECT_EQ(buf[c.max + 1], L'#');  // nothing beyond the array of max + 1 units
  }
}

TEST_F(DralUtilsPaths, PathPartsAcceptEmptyAndOddTexts) {
  struct Case {
    std::wstring path, folder, name;
  } cases[] = {
      {L"C:\\a\\b.txt", L"C:\\a\\", L"b.txt"},
      {L"C:", L"C:", L""},
      {L"C:b.txt", L"C:", L"b.txt"},
      {L"b.txt", L"", L"b.txt"},
      {L"", L"", L""},
      {L"\\", L"\\", L""},
      {L"C:\\a\\", L"C:\\a\\", L""},
      {L"\\\\server\\share", L"\\\\server\\", L"share"},
      {L"a/b", L"", L"a/b"},
  };
  for (auto& c : cases) {
    EXPECT_EQ(ExtractFolderPart(c.path), c.folder) << N(c.path);
    EXPECT_EQ(ExtractFileNamePart(c.path), c.name) << N(c.path);
  }
}

TEST_F(DralUtilsPaths, SlowPathsAreUncAndNonFixedDrives) {
  sim::MapTempDrive(L'C', plat::DRIVE_FIXED);
  sim::MapTempDrive(L'A', plat::DRIVE_REMOVABLE);
  sim::MapTempDrive(L'N', plat::DRIVE_REMOTE);
  sim::MapTempDrive(L'E', plat::DRIVE_CDROM);
  sim::MapTempDrive(L'R', plat::DRIVE_RAMDISK);
  struct Case {
    std::wstring path;
    bool slow;
  } cases[] = {
      {L"\\\\server\\share\\x", true},
      {L"\\\\", false /* too short */},
      {L"\\\\s", true},
      {L"C:", false},
      {L"C:folder", false},
      {L"C:\\Work", false},
      {L"A:\\", true},
      {L"a:\\x", true},
      {L"N:\\Share", true},
      {L"E:\\Disc", true},
      {L"R:\\Tmp", true},
      {L"Z:\\NoDrive", false},
      {L"", false},
      {L"ab", false},
      {L"???", false},
      // The local namespaces: a long-path drive is its drive, a device is no server.
      {L"\\\\?\\C:\\Work", false},
      {L"\\\\?\\N:\\Share", true},
      {L"\\\\?\\UNC\\srv\\s", true},
      {L"\\\\?\\unc\\srv\\s", true},
      {L"\\\\.\\CON", false},
      {L"\\\\.\\NUL", false},
      {L"\\\\.\\UNC\\srv\\s", true},
      {L"\\\\?\\Volume{1}\\x", false},
  };
  for (auto& c : cases) EXPECT_EQ(IsSlowPath(c.path), c.slow) << N(c.path);
}

TEST_F(DralUtilsPaths, FileExistsNotFolder) {
  sim::MapTempDrive(L'C');
  ASSERT_TRUE(plat::CreateDirectories(L"C:\\Dir\\Sub"));
  ASSERT_TRUE(plat::WriteWholeFile(L"C:\\Dir\\a.txt", "x"));
  struct Case {
    std::wstring path;
    bool want;
  } cases[] = {{L"C:\\Dir\\a.txt", true}, {L"c:\\dir\\A.TXT", true},  {L"C:\\Dir\\Sub", false},
               {L"C:\\Dir\\", false},     {L"C:\\Dir\\b.txt", false}, {L"", false},
               {L"Q:\\a.txt", false},     {L"a.txt", false}};
  for (auto& c : cases) EXPECT_EQ(FileExistsNotFolder(c.path), c.want) << N(c.path);
}

TEST_F(DralUtilsFacts, VersionAndGroupFactsFollowTheSystem) {
  struct Case {
    const char* what;
    std::uint32_t major, minor, platform;
    void (*user)();
    bool vista, admin_member, elevated, power;
  } cases[] = {
      {"XP admin", 5, 1, plat::VER_PLATFORM_WIN32_NT, [] { sim::MakeElevatedAdmin(); }, false, true, true, false},
      {"7 standard", 6, 1, plat::VER_PLATFORM_WIN32_NT, [] { sim::MakeStandardUser(); }, true, false, false, false},
      {"7 filtered admin", 6, 1, plat::VER_PLATFORM_WIN32_NT, [] { sim::MakeFilteredAdmin(); }, true, true, false,
       false},
      {"10 elevated", 10, 0, plat::VER_PLATFORM_WIN32_NT, [] { sim::MakeElevatedAdmin(); }, true, true, true, false},
      {"ME", 4, 90, plat::VER_PLATFORM_WIN32_WINDOWS, [] { sim::MakeStandardUser(); }, false, false, false, true},
  };
  for (auto& c : cases) {
    SetUp();
    sim::SetOsVersion(plat::OsVersion{c.major, c.minor, 0, c.platform});
    c.user();
    EXPECT_EQ(IsVistaOrLater(), c.vista) << c.what;
    EXPECT_EQ(IsAdminGroupMember(), c.admin_member) << c.what;
    EXPECT_EQ(IsElevated(), c.elevated) << c.what;
    EXPECT_EQ(IsPowerUser(), c.power) << c.what;
  }
}

TEST_F(DralUtilsFacts, AnswersAreCachedForTheProcess) {
  sim::MakeStandardUser();
  EXPECT_FALSE(IsAdminGroupMember());
  EXPECT_FALSE(IsElevated());
  sim::MakeElevatedAdmin();  // the process's token cannot change: the answers stay
  EXPECT_FALSE(IsAdminGroupMember());
  EXPECT_FALSE(IsElevated());
  sim::SetTokenQueriesFail(true);
  ResetDralUtilsCaches();
  EXPECT_FALSE(IsElevated());
  EXPECT_FALSE(IsAdminGroupMember());
}

TEST_F(DralUtilsFacts, BuiltinMembershipWithoutCheckTokenMembershipScansEnabledGroups) {
  const std::wstring power = L"S-1-5-32-547";
  struct Case {
    bool check_available;
    std::uint32_t attributes;
    bool want;
  } cases[] = {
      {true, plat::SE_GROUP_ENABLED, true},
      {true, plat::SE_GROUP_USE_FOR_DENY_ONLY, false},
      {false, plat::SE_GROUP_ENABLED, true},
      {false, plat::SE_GROUP_ENABLED | plat::SE_GROUP_USE_FOR_DENY_ONLY, false},
      {false, 0, false},
  };
  for (auto& c : cases) {
    SetUp();
    sim::SetCheckTokenMembershipAvailable(c.check_available);
    sim::SetTokenGroups({{power, c.attributes}});
    EXPECT_EQ(IsBuiltinGroupMember(547), c.want) << c.check_available << " " << c.attributes;
    EXPECT_FALSE(IsBuiltinGroupMember(544));
  }
}

TEST_F(DralUtilsFacts, UserSidOfLocalAccountsOnly) {
  sim::SetComputerName(L"DESK");
  sim::SetAccountSid(L"DESK\\Bob", L"S-1-5-21-9-9-9-1002");
  EXPECT_EQ(GetUserSidString(L"Bob"), L"S-1-5-21-9-9-9-1002");
  EXPECT_EQ(GetUserSidString(L"  Bob \t"), L"S-1-5-21-9-9-9-1002");
  EXPECT_EQ(GetUserSidString(L"bob"), L"S-1-5-21-9-9-9-1002");
  EXPECT_EQ(GetUserSidString(L"Carl"), L"");
  EXPECT_EQ(GetUserSidString(L"   "), L"");
  EXPECT_EQ(GetUserSidString(L""), L"");
}

TEST_F(DralUtilsFacts, FileVersionFromTheVersionResource) {
  sim::MapTempDrive(L'C');
  ASSERT_TRUE(plat::CreateDirectories(L"C:\\App"));
  for (auto f : {L"C:\\App\\a.exe", L"C:\\App\\b.dll", L"C:\\App\\c.exe", L"C:\\App\\qorbin.exe"})
    ASSERT_TRUE(plat::WriteWholeFile(f, "MZ"));
  sim::SetFileVersion(L"C:\\App\\a.exe", 0x040904B0, L"1.4.2.7");
  sim::SetFileVersion(L"C:\\App\\c.exe", 0x04070000, L"");
  sim::SetFileVersion(L"C:\\App\\qorbin.exe", 0x040904E4, L"1.9.0.0");
  EXPECT_EQ(GetFileVersion(L"C:\\App\\a.exe"), L"1.4.2.7");
  EXPECT_EQ(GetFileVersion(L"C:\\App\\b.dll"), L"");  // no version resource
  EXPECT_EQ(GetFileVersion(L"C:\\App\\c.exe"), L"");  // no string table
  EXPECT_EQ(GetFileVersion(L"C:\\App\\missing.exe"), L"");
  EXPECT_EQ(GetFileVersion(L""), L"");
  sim::SetProgramPath(L"C:\\App\\qorbin.exe");
  EXPECT_EQ(GetProgramVersion(), L"1.9.0.0");
  sim::SetFileVersion(L"C:\\App\\qorbin.exe", 0x040904E4, L"2.0.0.0");
  EXPECT_EQ(GetProgramVersion(), L"1.9.0.0");  // computed once
}

TEST_F(DralUtilsFacts, SpecialFoldersAreCreatedWhenMissing) {
  sim::MapTempDrive(L'C');
  EXPECT_EQ(GetSpecialFolderPath(plat::CSIDL_PERSONAL), L"C:\\Users\\Ann\\Documents");
  EXPECT_TRUE(plat::DirectoryExists(L"C:\\Users\\Ann\\Documents"));
  sim::SetSpecialFolder(plat::CSIDL_APPDATA, L"");
  EXPECT_EQ(GetSpecialFolderPath(plat::CSIDL_APPDATA), L"");
  sim::SetSpecialFolder(plat::CSIDL_PERSONAL, L"Q:\\Docs");  // drive not present
  EXPECT_EQ(GetSpecialFolderPath(plat::CSIDL_PERSONAL), L"");
}

TEST_F(DralUtilsFacts, ForegroundLockOnlyWhereTheSystemHasItAndShellOpen) {
  struct Case {
    std::uint32_t major, minor, platform;
    bool want;
  } cases[] = {{6, 1, plat::VER_PLATFORM_WIN32_NT, true},
               {4, 0, plat::VER_PLATFORM_WIN32_NT, true},
               {3, 51, plat::VER_PLATFORM_WIN32_NT, false},
               {4, 90, plat::VER_PLATFORM_WIN32_WINDOWS, true},
               {4, 10, plat::VER_PLATFORM_WIN32_WINDOWS, false}};
  for (auto& c : cases) {
    sim::SetOsVersion(plat::OsVersion{c.major, c.minor, 0, c.platform});
    EXPECT_EQ(SetForegroundLock(plat::LSFW_LOCK), c.want) << c.major << "." << c.minor;
  }

  EXPECT_TRUE(OpenWithShell(L"https://example.org/help"));
  auto calls = sim::ShellExecutions();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].verb, L"open");
  EXPECT_EQ(calls[0].file, L"https://example.org/help");
  EXPECT_EQ(calls[0].parameters, L"");
  EXPECT_EQ(calls[0].show, plat::SW_SHOWNORMAL);
}

TEST(DralUtilsStrList, OwnsACopyOfTheAssignedLines) {
  TStrList s;
  EXPECT_EQ(s.Param(), 0);
  std::vector<std::wstring> lines = {L"a", L"b"};
  s.SetList(lines);
  lines.push_back(L"c");
  EXPECT_EQ(s.List(), (std::vector<std::wstring>{L"a", L"b"}));
  s.SetParam(-5);
  EXPECT_EQ(s.Param(), -5);
}
