#include <gtest/gtest.h>

#include <algorithm>

#include "infra/config_folder.h"
#include "infra/dral_utils.h"
#include "infra/logger.h"
#include "infra/logger_files.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "sim/sim_files.h"
#include "sim/sim_registry.h"
#include "sim/sim_system.h"
#include "sim/sim_world.h"

using namespace infra;

namespace {

const std::wstring kSid = L"S-1-5-21-1000-2000-3000-1001";
const std::wstring kProfileKey = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\" + kSid;
const std::wstring kShellKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

class ConfigFolderFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetLogger();
    sim::ResetWorld();
    ResetDralUtilsCaches();
    ResetConfigurationFolder();
    SetErrorTraceFileSetter(nullptr);
    sim::MapTempDrive(L'C');
    sim::MapTempDrive(L'D');
    sim::RegSetString(plat::HKEY_LOCAL_MACHINE, kProfileKey, L"ProfileImagePath", L"%SystemDrive%\\Users\\Ann",
                      plat::REG_EXPAND_SZ);
    sim::RegSetString(plat::HKEY_CURRENT_USER, kShellKey, L"Personal", L"%USERPROFILE%\\Documents",
                      plat::REG_EXPAND_SZ);
  }
  void TearDown() override {
    SetErrorTraceFileSetter(nullptr);
    ResetLogger();
    sim::ResetWorld();
    ResetConfigurationFolder();
  }
  // Main-log entries (without time stamps) after a flush.
  static std::vector<std::wstring> LogEntries() {
    SaveAllLogs(false);
    std::string bytes;
    plat::ReadWholeFile(GetLogFolder() + kMainLogName, bytes);
    std::vector<std::wstring> out;
    for (auto& l : SplitLogLines(bytes)) out.push_back(l.size() > 8 ? l.substr(8) : l);
    return out;
  }
  static std::vector<std::wstring> CandidateLines() {
    std::vector<std::wstring> out;
    for (auto& l : LogEntries())
      if (l.find(L"Log (common): GetConfigurationFolder Parameters: Folder ") != std::wstring::npos)
        out.push_back(l.substr(l.find(L"Parameters: ") + 12));
    return out;
  }
  static bool LogHas(const std::wstring& text) {
    auto e = LogEntries();
    return std::any_of(e.begin(), e.end(), [&](const std::wstring& l) { return l.find(text) != std::wstring::npos; });
  }
};

std::string N(const std::wstring& w) { return std::string(w.begin(), w.end()); }

}  // namespace

using ConfigFolder = ConfigFolderFixture;

