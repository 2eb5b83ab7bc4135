#include <gtest/gtest.h>

#include <algorithm>

#include "errors/bug_report.h"
#include "errors/file_tools.h"
#include "infra/config_folder.h"
#include "infra/dral_utils.h"
#include "infra/logger.h"
#include "infra/logger_files.h"
#include "infra/utf16.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "sim/sim_files.h"
#include "sim/sim_registry.h"
#include "sim/sim_run_process.h"
#include "sim/sim_system.h"
#include "sim/sim_world.h"

namespace {

class ErrorsBugReport : public ::testing::Test {
 protected:
  void SetUp() override {
    infra::ResetLogger();
    sim::ResetWorld();
    infra::ResetDralUtilsCaches();
    infra::ResetConfigurationFolder();
    infra::SetErrorTraceFileSetter(nullptr);
    sim::MapTempDrive(L'C');
    const std::wstring sid = sim_sid();
    sim::RegSetString(plat::HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\" + sid,
                      L"ProfileImagePath", L"%SystemDrive%\\Users\\Ann", plat::REG_EXPAND_SZ);
    sim::RegSetString(plat::HKEY_CURRENT_USER,
                      L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders", L"Personal",
                      L"%USERPROFILE%\\Documents", plat::REG_EXPAND_SZ);
    config_ = infra::GetConfigurationFolder();
    log_ = infra::LogFolder();
  }
  void TearDown() override {
    infra::ResetLogger();
    sim::ResetWorld();
    infra::ResetConfigurationFolder();
  }
  static std::wstring sim_sid();
  static void Write(const std::wstring& path, const std::string& bytes) {
    plat::CreateDirectories(path.substr(0, path.rfind(L'\\')));
    ASSERT_TRUE(plat::WriteWholeFile(path, bytes));
  }
  static std::vector<std::string> EntryNames(const std::wstring& zip) {
    // Central directory file headers: signature PK\1\2, name length at 28, name at 46.
    std::string b;
    plat::ReadWholeFile(zip, b);
    std::vector<std::string> names;
    for (size_t p = b.find("PK\x01\x02"); p != std::string::npos && p + 46 <= b.size();
         p = b.find("PK\x01\x02", p + 4)) {
      size_t len = static_cast<unsigned char>(b[p + 28]) | (static_cast<unsigned char>(b[p + 29]) << 8);
      names.push_back(b.substr(p + 46, len));
    }
    return names;
  }
  std::wstring config_, log_;
};

std::wstring ErrorsBugReport::sim_sid() { return L"S-1-5-21-1000-2000-3000-1001"; }

TEST_F(ErrorsBugReport, ArchiveHoldsLogsAndExportsButNoProgramsOrDesktopIni) {
  ASSERT_FALSE(config_.empty());
  // The export tool writes its file as regedit would.
  Write(L"C:\\Windows\\regedit.exe", "MZ");
  sim::SetProcessRunner([](const std::wstring& cmd, bool& finished) {
    size_t a = cmd.find(L"/e \"") + 4;
    std::wstring file = cmd.substr(a, cmd.find(L'"', a) - a);
    plat::WriteWholeFile(file, infra::ToUtf16Le(L"\uFEFFWindows Registry Editor Version 5.00\r\n"));
    finished = true;
    return true;
  });
  infra::LogMessage(L"before the report");
  Write(log_ + L"shot.jpg", "jpeg");
  Write(log_ + L"tool.exe", "MZ");
  Write(log_ + L"TOOL2.EXE", "MZ");
  Write(log_ + L"desktop.ini", "[x]");
  Write(log_ + L"notes.txt", "not packed");
  plat::CreateDirectories(log_ + L"sub.log");  // a folder matching the mask
  std::wstring report;
  ASSERT_TRUE(errors::BackupSystem(report));
  EXPECT_EQ(report, config_ + L"bug-report.zip");
  auto names = EntryNames(report);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names,
            (std::vector<std::string>{"Log\\all_opt.reg", "Log\\cur_opt.reg", "Log\\folder.log", "Log\\shot.jpg"}));
  auto run = sim::ProcessesRun();
  ASSERT_EQ(run.size(), 2u);
  EXPECT_EQ(run[0], L"\"C:\\Windows\\regedit.exe\" /s /e \"" + log_ +
                        L"cur_opt.reg\" \"HKEY_CURRENT_USER\\Software\\Quantrel\"");
  EXPECT_NE(run[1].find(L"\"HKEY_LOCAL_MACHINE\\Software\\Quantrel\""), std::wstring::npos);
  EXPECT_TRUE(sim::HivesSaved().empty());
}

