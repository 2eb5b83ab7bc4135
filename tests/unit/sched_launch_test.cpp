// Launching the agent through the Task Scheduler: creating, comparing and
// correcting the task, running it and watching it start, and the failures.
#include <functional>

#include "sched_test_support.h"

namespace {

using sched_test::kAccount;
using sched_test::kProgram;
using sched_test::kTask;

class SchedLaunch : public sched_test::SchedFixture {};

TEST_F(SchedLaunch, NewTaskIsRegisteredAsTheAgentTaskAndRun) {
  sim::MakeElevatedAdmin();
  ASSERT_TRUE(app::LaunchThroughScheduler(EntryLaunch(L"D:\\Work")));

  auto task = sim::ScheduledTask(kTask);
  ASSERT_TRUE(task);
  sim::SimTask want = AgentTask(L"D:\\Work");
  EXPECT_EQ(task->author, want.author);
  EXPECT_TRUE(task->triggers.empty());
  EXPECT_EQ(task->settings, want.settings);
  EXPECT_EQ(task->actions, want.actions);
  EXPECT_EQ(task->principal, want.principal);

  auto runs = sim::TaskRuns();
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].action.path, L"\"" + kProgram + L"\"");
  EXPECT_EQ(runs[0].action.arguments, L"D:\\Work");
  EXPECT_EQ(runs[0].run_level, plat::TASK_RUNLEVEL_HIGHEST);

  auto log = LogLines();
  EXPECT_TRUE(Has(log, L"LaunchThroughScheduler Parameters: Start with Run"));
  EXPECT_TRUE(Has(log, L"LaunchThroughScheduler Parameters: IsNew=" + kTask));
  EXPECT_TRUE(Has(log, L"LaunchThroughScheduler Parameters: Run success 3"));
  EXPECT_TRUE(Has(log, L"LaunchThroughScheduler Parameters: Run after: Last run="));
}

TEST_F(SchedLaunch, WithoutRunNowTheTaskIsOnlyRegistered) {
  sim::MakeElevatedAdmin();
  app::SchedulerLaunch p = EntryLaunch();
  p.RunNow = false;
  p.AddLogonTrigger = true;
  EXPECT_TRUE(app::LaunchThroughScheduler(p));
  auto task = sim::ScheduledTask(kTask);
  ASSERT_TRUE(task);
  ASSERT_EQ(task->triggers.size(), 1u);
  EXPECT_EQ(task->triggers[0], (plat::TaskLogonTrigger{kAccount, L"PT0S"}));
  EXPECT_TRUE(sim::TaskRuns().empty());
  EXPECT_TRUE(Logged(L"Start"));
  EXPECT_FALSE(Logged(L"Start with Run"));
}

