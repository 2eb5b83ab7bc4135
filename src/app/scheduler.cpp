#include "app/scheduler.h"

#include <cstdio>
#include <utility>

#include "infra/dral_utils.h"
#include "infra/logger.h"
#include "infra/registry.h"
#include "infra/text.h"
#include "infra/wow64.h"
#include "platform/clock.h"
#include "platform/process.h"
#include "platform/scheduler.h"
#include "platform/system.h"

namespace app {
namespace {

constexpr wchar_t kSource[] = L"LaunchThroughScheduler";
// Set when the last launch ran the task as it stood (a failed update).
thread_local bool t_ran_as_it_stood = false;
constexpr wchar_t kScheduleService[] = L"Schedule";
constexpr wchar_t kAuthor[] = L"Vorlune Manager";
constexpr wchar_t kTaskPrefix[] = L"Vorlune Folder-";
constexpr std::uint32_t kRunWaitMs = 2000;
constexpr std::uint32_t kStopWaitMs = 4000;
constexpr std::uint32_t kPollMs = 100;

// Errors: every step of the conversation with the Task Scheduler returns its
// HRESULT. A step whose failure ends the launch returns it at once to
// LaunchThroughScheduler or DeleteFromScheduler, which log it as "Common
// error"; a step whose failure is expected (looking a task up, reading run
// facts) is tested where it is made. Nothing here throws for control flow.

void Log(const std::wstring& text) { infra::LogMessage(kSource, text); }

bool IsServiceUp(std::uint32_t state) { return state == plat::SERVICE_START_PENDING || state == plat::SERVICE_RUNNING; }

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

std::wstring DateNumber(double date) {
  wchar_t buf[64];
  std::swprintf(buf, 64, L"%.15g", date);
  return buf;
}

std::wstring Hex(plat::HResult hr) {
  wchar_t buf[16];
  std::swprintf(buf, 16, L"0x%08X", static_cast<unsigned>(hr));
  return buf;
}

// Connects to the local Task Scheduler and opens its root folder.
struct Connection {
  plat::OwnedTaskObject service;
  plat::OwnedTaskObject folder;
};

plat::HResult Connect(Connection& c) {
  if (const plat::HResult hr = plat::CreateTaskService(c.service.Out()); plat::Failed(hr)) return hr;
  if (const plat::HResult hr = plat::TaskServiceConnect(c.service.get()); plat::Failed(hr)) return hr;
  return plat::TaskServiceGetFolder(c.service.get(), L"\\", c.folder.Out());
}

plat::HResult Register(const Connection& c, const std::wstring& name, plat::TaskObject definition,
                       plat::OwnedTaskObject* registered) {
  return plat::TaskFolderRegisterTaskDefinition(c.folder.get(), name, definition, plat::TASK_CREATE_OR_UPDATE,
                                                plat::TASK_LOGON_INTERACTIVE_TOKEN, registered->Out());
}

plat::TaskLogonTrigger LogonTrigger(const SchedulerLaunch& p) { return plat::TaskLogonTrigger{p.UserAccount, L"PT0S"}; }

plat::TaskPrincipal Principal(const SchedulerLaunch& p) {
  return plat::TaskPrincipal{p.HighestRunLevel ? plat::TASK_RUNLEVEL_HIGHEST : plat::TASK_RUNLEVEL_LUA, p.UserAccount};
}

// Fills a new definition as the agent's tasks are made.
plat::HResult FillNewDefinition(plat::TaskObject def, const SchedulerLaunch& p) {
  plat::HResult hr = plat::TaskDefinitionSetAuthor(def, kAuthor);
  if (plat::Failed(hr)) return hr;
  if (p.AddLogonTrigger) {
    long count = 0;
    hr = plat::TaskDefinitionTriggerCount(def, &count);
    if (plat::Failed(hr)) return hr;
    if (count == 0) {
      hr = plat::TaskDefinitionAddLogonTrigger(def, LogonTrigger(p));
      if (plat::Failed(hr)) return hr;
    }
  }
  plat::TaskSettings s;
  hr = plat::TaskDefinitionGetSettings(def, &s);
  if (plat::Failed(hr)) return hr;
  s.start_when_available = true;
  s.multiple_instances = plat::TASK_INSTANCES_PARALLEL;
  s.priority = p.Priority;
  s.disallow_start_if_on_batteries = false;
  s.stop_if_going_on_batteries = false;
  s.run_only_if_idle = false;
  s.idle_stop_on_idle_end = false;
  s.execution_time_limit = L"PT0S";
  hr = plat::TaskDefinitionSetSettings(def, s);
  if (plat::Failed(hr)) return hr;
  hr = plat::TaskDefinitionAddExecAction(def,
                                         plat::TaskExecAction{Quoted(p.ProgramPath), p.Arguments, p.WorkingDirectory});
  if (plat::Failed(hr)) return hr;
  return plat::TaskDefinitionSetPrincipal(def, Principal(p));
}

// Compares an existing definition with the wanted one and corrects it in
// place; *marked tells whether anything was corrected.
plat::HResult CorrectDefinition(plat::TaskObject def, const SchedulerLaunch& p, bool* marked) {
  *marked = false;

  long count = 0;
  plat::HResult hr = plat::TaskDefinitionTriggerCount(def, &count);
  if (plat::Failed(hr)) return hr;
  if (p.AddLogonTrigger && count == 0) {
    hr = plat::TaskDefinitionAddLogonTrigger(def, LogonTrigger(p));
    if (plat::Failed(hr)) return hr;
    *marked = true;
  } else if (!p.AddLogonTrigger && count > 0) {
    hr = plat::TaskDefinitionClearTriggers(def);
    if (plat::Failed(hr)) return hr;
    *marked = true;
  }

  plat::TaskPrincipal principal;
  hr = plat::TaskDefinitionGetPrincipal(def, &principal);
  if (plat::Failed(hr)) return hr;
  bool principal_changed = false;
  if ((principal.run_level == plat::TASK_RUNLEVEL_HIGHEST) != p.HighestRunLevel) {
    principal.run_level = p.HighestRunLevel ? plat::TASK_RUNLEVEL_HIGHEST : plat::TASK_RUNLEVEL_LUA;
    principal_changed = true;
    Log(L"Update level");
  }
  if (principal.user_id != p.UserAccount) {
    principal.user_id = p.UserAccount;
    principal_changed = true;
    Log(L"Update userid");
  }
  if (principal_changed) {
    hr = plat::TaskDefinitionSetPrincipal(def, principal);
    if (plat::Failed(hr)) return hr;
    *marked = true;
  }

  plat::TaskSettings settings;
  hr = plat::TaskDefinitionGetSettings(def, &settings);
  if (plat::Failed(hr)) return hr;
  bool settings_changed = false;
  if (settings.priority != p.Priority) {
    settings.priority = p.Priority;
    settings_changed = true;
    Log(L"Update priority");
  }
  if (settings.stop_if_going_on_batteries) {
    settings.stop_if_going_on_batteries = false;
    settings.run_only_if_idle = false;
    settings.idle_stop_on_idle_end = false;
    settings_changed = true;
  }
  if (settings_changed) {
    hr = plat::TaskDefinitionSetSettings(def, settings);
    if (plat::Failed(hr)) return hr;
    *marked = true;
  }

  const std::wstring wanted_path = Quoted(p.ProgramPath);
  plat::TaskExecAction action;
  if (plat::Failed(plat::TaskDefinitionGetFirstExecAction(def, &action))) {
    // No action, or a first action of another kind: the task starts nothing
    // of ours, so its actions are replaced by the program's one.
    Log(L"Update path: , new=" + p.ProgramPath);
    *marked = true;
    hr = plat::TaskDefinitionClearActions(def);
    if (plat::Failed(hr)) return hr;
    return plat::TaskDefinitionAddExecAction(def, plat::TaskExecAction{wanted_path, p.Arguments, p.WorkingDirectory});
  }
  bool action_changed = false;
  if (!infra::SameText(action.path, wanted_path)) {
    Log(L"Update path: " + action.path + L", new=" + p.ProgramPath);
    action.path = wanted_path;
    action_changed = true;
  }
  if (!infra::SameText(action.arguments, p.Arguments)) {
    action.arguments = p.Arguments;
    action_changed = true;
    Log(L"Update argument");
  }
  if (action.working_directory != p.WorkingDirectory) {
    action.working_directory = p.WorkingDirectory;
    action_changed = true;
    Log(L"Update workdir");
  }
  if (action_changed) {
    hr = plat::TaskDefinitionSetFirstExecAction(def, action);
    if (plat::Failed(hr)) return hr;
    *marked = true;
  }
  return plat::kS_OK;
}

// What the diagnostic lines of the run show, read afresh.
struct RunFacts {
  double last_run = 0;
  double next_run = 0;
  std::int32_t last_result = 0;
  int state = -1;
};

// Each fact that cannot be read keeps its default.
RunFacts ReadFacts(plat::TaskObject task) {
  RunFacts f;
  plat::RegisteredTaskGetLastRunTime(task, &f.last_run);
  plat::RegisteredTaskGetNextRunTime(task, &f.next_run);
  plat::RegisteredTaskGetLastTaskResult(task, &f.last_result);
  plat::RegisteredTaskGetState(task, &f.state);
  return f;
}

std::wstring DiagnosticLine(const std::wstring& prefix, const RunFacts& f, double remembered_last) {
  return prefix + plat::FormatTaskDate(f.last_run) + L", next run=" + plat::FormatTaskDate(f.next_run) +
         L", LastTaskResult=" + std::to_wstring(f.last_result) + L", LastRun=" + DateNumber(remembered_last) + L"(" +
         plat::FormatTaskDate(remembered_last) + L"), LastRunTime=" + DateNumber(f.last_run) + L" (" +
         plat::FormatTaskDate(f.last_run) + L"), RegisteredTask.State=" + std::to_wstring(f.state);
}

// Runs the registered task and watches it start; true when it started.
// Every wait here ends: the start is watched for 2 seconds, the stop for 4.
bool RunTask(plat::TaskObject task, const SchedulerLaunch& p) {
  double last_run = 0, next_run = 0;
  plat::RegisteredTaskGetLastRunTime(task, &last_run);
  plat::RegisteredTaskGetNextRunTime(task, &next_run);
  Log(L"Last run=" + plat::FormatTaskDate(last_run) + L" (" + DateNumber(last_run) + L"), next run=" +
      plat::FormatTaskDate(next_run));
  const double remembered_last = last_run;
  const std::uint32_t started = plat::TickCount();

  if (p.FlushLogBeforeRun) infra::SaveAllLogs(false);

  plat::OwnedTaskObject running;
  const plat::HResult run_hr = plat::RegisteredTaskRun(task, running.Out());
  if (plat::Failed(run_hr)) {
    Log(L"Run fail 0=" + Hex(run_hr));
    return false;
  }
  plat::SleepMs(kPollMs);

  bool result = false;
  for (;;) {
    bool done = false;
    {
      int state = 0;
      if (plat::Succeeded(plat::RegisteredTaskGetState(task, &state))) {
        if (state < plat::TASK_STATE_QUEUED) {
          Log(L"Run fail 1=" + std::to_wstring(state));
          done = true;
        } else if (state == plat::TASK_STATE_READY) {
          Log(L"Run success 1");
          result = done = true;
        }
        if (!done && p.AcceptRunningResult && !p.HighestRunLevel) {
          std::int32_t last_result = 0;
          if (plat::Succeeded(plat::RegisteredTaskGetLastTaskResult(task, &last_result)) &&
              last_result == plat::SCHED_S_TASK_RUNNING) {
            plat::SleepMs(300);
            Log(L"Run success 2");
            result = done = true;
          }
        }
        int running_state = 0;
        if (!done && running && plat::Succeeded(plat::RunningTaskRefresh(running.get())) &&
            plat::Succeeded(plat::RunningTaskGetState(running.get(), &running_state))) {
          if (running_state < plat::TASK_STATE_QUEUED) {
            Log(L"Run fail 2=" + std::to_wstring(running_state));
            done = true;
          } else if (running_state == plat::TASK_STATE_READY) {
            Log(L"Run success 4");
            result = done = true;
          } else if (running_state == plat::TASK_STATE_RUNNING) {
            Log(L"Run success 3");
            result = done = true;
          }
        }
      }
    }
    if (done) break;
    if (static_cast<std::uint32_t>(plat::TickCount() - started) <= kRunWaitMs) {
      plat::SleepMs(kPollMs);
      continue;
    }
    const RunFacts f = ReadFacts(task);
    Log(DiagnosticLine(L"Run wait timeout: Last run=", f, remembered_last));
    result = f.state == plat::TASK_STATE_QUEUED || f.state == plat::TASK_STATE_RUNNING;
    break;
  }
  Log(DiagnosticLine(L"Run after: Last run=", ReadFacts(task), remembered_last));

  // Waiting for the end only makes sense for a run that started.
  if (p.WaitForStop && result) {
    const std::uint32_t stop_wait = plat::TickCount();
    for (;;) {
      std::int32_t last_result = -1;
      plat::RegisteredTaskGetLastTaskResult(task, &last_result);
      if (last_result == 0) {
        Log(L"Stop success");
        break;
      }
      if (static_cast<std::uint32_t>(plat::TickCount() - stop_wait) >= kStopWaitMs) {
        const RunFacts f = ReadFacts(task);
        Log(L"Run wait timeout 2: Last run=" + plat::FormatTaskDate(f.last_run) + L", next run=" +
            plat::FormatTaskDate(f.next_run));
        if (p.FlushLogBeforeRun) plat::RegisteredTaskStop(task);
        break;
      }
      plat::SleepMs(kPollMs);
    }
  }
  return result;
}

// The launch; *launched is its result when the HRESULT is a success, a
// failed HRESULT is the step that ended it.
plat::HResult Launch(const SchedulerLaunch& p, bool* launched) {
  *launched = false;
  Connection c;
  plat::HResult hr = Connect(c);
  if (plat::Failed(hr)) return hr;

  plat::OwnedTaskObject task, def;
  // A task that is not there yet is no failure: it is made.
  plat::HResult lookup = plat::TaskFolderGetTask(c.folder.get(), p.TaskName, task.Out());
  if (plat::Succeeded(lookup)) lookup = plat::RegisteredTaskGetDefinition(task.get(), def.Out());

  if (plat::Failed(lookup)) {
    Log(L"IsNew=" + p.TaskName);
    task.reset();
    def.reset();
    hr = plat::TaskServiceNewTask(c.service.get(), def.Out());
    if (plat::Failed(hr)) return hr;
    hr = FillNewDefinition(def.get(), p);
    if (plat::Failed(hr)) return hr;
    plat::OwnedTaskObject registered;
    if (plat::Failed(Register(c, p.TaskName, def.get(), &registered))) {
      if (infra::IsRealAdmin()) Log(L"RegisterTaskDefinition fail 1");
      return plat::kS_OK;
    }
    *launched = p.RunNow ? RunTask(registered.get(), p) : true;
    return plat::kS_OK;
  }

  bool marked = false;
  hr = CorrectDefinition(def.get(), p, &marked);
  if (plat::Failed(hr)) return hr;
  if (!marked) {
    *launched = p.RunNow ? RunTask(task.get(), p) : true;
    return plat::kS_OK;
  }

  Log(L"Update required");
  // The task as it stands, kept so that a failed update can put it back.
  plat::OwnedTaskObject original;
  plat::RegisteredTaskGetDefinition(task.get(), original.Out());
  const bool deleted = plat::Succeeded(plat::TaskFolderDeleteTask(c.folder.get(), p.TaskName));
  plat::OwnedTaskObject registered;
  const plat::HResult reg_hr = Register(c, p.TaskName, def.get(), &registered);
  if (plat::Succeeded(reg_hr)) {
    *launched = p.RunNow ? RunTask(registered.get(), p) : true;
    return plat::kS_OK;
  }

  if (infra::IsRealAdmin()) Log(L"RegisterTaskDefinition fail");
  plat::OwnedTaskObject existing = std::move(task);
  if (deleted) {
    // The update removed the task and could not put the new one in place:
    // register the task as it stood, so the failed update loses nothing.
    existing.reset();
    if (original && plat::Succeeded(Register(c, p.TaskName, original.get(), &existing)))
      Log(L"Restored the previous task");
    else
      existing.reset();
  }
  if (!p.RunExistingOnRegisterFailure) return plat::kS_OK;
  if (!existing) {
    infra::LogError(kSource, L"pRegisteredTask = nil", L"", static_cast<std::uint32_t>(reg_hr), true);
    return plat::kS_OK;
  }
  if (!p.RunNow) return plat::kS_OK;
  Log(L"Run existing task");
  t_ran_as_it_stood = true;
  *launched = RunTask(existing.get(), p);
  return plat::kS_OK;
}

}  // namespace

bool LaunchThroughScheduler(const SchedulerLaunch& p, bool* ran_as_it_stood) {
  t_ran_as_it_stood = false;
  const bool started = LaunchThroughScheduler(p);
  if (ran_as_it_stood) *ran_as_it_stood = started && t_ran_as_it_stood;
  return started;
}

bool LaunchThroughScheduler(const SchedulerLaunch& p) {
  if (!infra::IsVistaOrLater()) return false;
  Log(p.RunNow ? L"Start with Run" : L"Start");
  if (!IsServiceUp(SchedulerServiceState(kScheduleService))) {
    Log(L"Scheduler disabled 3");
    return false;
  }
  try {
    bool launched = false;
    const plat::HResult hr = Launch(p, &launched);
    if (plat::Succeeded(hr)) return launched;
    infra::LogError(kSource, L"Common error", L"", static_cast<std::uint32_t>(hr), true);
  } catch (...) {
    // Not a step of the conversation (the log or the registry layer threw).
    infra::LogError(kSource, L"Common error", L"", 0, true);
  }
  return false;
}

bool LaunchThroughScheduler(const std::wstring& ProgramPath, const std::wstring& Arguments,
                            const std::wstring& WorkingDirectory, bool AddLogonTrigger, bool FlushLogBeforeRun,
                            bool AcceptRunningResult, bool WaitForStop, bool RunExistingOnRegisterFailure,
                            std::int32_t Priority, bool RunNow, const std::wstring& TaskName, bool HighestRunLevel,
                            const std::wstring& UserAccount) {
  SchedulerLaunch p;
  p.ProgramPath = ProgramPath;
  p.Arguments = Arguments;
  p.WorkingDirectory = WorkingDirectory;
  p.AddLogonTrigger = AddLogonTrigger;
  p.FlushLogBeforeRun = FlushLogBeforeRun;
  p.AcceptRunningResult = AcceptRunningResult;
  p.WaitForStop = WaitForStop;
  p.RunExistingOnRegisterFailure = RunExistingOnRegisterFailure;
  p.Priority = Priority;
  p.RunNow = RunNow;
  p.TaskName = TaskName;
  p.HighestRunLevel = HighestRunLevel;
  p.UserAccount = UserAccount;
  return LaunchThroughScheduler(p);
}

bool DeleteFromScheduler(const std::wstring& TaskName) {
  constexpr wchar_t kDelete[] = L"DeleteFromScheduler";
  if (!infra::IsVistaOrLater()) return false;
  if (!IsServiceUp(SchedulerServiceState(kScheduleService))) {
    infra::LogMessage(kDelete, L"Scheduler disabled");
    return false;
  }
  try {
    Connection c;
    const plat::HResult hr = Connect(c);
    if (plat::Failed(hr)) {
      infra::LogError(kDelete, L"Common error", L"", static_cast<std::uint32_t>(hr), true);
      return false;
    }
    if (plat::Succeeded(plat::TaskFolderDeleteTask(c.folder.get(), TaskName))) return true;
    infra::LogMessage(kDelete, L"DeleteTask fail " + TaskName);
  } catch (...) {
    infra::LogError(kDelete, L"Common error", L"", 0, true);
  }
  return false;
}

std::wstring AgentTaskName() { return kTaskPrefix + plat::CurrentUserName(); }

std::wstring AgentUserAccount() { return plat::ComputerName() + L"\\" + plat::CurrentUserName(); }

void InstallAgentTask() {
  if ((infra::IsUacEnabled() & 0xFF) == 0 || !infra::IsElevated()) return;
  const bool real_admin = infra::IsRealAdmin();
  if (!real_admin && !infra::IsPowerUser()) return;
  if (real_admin) CheckSchedulerStartType();
  LaunchThroughScheduler(plat::ProgramPath(), L"", L"", false, false, false, false, false, 5, false, AgentTaskName(),
                         true, AgentUserAccount());
}

void RemoveAgentTask() {
  if ((infra::IsUacEnabled() & 0xFF) == 0 || !infra::IsElevated()) return;
  if (!infra::IsRealAdmin() && !infra::IsPowerUser()) return;
  DeleteFromScheduler(AgentTaskName());
}

bool LaunchAgentThroughScheduler(const std::wstring& FirstArgument, const std::function<bool()>& hand_over) {
  // The action's arguments are split again when the task starts the program:
  // an argument with blanks (a folder such as C:\My Work) is quoted so that it
  // arrives as one.
  std::wstring arguments = FirstArgument;
  if (arguments.find_first_of(L" \t") != std::wstring::npos &&
      !(arguments.size() >= 2 && arguments.front() == L'"' && arguments.back() == L'"'))
    arguments = Quoted(arguments);
  SchedulerLaunch p;
  p.ProgramPath = plat::ProgramPath();
  p.Arguments = arguments;
  p.AcceptRunningResult = false;
  p.RunExistingOnRegisterFailure = true;
  p.Priority = 5;
  p.RunNow = true;
  p.TaskName = AgentTaskName();
  p.HighestRunLevel = true;
  p.UserAccount = AgentUserAccount();
  bool as_it_stood = false;
  if (!LaunchThroughScheduler(p, &as_it_stood)) return false;
  // A process that may not change the task ran it with its old arguments:
  // the folder goes to the agent once it answers, as a second start's would.
  if (as_it_stood && !FirstArgument.empty()) {
    Log(L"The task ran without the folder: hand-over");
    if (!hand_over || !hand_over()) {
      Log(L"Hand-over fail");
      return false;
    }
  }
  return true;
}

ElevatedStart TrySchedulerStart(const std::wstring& FirstArgument, const std::function<bool()>& run_as,
                                const std::function<bool()>& hand_over) {
  if ((infra::IsUacEnabled() & 0xFF) == 0 || infra::IsElevated() || !infra::IsAdminGroupMember())
    return ElevatedStart::NotRequired;
  infra::LogMessage(L"Main", L"LaunchThroughScheduler required");
  if (LaunchAgentThroughScheduler(FirstArgument, hand_over)) return ElevatedStart::Scheduler;
  infra::LogMessage(L"TrySchedulerStart\\LaunchThroughScheduler fail");
  if (run_as && run_as()) return ElevatedStart::RunAs;
  infra::LogMessage(L"TrySchedulerStart", L"Full fail");
  return ElevatedStart::FullFail;
}

std::uint32_t SchedulerServiceState(const std::wstring& ServiceName) {
  std::uint32_t error = 0;
  const plat::Handle manager = plat::OpenSCManagerW(plat::SC_MANAGER_CONNECT, &error);
  if (!manager) return plat::SERVICE_STOPPED;
  std::uint32_t state = plat::SERVICE_STOPPED;
  const plat::Handle service = plat::OpenServiceW(manager, ServiceName, plat::SERVICE_QUERY_STATUS, &error);
  if (service) {
    std::uint32_t current = 0;
    if (plat::QueryServiceStatus(service, &current, &error)) state = current;
    plat::CloseServiceHandle(service);
  }
  plat::CloseServiceHandle(manager);
  return state;
}

void CheckSchedulerStartType() {
  std::uint32_t error = 0;
  const plat::Handle manager = plat::OpenSCManagerW(plat::SC_MANAGER_CONNECT, &error);
  if (!manager) return;
  bool done = false;
  // Reading and changing the configuration need these rights; a handle with
  // query-status access alone would be refused both.
  const plat::Handle service =
      plat::OpenServiceW(manager, kScheduleService, plat::SERVICE_QUERY_CONFIG | plat::SERVICE_CHANGE_CONFIG, &error);
  if (service) {
    std::uint32_t needed = 0;
    plat::QueryServiceConfigSize(service, &needed, &error);
    std::uint32_t start_type = 0;
    if (error == plat::kERROR_INSUFFICIENT_BUFFER &&
        plat::QueryServiceConfigStartType(service, needed, &start_type, &error)) {
      if (start_type == plat::SERVICE_DEMAND_START || start_type == plat::SERVICE_DISABLED) {
        done = plat::ChangeServiceStartType(service, plat::SERVICE_AUTO_START, &error);
        if (done) infra::LogMessage(L"CheckSchedulerStartType", L"Start type set to automatic");
      } else {
        done = true;
      }
    }
  }
  if (!done) {
    // The service manager would not do it: set the start type in the
    // service's key (it takes effect at the next start of the system). The
    // key is only opened, never created.
    try {
      infra::TDralRegistry reg;
      reg.SetRootKey(plat::HKEY_LOCAL_MACHINE);
      if (reg.OpenKey(L"SYSTEM\\CurrentControlSet\\Services\\Schedule", false, infra::IsWow64()) &&
          reg.ValueExists(L"Start")) {
        const std::int32_t start = reg.ReadInteger(L"Start");
        if (start == 3 || start == 4) {
          reg.WriteInteger(L"Start", 2);
          infra::LogMessage(L"CheckSchedulerStartType", L"Start value set to automatic");
        }
      }
    } catch (...) {
      infra::LogError(L"CheckSchedulerStartType", L"Can't write value", L"Value=Start", 0, false);
    }
  }
  if (service) plat::CloseServiceHandle(service);
  plat::CloseServiceHandle(manager);
}

}  // namespace app
