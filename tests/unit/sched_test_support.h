// Shared set-up of the scheduler and autostart tests: a fresh sim world with a
// log folder on drive C:, an administrator's account, the Schedule service
// running, and helpers to read what was logged.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/scheduler.h"
#include "infra/dral_utils.h"
#include "infra/logger.h"
#include "infra/logger_files.h"
#include "platform/files.h"
#include "sim/sim_clock.h"
#include "sim/sim_files.h"
#include "sim/sim_os_version.h"
#include "sim/sim_process.h"
#include "sim/sim_scheduler.h"
#include "sim/sim_system.h"
#include "sim/sim_world.h"

namespace sched_test {

inline const std::wstring kLogFolder = L"C:\\Users\\Ann\\Documents\\Vorlune files\\Log\\";
inline const std::wstring kProgram = L"C:\\Program Files\\Vorlune Folder\\qorbin.exe";
inline const std::wstring kTask = L"Vorlune Folder-Ann";
inline const std::wstring kAccount = L"PC\\Ann";

class SchedFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    infra::ResetLogger();
    sim::ResetWorld();
    infra::ResetDralUtilsCaches();
    sim::MapTempDrive(L'C');
    sim::SetProgramPath(kProgram);
    sim::SetUserName(L"Ann");
    sim::SetComputerName(L"PC");
    infra::SetLogFolder(kLogFolder);
  }
  void TearDown() override {
    // Every path gives back every scheduler object and service handle.
    EXPECT_EQ(sim::LiveTaskObjects(), 0);
    EXPECT_EQ(sim::OpenServiceHandles(), 0);
    infra::ResetLogger();
    sim::ResetWorld();
    infra::ResetDralUtilsCaches();
  }

  // The program entry's launch options for the agent task.
  static app::SchedulerLaunch EntryLaunch(const std::wstring& args = L"") {
    app::SchedulerLaunch p;
    p.ProgramPath = kProgram;
    p.Arguments = args;
    p.TaskName = kTask;
    p.UserAccount = kAccount;
    return p;
  }

  // A task exactly as the program registers it.
  static sim::SimTask AgentTask(const std::wstring& args = L"") {
    sim::SimTask t;
    t.author = L"Vorlune Manager";
    t.settings.start_when_available = true;
    t.settings.multiple_instances = plat::TASK_INSTANCES_PARALLEL;
    t.settings.priority = 5;
    t.settings.disallow_start_if_on_batteries = false;
    t.settings.stop_if_going_on_batteries = false;
    t.settings.run_only_if_idle = false;
    t.settings.idle_stop_on_idle_end = false;
    t.settings.execution_time_limit = L"PT0S";
    t.actions = {plat::TaskExecAction{L"\"" + kProgram + L"\"", args, L""}};
    t.principal = plat::TaskPrincipal{plat::TASK_RUNLEVEL_HIGHEST, kAccount};
    return t;
  }

  // Main-log entries written so far (flushed now).
  static std::vector<std::wstring> LogLines() {
    infra::SaveAllLogs(false);
    std::string bytes;
    if (!plat::ReadWholeFile(kLogFolder + infra::kMainLogName, bytes)) return {};
    return infra::SplitLogLines(bytes);
  }
  static std::vector<std::wstring> ErrorLogLines() {
    std::string bytes;
    if (!plat::ReadWholeFile(kLogFolder + infra::kErrorLogName, bytes)) return {};
    return infra::SplitLogLines(bytes);
  }
  static bool Has(const std::vector<std::wstring>& lines, const std::wstring& text) {
    for (const auto& l : lines)
      if (l.find(text) != std::wstring::npos) return true;
    return false;
  }
  // A LogMessage line of the launch with exactly this text (a prefix of it
  // for the long diagnostic lines).
  static bool Logged(const std::wstring& text) {
    return Has(LogLines(), L"LaunchThroughScheduler Parameters: " + text);
  }
  static int Count(const std::vector<std::wstring>& calls, const std::wstring& prefix) {
    int n = 0;
    for (const auto& c : calls)
      if (c.rfind(prefix, 0) == 0) ++n;
    return n;
  }
};

}  // namespace sched_test
