// The error dialog and the guarded message loop: an unhandled error of a
// handler reaches the global handler, shows the dialog once, and the agent
// goes on or ends as the user chose.
#include <gtest/gtest.h>

#include "agent_test_support.h"
#include "errors/error_form.h"
#include "errors/global_exception.h"
#include "errors/mail_transport.h"
#include "infra/logger_files.h"
#include "platform/atoms.h"
#include "sim/sim_error_dialog.h"
#include "sim/sim_registry.h"
#include "sim/sim_shell_execute.h"

using namespace agent_test;
using plat::ErrorDialogButton;

namespace {

class ErrorsErrorForm : public AgentFixture {
 protected:
  void SetUp() override {
    AgentFixture::SetUp();
    errors::SetMainThreadIdAtStart(plat::CurrentThreadId());
    // Nothing listens on port 1 of the loopback: every connection is refused.
    sim::RegSetString(HKCU, errors::kMailKey, L"Server", L"127.0.0.1");
    sim::RegSetString(HKCU, errors::kMailKey, L"Port", L"1");
  }
  void TearDown() override {
    errors::RemoveErrorDialog();
    AgentFixture::TearDown();
  }
  agent::TVorlFolder& StartWithDialog() {
    // The fault probe is the trigger of an unhandled error in a handler.
    sim::SetEnvironmentVariable(agent::kFaultProbeVariable, L"1");
    auto& f = Start();
    errors::InstallErrorDialog([this] { form->Terminate(); });
    return f;
  }
  void PostFault() { plat::PostThreadMessageW(plat::CurrentThreadId(), agent::WM_QXFAULTPROBE, 0, 0); }
  void PostBadAtom() { plat::PostThreadMessageW(plat::CurrentThreadId(), form->WM_QXADDFOLDER, 0x12345678, 0); }
};

// Any program may post the hand-over message: one that is no atom is
// untrusted input, logged once and ignored, never a reason for the dialog.
TEST_F(ErrorsErrorForm, AHandOverThatIsNoAtomShowsNothing) {
  auto& f = StartWithDialog();
  sim::ScriptErrorDialogClick(ErrorDialogButton::kIgnore, true);
  for (int i = 0; i < 3; ++i) PostBadAtom();
  Pump(10);
  EXPECT_TRUE(sim::ErrorDialogs().empty());
  EXPECT_FALSE(plat::FileExists(kLogFolder + infra::kGlobalErrorLogName));
  EXPECT_FALSE(f.Terminated());
  size_t lines = 0;
  for (const auto& e : LogEntries())
    lines += e.find(L"WM_QXADDFOLDER ignored: wParam is no atom") != std::wstring::npos;
  // The entry and the logger's count of its repeats.
  EXPECT_EQ(lines, 2u);
  EXPECT_TRUE(LogHas(L"WM_QXADDFOLDER ignored: wParam is no atom Count: 2"));
  EXPECT_FALSE(LogHas(L"GlobalException"));
}

TEST_F(ErrorsErrorForm, AnUnhandledErrorReachesTheDialogAndTheAgentGoesOn) {
  auto& f = StartWithDialog();
  sim::ScriptErrorDialogClick(ErrorDialogButton::kIgnore, false);
  PostFault();
  Pump(10);
  auto shown = sim::ErrorDialogs();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].texts.message.rfind(L"Access violation at address ", 0), 0u);
  EXPECT_TRUE(shown[0].checked_at_show);
  EXPECT_TRUE(shown[0].closed_by_click);
  EXPECT_EQ(shown[0].texts.caption, L"Vorlune Folder");
  EXPECT_EQ(shown[0].texts.check_box, L"&Send this error via Internet");
  EXPECT_EQ(shown[0].texts.heading, L"An error has occured during program execution:");
  EXPECT_TRUE(plat::FileExists(kLogFolder + infra::kGlobalErrorLogName));
  EXPECT_TRUE(LogHas(L"GlobalException: Access violation at address "));
  EXPECT_TRUE(LogHas(L"Error Message form Parameters: Open"));
  EXPECT_TRUE(LogHas(L"Error Message form Parameters: Click Ignore"));
  EXPECT_FALSE(f.Terminated());
  EXPECT_FALSE(errors::InExceptionHandler);

  // The loop goes on: a good hand-over still becomes a favourite.
  plat::CreateDirectories(L"C:\\Work");
  plat::PostThreadMessageW(plat::CurrentThreadId(), f.WM_QXADDFOLDER, plat::GlobalAddAtomW(L"C:\\Work"), 0);
  Pump(10);
  EXPECT_EQ(f.FavouriteNames.back(), L"C:\\Work");

  // The same dialog again for the next error; Terminate ends the agent.
  sim::ScriptErrorDialogClick(ErrorDialogButton::kTerminate, false);
  PostFault();
  Pump(10);
  EXPECT_EQ(sim::ErrorDialogs().size(), 2u);
  EXPECT_TRUE(LogHas(L"Click Terminate"));
  EXPECT_TRUE(f.Terminated());
}

TEST_F(ErrorsErrorForm, ButtonsAndTheSendBox) {
  struct Case {
    const char* what;
    std::vector<std::pair<ErrorDialogButton, bool>> clicks;
    bool terminated;
    std::vector<std::wstring> executed;  // "file parameters" of the shell
    bool connect_failed;
    std::wstring logged;
  };
  const std::wstring restart = kProgram + L" /restart";
  const std::wstring updates = std::wstring(errors::kUpdatesAddress) + L" ";
  const Case cases[] = {
      {"Ignore without the box", {{ErrorDialogButton::kIgnore, false}}, false, {}, false, L"Click Ignore"},
      {"Restart", {{ErrorDialogButton::kRestart, false}}, true, {restart}, false, L"Click restart"},
      {"Terminate", {{ErrorDialogButton::kTerminate, false}}, true, {}, false, L"Click Terminate"},
      {"Check for Updates keeps the dialog",
       {{ErrorDialogButton::kCheckForUpdates, true}, {ErrorDialogButton::kIgnore, false}},
       false,
       {updates},
       false,
       L"Click Ignore"},
      // No server: three attempts, "Connected fail", and the dialog stays
      // with "Please wait." for another try.
      {"Ignore with the box and no server",
       {{ErrorDialogButton::kIgnore, true}, {ErrorDialogButton::kIgnore, false}},
       false,
       {},
       true,
       L"Click Ignore"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    auto& f = StartWithDialog();
    const size_t executed_at_start = sim::ShellExecutions().size();
    for (const auto& [button, checked] : c.clicks) sim::ScriptErrorDialogClick(button, checked);
    PostFault();
    Pump(10);
    const auto shown = sim::ErrorDialogs();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].closed_by_click);
    EXPECT_EQ(f.Terminated(), c.terminated);
    std::vector<std::wstring> executed;
    const auto executions = sim::ShellExecutions();
    for (size_t i = executed_at_start; i < executions.size(); ++i)
      executed.push_back(executions[i].file + L" " + executions[i].parameters);
    EXPECT_EQ(executed, c.executed);
    EXPECT_EQ(shown[0].wait_shown, c.connect_failed);
    infra::SaveAllLogs(false);
    std::string bytes;
    plat::ReadWholeFile(kLogFolder + L"folder_error.log", bytes);
    bool connect_failed = false;
    for (const auto& l : infra::SplitLogLines(bytes)) connect_failed |= l.find(L"Connected fail") != std::wstring::npos;
    EXPECT_EQ(connect_failed, c.connect_failed);
    EXPECT_TRUE(LogHas(c.logged));
  }
}

}  // namespace