TEST_F(ErrorsBugReport, LockedArchiveGetsTheNextFreeNumber) {
  Write(config_ + L"bug-report.zip", "old");
  Write(config_ + L"bug-report1.zip", "old");
  sim::SetFileLocked(config_ + L"bug-report.zip", true);
  sim::SetFileLocked(config_ + L"bug-report1.zip", true);
  std::wstring report;
  ASSERT_TRUE(errors::BackupSystem(report));
  EXPECT_EQ(report, config_ + L"bug-report2.zip");
  auto names = EntryNames(report);
  EXPECT_NE(std::find(names.begin(), names.end(), "Log\\folder.log"), names.end());
}

TEST_F(ErrorsBugReport, ExportFallsBackToTheHiveSaveWhenNoToolFinishes) {
  struct Case {
    bool tool_exists, starts, finishes, writes;
    bool hive_expected;
  } cases[] = {
      {false, true, true, true, true},  // no export tool at all
      {true, false, true, true, true},  // CreateProcess fails
      {true, true, false, true, true},  // still running after a second
      {true, true, true, false, true},  // ended without writing the file
      {true, true, true, true, false},  // exported
  };
  for (const auto& c : cases) {
    sim::ResetWorld();
    sim::MapTempDrive(L'C');
    plat::CreateDirectories(log_);
    if (c.tool_exists) Write(L"C:\\Windows\\system32\\reg.exe", "MZ");
    sim::SetProcessRunner([&](const std::wstring& cmd, bool& finished) {
      if (!c.starts) return false;
      finished = c.finishes;
      if (c.writes) plat::WriteWholeFile(log_ + L"cur_opt.reg", "REGEDIT4");
      return true;
    });
    errors::BackupRegistryKey(L"Software\\Quantrel", log_ + L"cur_opt", true, false, false);
    EXPECT_EQ(sim::HivesSaved().size(), c.hive_expected ? 1u : 0u)
        << c.tool_exists << c.starts << c.finishes << c.writes;
    EXPECT_TRUE(plat::FileExists(log_ + L"cur_opt.reg"));
    if (c.tool_exists) {
      ASSERT_EQ(sim::ProcessesRun().size(), 1u);
      EXPECT_EQ(sim::ProcessesRun()[0],
                L"\"C:\\Windows\\system32\\reg.exe\" export \"HKEY_CURRENT_USER\\Software\\Quantrel\" \"" + log_ +
                    L"cur_opt.reg\" /y");
    } else {
      EXPECT_TRUE(sim::ProcessesRun().empty());
    }
  }
  // Skipping the fall-back, or a missing privilege, leaves no file.
  sim::ResetWorld();
  sim::MapTempDrive(L'C');
  plat::CreateDirectories(log_);
  errors::BackupRegistryKey(L"Software\\Quantrel", log_ + L"x", true, false, true);
  sim::SetBackupPrivilegeAvailable(false);
  errors::BackupRegistryKey(L"Software\\Quantrel", log_ + L"y", true, false, false);
  EXPECT_FALSE(plat::FileExists(log_ + L"x.reg"));
  EXPECT_FALSE(plat::FileExists(log_ + L"y.reg"));
}

}  // namespace
