// Filling a file dialog's file name box: SetDataToDialog against simulated
// dialogs that take Enter, ignore it, restore the user's text, answer slowly or
// never.
#include <gtest/gtest.h>

#include <algorithm>

#include "logger_test_support.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "infra/dral_utils.h"
#include "platform/process.h"
#include "sim/sim_clock.h"
#include "sim/sim_os_version.h"
#include "sim/sim_window.h"
#include "platform/window.h"
#include "targets/set_data.h"
#include "targets/target_state.h"

using namespace targets;

namespace {

class TargetsDialog : public logger_test::LoggerFixture {
 protected:
  void SetUp() override {
    LoggerFixture::SetUp();
    infra::ResetDralUtilsCaches();
    infra::SetLogFolder(logger_test::kFolder);
    AgentUiThreadId = plat::CurrentThreadId();
    ASSERT_TRUE(plat::CreateDirectories(L"C:\\Windows\\System32"));
    ASSERT_TRUE(plat::CreateDirectories(L"C:\\Projects"));
  }
  void TearDown() override {
    EXPECT_EQ(sim::AttachmentsInForce(), 0) << "an attach was left without its detach";
    LoggerFixture::TearDown();
    infra::ResetDralUtilsCaches();
  }
  int LogCount(const std::wstring& text) {
    infra::SaveAllLogs(false);
    int n = 0;
    for (auto& e : Entries(logger_test::kMain))
      if (e.find(text) != std::wstring::npos) ++n;
    return n;
  }
  static int Enters(plat::Window edit) {
    auto r = sim::Received(edit);
    return static_cast<int>(std::count_if(r.begin(), r.end(), [](const sim::Msg& m) {
      return m.msg == plat::WM_KEYDOWN && m.wparam == plat::VK_RETURN && m.posted;
    }));
  }
  // Runs SetData on the dialog as the menu would, and lets the dialog finish.
  std::uint64_t Navigate(const sim::FileDialog& fd, const std::wstring& text, int mode) {
    CurrentTargetWindow = fd.dialog;
    CurrentTargetKind = FileDialog;
    const auto t0 = sim::Now();
    SetData(text, mode);
    const auto spent = sim::Now() - t0;
    plat::SleepMs(1000);
    return spent;
  }
};

}  // namespace