TEST_F(ConfigFolder, ResolutionOrder) {
  const std::wstring docs = L"C:\\Users\\Ann\\Documents\\Vorlune files\\";
  struct Case {
    const char* what;
    void (*world)();
    std::wstring want;
    std::vector<std::wstring> candidates;
  } cases[] = {
      {"documents folder", [] {}, docs, {L"Folder 1=" + docs}},
      {"SaveDir that can be created wins",
       [] {
         sim::RegSetString(plat::HKEY_CURRENT_USER, L"Software\\Quantrel\\Tallowin", L"SaveDir", L"D:\\Cfg\\Mine");
       },
       L"D:\\Cfg\\Mine\\",
       {}},
      {"SaveDir on a missing drive falls back",
       [] { sim::RegSetString(plat::HKEY_CURRENT_USER, L"Software\\Quantrel\\Tallowin", L"SaveDir", L"Q:\\Cfg\\"); },
       docs,
       {L"Folder 1=" + docs}},
      {"empty SaveDir",
       [] { sim::RegSetString(plat::HKEY_CURRENT_USER, L"Software\\Quantrel\\Tallowin", L"SaveDir", L""); },
       docs,
       {L"Folder 1=" + docs}},
      {"relative SaveDir",
       [] { sim::RegSetString(plat::HKEY_CURRENT_USER, L"Software\\Quantrel\\Tallowin", L"SaveDir", L"Cfg"); },
       docs,
       {L"Folder 1=" + docs}},
      {"SaveDir of another type",
       [] { sim::RegSetDword(plat::HKEY_CURRENT_USER, L"Software\\Quantrel\\Tallowin", L"SaveDir", 7); },
       docs,
       {L"Folder 1=" + docs}},
      {"no documents folder: the Personal shell folder",
       [] {
         sim::SetSpecialFolder(plat::CSIDL_PERSONAL, L"");
         sim::RegSetString(plat::HKEY_CURRENT_USER, kShellKey, L"Personal", L"%USERPROFILE%\\My Docs",
                           plat::REG_EXPAND_SZ);
       },
       L"C:\\Users\\Ann\\My Docs\\Vorlune files\\",
       {L"Folder 1=Vorlune files\\", L"Folder 2=C:\\Users\\Ann\\My Docs\\Vorlune files\\"}},
      {"no documents at all: application data",
       [] {
         sim::SetSpecialFolder(plat::CSIDL_PERSONAL, L"");
         sim::RegDeleteValue(plat::HKEY_CURRENT_USER, kShellKey, L"Personal");
       },
       L"C:\\Users\\Ann\\AppData\\Roaming\\Quantrel\\Vorlune files\\",
       {L"Folder 1=Vorlune files\\", L"Folder 2=Vorlune files\\",
        L"Folder 3=C:\\Users\\Ann\\AppData\\Roaming\\Quantrel\\Vorlune files\\"}},
      {"Personal on a drive that is not there",
       [] {
         sim::SetSpecialFolder(plat::CSIDL_PERSONAL, L"Q:\\Docs");
         sim::RegSetString(plat::HKEY_CURRENT_USER, kShellKey, L"Personal", L"Q:\\Docs");
       },
       L"C:\\Users\\Ann\\AppData\\Roaming\\Quantrel\\Vorlune files\\",
       {L"Folder 1=Vorlune files\\", L"Folder 2=Q:\\Docs\\Vorlune files\\",
        L"Folder 3=C:\\Users\\Ann\\AppData\\Roaming\\Quantrel\\Vorlune files\\"}},
  };
  for (auto& c : cases) {
    SetUp();
    c.world();
    EXPECT_EQ(GetConfigurationFolder(), c.want) << c.what;
    EXPECT_EQ(ConfigurationFolder(), c.want) << c.what;
    EXPECT_EQ(LogFolder(), c.want + L"Log\\") << c.what;
    EXPECT_EQ(GetLogFolder(), c.want + L"Log\\") << c.what;
    EXPECT_TRUE(plat::DirectoryExists(c.want + L"Log\\")) << c.what;
    EXPECT_EQ(CandidateLines(), c.candidates) << c.what;
    EXPECT_FALSE(LogHas(L"ConfigurationFolder not exists")) << c.what;
  }
}

TEST_F(ConfigFolder, NoCandidateCanBeMadeKeepsFolder3AndSaysSo) {
  sim::SetSpecialFolder(plat::CSIDL_PERSONAL, L"");
  sim::RegDeleteValue(plat::HKEY_CURRENT_USER, kShellKey, L"Personal");
  sim::SetSpecialFolder(plat::CSIDL_APPDATA, L"Q:\\AppData");
  sim::MapTempDrive(L'Q');  // the special folder resolves ...
  EXPECT_TRUE(plat::CreateDirectories(L"Q:\\AppData"));
  EXPECT_TRUE(plat::WriteWholeFile(L"Q:\\AppData\\Quantrel", "a file in the way"));
  const std::wstring want = L"Q:\\AppData\\Quantrel\\Vorlune files\\";
  EXPECT_EQ(GetConfigurationFolder(), want);
  EXPECT_FALSE(plat::DirectoryExists(want));
  EXPECT_EQ(GetLogFolder(), want + L"Log\\");
  // Nothing reaches a file there; the entries wait in memory until the folder
  // can be made, and then say what happened.
  EXPECT_NO_THROW(SaveAllLogs(false));
  ASSERT_TRUE(plat::RemoveFile(L"Q:\\AppData\\Quantrel"));
  EXPECT_TRUE(LogHas(L"Err (common): Function: GetConfigurationFolder Message: ConfigurationFolder not exists"));
  EXPECT_TRUE(LogHas(L"Folder 3=" + want));
}

TEST_F(ConfigFolder, EntriesPostedBeforeResolutionReachTheNewLog) {
  LogMessage(L"qorbin", L"Start");
  const std::wstring folder = GetConfigurationFolder();
  auto e = LogEntries();
  ASSERT_GE(e.size(), 2u);
  EXPECT_EQ(e[0], L" Log (common): qorbin Parameters: Start");
  EXPECT_EQ(e[1], L" Log (common): GetConfigurationFolder Parameters: Folder 1=" + folder);
  std::string bytes;
  ASSERT_TRUE(plat::ReadWholeFile(folder + L"Log\\folder.log", bytes));
  EXPECT_EQ(bytes.substr(0, 2), std::string("\xFF\xFE", 2));
}

namespace {
std::wstring g_trace_file;
void RecordTraceFile(const std::wstring& file) { g_trace_file = file; }
}  // namespace

