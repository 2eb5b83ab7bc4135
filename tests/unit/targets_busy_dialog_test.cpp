// A file dialog that is busy for a while after Enter (listing a big or remote
// folder) still gets the user's text back; one that stays silent is left.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "infra/dral_utils.h"
#include "logger_test_support.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/process.h"
#include "sim/sim_clock.h"
#include "sim/sim_os_version.h"
#include "sim/sim_window.h"
#include "targets/set_data.h"
#include "targets/target_state.h"

namespace {

class TargetsBusyDialog : public logger_test::LoggerFixture {
 protected:
  void SetUp() override {
    LoggerFixture::SetUp();
    infra::ResetDralUtilsCaches();
    infra::SetLogFolder(logger_test::kFolder);
    targets::AgentUiThreadId = plat::CurrentThreadId();
    ASSERT_TRUE(plat::CreateDirectories(L"C:\\Windows\\System32"));
  }
  void TearDown() override {
    LoggerFixture::TearDown();
    infra::ResetDralUtilsCaches();
  }

  // From the Enter on, the dialog answers nothing for busy_ms.
  void BusyAfterEnter(const sim::FileDialog& fd, std::uint64_t busy_ms) {
    watch_ = [this, fd, busy_ms] {
      const auto r = sim::Received(fd.edit);
      const bool entered = std::any_of(r.begin(), r.end(), [](const sim::Msg& m) {
        return m.msg == plat::WM_KEYDOWN && m.wparam == plat::VK_RETURN;
      });
      if (!entered) {
        sim::At(sim::Now() + 1, watch_);
        return;
      }
      sim::SetHung(fd.dialog, true);
      sim::SetHung(fd.edit, true);
      sim::At(sim::Now() + busy_ms, [fd] {
        sim::SetHung(fd.dialog, false);
        sim::SetHung(fd.edit, false);
      });
    };
    sim::At(sim::Now() + 1, watch_);
  }

  // From the Enter on, the dialog answers sends but gets to its posted
  // messages only hold_ms later.
  void QueueHeldAfterEnter(const sim::FileDialog& fd, std::uint64_t hold_ms) {
    watch_ = [this, fd, hold_ms] {
      const auto r = sim::Received(fd.edit);
      if (std::none_of(r.begin(), r.end(),
                       [](const sim::Msg& m) { return m.msg == plat::WM_KEYDOWN && m.wparam == plat::VK_RETURN; })) {
        sim::At(sim::Now() + 1, watch_);
        return;
      }
      sim::SetPostedHeldUntil(fd.edit, sim::Now() + hold_ms);
    };
    sim::At(sim::Now() + 1, watch_);
  }

  std::function<void()> watch_;
};

TEST_F(TargetsBusyDialog, TheUsersTextComesBackAfterTheDialogWasBusy) {
  struct Case {
    std::uint64_t busy_ms;
    bool text_back;
  };
  for (const Case c : {Case{0, true}, Case{1500, true}, Case{3500, true}, Case{20000, false}}) {
    SCOPED_TRACE(c.busy_ms);
    sim::FileDialogSpec spec;
    spec.style = sim::DialogStyle::Vista;
    spec.user_text = L"notes.txt";
    sim::FileDialog fd = sim::CreateFileDialog(spec);
    BusyAfterEnter(fd, c.busy_ms);
    targets::CurrentTargetWindow = fd.dialog;
    targets::CurrentTargetKind = targets::FileDialog;
    const auto t0 = sim::Now();
    targets::SetData(L"C:\\Windows\\System32", targets::PathMode);
    const auto spent = sim::Now() - t0;
    plat::SleepMs(c.busy_ms + 1000);
    EXPECT_EQ(sim::FileDialogFolder(fd.dialog), L"C:\\Windows\\System32");
    const std::wstring box = sim::Text(fd.edit);
    EXPECT_EQ(box == L"notes.txt", c.text_back) << "the box holds " << std::string(box.begin(), box.end());
    // Bounded: the wait after Enter, then at most a second of silence.
    EXPECT_LE(spent, 4000u + 200u + targets::kDialogSilentSendsLimit * 200u + 3000u);
    EXPECT_EQ(sim::AttachmentsInForce(), 0);
    sim::DestroyWindow(fd.dialog);
  }
}

TEST_F(TargetsBusyDialog, NoKeyOfTheAgentReachesTheBoxAfterTheUsersTextIsBack) {
  // A dialog that waits in a loop taking sent messages only gets to its posted
  // messages late: a key the agent posted while it restored the user's text
  // would land on that text (a Delete at the caret ate its first letter).
  for (const std::uint64_t hold_ms : {0u, 150u, 400u, 800u}) {
    SCOPED_TRACE(hold_ms);
    sim::FileDialogSpec spec;
    spec.style = sim::DialogStyle::Vista;
    spec.user_text = L"notes.txt";
    sim::FileDialog fd = sim::CreateFileDialog(spec);
    QueueHeldAfterEnter(fd, hold_ms);
    targets::CurrentTargetWindow = fd.dialog;
    targets::CurrentTargetKind = targets::FileDialog;
    targets::SetData(L"C:\\Windows\\System32", targets::PathMode);
    plat::SleepMs(hold_ms + 1000);
    EXPECT_EQ(sim::FileDialogFolder(fd.dialog), L"C:\\Windows\\System32");
    const std::wstring box = sim::Text(fd.edit);
    EXPECT_EQ(box, L"notes.txt") << "the box holds " << std::string(box.begin(), box.end());
    sim::DestroyWindow(fd.dialog);
  }
}

}  // namespace