TEST_F(TargetsDialog, DialogsThatTakeTheInput) {
  struct Case {
    const char* name;
    sim::DialogStyle style;
    bool restores;  // the dialog puts the user's text back itself
    bool vista;
    std::wstring text;
    int mode;
    std::wstring folder, filter;  // what the dialog shows afterwards
    std::wstring box;             // what its box holds afterwards
  };
  const std::wstring sys = L"C:\\Windows\\System32";
  const Case cases[] = {
      {"new style folder", sim::DialogStyle::Vista, true, true, sys, PathMode, sys, L"", L"notes.txt"},
      {"new style mask", sim::DialogStyle::Vista, true, true, L"*.txt", FilterMode, L"C:\\", L"*.txt", L"notes.txt"},
      {"classic on Vista: emptied box is refilled", sim::DialogStyle::Classic, false, true, sys, PathMode, sys, L"",
       L"notes.txt"},
      {"classic mask stays in the box until restored", sim::DialogStyle::Classic, false, true, L"*.txt", FilterMode,
       L"C:\\", L"*.txt", L"notes.txt"},
      {"classic before Vista", sim::DialogStyle::Classic, false, false, sys, PathMode, sys, L"", L"notes.txt"},
      {"office dialog keeps what it shows", sim::DialogStyle::Office, false, true, sys, PathMode, sys, L"", L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sim::SetVistaOrLater(c.vista);
    infra::ResetDralUtilsCaches();
    sim::FileDialogSpec spec;
    spec.style = c.style;
    spec.user_text = L"notes.txt";
    spec.restores_user_text = c.restores;
    sim::FileDialog fd = sim::CreateFileDialog(spec);
    Navigate(fd, c.text, c.mode);
    EXPECT_EQ(sim::FileDialogFolder(fd.dialog), c.folder);
    EXPECT_EQ(sim::FileDialogFilter(fd.dialog), c.filter);
    EXPECT_EQ(sim::Text(fd.edit), c.box);
    EXPECT_EQ(Enters(fd.edit), 1);
    EXPECT_EQ(sim::FileDialogEnters(fd.dialog), 1);
    sim::DestroyWindow(fd.dialog);
  }
  EXPECT_EQ(LogCount(L"Can't"), 0);
  EXPECT_EQ(LogCount(L"SetDataToDialog Parameters: GetText=notes.txt"), 6);
  // The polls ran with the fine timer (short sleeps that Windows would round
  // up to 15.6 ms), which ends with the run.
  EXPECT_GE(sim::MostPreciseSleepScopes(), 1);
  EXPECT_EQ(sim::PreciseSleepScopes(), 0);
}

TEST_F(TargetsDialog, TimeSpentByOneRun) {
  // No pause of its own before the Enter: a dialog that answers at once is
  // through in a few polls. A dialog that empties its box gets the user's
  // text back once the box has been left alone for 100 ms, and is watched for
  // its late rewrite until 500 ms after the restore began.
  struct Case {
    bool vista;
    bool restores;
    std::uint64_t min_ms, max_ms;
  };
  for (Case c : {Case{true, true, 5, 40}, Case{true, false, 500, 600}, Case{false, false, 500, 600}}) {
    SCOPED_TRACE(c.vista * 10 + c.restores);
    sim::SetVistaOrLater(c.vista);
    infra::ResetDralUtilsCaches();
    sim::FileDialogSpec spec;
    spec.user_text = L"notes.txt";
    spec.restores_user_text = c.restores;
    spec.navigate_delay_ms = 5;
    sim::FileDialog fd = sim::CreateFileDialog(spec);
    auto spent = Navigate(fd, L"C:\\Projects", PathMode);
    EXPECT_GE(spent, c.min_ms);
    EXPECT_LE(spent, c.max_ms);
    EXPECT_EQ(sim::FileDialogFolder(fd.dialog), L"C:\\Projects");
    EXPECT_EQ(sim::Text(fd.edit), L"notes.txt");
    if (!c.restores) {
      // The user's text is back within 150 ms of the folder, not after the watch.
      std::uint64_t back = 0;
      for (const sim::Msg& m : sim::Received(fd.edit))
        if (!back && m.msg == plat::WM_SETTEXT && m.text == L"notes.txt") back = m.time;
      EXPECT_LE(back - sim::FileDialogFolderTick(fd.dialog), 150u);
    }
    sim::DestroyWindow(fd.dialog);
  }
}

TEST_F(TargetsDialog, DialogsStillAtWorkAfterTheEnter) {
  // Dialogs that list slowly or rewrite their box late: the folder is shown
  // and the user's text is in the box once the dialog is done, with one Enter.
  struct Case {
    const char* name;
    std::uint32_t list_busy_ms;
    std::uint32_t late_rewrite_ms;
    bool late_keeps_user_text;
  };
  const Case cases[] = {
      {"busy 1.5 s listing the folder", 1500, 0, false},
      {"busy 150 ms listing the folder", 150, 0, false},
      {"empties its box 300 ms after the folder", 0, 300, false},
      {"empties its box 450 ms after the folder", 0, 450, false},
      {"empties its box 50 ms after the folder", 0, 50, false},
      {"puts the user's text back 300 ms after the folder", 0, 300, true},
      {"slow to list, then empties its box late", 400, 250, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sim::FileDialogSpec spec;
    spec.user_text = L"notes.txt";
    spec.list_busy_ms = c.list_busy_ms;
    spec.late_rewrite_ms = c.late_rewrite_ms;
    spec.late_rewrite_keeps_user_text = c.late_keeps_user_text;
    sim::FileDialog fd = sim::CreateFileDialog(spec);
    Navigate(fd, L"C:\\Windows\\System32", PathMode);
    EXPECT_EQ(sim::FileDialogFolder(fd.dialog), L"C:\\Windows\\System32");
    EXPECT_EQ(sim::Text(fd.edit), L"notes.txt");
    EXPECT_EQ(Enters(fd.edit), 1);
    sim::DestroyWindow(fd.dialog);
  }
  EXPECT_EQ(LogCount(L"Can't"), 0);
  infra::SaveAllLogs(false);
  EXPECT_TRUE(Lines(logger_test::kErr).empty());
}

TEST_F(TargetsDialog, ADialogWhoseProgramEndsMidwayIsLeftAtOnce) {
  // The target program is ended while the path goes in: the run ends soon
  // after, says so once, and reports no dialog that does not answer.
  struct Case {
    const char* name;
    std::uint32_t list_busy_ms;
    std::uint32_t killed_after_ms;
  };
  const Case cases[] = {
      {"at the first send", 0, 0},
      {"while it lists the folder after the Enter", 3000, 300},
      {"while the user's text is put back", 0, 250},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    sim::FileDialogSpec spec;
    spec.user_text = L"notes.txt";
    spec.list_busy_ms = c.list_busy_ms;
    sim::FileDialog fd = sim::CreateFileDialog(spec);
    const std::uint64_t t0 = sim::Now();
    const int listener = sim::AddClockListener([&](std::uint64_t now) {
      if (now >= t0 + c.killed_after_ms && plat::IsWindow(fd.dialog)) sim::DestroyWindow(fd.dialog);
    });
    if (c.killed_after_ms == 0) sim::DestroyWindow(fd.dialog);
    CurrentTargetWindow = fd.dialog;
    CurrentTargetKind = FileDialog;
    SetData(L"C:\\Windows\\System32", PathMode);
    const std::uint64_t spent = sim::Now() - t0;
    sim::RemoveClockListener(listener);
    EXPECT_FALSE(plat::IsWindow(fd.dialog));
    EXPECT_LE(spent, c.killed_after_ms + 300u);
    EXPECT_EQ(LogCount(L"the dialog is gone (closed, or its program ended)"), c.killed_after_ms == 0 ? 0 : 1);
    infra::SaveAllLogs(false);
    for (const auto& l : Lines(logger_test::kErr)) EXPECT_EQ(l.find(L"Not responding"), std::wstring::npos) << l;
  }
}

TEST_F(TargetsDialog, TextTypedWhileTheBoxIsWatchedStays) {
  // The user types a name of their own right after the restore: the watch for
  // the dialog's late rewrite leaves it alone.
  sim::FileDialogSpec spec;
  spec.user_text = L"notes.txt";
  sim::FileDialog fd = sim::CreateFileDialog(spec);
  const plat::Window edit = fd.edit;
  sim::At(sim::Now() + 250, [edit] { sim::SetText(edit, L"mine.txt"); });
  Navigate(fd, L"C:\\Projects", PathMode);
  EXPECT_EQ(sim::FileDialogFolder(fd.dialog), L"C:\\Projects");
  EXPECT_EQ(sim::Text(fd.edit), L"mine.txt");
}

TEST_F(TargetsDialog, EnterNotTakenIsRetriedForPathsOnly) {
  struct Case {
    int mode;
    int runs;
  };
  for (Case c : {Case{PathMode, 4}, Case{FilterMode, 1}}) {
    SCOPED_TRACE(c.mode);
    sim::FileDialogSpec spec;
    spec.user_text = L"report.doc";
    spec.enter = sim::EnterBehaviour::Ignore;
    spec.restores_user_text = true;
    sim::FileDialog fd = sim::CreateFileDialog(spec);
    const int before = LogCount(L"Can't enter ct=");
    Navigate(fd, c.mode == PathMode ? L"C:\\Projects" : L"*.txt", c.mode);
    EXPECT_EQ(Enters(fd.edit), c.runs);
    EXPECT_EQ(LogCount(L"Can't enter ct=") - before, c.mode == PathMode ? 4 : 0);
    // Either way the user's own text is back in the box, never the agent's.
    EXPECT_EQ(sim::Text(fd.edit), L"report.doc");
    EXPECT_EQ(sim::FileDialogEnters(fd.dialog), 0);
    sim::DestroyWindow(fd.dialog);
  }
  EXPECT_EQ(LogCount(L"SetDataToDialog Parameters: GetText=report.doc"), 5);
}

TEST_F(TargetsDialog, FilePathOpensTheFile) {
  ASSERT_TRUE(plat::WriteWholeFile(L"C:\\Projects\\plan.txt", "x"));
  sim::FileDialogSpec spec;
  spec.restores_user_text = true;
  sim::FileDialog fd = sim::CreateFileDialog(spec);
  Navigate(fd, L"C:\\Projects\\plan.txt", PathMode);
  EXPECT_FALSE(plat::IsWindow(fd.dialog));
}

TEST_F(TargetsDialog, ADialogThatNeverAnswersIsGivenUpQuickly) {
  for (bool vista : {true, false}) {
    SCOPED_TRACE(vista);
    sim::SetVistaOrLater(vista);
    infra::ResetDralUtilsCaches();
    sim::FileDialogSpec spec;
    spec.hung = true;
    sim::FileDialog fd = sim::CreateFileDialog(spec);
    const int timeouts = sim::TimedOutSends();
    auto spent = Navigate(fd, L"C:\\Projects", PathMode);
    EXPECT_EQ(sim::TimedOutSends() - timeouts, kDialogSilentSendsLimit);
    EXPECT_LE(spent, 50u + kDialogSilentSendsLimit * 200u);
    EXPECT_EQ(Enters(fd.edit), 0);
    sim::DestroyWindow(fd.dialog);
  }
  infra::SaveAllLogs(false);
  bool found = false;
  for (auto& l : Lines(logger_test::kErr)) found = found || l.find(L"Not responding") != std::wstring::npos;
  EXPECT_TRUE(found);
}

TEST_F(TargetsDialog, SlowButAnsweringDialogIsFilled) {
  // Every answer takes 150 ms, within the 200 ms time-out: slow, but done.
  sim::FileDialogSpec spec;
  spec.user_text = L"a.txt";
  spec.restores_user_text = true;
  sim::FileDialog fd = sim::CreateFileDialog(spec);
  sim::SetReplyDelay(fd.edit, 150);
  sim::SetReplyDelay(fd.dialog, 150);
  Navigate(fd, L"C:\\Projects", PathMode);
  EXPECT_EQ(sim::FileDialogFolder(fd.dialog), L"C:\\Projects");
  EXPECT_EQ(sim::Text(fd.edit), L"a.txt");
  EXPECT_EQ(sim::TimedOutSends(), 0);
}

TEST_F(TargetsDialog, ForegroundAndFocusRefusedAreLoggedAndTheRunGoesOn) {
  sim::FileDialogSpec spec;
  spec.user_text = L"a.txt";
  spec.restores_user_text = true;
  sim::FileDialog fd = sim::CreateFileDialog(spec);
  sim::SetForegroundRefused(true);
  Navigate(fd, L"C:\\Projects", PathMode);
  EXPECT_EQ(LogCount(L"Can't get foreground"), 1);
  EXPECT_EQ(sim::FileDialogFolder(fd.dialog), L"C:\\Projects");
}

TEST_F(TargetsDialog, NoFileNameBoxNoAction) {
  sim::WindowSpec s;
  s.class_name = L"#32770";
  s.style = plat::WS_POPUP | plat::WS_VISIBLE;
  plat::Window d = sim::CreateWindow(s);
  sim::AddChild(d, L"Edit");
  sim::AddChild(d, L"Edit");
  CurrentTargetWindow = d;
  CurrentTargetKind = FileDialog;
  SetData(L"C:\\Projects", PathMode);
  EXPECT_EQ(LogCount(L"SetDataToDialog"), 0);
  SetDataToDialog(d, L"C:\\Projects", PathMode, L"", 4);  // past the last attempt
  EXPECT_EQ(LogCount(L"SetDataToDialog"), 0);
}