// Each row changes one element of a registered agent task; the launch then
// either runs it untouched or corrects, re-registers and runs it.
TEST_F(SchedLaunch, ExistingTaskIsComparedAndCorrected) {
  struct Row {
    const char* what;
    std::function<void(sim::SimTask&)> change;
    bool reregistered;
    std::wstring log;  // the line the correction writes ("" for none)
  };
  const std::wstring upper_program = L"\"C:\\PROGRAM FILES\\VORLUNE FOLDER\\QORBIN.EXE\"";
  const std::vector<Row> rows = {
      {"identical", [](sim::SimTask&) {}, false, L""},
      {"arguments differ in case", [](sim::SimTask& t) { t.actions[0].arguments = L"d:\\WORK"; }, false, L""},
      {"path differs in case", [&](sim::SimTask& t) { t.actions[0].path = upper_program; }, false, L""},
      {"working directory differs in case", [](sim::SimTask& t) { t.actions[0].working_directory = L"x"; }, true,
       L"Update workdir"},
      {"arguments differ", [](sim::SimTask& t) { t.actions[0].arguments = L"/old"; }, true, L"Update argument"},
      {"path differs", [](sim::SimTask& t) { t.actions[0].path = L"\"C:\\Old\\qorbin.exe\""; }, true,
       L"Update path: \"C:\\Old\\qorbin.exe\", new=" + kProgram},
      {"path without quotes", [](sim::SimTask& t) { t.actions[0].path = kProgram; }, true,
       L"Update path: " + kProgram + L", new=" + kProgram},
      {"priority", [](sim::SimTask& t) { t.settings.priority = 7; }, true, L"Update priority"},
      {"run level", [](sim::SimTask& t) { t.principal.run_level = plat::TASK_RUNLEVEL_LUA; }, true, L"Update level"},
      {"user differs in case", [](sim::SimTask& t) { t.principal.user_id = L"PC\\ann"; }, true, L"Update userid"},
      {"a trigger",
       [](sim::SimTask& t) {
         t.triggers.push_back({kAccount, L"PT0S"});
       },
       true, L""},
      {"stops on batteries",
       [](sim::SimTask& t) {
         t.settings.stop_if_going_on_batteries = true;
         t.settings.run_only_if_idle = true;
         t.settings.idle_stop_on_idle_end = true;
       },
       true, L""},
      {"first action is no program", [](sim::SimTask& t) { t.first_action_is_exec = false; }, true,
       L"Update path: , new=" + kProgram},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    TearDown();
    SetUp();
    sim::MakeElevatedAdmin();
    sim::SimTask old = AgentTask(L"D:\\Work");
    row.change(old);
    sim::PutScheduledTask(kTask, old);

    EXPECT_TRUE(app::LaunchThroughScheduler(EntryLaunch(L"D:\\Work")));

    auto calls = sim::SchedulerCalls();
    EXPECT_EQ(Count(calls, L"RegisterTaskDefinition"), row.reregistered ? 1 : 0);
    EXPECT_EQ(Count(calls, L"DeleteTask"), row.reregistered ? 1 : 0);
    EXPECT_EQ(Count(calls, L"Run "), 1);
    EXPECT_EQ(Logged(L"Update required"), row.reregistered);
    if (!row.log.empty()) EXPECT_TRUE(Logged(row.log));
    EXPECT_FALSE(Logged(L"IsNew="));

    auto task = sim::ScheduledTask(kTask);
    ASSERT_TRUE(task);
    if (row.reregistered) {
      // After the correction the task is the agent task in every compared element.
      sim::SimTask want = AgentTask(L"D:\\Work");
      EXPECT_EQ(task->actions, want.actions);
      EXPECT_EQ(task->principal, want.principal);
      EXPECT_EQ(task->settings.priority, 5);
      EXPECT_FALSE(task->settings.stop_if_going_on_batteries);
      EXPECT_FALSE(task->settings.run_only_if_idle);
      EXPECT_FALSE(task->settings.idle_stop_on_idle_end);
      EXPECT_TRUE(task->triggers.empty());
    } else {
      EXPECT_EQ(task->actions, old.actions);  // nothing rewritten
    }
  }
}

// How the task behaves after the run, and what the launch makes of it.
TEST_F(SchedLaunch, RunIsWatchedUntilItStartsFailsOrTimesOut) {
  using States = std::vector<std::pair<std::uint64_t, int>>;
  struct Row {
    const char* what;
    States registered;
    States running;
    bool accept_running = false;
    bool highest = true;
    bool want;
    std::wstring log;
    std::uint64_t min_ms, max_ms;  // virtual time the launch took
  };
  const int Q = plat::TASK_STATE_QUEUED, R = plat::TASK_STATE_READY, G = plat::TASK_STATE_RUNNING;
  const std::vector<Row> rows = {
      {"ready right after the run", {{0, R}}, {{0, G}}, false, true, true, L"Run success 1", 100, 100},
      {"disabled", {{0, 1}}, {{0, G}}, false, true, false, L"Run fail 1=1", 100, 100},
      {"unknown", {{0, 0}}, {{0, G}}, false, true, false, L"Run fail 1=0", 100, 100},
      {"running", {{0, G}}, {{0, G}}, false, true, true, L"Run success 3", 100, 100},
      {"instance ready", {{0, Q}}, {{0, R}}, false, true, true, L"Run success 4", 100, 100},
      {"instance gone", {{0, Q}}, {{0, 0}}, false, true, false, L"Run fail 2=0", 100, 100},
      {"starts after a second",
       {{0, Q}, {1000, G}},
       {{0, Q}, {1000, G}},
       false,
       true,
       true,
       L"Run success 3",
       1000,
       1100},
      {"queued for good", {{0, Q}}, {{0, Q}}, false, true, true, L"Run wait timeout: Last run=", 2000, 2200},
      {"running-result accepted at user level", {{0, Q}}, {{0, Q}}, true, false, true, L"Run success 2", 400, 400},
      {"running-result ignored at highest level",
       {{0, Q}},
       {{0, Q}},
       true,
       true,
       true,
       L"Run wait timeout: Last run=",
       2000,
       2200},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    TearDown();
    SetUp();
    sim::PutScheduledTask(kTask, AgentTask());
    sim::TaskRunScript script;
    script.registered_states = row.registered;
    script.running_states = row.running;
    script.last_results = {{0, plat::SCHED_S_TASK_RUNNING}};
    sim::SetTaskRunScript(script);
    app::SchedulerLaunch p = EntryLaunch();
    p.AcceptRunningResult = row.accept_running;
    p.HighestRunLevel = row.highest;
    if (!row.highest) {
      sim::SimTask t = AgentTask();
      t.principal.run_level = plat::TASK_RUNLEVEL_LUA;
      sim::PutScheduledTask(kTask, t);
    }

    const std::uint64_t start = sim::Now();
    EXPECT_EQ(app::LaunchThroughScheduler(p), row.want);
    const std::uint64_t took = sim::Now() - start;
    EXPECT_GE(took, row.min_ms);
    EXPECT_LE(took, row.max_ms);
    EXPECT_TRUE(Logged(row.log));
    EXPECT_TRUE(Logged(L"Run after: Last run="));
  }
}

