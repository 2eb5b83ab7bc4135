// The elevated launch through the Task Scheduler.
//
// For an administrator under User Account Control the agent runs elevated
// without a prompt: an elevated run registers the task "Vorlune Folder-" +
// user name, which starts the program with the highest run level, and every
// later unelevated start runs that task and ends.
//
// Every operation runs on the calling thread (the UI or main thread), blocks
// it for at most about 2 seconds of run wait plus 4 seconds of stop wait, logs
// what it does with the source "LaunchThroughScheduler" / "DeleteFromScheduler"
// and never throws.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace app {

// The options of one launch; the defaults are those of the program entry.
struct SchedulerLaunch {
  std::wstring ProgramPath;        // program file to run
  std::wstring Arguments;          // command-line arguments of the action
  std::wstring WorkingDirectory;   // working directory of the action
  bool AddLogonTrigger = false;    // keep exactly one logon trigger for UserAccount
  bool FlushLogBeforeRun = false;  // SaveAllLogs(false) just before the run
  bool AcceptRunningResult = false;
  bool WaitForStop = false;  // wait up to 4 s for the task to finish
  // After a failed re-registration run the task as it stood before (see
  // LaunchThroughScheduler).
  bool RunExistingOnRegisterFailure = true;
  std::int32_t Priority = 5;
  bool RunNow = true;
  std::wstring TaskName;
  bool HighestRunLevel = true;
  std::wstring UserAccount;
};

// Creates the task, or compares an existing one with the wanted definition and
// corrects it, and with RunNow runs it. With RunNow the result tells whether
// the task was started; without it, whether the task is registered as asked.
//
// With RunExistingOnRegisterFailure a task that could not be updated (a
// process without the rights to change it) is run as it stood before; when
// the update had already removed it, the earlier definition is registered
// again first, so a failed update never loses the task.
bool LaunchThroughScheduler(const std::wstring& ProgramPath, const std::wstring& Arguments,
                            const std::wstring& WorkingDirectory, bool AddLogonTrigger, bool FlushLogBeforeRun,
                            bool AcceptRunningResult, bool WaitForStop, bool RunExistingOnRegisterFailure,
                            std::int32_t Priority, bool RunNow, const std::wstring& TaskName, bool HighestRunLevel,
                            const std::wstring& UserAccount);
bool LaunchThroughScheduler(const SchedulerLaunch& launch);
// The same; ran_as_it_stood tells whether what was started is the task as it
// stood before a failed update (its old arguments, not launch.Arguments).
bool LaunchThroughScheduler(const SchedulerLaunch& launch, bool* ran_as_it_stood);

// Deletes the task of that name from the root folder; true when it was deleted.
bool DeleteFromScheduler(const std::wstring& TaskName);

// Creates or refreshes the agent's own task (no run) when the process runs
// elevated under UAC with administrative rights or as a power user; otherwise
// does nothing.
void InstallAgentTask();

// The uninstall cleanup's delete of the agent task: only when the process runs
// elevated under UAC with administrative rights or as a power user.
void RemoveAgentTask();

// Makes the Schedule service start automatically.
void CheckSchedulerStartType();

// The service's current state as the service control manager reports it;
// SERVICE_STOPPED (1) when anything fails.
std::uint32_t SchedulerServiceState(const std::wstring& ServiceName);

// The agent task's name ("Vorlune Folder-" + user name) and account
// (computer name + "\" + user name).
std::wstring AgentTaskName();
std::wstring AgentUserAccount();

// The program entry's launch: runs the agent task elevated with the first
// command-line argument (empty when there is none), creating or correcting the
// task when the process may, and running the existing task when it may not.
// True when the elevated agent was started. When the task could only be run
// as it stood (an unelevated process may not change it), its arguments are
// the old ones: a non-empty FirstArgument is then handed to the agent through
// hand_over (which waits for the agent to answer); false when that fails.
bool LaunchAgentThroughScheduler(const std::wstring& FirstArgument, const std::function<bool()>& hand_over = nullptr);

// The elevated start of the program entry, for an unelevated administrator
// under UAC (IsUacEnabled, not IsElevated, IsAdminGroupMember):
//   NotRequired  the process is not such a start: go on as the agent;
//   Scheduler    the agent task was started: flush and stop the log
//                (SaveAllLogs(true)) and end the process;
//   RunAs        run_as() started the program elevated: the same;
//   FullFail     both failed (the user declined the prompt): go on unelevated.
// run_as is the entry's "runas" fallback: ShellExecuteExW with the verb
// "runas", the own path, SW_HIDE; on success it waits 1000 ms, brings the
// agent's window to the front, logs "TrySchedulerStart\ShellExecuteEx
// success" and returns true. hand_over is the entry's hand-over of the folder
// to the agent the task started (see LaunchAgentThroughScheduler); when it
// fails, run_as is tried, which takes the folder along.
enum class ElevatedStart { NotRequired, Scheduler, RunAs, FullFail };
ElevatedStart TrySchedulerStart(const std::wstring& FirstArgument, const std::function<bool()>& run_as,
                                const std::function<bool()>& hand_over = nullptr);

}  // namespace app
