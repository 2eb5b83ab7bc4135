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

TEST_F(TargetsBusyDialog, ADialogLateToItsQueueGetsTheFolderAndKeepsTheUsersText) {
  // A dialog that waits in a loop taking sent messages only answers every read
  // while what was posted to it waits. A key the agent posted while it put the
  // user's text back landed on that text (a Delete ate its first letter); an
  // Enter still queued when the text went back opened the user's file instead
  // of the folder.
  struct Case {
    const char* name;
    bool from_the_start;  // held before the Enter, or once the Enter is handled
    std::uint64_t hold_ms;
    bool text_back;
    bool vista = true;
  };
  const Case cases[] = {
      {"queue held 150 ms after the Enter", false, 150, true},
      {"queue held 800 ms after the Enter", false, 800, true},
      {"Enter held 300 ms", true, 300, true},
      {"Enter held 2 s", true, 2000, true},
      {"Enter held 2 s, before Vista", true, 2000, true, false},
      // Beyond the wait for a busy dialog the path stays in the box, and the
      // Enter opens the folder whenever the dialog gets to it.
      {"Enter held 6 s", true, 6000, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sim::SetVistaOrLater(c.vista);
    infra::ResetDralUtilsCaches();
    sim::FileDialogSpec spec;
    spec.style = c.vista ? sim::DialogStyle::Vista : sim::DialogStyle::Classic;
    spec.user_text = L"notes.txt";
    sim::FileDialog fd = sim::CreateFileDialog(spec);
    if (c.from_the_start)
      sim::SetPostedHeldUntil(fd.edit, sim::Now() + c.hold_ms);
    else
      QueueHeldAfterEnter(fd, c.hold_ms);
    targets::CurrentTargetWindow = fd.dialog;
    targets::CurrentTargetKind = targets::FileDialog;
    const auto t0 = sim::Now();
    targets::SetData(L"C:\\Windows\\System32", targets::PathMode);
    EXPECT_LE(sim::Now() - t0, 4000u + 1000u);
    plat::SleepMs(c.hold_ms + 1000);
    EXPECT_EQ(sim::FileDialogFolder(fd.dialog), L"C:\\Windows\\System32");
    EXPECT_TRUE(sim::FileDialogOpened(fd.dialog).empty()) << "the dialog opened the user's file";
    const std::wstring box = sim::Text(fd.edit);
    EXPECT_EQ(box == L"notes.txt", c.text_back) << "the box holds " << std::string(box.begin(), box.end());
    sim::DestroyWindow(fd.dialog);
  }
  sim::SetVistaOrLater(true);
}

}  // namespace