TEST_F(SchedLaunch, RunWaitEndsWhenTheTaskCannotBeQueried) {
  sim::PutScheduledTask(kTask, AgentTask());
  sim::FailSchedulerStep(sim::SchedStep::RegisteredState);
  sim::FailSchedulerStep(sim::SchedStep::RunningState);
  const std::uint64_t start = sim::Now();
  EXPECT_FALSE(app::LaunchThroughScheduler(EntryLaunch()));
  EXPECT_LE(sim::Now() - start, 2200u);
  EXPECT_TRUE(Logged(L"Run wait timeout: Last run="));
  EXPECT_TRUE(Logged(L"Run after: Last run="));
}

TEST_F(SchedLaunch, DiagnosticLineNamesTimesResultAndState) {
  sim::PutScheduledTask(kTask, AgentTask());
  sim::TaskRunScript script;
  script.registered_states = {{0, plat::TASK_STATE_QUEUED}};
  script.running_states = {{0, plat::TASK_STATE_QUEUED}};
  script.last_results = {{0, plat::SCHED_S_TASK_RUNNING}};
  sim::SetTaskRunScript(script);
  EXPECT_TRUE(app::LaunchThroughScheduler(EntryLaunch()));
  const std::wstring run_date = plat::FormatTaskDate(sim::ScheduledTask(kTask)->last_run_time);
  bool found = false;
  for (const auto& l : LogLines()) {
    if (l.find(L"Run wait timeout: Last run=") == std::wstring::npos) continue;
    found = true;
    EXPECT_NE(l.find(L"Last run=" + run_date + L", next run="), std::wstring::npos) << l;
    EXPECT_NE(l.find(L", LastTaskResult=267009, LastRun=0("), std::wstring::npos) << l;
    EXPECT_NE(l.find(L"), LastRunTime="), std::wstring::npos) << l;
    EXPECT_NE(l.find(L" (" + run_date + L"), RegisteredTask.State=2"), std::wstring::npos) << l;
  }
  EXPECT_TRUE(found);
}

TEST_F(SchedLaunch, WaitForStopEndsOnSuccessOrAfterFourSeconds) {
  struct Row {
    const char* what;
    std::vector<std::pair<std::uint64_t, std::int32_t>> results;
    bool flush;
    std::wstring log;
    bool stopped;
    std::uint64_t max_ms;
  };
  const std::vector<Row> rows = {
      {"finishes", {{0, plat::SCHED_S_TASK_RUNNING}, {1500, 0}}, false, L"Stop success", false, 1700},
      {"never finishes", {{0, plat::SCHED_S_TASK_RUNNING}}, false, L"Run wait timeout 2: Last run=", false, 4300},
      {"never finishes, flushed",
       {{0, plat::SCHED_S_TASK_RUNNING}},
       true,
       L"Run wait timeout 2: Last run=",
       true,
       4300},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    TearDown();
    SetUp();
    sim::PutScheduledTask(kTask, AgentTask());
    sim::TaskRunScript script;
    script.last_results = row.results;
    sim::SetTaskRunScript(script);
    app::SchedulerLaunch p = EntryLaunch();
    p.WaitForStop = true;
    p.FlushLogBeforeRun = row.flush;
    const std::uint64_t start = sim::Now();
    EXPECT_TRUE(app::LaunchThroughScheduler(p));
    EXPECT_LE(sim::Now() - start, row.max_ms);
    EXPECT_TRUE(Logged(row.log));
    EXPECT_EQ(Count(sim::SchedulerCalls(), L"Stop "), row.stopped ? 1 : 0);
  }
}

