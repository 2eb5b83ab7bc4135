// Installing the agent task, the Schedule service's start type and state, the
// elevated start decision of the program entry, and the autostart entry.
#include <functional>

#include "app/autostart.h"
#include "infra/registry.h"
#include "sim/sim_registry.h"
#include "sched_test_support.h"

namespace {

using sched_test::kProgram;
using sched_test::kTask;

class SchedInstall : public sched_test::SchedFixture {};

// Who may install the task: only an elevated administrator (or power user)
// under UAC; everyone else leaves the scheduler alone.
TEST_F(SchedInstall, InstallAgentTaskOnlyWhenElevatedUnderUac) {
  struct Row {
    const char* what;
    std::function<void()> who;
    bool installs;
  };
  const std::vector<Row> rows = {
      {"elevated administrator", [] { sim::MakeElevatedAdmin(); }, true},
      {"administrator not elevated", [] { sim::MakeFilteredAdmin(); }, false},
      {"standard user", [] { sim::MakeStandardUser(); }, false},
      {"Windows XP administrator",
       [] {
         sim::MakeElevatedAdmin();
         sim::SetVistaOrLater(false);
       },
       false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    TearDown();
    SetUp();
    row.who();
    sim::SetScheduleService(true, plat::SERVICE_RUNNING, plat::SERVICE_DEMAND_START);
    app::InstallAgentTask();
    auto task = sim::ScheduledTask(kTask);
    EXPECT_EQ(task.has_value(), row.installs);
    EXPECT_TRUE(sim::TaskRuns().empty());  // installing never runs the task
    if (task) {
      sim::SimTask want = AgentTask(L"");
      EXPECT_EQ(task->actions, want.actions);
      EXPECT_EQ(task->principal, want.principal);
      EXPECT_EQ(sim::ScheduleServiceStartType(), plat::SERVICE_AUTO_START);
    } else {
      EXPECT_TRUE(sim::SchedulerCalls().empty());
      EXPECT_EQ(sim::ScheduleServiceStartType(), plat::SERVICE_DEMAND_START);
    }
  }
}

TEST_F(SchedInstall, RemoveAgentTaskOnlyWhenElevatedUnderUac) {
  const std::vector<std::pair<const char*, std::function<void()>>> rows = {
      {"elevated administrator", [] { sim::MakeElevatedAdmin(); }},
      {"administrator not elevated", [] { sim::MakeFilteredAdmin(); }},
      {"standard user", [] { sim::MakeStandardUser(); }},
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(rows[i].first);
    TearDown();
    SetUp();
    rows[i].second();
    sim::PutScheduledTask(kTask, AgentTask());
    sim::PutScheduledTask(L"Vorlune Folder-Bob", AgentTask());
    app::RemoveAgentTask();
    EXPECT_EQ(sim::ScheduledTask(kTask).has_value(), i != 0);
    EXPECT_TRUE(sim::ScheduledTask(L"Vorlune Folder-Bob"));  // another user's task stays
  }
}

TEST_F(SchedInstall, InstallAgentTaskRefreshesAStaleTask) {
  sim::MakeElevatedAdmin();
  sim::SimTask stale = AgentTask(L"D:\\Left over");
  stale.actions[0].path = L"\"C:\\Old place\\qorbin.exe\"";
  sim::PutScheduledTask(kTask, stale);
  app::InstallAgentTask();
  auto task = sim::ScheduledTask(kTask);
  ASSERT_TRUE(task);
  EXPECT_EQ(task->actions, AgentTask(L"").actions);
  EXPECT_TRUE(sim::TaskRuns().empty());
}

TEST_F(SchedInstall, ScheduleServiceIsMadeToStartAutomatically) {
  struct Row {
    std::uint32_t before, after;
    bool changed;
  };
  const std::vector<Row> rows = {
      {plat::SERVICE_DEMAND_START, plat::SERVICE_AUTO_START, true},
      {plat::SERVICE_DISABLED, plat::SERVICE_AUTO_START, true},
      {plat::SERVICE_AUTO_START, plat::SERVICE_AUTO_START, false},
      {0 /* boot */, 0, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.before);
    TearDown();
    SetUp();
    sim::SetScheduleService(true, plat::SERVICE_STOPPED, row.before);
    app::CheckSchedulerStartType();
    EXPECT_EQ(sim::ScheduleServiceStartType(), row.after);
    EXPECT_EQ(Count(sim::SchedulerCalls(), L"ChangeServiceConfig"), row.changed ? 1 : 0);
  }
}

// When the service manager refuses, the service's Start value is set instead;
// the key is never created.
TEST_F(SchedInstall, StartTypeFallsBackToTheServiceKey) {
  const std::wstring key = L"SYSTEM\\CurrentControlSet\\Services\\Schedule";
  struct Row {
    const char* what;
    bool key_exists;
    std::int32_t before;
    std::int32_t after;
  };
  const std::vector<Row> rows = {
      {"demand", true, 3, 2}, {"disabled", true, 4, 2}, {"auto", true, 2, 2}, {"no key", false, 0, 0}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    TearDown();
    SetUp();
    sim::SetScheduleService(true, plat::SERVICE_RUNNING, plat::SERVICE_DEMAND_START);
    sim::SetServiceRightsGranted(plat::SERVICE_QUERY_STATUS);  // no config rights
    if (row.key_exists) {
      infra::TRegistry reg;
      reg.SetRootKey(plat::HKEY_LOCAL_MACHINE);
      ASSERT_TRUE(reg.OpenKey(key, true));
      reg.WriteInteger(L"Start", row.before);
    }
    app::CheckSchedulerStartType();
    infra::TRegistry reg;
    reg.SetRootKey(plat::HKEY_LOCAL_MACHINE);
    EXPECT_EQ(reg.OpenKeyReadOnly(key), row.key_exists);
    if (row.key_exists) EXPECT_EQ(reg.ReadInteger(L"Start"), row.after);
    EXPECT_EQ(sim::ScheduleServiceStartType(), plat::SERVICE_DEMAND_START);
  }
}

TEST_F(SchedInstall, ServiceStateIsStoppedWhenAnythingFails) {
  sim::SetScheduleService(true, plat::SERVICE_START_PENDING, plat::SERVICE_AUTO_START);
  EXPECT_EQ(app::SchedulerServiceState(L"Schedule"), plat::SERVICE_START_PENDING);
  EXPECT_EQ(app::SchedulerServiceState(L"NoSuchService"), plat::SERVICE_STOPPED);
  sim::SetServiceRightsGranted(0);
  EXPECT_EQ(app::SchedulerServiceState(L"Schedule"), plat::SERVICE_STOPPED);
  sim::SetServiceRightsGranted(plat::SERVICE_QUERY_STATUS);
  sim::FailSchedulerStep(sim::SchedStep::QueryServiceStatus, 5, 1);
  EXPECT_EQ(app::SchedulerServiceState(L"Schedule"), plat::SERVICE_STOPPED);
  EXPECT_EQ(app::SchedulerServiceState(L"Schedule"), plat::SERVICE_START_PENDING);
}

// The program entry's elevated start: an unelevated administrator under UAC
// never goes on as the agent unless the scheduler and "runas" both fail.
TEST_F(SchedInstall, ElevatedStartDecision) {
  struct Row {
    const char* what;
    std::function<void()> world;
    bool run_as_works;
    app::ElevatedStart want;
    bool run_as_asked;
  };
  const std::vector<Row> rows = {
      {"standard user", [] { sim::MakeStandardUser(); }, true, app::ElevatedStart::NotRequired, false},
      {"elevated administrator", [] { sim::MakeElevatedAdmin(); }, true, app::ElevatedStart::NotRequired, false},
      {"UAC off",
       [] {
         sim::MakeFilteredAdmin();
         sim::SetElevation(false, plat::TokenElevationTypeDefault);
         infra::TRegistry reg;
         reg.SetRootKey(plat::HKEY_LOCAL_MACHINE);
         reg.OpenKey(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System", true);
         reg.WriteInteger(L"EnableLUA", 0);
       },
       true, app::ElevatedStart::NotRequired, false},
      {"task runs",
       [] {
         sim::MakeFilteredAdmin();
         sim::PutScheduledTask(kTask, AgentTask());
       },
       true, app::ElevatedStart::Scheduler, false},
      {"no task, runas works", [] { sim::MakeFilteredAdmin(); }, true, app::ElevatedStart::RunAs, true},
      {"service stopped, runas declined",
       [] {
         sim::MakeFilteredAdmin();
         sim::SetScheduleService(true, plat::SERVICE_STOPPED, plat::SERVICE_DISABLED);
       },
       false, app::ElevatedStart::FullFail, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    TearDown();
    SetUp();
    row.world();
    bool asked = false;
    auto outcome = app::TrySchedulerStart(L"", [&] {
      asked = true;
      return row.run_as_works;
    });
    EXPECT_EQ(outcome, row.want);
    EXPECT_EQ(asked, row.run_as_asked);
    auto log = LogLines();
    const bool required = row.want != app::ElevatedStart::NotRequired;
    EXPECT_EQ(Has(log, L"Main Parameters: LaunchThroughScheduler required"), required);
    EXPECT_EQ(Has(log, L"TrySchedulerStart\\LaunchThroughScheduler fail"), row.run_as_asked);
    EXPECT_EQ(Has(log, L"TrySchedulerStart Parameters: Full fail"), row.want == app::ElevatedStart::FullFail);
    if (!required) EXPECT_TRUE(sim::SchedulerCalls().empty());
  }
}

class SchedAutostart : public sched_test::SchedFixture {};

TEST_F(SchedAutostart, WrittenReadAndRemoved) {
  EXPECT_FALSE(app::AutostartEntryExists());
  EXPECT_TRUE(app::RemoveAutostartEntry());  // nothing to remove is fine
  {
    infra::TRegistry reg;
    EXPECT_FALSE(reg.OpenKeyReadOnly(app::kRunKeyPath));  // and creates no key
  }
  EXPECT_TRUE(app::WriteAutostartEntry());
  EXPECT_TRUE(app::AutostartEntryExists());
  EXPECT_EQ(app::AutostartEntryPath(), kProgram);
  {
    infra::TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(app::kRunKeyPath, false));
    EXPECT_EQ(reg.GetDataType(app::kAutostartValueName), infra::TRegDataType::rdString);
    reg.WriteString(L"Other program", L"C:\\other.exe");
  }
  EXPECT_TRUE(app::SetAutostartEntry(false));
  EXPECT_FALSE(app::AutostartEntryExists());
  infra::TRegistry reg;
  ASSERT_TRUE(reg.OpenKeyReadOnly(app::kRunKeyPath));
  EXPECT_EQ(reg.ReadString(L"Other program"), L"C:\\other.exe");  // other entries stay
  EXPECT_TRUE(app::SetAutostartEntry(true));
  EXPECT_EQ(app::AutostartEntryPath(), kProgram);
}

}  // namespace
