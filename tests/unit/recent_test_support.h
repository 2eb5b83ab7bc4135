// Shared set-up of the recent-list tests: a sim world with a fixed drive C:
// holding the user's Recent folder, shortcuts written with chosen times, and
// a clean logger writing into C:.
#pragma once
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <utime.h>

#include <chrono>
#include <ctime>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "infra/logger.h"
#include "infra/logger_files.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "sim/sim_files.h"
#include "sim/sim_registry.h"
#include "sim/sim_shell_link.h"
#include "sim/sim_ui_handover.h"
#include "sim/sim_world.h"
#include "store/recent_lists.h"
#include "store/recent_scan.h"

namespace recent_test {

inline const std::wstring kRecent = L"C:\\Users\\Ann\\AppData\\Roaming\\Microsoft\\Windows\\Recent";
inline const std::wstring kLogFolder = L"C:\\Users\\Ann\\Documents\\Vorlune files\\Log\\";
inline const std::wstring kShellFolders = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
// 2026-03-02 09:00:00 local time, the time of the first shortcut.
inline std::time_t BaseTime() {
  std::tm t{};
  t.tm_year = 2026 - 1900;
  t.tm_mon = 2;
  t.tm_mday = 2;
  t.tm_hour = 9;
  t.tm_isdst = -1;
  return std::mktime(&t);
}

// Sets a sim file's last-write time (the host file's modification time).
inline void SetFileTime(const std::wstring& path, std::time_t when) {
  const std::string host = sim::HostPath(path);
  struct utimbuf times {
    when, when
  };
  ::utime(host.c_str(), &times);
}

class RecentFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    infra::ResetLogger();
    sim::ResetWorld();
    store::ResetRecentState();
    sim::MapTempDrive(L'C');
    plat::CreateDirectories(kRecent);
    plat::CreateDirectories(kLogFolder);
    infra::SetLogFolder(kLogFolder);
    sim::RegSetString(plat::HKEY_CURRENT_USER, kShellFolders, L"Recent", kRecent);
  }
  void TearDown() override {
    store::ResetRecentState();
    infra::ResetLogger();
    sim::ResetWorld();
  }

  // A file with some content; its folders are made.
  static void MakeFile(const std::wstring& path) {
    plat::CreateDirectories(path.substr(0, path.rfind(L'\\')));
    plat::WriteWholeFile(path, "x");
  }
  // The shortcut <name>.lnk to target in the Recent folder, written `seconds`
  // after the base time.
  static std::wstring MakeShortcut(const std::wstring& name, const std::wstring& target, int seconds) {
    const std::wstring path = kRecent + L"\\" + name + L".lnk";
    plat::WriteWholeFile(path, sim::ShortcutFileBytes(target));
    SetFileTime(path, BaseTime() + seconds);
    return path;
  }
  // A file and the shortcut to it.
  static std::wstring Opened(const std::wstring& file, int seconds) {
    MakeFile(file);
    return MakeShortcut(file.substr(file.rfind(L'\\') + 1), file, seconds);
  }

  static std::vector<std::wstring> Paths(const store::TRecentList& list) {
    std::vector<std::wstring> out;
    for (int i = 0; i < list.Count(); ++i) out.push_back(list.Objects(i).Path);
    return out;
  }
  // Newest first, as the submenus show them.
  static std::vector<std::wstring> NewestFirst(const store::TRecentList& list) {
    auto v = Paths(list);
    return {v.rbegin(), v.rend()};
  }

  // Main-log entries without their time stamps, after a flush.
  static std::vector<std::wstring> LogEntries() {
    infra::SaveAllLogs(false);
    std::string bytes;
    std::vector<std::wstring> out;
    if (!plat::ReadWholeFile(kLogFolder + L"folder.log", bytes)) return out;
    for (auto& l : infra::SplitLogLines(bytes)) out.push_back(l.size() > 8 && l[2] == L':' ? l.substr(8) : l);
    return out;
  }
  static int LogCount(const std::wstring& text) {
    int n = 0;
    for (const auto& e : LogEntries()) n += e.find(text) != std::wstring::npos ? 1 : 0;
    return n;
  }

  // Runs the UI thread's side of hand-overs until pred holds (real time).
  static bool WaitUntil(const std::function<bool()>& pred, int timeout_ms = 3000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (std::chrono::steady_clock::now() < end) {
      sim::RunUiHandOvers();
      if (pred()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    sim::RunUiHandOvers();
    return pred();
  }
};

}  // namespace recent_test
