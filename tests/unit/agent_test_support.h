// Shared set-up of the agent's tests: a fresh sim world with drive C:, a clean
// logger writing into C:, the stand-in hook library, and the main form.
#pragma once
#include "errors/global_exception.h"
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "agent/vorl_folder.h"
#include "agent_fake_hook.h"
#include "infra/logger.h"
#include "infra/logger_files.h"
#include "platform/app.h"
#include "platform/process.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "sim/sim_app.h"
#include "sim/sim_files.h"
#include "sim/sim_process.h"
#include "sim/sim_registry.h"
#include "sim/sim_world.h"
#include "platform/stack_trace.h"
#include "targets/target_state.h"

namespace agent_test {

inline const std::wstring kLogFolder = L"C:\\Users\\Ann\\Documents\\Vorlune files\\Log\\";
inline const std::wstring kProgram = L"C:\\Program Files\\Vorlune Folder\\qorbin.exe";
inline const std::wstring kSettings = L"Software\\Quantrel\\Vorlune Folder\\1.0";
inline const std::wstring kPath = L"Software\\Quantrel\\Vorlune Folder\\Path";
inline const std::wstring kFilter = L"Software\\Quantrel\\Vorlune Folder\\Filter";
inline const std::wstring kRun = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr plat::RegKey HKCU = plat::HKEY_CURRENT_USER;

class AgentFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    infra::ResetLogger();
    sim::ResetWorld();
    sim::MapTempDrive(L'C');
    plat::CreateDirectories(kLogFolder);
    plat::CreateDirectories(L"C:\\Program Files\\Vorlune Folder");
    infra::SetLogFolder(kLogFolder);
    sim::SetProgramPath(kProgram);
    fake_hook::Install();
    targets::CurrentTargetWindow = 0;
    targets::CurrentTargetKind = targets::None;
    targets::AgentUiThreadId = 0;
  }
  void TearDown() override {
    form.reset();
    infra::ResetLogger();
    sim::ResetWorld();
  }

  // Creates the main form as the first instance does and runs FormCreate.
  agent::TVorlFolder& Start(const std::wstring& start_argument = L"") {
    form = std::make_unique<agent::TVorlFolder>(start_argument,
                                                plat::RegisterWindowMessageW(L"WM_QXADDFOLDER by Vorlune Folder"));
    form->FormCreate();
    return *form;
  }

  // Runs the agent's message loop for ms of virtual time (or until it ends).
  void Pump(std::uint64_t ms) {
    sim::SetLoopDeadline(ms);
    plat::Msg m;
    while (!form->Terminated() && plat::GetMessageW(m)) {
      // As the agent's loop does: what no handler caught goes to the global handler.
      try {
        plat::FaultGuard guard;
        form->ProcessMessage(m);
      } catch (...) {
        errors::GlobalException(std::current_exception());
      }
    }
  }

  // Main-log entries without their time stamps, after a flush.
  static std::vector<std::wstring> LogEntries() {
    infra::SaveAllLogs(false);
    std::string bytes;
    std::vector<std::wstring> out;
    if (!plat::ReadWholeFile(kLogFolder + L"folder.log", bytes)) return out;
    for (auto& l : infra::SplitLogLines(bytes)) out.push_back(l.size() > 8 && l[2] == L':' ? l.substr(8) : l);
    return out;
  }
  static bool LogHas(const std::wstring& text) {
    for (const auto& e : LogEntries()) {
      if (e.find(text) != std::wstring::npos) return true;
    }
    return false;
  }

  std::unique_ptr<agent::TVorlFolder> form;
};

}  // namespace agent_test