TEST_F(SchedLaunch, StoppedServiceAndOldWindowsDoNothing) {
  struct Row {
    const char* what;
    std::function<void()> world;
    std::wstring log;  // "" : nothing logged at all
  };
  const std::vector<Row> rows = {
      {"service stopped", [] { sim::SetScheduleService(true, plat::SERVICE_STOPPED, plat::SERVICE_DEMAND_START); },
       L"Scheduler disabled 3"},
      {"service missing", [] { sim::SetScheduleService(false, 0, 0); }, L"Scheduler disabled 3"},
      {"service manager refuses", [] { sim::FailSchedulerStep(sim::SchedStep::OpenSCManager, 5); },
       L"Scheduler disabled 3"},
      {"Windows XP", [] { sim::SetVistaOrLater(false); }, L""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    TearDown();
    SetUp();
    sim::PutScheduledTask(kTask, AgentTask());
    row.world();
    EXPECT_FALSE(app::LaunchThroughScheduler(EntryLaunch()));
    EXPECT_FALSE(app::DeleteFromScheduler(kTask));
    EXPECT_EQ(Count(sim::SchedulerCalls(), L"CreateTaskService"), 0);
    EXPECT_TRUE(sim::TaskRuns().empty());
    EXPECT_TRUE(sim::ScheduledTask(kTask));
    if (row.log.empty()) {
      EXPECT_FALSE(Has(LogLines(), L"Scheduler"));
    } else {
      EXPECT_TRUE(Logged(row.log));
      EXPECT_TRUE(Has(LogLines(), L"DeleteFromScheduler Parameters: Scheduler disabled"));
    }
  }
}

TEST_F(SchedLaunch, SchedulerFailuresEndInCommonErrorAndFalse) {
  const std::vector<std::pair<const char*, sim::SchedStep>> rows = {
      {"create", sim::SchedStep::CreateService}, {"connect", sim::SchedStep::Connect},
      {"folder", sim::SchedStep::GetFolder},     {"new task", sim::SchedStep::NewTask},
      {"edit", sim::SchedStep::EditDefinition},
  };
  for (const auto& [what, step] : rows) {
    SCOPED_TRACE(what);
    TearDown();
    SetUp();
    sim::FailSchedulerStep(step, plat::kE_ACCESSDENIED);
    EXPECT_FALSE(app::LaunchThroughScheduler(EntryLaunch()));
    EXPECT_TRUE(sim::TaskRuns().empty());
    EXPECT_TRUE(Has(ErrorLogLines(), L"Function: LaunchThroughScheduler Message: Common error"));
  }
}

TEST_F(SchedLaunch, NewTaskThatCannotBeRegisteredFails) {
  sim::MakeElevatedAdmin();
  sim::FailSchedulerStep(sim::SchedStep::Register, plat::kE_ACCESSDENIED);
  EXPECT_FALSE(app::LaunchThroughScheduler(EntryLaunch()));
  EXPECT_TRUE(Logged(L"RegisterTaskDefinition fail 1"));
  EXPECT_TRUE(sim::TaskRuns().empty());
  EXPECT_FALSE(sim::ScheduledTask(kTask));
}

TEST_F(SchedLaunch, RunThatIsRefusedFails) {
  sim::PutScheduledTask(kTask, AgentTask());
  sim::FailSchedulerStep(sim::SchedStep::Run, plat::kE_ACCESSDENIED);
  EXPECT_FALSE(app::LaunchThroughScheduler(EntryLaunch()));
  EXPECT_TRUE(Logged(L"Run fail 0=0x80070005"));
}

// A process that may not change the task (the unelevated start) still gets
// the task run as it stood; an update never loses the task.
TEST_F(SchedLaunch, FailedUpdateRunsTheTaskAsItStood) {
  struct Row {
    const char* what;
    bool elevated;
    bool run_existing;
    int register_fails;  // injected failures of the registration (elevated rows)
    bool want;
    bool task_left;
    int runs;
  };
  const std::vector<Row> rows = {
      {"unelevated: run as it stood", false, true, 0, true, true, 1},
      {"unelevated, option off", false, false, 0, false, true, 0},
      {"deleted, then refused: restored and run", true, true, 1, true, true, 1},
      {"deleted, refused, option off: restored, not run", true, false, 1, false, true, 0},
      {"deleted, refused, restore refused", true, true, 2, false, false, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    TearDown();
    SetUp();
    if (row.elevated)
      sim::MakeElevatedAdmin();
    else
      sim::MakeFilteredAdmin();
    sim::SimTask old = AgentTask(L"/old");
    sim::PutScheduledTask(kTask, old);
    if (row.register_fails) sim::FailSchedulerStep(sim::SchedStep::Register, plat::kE_ACCESSDENIED, row.register_fails);
    app::SchedulerLaunch p = EntryLaunch(L"D:\\Work");
    p.RunExistingOnRegisterFailure = row.run_existing;

    EXPECT_EQ(app::LaunchThroughScheduler(p), row.want);

    auto task = sim::ScheduledTask(kTask);
    EXPECT_EQ(task.has_value(), row.task_left);
    if (task) EXPECT_EQ(task->actions, old.actions);
    auto runs = sim::TaskRuns();
    ASSERT_EQ(static_cast<int>(runs.size()), row.runs);
    if (!runs.empty()) EXPECT_EQ(runs[0].action.arguments, L"/old");
    EXPECT_EQ(Has(ErrorLogLines(), L"pRegisteredTask = nil"), !row.task_left && row.run_existing);
    // Only a process with administrative rights reports the refused registration.
    EXPECT_EQ(Logged(L"RegisterTaskDefinition fail"), row.elevated);
  }
}

TEST_F(SchedLaunch, UnelevatedProcessCannotCreateTheTask) {
  sim::MakeFilteredAdmin();
  EXPECT_FALSE(app::LaunchThroughScheduler(EntryLaunch()));
  EXPECT_FALSE(sim::ScheduledTask(kTask));
  EXPECT_TRUE(Logged(L"IsNew=" + kTask));
  EXPECT_FALSE(Logged(L"RegisterTaskDefinition fail 1"));
}

TEST_F(SchedLaunch, DeleteFromSchedulerRemovesOnlyThatTask) {
  sim::MakeElevatedAdmin();
  sim::PutScheduledTask(kTask, AgentTask());
  sim::PutScheduledTask(L"Other", AgentTask());
  EXPECT_TRUE(app::DeleteFromScheduler(kTask));
  EXPECT_FALSE(sim::ScheduledTask(kTask));
  EXPECT_TRUE(sim::ScheduledTask(L"Other"));

  EXPECT_FALSE(app::DeleteFromScheduler(kTask));
  EXPECT_TRUE(Has(LogLines(), L"DeleteFromScheduler Parameters: DeleteTask fail " + kTask));

  sim::FailSchedulerStep(sim::SchedStep::Connect, plat::kE_ACCESSDENIED);
  EXPECT_FALSE(app::DeleteFromScheduler(L"Other"));
  EXPECT_TRUE(Has(ErrorLogLines(), L"Function: DeleteFromScheduler Message: Common error"));
  EXPECT_TRUE(sim::ScheduledTask(L"Other"));
}

TEST_F(SchedLaunch, AgentLaunchQuotesAFolderWithBlanks) {
  sim::MakeElevatedAdmin();
  EXPECT_TRUE(app::LaunchAgentThroughScheduler(L"D:\\My Work"));
  EXPECT_TRUE(app::LaunchAgentThroughScheduler(L"D:\\Work"));
  auto runs = sim::TaskRuns();
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].action.arguments, L"\"D:\\My Work\"");
  EXPECT_EQ(runs[1].action.arguments, L"D:\\Work");
  EXPECT_EQ(app::AgentTaskName(), kTask);
  EXPECT_EQ(app::AgentUserAccount(), kAccount);
}

}  // namespace