TEST_F(ConfigFolder, ErrorTraceFileIsTheErrorLogInTheLogFolder) {
  g_trace_file = L"C:\\default_trace.log";
  SetErrorTraceFileSetter(&RecordTraceFile);
  const std::wstring folder = GetConfigurationFolder();
  EXPECT_EQ(g_trace_file, folder + L"Log\\folder_error.log");
}

TEST_F(ConfigFolder, UserShellFolder) {
  struct Case {
    std::wstring value;  // empty: no value
    std::uint32_t type;
    std::wstring want;
    bool created;
  } cases[] = {
      {L"%USERPROFILE%\\Documents", plat::REG_EXPAND_SZ, L"C:\\Users\\Ann\\Documents", true},
      {L"%userprofile%\\Docs\\Mine", plat::REG_SZ, L"C:\\Users\\Ann\\Docs\\Mine", true},
      {L"%USERPROFILE%", plat::REG_EXPAND_SZ, L"C:\\Users\\Ann\\", true},
      {L"D:\\Docs", plat::REG_SZ, L"D:\\Docs", false},
      {L"%HOMEDRIVE%\\Docs", plat::REG_EXPAND_SZ, L"%HOMEDRIVE%\\Docs", false},
      {L"", plat::REG_SZ, L"", false},
  };
  for (auto& c : cases) {
    SetUp();
    SetLogFolder(L"C:\\Log\\");
    if (c.value.empty())
      sim::RegDeleteValue(plat::HKEY_CURRENT_USER, kShellKey, L"Personal");
    else
      sim::RegSetString(plat::HKEY_CURRENT_USER, kShellKey, L"Personal", c.value, c.type);
    EXPECT_EQ(GetUserShellFolder(L"Personal"), c.want) << N(c.value);
    if (c.created) EXPECT_TRUE(plat::DirectoryExists(c.want)) << N(c.value);
    if (c.want == L"D:\\Docs") EXPECT_FALSE(plat::DirectoryExists(c.want));
    if (c.value.empty())
      EXPECT_TRUE(
          LogHas(L"Function: LoadCurrentStartupSettings:AdvCheck Message: Can't get value Parameters: Item=Personal"));
  }
}

TEST_F(ConfigFolder, UserShellFolderWithoutAProfileGivesNothing) {
  SetLogFolder(L"C:\\Log\\");
  sim::RegDeleteTree(plat::HKEY_LOCAL_MACHINE, kProfileKey);
  EXPECT_EQ(GetUserShellFolder(L"Personal"), L"");
  EXPECT_TRUE(LogHas(L"Message: Can't open key Parameters: Key=" + kProfileKey));
}

TEST_F(ConfigFolder, ProfilePath) {
  struct Case {
    const char* what;
    void (*world)();
    std::wstring want;
    std::wstring logged;  // part of the error entry, empty for none
  } cases[] = {
      {"expandable", [] {}, L"C:\\Users\\Ann\\", L""},
      {"plain string",
       [] { sim::RegSetString(plat::HKEY_LOCAL_MACHINE, kProfileKey, L"ProfileImagePath", L"E:\\Profiles\\ann\\"); },
       L"E:\\Profiles\\ann\\", L""},
      {"number", [] { sim::RegSetDword(plat::HKEY_LOCAL_MACHINE, kProfileKey, L"ProfileImagePath", 5); }, L"",
       L"Message: RegQueryValueEx fail Parameters: first"},
      {"missing value", [] { sim::RegDeleteValue(plat::HKEY_LOCAL_MACHINE, kProfileKey, L"ProfileImagePath"); }, L"",
       L"Message: RegQueryValueEx fail Parameters: first"},
      {"unknown account", [] { sim::SetUserName(L"Nobody"); }, L"",
       L"Message: Can't open key Parameters: Key=SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\"},
  };
  for (auto& c : cases) {
    SetUp();
    SetLogFolder(L"C:\\Log\\");
    c.world();
    EXPECT_EQ(GetCurrentUserDocSettingsPath(), c.want) << c.what;
    if (!c.logged.empty())
      EXPECT_TRUE(LogHas(L"Function: LoadCurrentStartupSettings:GetCurrentUserDocSettingsPath " + c.logged)) << c.what;
  }
}

TEST(ConfigFolderText, AddTrailingBackslash) {
  struct Case {
    std::wstring in, want;
  } cases[] = {{L"", L""},     {L"C:", L"C:\\"}, {L"C:\\", L"C:\\"}, {L"C:\\a", L"C:\\a\\"},
               {L"\\", L"\\"}, {L"a/", L"a/\\"}};
  for (auto& c : cases) {
    std::wstring s = c.in;
    AddTrailingBackslash(s);
    EXPECT_EQ(s, c.want) << N(c.in);
  }
}
