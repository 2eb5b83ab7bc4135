// Control of the simulated Task Scheduler and service control manager.
//
// The sim keeps the tasks of the root folder by name, with their definition,
// state, run times and last result; it hands out counted object references
// like the COM classes do, records every call that changes something or runs
// a task, and can be told to fail any step. A run follows a script of states
// over (virtual) time, so the polling after a run can be tested without
// waiting. As on Windows, only an elevated process (the sim's token, see
// sim_system.h) may register, replace or delete a task that runs with the
// highest run level; any process may run it.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/scheduler.h"

namespace sim {

// One task in the scheduler's root folder.
struct SimTask {
  std::wstring author;
  std::vector<plat::TaskLogonTrigger> triggers;
  plat::TaskSettings settings;
  // The actions; a task whose first action is no exec action (an e-mail or a
  // message action) is modelled with first_action_is_exec false.
  std::vector<plat::TaskExecAction> actions;
  bool first_action_is_exec = true;
  plat::TaskPrincipal principal;
  int state = plat::TASK_STATE_READY;
  double last_run_time = 0;  // DATE; 0 = never
  double next_run_time = 0;
  std::int32_t last_task_result = plat::SCHED_S_TASK_HAS_NOT_RUN;
};

// The steps that can be told to fail.
enum class SchedStep {
  CreateService,
  Connect,
  GetFolder,
  NewTask,
  GetTask,
  GetDefinition,
  EditDefinition,  // any read or write of a definition's elements
  Register,
  Delete,
  Run,
  RegisteredState,
  LastTaskResult,
  RunTimes,  // LastRunTime and NextRunTime
  RunningRefresh,
  RunningState,
  Stop,
  OpenSCManager,
  OpenService,
  QueryServiceStatus,
  QueryServiceConfig,
  ChangeServiceConfig,
};

// Makes the next `times` calls of a step fail with hr (a Win32 error for the
// service manager steps); times < 0 fails every call from now on.
void FailSchedulerStep(SchedStep step, plat::HResult hr = plat::kE_FAIL, int times = -1);

// The tasks of the root folder.
void PutScheduledTask(const std::wstring& name, const SimTask& task);
std::optional<SimTask> ScheduledTask(const std::wstring& name);

// How a task behaves once it is run: the registered task's State, the running
// task's State and the task's LastTaskResult, each as (milliseconds after the
// run, value) pairs in time order; the last reached pair holds. A run with
// empty lists keeps what the task had. Applies to every later run.
struct TaskRunScript {
  std::vector<std::pair<std::uint64_t, int>> registered_states{{0, plat::TASK_STATE_RUNNING}};
  std::vector<std::pair<std::uint64_t, int>> running_states{{0, plat::TASK_STATE_RUNNING}};
  std::vector<std::pair<std::uint64_t, std::int32_t>> last_results{{0, plat::SCHED_S_TASK_RUNNING}};
};
void SetTaskRunScript(const TaskRunScript& script);

// One run of a task: what it started, as it stood at the run.
struct SimTaskRun {
  std::wstring task;
  plat::TaskExecAction action;
  int run_level = 0;
  std::uint64_t at = 0;  // virtual tick
};
std::vector<SimTaskRun> TaskRuns();

// Every call that creates, changes, deletes, runs or stops something, in order:
// "CreateTaskService", "Connect", "GetTask NAME", "NewTask",
// "RegisterTaskDefinition NAME", "DeleteTask NAME", "Run NAME", "Stop NAME",
// "OpenSCManager", "OpenService NAME", "ChangeServiceConfig NAME START".
std::vector<std::wstring> SchedulerCalls();
// How many references are not yet released.
int LiveTaskObjects();

// The Schedule service ("Schedule"): whether it exists, its current state and
// start type, and the access rights the service manager grants this process
// on it (opening with more fails with ERROR_ACCESS_DENIED).
void SetScheduleService(bool exists, std::uint32_t state, std::uint32_t start_type);
void SetServiceRightsGranted(std::uint32_t access);
std::uint32_t ScheduleServiceStartType();
// How many service handles are open.
int OpenServiceHandles();

// The DATE value of a virtual tick (the local time of the sim clock).
double TaskDateAt(std::uint64_t tick);

}  // namespace sim
