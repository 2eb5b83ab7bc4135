// The program entry with the Task Scheduler behind it: the elevated start runs
// the agent task, "/update" installs it, "/erasefull" removes it.
#include "agent_test_support.h"
#include "app/qorbin.h"
#include "app/scheduler.h"
#include "infra/dral_utils.h"
#include "platform/atoms.h"
#include "sim/sim_app.h"
#include "sim/sim_clock.h"
#include "sim/sim_scheduler.h"
#include "sim/sim_shared_memory.h"
#include "sim/sim_window.h"
#include "sim/sim_shell_execute.h"
#include "sim/sim_system.h"

using namespace agent_test;

namespace {

class SchedEntry : public AgentFixture {
 protected:
  void SetUp() override {
    AgentFixture::SetUp();
    infra::ResetDralUtilsCaches();
    app::InstanceMarker = 0;
  }
  void TearDown() override {
    infra::ResetDralUtilsCaches();
    AgentFixture::TearDown();
  }
  int Run(std::vector<std::wstring> args) {
    sim::SetCommandLine(std::move(args));
    return app::qorbin();
  }
  static bool BecameAgent() {
    for (const auto& c : fake_hook::Calls())
      if (c.set) return true;
    return false;
  }
  static sim::SimTask AgentTask(const std::wstring& args) {
    sim::SimTask t;
    t.settings.priority = 5;
    t.settings.stop_if_going_on_batteries = false;
    t.actions = {plat::TaskExecAction{L"\"" + kProgram + L"\"", args, L""}};
    t.principal = plat::TaskPrincipal{plat::TASK_RUNLEVEL_HIGHEST, app::AgentUserAccount()};
    return t;
  }
};

// An unelevated administrator under UAC: the agent task starts the elevated
// agent and this process ends; with no usable task "runas" is next.
TEST_F(SchedEntry, UnelevatedAdministratorStartsTheAgentTask) {
  struct Case {
    const char* what;
    bool task;
    bool service_up;
    bool runas_tried;
  };
  const Case cases[] = {
      {"task registered", true, true, false},
      {"no task (an unelevated process cannot create it)", false, true, true},
      {"Schedule service stopped", true, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    sim::MakeFilteredAdmin();
    if (c.task) sim::PutScheduledTask(app::AgentTaskName(), AgentTask(L""));
    if (!c.service_up) sim::SetScheduleService(true, plat::SERVICE_STOPPED, plat::SERVICE_DEMAND_START);
    EXPECT_EQ(Run({}), 0);
    EXPECT_FALSE(BecameAgent());
    EXPECT_EQ(sim::TaskRuns().size(), c.task && c.service_up ? 1u : 0u);
    EXPECT_EQ(sim::ShellExecutions().size(), c.runas_tried ? 1u : 0u);
  }
}

// An unelevated administrator starts the program with a folder. The process
// may not change the task, so the task runs as it stood, without the folder:
// the folder is handed to the agent the task started once that agent answers
// (its hook installed); when none answers, "runas" takes the folder along.
TEST_F(SchedEntry, AFolderReachesTheAgentThatTheUnchangedTaskStarted) {
  constexpr plat::ThreadId kAgentThread = 777;
  struct Case {
    const char* what;
    std::uint64_t agent_after_ms;  // 0: no agent comes up
    std::vector<std::wstring> handed_over;
    bool runas;
  };
  const Case cases[] = {
      {"the agent answers a second after the run", 1000, {L"D:\\Work"}, false},
      {"the agent answers late but in time", 9000, {L"D:\\Work"}, false},
      {"no agent answers", 0, {}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    sim::MakeFilteredAdmin();
    sim::PutScheduledTask(app::AgentTaskName(), AgentTask(L""));
    // The elevated agent, another process, shows its window and then
    // installs its hook, which names its thread in the hook block.
    bool up = false;
    const int listener = sim::AddClockListener([&](std::uint64_t now) {
      const auto runs = sim::TaskRuns();
      if (up || c.agent_after_ms == 0 || runs.empty() || now < runs[0].at + c.agent_after_ms) return;
      up = true;
      sim::AddForeignThread(kAgentThread);
      sim::WindowSpec spec;
      spec.class_name = agent::kMainWindowClass;
      spec.text = agent::kMainWindowCaption;
      spec.thread = kAgentThread;
      sim::CreateWindow(spec);
      sim::HoldMapping(agent::kHookBlockName, agent::kHookBlockSize);
      static_cast<agent::HookSharedBlock*>(sim::MappingData(agent::kHookBlockName))->AgentThreadId = kAgentThread;
    });
    EXPECT_EQ(Run({L"D:\\Work"}), 0);
    sim::RemoveClockListener(listener);
    EXPECT_FALSE(BecameAgent());
    const auto runs = sim::TaskRuns();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].action.arguments, L"");  // the task as it stood
    std::vector<std::wstring> handed;
    for (const auto& p : sim::PostedThreadMessages()) {
      if (p.thread != kAgentThread || p.message != plat::RegisterWindowMessageW(app::kAddFolderMessageName)) continue;
      std::wstring name;
      if (plat::GlobalGetAtomNameW(static_cast<std::uint16_t>(p.wparam), name)) handed.push_back(name);
    }
    EXPECT_EQ(handed, c.handed_over);
    const auto executed = sim::ShellExecutions();
    ASSERT_EQ(executed.size(), c.runas ? 1u : 0u);
    if (c.runas) {
      EXPECT_EQ(executed[0].verb, L"runas");
      EXPECT_EQ(executed[0].parameters, L"\"D:\\Work\"");
    }
  }
}

TEST_F(SchedEntry, UpdateInstallsAndEraseRemovesTheTaskOfAnElevatedAdministrator) {
  sim::MakeElevatedAdmin();
  EXPECT_EQ(Run({L"/update"}), 0);
  auto task = sim::ScheduledTask(app::AgentTaskName());
  ASSERT_TRUE(task);
  EXPECT_EQ(task->actions, AgentTask(L"").actions);
  EXPECT_EQ(task->principal.run_level, plat::TASK_RUNLEVEL_HIGHEST);
  EXPECT_TRUE(sim::TaskRuns().empty());
  EXPECT_FALSE(BecameAgent());

  EXPECT_EQ(Run({L"/erasefull"}), 0);
  EXPECT_FALSE(sim::ScheduledTask(app::AgentTaskName()));
}

}  // namespace
