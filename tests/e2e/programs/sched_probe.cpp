// Drives the scheduler operations directly and prints what they answered, so
// an e2e scenario can see what the system's Task Scheduler does with them.
//
//   sched_probe facts             the system facts the elevated start reads
//   sched_probe start             the program entry's elevated-start decision
//   sched_probe install           the agent task as InstallAgentTask makes it,
//                                 forced past its elevation test
//   sched_probe launch [ARG]      the program entry's launch (runs the task)
//   sched_probe userlevel         the task at the user's run level, run now
//   sched_probe delete            DeleteFromScheduler of the agent task
//   sched_probe starttype         CheckSchedulerStartType
//
// Every command prints "result=..." lines and ends with "done"; the log lines
// go to C:\qorbin\probe-log\folder.log.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <string>

#include "app/scheduler.h"
#include "infra/dral_utils.h"
#include "infra/logger.h"
#include "platform/process.h"

namespace {

void Print(const std::wstring& text) {
  std::fputws(text.c_str(), stdout);
  std::fputws(L"\n", stdout);
  std::fflush(stdout);
}

const wchar_t* Outcome(app::ElevatedStart e) {
  switch (e) {
    case app::ElevatedStart::NotRequired:
      return L"NotRequired";
    case app::ElevatedStart::Scheduler:
      return L"Scheduler";
    case app::ElevatedStart::RunAs:
      return L"RunAs";
    case app::ElevatedStart::FullFail:
      return L"FullFail";
  }
  return L"?";
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  infra::SetLogFolder(L"C:\\qorbin\\probe-log\\");
  const std::wstring cmd = argc > 1 ? argv[1] : L"facts";
  const DWORD started = ::GetTickCount();

  if (cmd == L"facts") {
    Print(L"IsVistaOrLater=" + std::to_wstring(infra::IsVistaOrLater()));
    Print(L"IsUacEnabled=" + std::to_wstring(infra::IsUacEnabled()));
    Print(L"IsElevated=" + std::to_wstring(infra::IsElevated()));
    Print(L"IsAdminGroupMember=" + std::to_wstring(infra::IsAdminGroupMember()));
    Print(L"IsRealAdmin=" + std::to_wstring(infra::IsRealAdmin()));
    Print(L"IsPowerUser=" + std::to_wstring(infra::IsPowerUser()));
    Print(L"ScheduleState=" + std::to_wstring(app::SchedulerServiceState(L"Schedule")));
    Print(L"TaskName=" + app::AgentTaskName());
    Print(L"Account=" + app::AgentUserAccount());
  } else if (cmd == L"start") {
    bool asked = false;
    auto e = app::TrySchedulerStart(argc > 2 ? argv[2] : L"", [&] {
      asked = true;
      return false;  // the probe never asks for a prompt
    });
    Print(std::wstring(L"result=") + Outcome(e));
    Print(L"runas_asked=" + std::to_wstring(asked));
  } else if (cmd == L"install") {
    // InstallAgentTask's own call, without its test for an elevated process.
    const bool ok = app::LaunchThroughScheduler(plat::ProgramPath(), L"", L"", false, false, false, false, false, 5,
                                                false, app::AgentTaskName(), true, app::AgentUserAccount());
    Print(L"result=" + std::to_wstring(ok));
  } else if (cmd == L"userlevel") {
    // The same task at the user's run level, run now: how far the system's
    // scheduler takes a task it can represent.
    const bool ok = app::LaunchThroughScheduler(plat::ProgramPath(), L"facts", L"", false, false, true, false, true, 5,
                                                true, app::AgentTaskName(), false, app::AgentUserAccount());
    Print(L"result=" + std::to_wstring(ok));
  } else if (cmd == L"launch") {
    const bool ok = app::LaunchAgentThroughScheduler(argc > 2 ? argv[2] : L"");
    Print(L"result=" + std::to_wstring(ok));
  } else if (cmd == L"delete") {
    Print(L"result=" + std::to_wstring(app::DeleteFromScheduler(app::AgentTaskName())));
  } else if (cmd == L"starttype") {
    app::CheckSchedulerStartType();
    Print(L"result=done");
  } else {
    Print(L"unknown command " + cmd);
    return 2;
  }
  Print(L"elapsed_ms=" + std::to_wstring(::GetTickCount() - started));
  infra::SaveAllLogs(true);
  Print(L"done");
  return 0;
}
