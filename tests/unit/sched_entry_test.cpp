// The program entry with the Task Scheduler behind it: the elevated start runs
// the agent task, "/update" installs it, "/erasefull" removes it.
#include "agent_test_support.h"
#include "app/qorbin.h"
#include "app/scheduler.h"
#include "infra/dral_utils.h"
#include "platform/sim/sim_scheduler.h"
#include "platform/sim/sim_shell_execute.h"
#include "platform/sim/sim_system.h"

using namespace agent_test;

namespace {

class SchedEntry : public AgentFixture {
 protected:
  void SetUp() override {
    AgentFixture::SetUp();
    infra::ResetDralUtilsCaches();
    app::StartArgument.clear();
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
