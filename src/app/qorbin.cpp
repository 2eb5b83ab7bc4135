#include "app/qorbin.h"

#include "agent/agent_main.h"
#include "app/autostart.h"
#include "app/scheduler.h"
#include "agent/hook_block.h"
#include "agent/program_settings.h"
#include "agent/vorl_folder.h"
#include "errors/exception_trace.h"
#include "errors/global_exception.h"
#include "infra/config_folder.h"
#include "infra/dral_utils.h"
#include "infra/logger.h"
#include "infra/registry.h"
#include "platform/app.h"
#include "platform/atoms.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/shared_memory.h"
#include "platform/shell_execute.h"
#include "platform/window.h"
#include "targets/locators.h"

namespace app {

plat::Handle InstanceMarker = 0;

namespace {

// The number of "WM_QXADDFOLDER by Vorlune Folder" (the same in every process).
std::uint32_t AddFolderMessage() { return plat::RegisterWindowMessageW(kAddFolderMessageName); }

constexpr wchar_t kQuantrelKey[] = L"Software\\Quantrel";
constexpr wchar_t kInstallPageLocal[] = L"https://www.quantrel.net/intl/folder/thanks/?utm_source=folder";
constexpr wchar_t kInstallPage[] = L"https://www.quantrel.net/folder/thanks/?utm_source=folder";

// Primary languages whose users get the localised page.
constexpr std::uint32_t kLocalLanguages[] = {0x07, 0x0A, 0x0C, 0x10, 0x11, 0x12, 0x13, 0x16, 0x19, 0x1D, 0x22, 0x23};

// Deletes the key when it has no subkey left or only the subkey "Dump".
void DeleteKeyWhenEmpty(infra::TDralRegistry& reg, const std::wstring& key) {
  if (!reg.OpenKey(key, false)) return;
  std::vector<std::wstring> names = reg.GetKeyNames();
  reg.CloseKey();
  if (names.empty() || (names.size() == 1 && names[0] == L"Dump")) reg.DeleteKey(key);
}

bool RunAsElevated(const std::wstring& first_argument) {
  // The folder named on the command line goes with the elevated start.
  std::wstring parameters;
  if (!first_argument.empty()) parameters = L"\"" + first_argument + L"\"";
  if (!plat::ShellExecuteEx(L"runas", plat::ProgramPath(), parameters, plat::SW_HIDE)) return false;
  plat::SleepMs(1000);
  if (plat::Window w = plat::FindWindowW(agent::kMainWindowClass, agent::kMainWindowCaption)) {
    targets::BringWindowToFront(w);
  }
  infra::LogMessage(L"TrySchedulerStart\\ShellExecuteEx success", L"1");
  return true;
}

}  // namespace

void StartInfrastructure() {
  errors::InstallExceptionTrace();
  errors::SetMainThreadIdAtStart(plat::CurrentThreadId());
  infra::GetConfigurationFolder();
  infra::LogMessage(L"qorbin", L"Version=" + infra::GetProgramVersion());
}

void StopInfrastructure() { infra::SaveAllLogs(true); }

std::wstring CollectStartArgument(const std::vector<std::wstring>& args) {
  if (args.empty()) return L"";
  if (plat::DirectoryExists(args[0])) return args[0];
  std::wstring text;
  for (const auto& a : args) text += a + L" ";
  return text;
}

bool RestartWait() {
  for (int check = 0; check <= 40; ++check) {
    bool exists = false;
    plat::Handle h = plat::CreateFileMappingW(plat::PAGE_READWRITE, kInstanceMarkerSize, kInstanceMarkerName, &exists);
    if (h) plat::CloseMappingHandle(h);
    if (!exists) return true;
    if (check == 40) return false;
    plat::SleepMs(200);
  }
  return false;
}

namespace {

// The UI thread of the running agent as its hook block names it; 0 when no
// agent has installed its hook (the block is then made and dropped here).
plat::ThreadId HookedAgentThread() {
  plat::ThreadId target = 0;
  bool block_existed = false;
  const plat::OwnedMapping block(
      plat::CreateFileMappingW(plat::PAGE_READONLY, agent::kHookBlockSize, agent::kHookBlockName, &block_existed));
  const plat::OwnedView view(block ? plat::MapViewOfFile(block.get(), plat::FILE_MAP_READ, agent::kHookBlockSize)
                                   : nullptr);
  // A block made just now (the agent runs without its hook) holds no thread.
  if (view && block_existed) target = static_cast<const agent::HookSharedBlock*>(view.get())->AgentThreadId;
  return target;
}

bool PostFolder(plat::ThreadId target, const std::wstring& start_argument) {
  const std::wstring text = infra::TrimControls(start_argument);
  if (target == 0 || text.empty()) return false;
  const std::uint16_t atom = plat::GlobalAddAtomW(text);
  // The receiver releases the atom; one that never left is released here.
  if (atom && plat::PostThreadMessageW(target, AddFolderMessage(), atom, 0)) return true;
  if (atom) plat::GlobalDeleteAtom(atom);
  return false;
}

}  // namespace

void HandOverToRunningAgent(const std::wstring& start_argument) {
  if (start_argument.empty()) return;
  plat::ThreadId target = HookedAgentThread();
  if (target == 0) {
    if (plat::Window w = plat::FindWindowW(agent::kMainWindowClass, agent::kMainWindowCaption)) {
      target = plat::GetWindowThreadProcessId(w, nullptr);
    }
  }
  PostFolder(target, start_argument);
}

bool HandOverOnceTheAgentAnswers(const std::wstring& folder) {
  // The agent takes messages from this unelevated process only once it has
  // let them through its filter, which it does before it installs the hook:
  // its window alone is not enough, its hook block must name its thread.
  for (int check = 0; check < kHandOverChecks; ++check) {
    if (check > 0) plat::SleepMs(kHandOverCheckMs);
    if (!plat::FindWindowW(agent::kMainWindowClass, agent::kMainWindowCaption)) continue;
    if (const plat::ThreadId target = HookedAgentThread()) {
      const bool posted = PostFolder(target, folder);
      infra::LogMessage(L"TrySchedulerStart\\HandOver", posted ? L"posted" : L"post fail");
      return posted;
    }
  }
  infra::LogMessage(L"TrySchedulerStart\\HandOver", L"no agent answered");
  return false;
}

void UninstallCleanup() {
  RemoveAgentTask();
  try {
    infra::TDralRegistry reg;
    if (reg.OpenKey(agent::kProductKey, false)) {
      reg.DeleteAllValues();
      reg.CloseKey();
      reg.DeleteKey(agent::kProductKey);
    }
  } catch (const std::exception&) {}
  try {
    infra::TDralRegistry reg;
    DeleteKeyWhenEmpty(reg, agent::kProductKey);
    DeleteKeyWhenEmpty(reg, kQuantrelKey);
  } catch (const std::exception&) {}
  RemoveAutostartEntry();
}

std::wstring InstallPageAddress(const std::vector<std::uint64_t>& keyboard_layouts) {
  std::size_t examined = 0;
  for (std::uint64_t layout : keyboard_layouts) {
    if (examined++ == 16) break;
    for (std::uint32_t lang : kLocalLanguages) {
      if ((layout & 0xFF) == lang) return kInstallPageLocal;
    }
  }
  return kInstallPage;
}

bool StartedElevated(const std::wstring& first_argument) {
  switch (TrySchedulerStart(
      first_argument, [&] { return RunAsElevated(first_argument); },
      [&] { return HandOverOnceTheAgentAnswers(first_argument); })) {
    case ElevatedStart::Scheduler:
    case ElevatedStart::RunAs:
      StopInfrastructure();
      return true;
    case ElevatedStart::NotRequired:
    case ElevatedStart::FullFail:
      break;
  }
  return false;
}

int qorbin() {
  const std::vector<std::wstring> args = plat::CommandLineArgs();
  const std::wstring first = args.empty() ? L"" : args[0];
  if (first == L"/install") {
    InstallAgentTask();
    plat::ShellExecute(0, L"open", InstallPageAddress(plat::GetKeyboardLayoutList()), L"", L"", plat::SW_SHOWNORMAL);
    return 0;
  }
  if (first == L"/update") {
    InstallAgentTask();
    return 0;
  }
  if (first == L"/restart") {
    if (!RestartWait()) return 0;
  } else if (first == L"/erasefull") {
    UninstallCleanup();
    return 0;
  }

  StartInfrastructure();
  if (StartedElevated(first)) return 0;

  // The folder argument and the hand-over message go to the main form, which
  // owns them from then on.
  const std::wstring start_argument = CollectStartArgument(args);
  const std::uint32_t wm_qxaddfolder = AddFolderMessage();
  bool running = false;
  InstanceMarker = plat::CreateFileMappingW(plat::PAGE_READONLY, kInstanceMarkerSize, kInstanceMarkerName, &running);
  if (running) {
    HandOverToRunningAgent(start_argument);
    plat::CloseMappingHandle(InstanceMarker);
    InstanceMarker = 0;
    StopInfrastructure();
    return 0;
  }
  // The marker stays open until the process ends.
  return agent::AgentMain(start_argument, wm_qxaddfolder);
}

}  // namespace app
