// Follow Explorer: a file dialog that another program opens goes, once, to the
// folder of the latest Explorer window, unless the user is already at work in
// it; the program's file name stays and the dialog stays open.
#include <gtest/gtest.h>

#include <functional>

#include "agent_test_support.h"
#include "infra/text.h"
#include "platform/clock.h"
#include "platform/window.h"
#include "sim/sim_clock.h"
#include "sim/sim_window.h"

using namespace agent_test;

namespace {

constexpr std::uint32_t kFrame = plat::WS_OVERLAPPEDWINDOW | plat::WS_VISIBLE | plat::WS_CLIPSIBLINGS;

// Wine's folder window: the title shows the folder's name, the bar's edit box
// the full path.
plat::Window WineExplorer(const std::wstring& path) {
  sim::WindowSpec s;
  s.class_name = L"ExplorerWClass";
  s.text = path.substr(path.rfind(L'\\') + 1);
  s.style = kFrame;
  s.ex_style = plat::WS_EX_WINDOWEDGE;
  s.rect = {0, 0, 800, 600};
  plat::Window w = sim::CreateWindow(s);
  plat::Window edit = sim::AddChild(
      sim::AddChild(sim::AddChild(sim::AddChild(w, L"ReBarWindow32"), L"ComboBoxEx32"), L"ComboBox"), L"Edit");
  sim::SetText(edit, path);
  return w;
}

// A folder window of Windows whose title is the given text (or a window of
// another class).
plat::Window Cabinet(const std::wstring& title, const wchar_t* cls = L"CabinetWClass") {
  sim::WindowSpec s;
  s.class_name = cls;
  s.text = title;
  s.style = kFrame;
  s.ex_style = plat::WS_EX_WINDOWEDGE;
  s.rect = {0, 0, 800, 600};
  return sim::CreateWindow(s);
}

class TargetsFollowExplorer : public AgentFixture {
 protected:
  void SetUp() override {
    AgentFixture::SetUp();
    for (const wchar_t* d : {L"C:\\Data", L"C:\\Harbour", L"C:\\Projects"}) plat::CreateDirectories(d);
    sim::RegCreateKey(HKCU, kSettings);
  }
  agent::TVorlFolder& StartWith(bool follow) {
    sim::RegSetDword(HKCU, kSettings, L"FollowExplorer", follow ? 1 : 0);
    return Start();
  }
  static sim::FileDialog Dialog(const std::wstring& folder, sim::DialogStyle style = sim::DialogStyle::Classic,
                                plat::ThreadId thread = 0, std::uint32_t shown_after = 0) {
    sim::FileDialogSpec spec;
    spec.style = style;
    spec.folder = folder;
    spec.user_text = L"notes.txt";
    spec.restores_user_text = style == sim::DialogStyle::Vista;
    spec.thread = thread;
    spec.shown_after_ms = shown_after;
    return sim::CreateFileDialog(spec);
  }
  // Runs the user's action `ms` after now (while the agent waits to switch).
  static void After(std::uint64_t ms, std::function<void()> fn) { sim::At(sim::Now() + ms, std::move(fn)); }
};

}  // namespace

TEST_F(TargetsFollowExplorer, SwitchesOnceOrSaysWhyNot) {
  struct Case {
    const char* name;
    std::function<void()> world;  // Explorer windows, before the dialog opens
    std::wstring opens_on;        // the dialog's folder when it opens
    sim::DialogStyle style;
    // What the user does 50 ms after the dialog showed (the dialog, its box).
    std::function<void(const sim::FileDialog&)> user;
    std::wstring folder;            // the folder the dialog lists at the end
    const wchar_t* log;             // the log line that says what happened
    std::uint32_t shown_after = 0;  // the program fills its dialog first, then shows it
    bool wine_events = false;       // only creation and destruction are reported (Wine 8)
  };
  const auto harbour = [] { WineExplorer(L"C:\\Harbour"); };
  const Case cases[] = {
      {"a Wine Explorer window on C:\\Harbour", harbour, L"C:\\Data", sim::DialogStyle::Classic, nullptr,
       L"C:\\Harbour", L"switches"},
      {"Wine: only its creation is reported, before it is filled and shown", harbour, L"C:\\Data",
       sim::DialogStyle::Classic, nullptr, L"C:\\Harbour", L"switches", 100, true},
      {"a dialog shown a moment after it was made", harbour, L"C:\\Data", sim::DialogStyle::Classic, nullptr,
       L"C:\\Harbour", L"switches", 100},
      {"a dialog of the newer kind", [] { Cabinet(L"C:\\Harbour"); }, L"C:\\Data", sim::DialogStyle::Vista, nullptr,
       L"C:\\Harbour", L"switches"},
      {"the topmost of two Explorer windows",
       [] {
         Cabinet(L"C:\\Projects");
         Cabinet(L"C:\\Harbour");
       },
       L"C:\\Data", sim::DialogStyle::Classic, nullptr, L"C:\\Harbour", L"switches"},
      {"the one the user was in last, though another lies above it",
       [] {
         plat::Window projects = Cabinet(L"C:\\Projects");
         Cabinet(L"C:\\Harbour");
         sim::SetForeground(projects);
       },
       L"C:\\Data", sim::DialogStyle::Classic, nullptr, L"C:\\Projects", L"switches"},
      {"no Explorer window", [] { Cabinet(L"Untitled - Notepad", L"Notepad"); }, L"C:\\Data", sim::DialogStyle::Classic,
       nullptr, L"C:\\Data", L"not switched: no Explorer window"},
      {"an Explorer window that shows no folder", [] { Cabinet(L"Control Panel"); }, L"C:\\Data",
       sim::DialogStyle::Classic, nullptr, L"C:\\Data", L"shows no folder"},
      {"the dialog shows that folder already", harbour, L"C:\\Harbour", sim::DialogStyle::Classic, nullptr,
       L"C:\\Harbour", L"it shows C:\\Harbour already"},
      {"the user typed into it", harbour, L"C:\\Data", sim::DialogStyle::Classic,
       [](const sim::FileDialog& d) { sim::SetText(d.edit, L"notes2.txt"); }, L"C:\\Data",
       L"not switched: the user typed into it (\"notes.txt\" became \"notes2.txt\")"},
      {"the user chose another folder", harbour, L"C:\\Data", sim::DialogStyle::Vista,
       [](const sim::FileDialog& d) {
         sim::SetText(d.edit, L"C:\\Projects");
         plat::PostMessage(d.edit, plat::WM_KEYDOWN, plat::VK_RETURN, 0);
       },
       L"C:\\Projects", L"not switched: the user chose another folder (C:\\Projects)"},
      {"the dialog closes", harbour, L"C:\\Data", sim::DialogStyle::Classic,
       [](const sim::FileDialog& d) { sim::DestroyWindow(d.dialog); }, L"", L"not switched: the dialog is closing"},
      {"the dialog hides (ending)", harbour, L"C:\\Data", sim::DialogStyle::Classic,
       [](const sim::FileDialog& d) { plat::ShowWindow(d.dialog, plat::SW_HIDE); }, L"C:\\Data",
       L"not switched: the dialog is closing"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    StartWith(true);
    sim::SetOnlyCreateAndDestroyEvents(c.wine_events);
    c.world();
    Pump(10);
    const sim::FileDialog d = Dialog(c.opens_on, c.style, 0, c.shown_after);
    if (c.user) After(c.shown_after + 50, [&c, d] { c.user(d); });
    Pump(2000);
    EXPECT_TRUE(LogHas(c.log));
    EXPECT_TRUE(LogHas(L"a file dialog opened, Hwnd=" + targets::HandleText(d.dialog)));
    if (c.folder.empty()) continue;  // closed
    EXPECT_TRUE(infra::SameText(sim::FileDialogFolder(d.dialog), c.folder) ||
                infra::SameText(sim::FileDialogFolder(d.dialog), c.folder + L"\\"))
        << "lists " << std::string(sim::FileDialogFolder(d.dialog).begin(), sim::FileDialogFolder(d.dialog).end());
    EXPECT_TRUE(sim::FileDialogOpened(d.dialog).empty()) << "no file opened";
    EXPECT_TRUE(plat::IsWindow(d.dialog));
    if (!c.user) EXPECT_EQ(sim::Text(d.edit), L"notes.txt") << "the program's file name stays";
    const bool switched = std::wstring(c.log) == L"switches";
    EXPECT_EQ(sim::FileDialogEnters(d.dialog), switched ? 1 : (c.style == sim::DialogStyle::Vista && c.user ? 1 : 0));
  }
}

TEST_F(TargetsFollowExplorer, TheSettingOffWatchesNothingAndOptionsTurnItOnAndOff) {
  agent::TVorlFolder& f = StartWith(false);
  WineExplorer(L"C:\\Harbour");
  const sim::FileDialog first = Dialog(L"C:\\Data");
  Pump(2000);
  EXPECT_EQ(sim::WinEventHooks(), 0) << "no window events while the setting is off";
  EXPECT_EQ(sim::FileDialogFolder(first.dialog), L"C:\\Data");
  EXPECT_FALSE(LogHas(L"a file dialog opened"));

  // The options dialog turns it on: the next dialog follows.
  agent::TOptionsChoice on{f.ProgramSettings, false};
  on.settings.FollowExplorer = true;
  f.ApplyOptions(on);
  EXPECT_EQ(sim::RegGetDword(HKCU, kSettings, L"FollowExplorer"), 1u);
  const sim::FileDialog second = Dialog(L"C:\\Data");
  Pump(2000);
  EXPECT_TRUE(infra::SameText(sim::FileDialogFolder(second.dialog), L"C:\\Harbour\\"));
  EXPECT_EQ(sim::FileDialogFolder(first.dialog), L"C:\\Data") << "a dialog open before is left alone";

  // And off again.
  agent::TOptionsChoice off{f.ProgramSettings, false};
  off.settings.FollowExplorer = false;
  f.ApplyOptions(off);
  EXPECT_EQ(sim::WinEventHooks(), 0);
  const sim::FileDialog third = Dialog(L"C:\\Data");
  Pump(2000);
  EXPECT_EQ(sim::FileDialogFolder(third.dialog), L"C:\\Data");
}

TEST_F(TargetsFollowExplorer, OnceOnlyAndNeverTheAgentsOwnDialogs) {
  StartWith(true);
  WineExplorer(L"C:\\Harbour");
  // Switched once; the user goes elsewhere; the dialog hides and shows again
  // (a program that reuses it): it stays where the user put it.
  const sim::FileDialog d = Dialog(L"C:\\Data");
  Pump(2000);
  ASSERT_TRUE(infra::SameText(sim::FileDialogFolder(d.dialog), L"C:\\Harbour\\"));
  sim::SetText(d.edit, L"C:\\Projects");
  plat::PostMessage(d.edit, plat::WM_KEYDOWN, plat::VK_RETURN, 0);
  Pump(100);
  plat::ShowWindow(d.dialog, plat::SW_HIDE);
  plat::ShowWindow(d.dialog, plat::SW_SHOW);
  Pump(2000);
  EXPECT_EQ(sim::FileDialogFolder(d.dialog), L"C:\\Projects");
  EXPECT_EQ(sim::FileDialogEnters(d.dialog), 2);

  // A file dialog of the agent's own process is none of its business.
  const sim::FileDialog own = Dialog(L"C:\\Data", sim::DialogStyle::Classic, plat::CurrentThreadId());
  Pump(2000);
  EXPECT_EQ(sim::FileDialogFolder(own.dialog), L"C:\\Data");
  EXPECT_FALSE(LogHas(L"a file dialog opened, Hwnd=" + targets::HandleText(own.dialog)));
}

TEST_F(TargetsFollowExplorer, OtherDialogWindowsAreLookedAtABoundedTimeAndLeftAlone) {
  agent::TVorlFolder& f = StartWith(true);
  WineExplorer(L"C:\\Harbour");
  // A message box: a dialog window that never becomes a file dialog.
  sim::WindowSpec s;
  s.class_name = L"#32770";
  s.text = L"Question";
  s.style = plat::WS_POPUP | plat::WS_VISIBLE | plat::WS_CAPTION;
  const plat::Window box = sim::CreateWindow(s);
  sim::AddChild(box, L"Static", L"Save the changes?");
  sim::AddChild(box, L"Button", L"&Yes");
  Pump(100);
  EXPECT_TRUE(sim::TimerRunning(f.Handle, targets::TFollowExplorer::kTimerId)) << "looked at again while it fills";
  Pump(targets::TFollowExplorer::kClassifyMs + 200);
  EXPECT_FALSE(sim::TimerRunning(f.Handle, targets::TFollowExplorer::kTimerId)) << "and then no more";
  EXPECT_FALSE(LogHas(L"a file dialog opened"));
  EXPECT_TRUE(sim::Received(box).empty()) << "nothing was sent to it";
}
