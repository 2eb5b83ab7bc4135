// Reading the current folder of a target and navigating targets to a folder.
#include <gtest/gtest.h>

#include <algorithm>

#include "logger_test_support.h"
#include "infra/dral_utils.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/process.h"
#include "sim/sim_clock.h"
#include "sim/sim_files.h"
#include "sim/sim_os_version.h"
#include "sim/sim_shell_execute.h"
#include "sim/sim_window.h"
#include "platform/window.h"
#include "targets/get_path.h"
#include "targets/set_data.h"
#include "targets/target_state.h"

using namespace targets;

namespace {

constexpr std::uint32_t kFrame = plat::WS_OVERLAPPEDWINDOW | plat::WS_VISIBLE | plat::WS_CLIPSIBLINGS;

class TargetsNav : public logger_test::LoggerFixture {
 protected:
  void SetUp() override {
    LoggerFixture::SetUp();
    infra::ResetDralUtilsCaches();
    infra::SetLogFolder(logger_test::kFolder);
    AgentUiThreadId = plat::CurrentThreadId();
    CurrentTargetWindow = 0;
    CurrentTargetKind = None;
    for (const wchar_t* d : {L"C:\\Projects", L"C:\\Data", L"C:\\Windows\\System32"})
      ASSERT_TRUE(plat::CreateDirectories(d));
    ASSERT_TRUE(plat::WriteWholeFile(L"C:\\Data\\pack.rar", "Rar!"));
  }
  void TearDown() override {
    EXPECT_EQ(sim::AttachmentsInForce(), 0) << "an attach was left without its detach";
    LoggerFixture::TearDown();
    infra::ResetDralUtilsCaches();
  }
  // Main-log entries that contain the text.
  std::vector<std::wstring> LogWith(const std::wstring& text) {
    infra::SaveAllLogs(false);
    std::vector<std::wstring> out;
    for (auto& e : Entries(logger_test::kMain))
      if (e.find(text) != std::wstring::npos) out.push_back(e);
    std::string err;
    plat::ReadWholeFile(logger_test::kErr, err);
    return out;
  }
  bool ErrorLogHas(const std::wstring& text) {
    for (auto& l : Lines(logger_test::kErr))
      if (l.find(text) != std::wstring::npos) return true;
    return false;
  }
  static plat::Window Top(const std::wstring& cls, const std::wstring& title = L"", std::uint32_t style = kFrame,
                          std::uint32_t ex = plat::WS_EX_WINDOWEDGE, plat::Window owner = 0) {
    sim::WindowSpec s;
    s.class_name = cls;
    s.text = title;
    s.style = style;
    s.ex_style = ex;
    s.owner = owner;
    s.rect = {0, 0, 800, 600};
    return sim::CreateWindow(s);
  }
  // Bars are read into room for a path of any length (32767 characters).
  static constexpr plat::WParam kWholePath = 32768;
  static int Count(plat::Window w, std::uint32_t msg, plat::WParam wp) {
    auto r = sim::Received(w);
    return static_cast<int>(
        std::count_if(r.begin(), r.end(), [&](const sim::Msg& m) { return m.msg == msg && m.wparam == wp; }));
  }
  static void Target(plat::Window w, TargetKind k) {
    CurrentTargetWindow = w;
    CurrentTargetKind = k;
  }
};

// An Explorer-style address bar: WorkerW > ReBarWindow32 > ComboBoxEx32 > ComboBox > Edit.
plat::Window AddAddressBar(plat::Window frame, const std::wstring& text) {
  plat::Window rebar = sim::AddChild(sim::AddChild(frame, L"WorkerW"), L"ReBarWindow32");
  plat::Window edit = sim::AddChild(sim::AddChild(sim::AddChild(rebar, L"ComboBoxEx32"), L"ComboBox"), L"Edit");
  sim::SetText(edit, text);
  return edit;
}

}  // namespace

TEST_F(TargetsNav, GetPathExamples) {
  struct Case {
    const char* name;
    TargetKind kind;
    std::wstring title;
    bool bar;  // has an address bar
    std::wstring bar_text;
    std::wstring expected;
    bool bar_read;  // the address bar was asked
  };
  const Case cases[] = {
      {"explorer title is the folder", Explorer, L"C:\\Projects", true, L"C:\\Data", L"C:\\Projects", false},
      {"explorer title is a name, bar the folder", Explorer, L"Projects", true, L"C:\\Projects", L"C:\\Projects", true},
      {"explorer with neither", Explorer, L"Projects", true, L"Projects", L"", true},
      {"explorer title a missing folder, no bar", Explorer, L"C:\\Missing", false, L"", L"", false},
      {"browser title cut at ' - '", InternetExplorer, L"C:\\Projects - Windows Internet Explorer", true,
       L"http://example.com/", L"C:\\Projects", false},
      {"browser on a web page", InternetExplorer, L"Example Domain - Windows Internet Explorer", true,
       L"http://example.com/", L"", true},
      {"browser bar holds the folder", InternetExplorer, L"Projects", true, L"C:\\Projects", L"C:\\Projects", true},
      {"file dialog is never read", FileDialog, L"C:\\Projects", true, L"C:\\Projects", L"", false},
      {"desktop", Desktop, L"C:\\Projects", false, L"", L"", false},
      {"drive root passes the backslash test", Explorer, L"C:\\", false, L"", L"C:\\", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sim::ResetWorld();
    sim::MapTempDrive(L'C');
    plat::CreateDirectories(L"C:\\Projects");
    plat::CreateDirectories(L"C:\\Data");
    plat::Window w = Top(c.kind == InternetExplorer ? L"IEFrame" : L"CabinetWClass", c.title);
    plat::Window edit = c.bar ? AddAddressBar(w, c.bar_text) : 0;
    Target(w, c.kind);
    EXPECT_EQ(GetPath(), c.expected);
    if (edit) EXPECT_EQ(Count(edit, plat::WM_GETTEXT, kWholePath) > 0, c.bar_read);
    auto lines = LogWith(L"GetPath Parameters: Wnd=" + HandleText(w) + L", Path=" + c.expected);
    EXPECT_FALSE(lines.empty());
    if (!lines.empty()) EXPECT_TRUE(lines.back().ends_with(L", Path=" + c.expected));
  }
}

// The agent started by its task or the Run value has System32 as its current
// directory: a window titled "drivers" or "config" shows another folder of
// that name, which only its address bar tells.
TEST_F(TargetsNav, GetPathTakesOnlyAbsoluteTitles) {
  struct Case {
    const char* name;
    TargetKind kind;
    std::wstring title;
    std::wstring bar_text;
    std::wstring expected;
  };
  const Case cases[] = {
      {"explorer on another drivers folder", Explorer, L"drivers", L"C:\\Data\\drivers", L"C:\\Data\\drivers"},
      {"explorer on System32's own drivers", Explorer, L"drivers", L"C:\\Windows\\System32\\drivers",
       L"C:\\Windows\\System32\\drivers"},
      {"explorer on config, bar a relative name", Explorer, L"config", L"config", L""},
      {"explorer titled with a rooted path", Explorer, L"\\Data", L"C:\\Data", L"C:\\Data"},
      {"explorer titled drive-relative", Explorer, L"C:config", L"C:\\Data\\config", L"C:\\Data\\config"},
      {"browser titled config", InternetExplorer, L"config - Windows Internet Explorer", L"C:\\Data\\config",
       L"C:\\Data\\config"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sim::ResetWorld();
    sim::MapTempDrive(L'C');
    for (const wchar_t* d : {L"C:\\Windows\\System32\\drivers", L"C:\\Windows\\System32\\config", L"C:\\Data\\drivers",
                             L"C:\\Data\\config"})
      ASSERT_TRUE(plat::CreateDirectories(d));
    sim::SetCurrentDirectory(L"C:\\Windows\\System32");
    ASSERT_TRUE(plat::DirectoryExists(c.title.substr(0, c.title.find(L" - "))));  // as the system sees it
    plat::Window w = Top(c.kind == InternetExplorer ? L"IEFrame" : L"CabinetWClass", c.title);
    plat::Window edit = AddAddressBar(w, c.bar_text);
    Target(w, c.kind);
    EXPECT_EQ(GetPath(), c.expected);
    EXPECT_GT(Count(edit, plat::WM_GETTEXT, kWholePath), 0);
  }
}

TEST_F(TargetsNav, GetPathLogsBrowserBarAndNullTarget) {
  plat::Window w = Top(L"IEFrame", L"Example Domain - Windows Internet Explorer");
  plat::Window rebar = sim::AddChild(sim::AddChild(w, L"WorkerW"), L"ReBarWindow32");
  plat::Window edit = sim::AddChild(sim::AddChild(rebar, L"Address Band Root"), L"Edit");
  sim::SetText(edit, L"http://example.com/");
  Target(w, InternetExplorer);
  EXPECT_EQ(GetPath(), L"");
  EXPECT_EQ(LogWith(L"Wnd=" + HandleText(edit) + L", Path=http://example.com/").size(), 1u);

  Target(0, Explorer);
  EXPECT_EQ(GetPath(), L"");
  infra::SaveAllLogs(false);
  EXPECT_TRUE(ErrorLogHas(L"Wnd = 0"));
}

TEST_F(TargetsNav, SetDataByKind) {
  // Desktop and unknown kinds open the folder in a new window.
  for (int kind : {int(Desktop), int(None), int(BrowseDialog), 42}) {
    SCOPED_TRACE(kind);
    sim::ResetWorld();
    sim::MapTempDrive(L'C');
    Target(Top(L"Progman"), static_cast<TargetKind>(kind));
    SetData(L"C:\\Projects", PathMode);
    auto ex = sim::ShellExecutions();
    ASSERT_EQ(ex.size(), 1u);
    EXPECT_EQ(ex[0].file, L"C:\\Projects");
    EXPECT_EQ(ex[0].verb, L"");
    EXPECT_EQ(ex[0].owner, 0u);
    EXPECT_EQ(ex[0].show, plat::SW_SHOWNORMAL);
  }
  EXPECT_EQ(LogWith(L"SetData\\MenuType = Desk Parameters: Path=C:\\Projects").size(), 1u);

  // Explorer and browser windows whose bar is missing: logged, opened anew.
  struct Missing {
    TargetKind kind;
    const wchar_t* error;
  };
  for (Missing m : {Missing{Explorer, L"Expl = 0"}, Missing{InternetExplorer, L"IExp = 0"}}) {
    sim::ResetWorld();
    sim::MapTempDrive(L'C');
    Target(Top(m.kind == Explorer ? L"CabinetWClass" : L"IEFrame"), m.kind);
    SetData(L"C:\\Projects", PathMode);
    EXPECT_EQ(sim::ShellExecutions().size(), 1u);
    infra::SaveAllLogs(false);
    EXPECT_TRUE(ErrorLogHas(m.error)) << m.error;
  }

  // Explorer with a bar: the path is set and Enter posted, after the menu closed.
  sim::ResetWorld();
  sim::MapTempDrive(L'C');
  plat::Window ex = Top(L"CabinetWClass", L"Data");
  plat::Window edit = AddAddressBar(ex, L"C:\\Data");
  Target(ex, Explorer);
  SetData(L"C:\\Projects", PathMode);
  EXPECT_EQ(sim::Text(edit), L"C:\\Projects");
  EXPECT_EQ(plat::GetForegroundWindow(), ex);
  EXPECT_EQ(sim::FocusOf(plat::CurrentThreadId()), edit);
  plat::SleepMs(5);
  EXPECT_EQ(Count(edit, plat::WM_KEYDOWN, plat::VK_RETURN), 1);
  EXPECT_EQ(Count(edit, plat::WM_KEYUP, plat::VK_RETURN), 1);
  EXPECT_TRUE(sim::ShellExecutions().empty());
  EXPECT_EQ(LogWith(L"SetData Parameters: begin, type=2, Wnd=" + HandleText(ex)).size(), 1u);

  // No target at all.
  Target(0, Explorer);
  SetData(L"C:\\Projects", PathMode);
  infra::SaveAllLogs(false);
  EXPECT_TRUE(ErrorLogHas(L"Wnd = 0"));
}

TEST_F(TargetsNav, ArchiverExtractDialogs) {
  plat::Window rar = Top(L"WinRarWindow", L"WinRAR");
  plat::Window zip = Top(L"WinZipWClass", L"WinZip");
  struct Case {
    const char* name;
    TargetKind kind;
    plat::Window owner;
    bool box;
    bool arrow;
    std::wstring expected_click;  // caption of the button that must be clicked
    const wchar_t* error;
  };
  const Case cases[] = {
      {"rar: top button", RarExtractDialog, rar, true, false, L"top-last", nullptr},
      {"rar without box: still clicks", RarExtractDialog, rar, false, false, L"top-last", L"RarE = 0"},
      {"zip with arrow button", ZipExtractDialog, zip, true, true, L"->", nullptr},
      {"zip without arrow: leftmost narrow", ZipExtractDialog, zip, true, false, L"narrow-left", nullptr},
      {"zip without box", ZipExtractDialog, zip, false, false, L"narrow-left", L"ZipE = 0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    plat::Window d = Top(L"#32770", L"Extraction path and options", plat::WS_POPUP | plat::WS_VISIBLE, 0, c.owner);
    sim::SetRect(d, {100, 100, 600, 500});
    sim::AddChild(d, L"SysTreeView32", L"", {110, 200, 400, 450});
    plat::Window edit = 0;
    if (c.box) edit = sim::AddChild(sim::AddChild(d, L"ComboBox", L"", {110, 130, 400, 150}), L"Edit");
    // Buttons: two near the top (the last one wins), a wide one, two narrow ones.
    plat::Window top1 = sim::AddChild(d, L"Button", L"top-first", {420, 110, 500, 130});
    plat::Window panel = sim::AddChild(d, L"Static", L"", {100, 300, 600, 500});
    plat::Window top2 = sim::AddChild(panel, L"Button", L"top-last", {420, 310, 500, 330});
    plat::Window narrow2 = sim::AddChild(d, L"Button", L"narrow-right", {450, 460, 470, 480});
    plat::Window narrow1 = sim::AddChild(d, L"Button", L"narrow-left", {300, 460, 320, 480});
    plat::Window arrow = c.arrow ? sim::AddChild(d, L"Button", L"->", {405, 130, 440, 150}) : 0;
    Target(d, c.kind);
    SetData(L"C:\\Projects", PathMode);
    if (edit) EXPECT_EQ(sim::Text(edit), L"C:\\Projects");
    plat::SleepMs(5);
    if (edit) EXPECT_EQ(Count(edit, plat::WM_KEYDOWN, plat::VK_RETURN), 0);  // no Enter
    std::vector<std::wstring> clicked;
    for (plat::Window b : {top1, top2, narrow1, narrow2, arrow})
      if (b && Count(b, plat::BM_CLICK, 0)) clicked.push_back(sim::Text(b));
    ASSERT_EQ(clicked.size(), 1u);
    EXPECT_EQ(clicked[0], c.expected_click);
    if (c.error) {
      infra::SaveAllLogs(false);
      EXPECT_TRUE(ErrorLogHas(c.error));
    }
    sim::DestroyWindow(d);
  }
}

TEST_F(TargetsNav, FindArchiverButtonWithoutCandidates) {
  plat::Window d = Top(L"#32770", L"", plat::WS_POPUP | plat::WS_VISIBLE, 0);
  sim::SetRect(d, {0, 0, 500, 500});
  sim::AddChild(d, L"Button", L"wide and low", {10, 300, 200, 330});
  sim::AddChild(d, L"Edit", L"", {10, 5, 20, 20});  // near the top and narrow, but no button
  Target(d, ZipExtractDialog);
  EXPECT_EQ(FindArchiverButton(ButtonRule::Top), 0u);
  EXPECT_EQ(FindArchiverButton(ButtonRule::Narrow), 0u);
}

TEST_F(TargetsNav, SetPath2TypesTheLastCharacterFirst) {
  struct Case {
    std::wstring text;
    std::wstring box_after;
  };
  const Case cases[] = {
      {L"C:\\A", L"C:\\A"}, {L"D:\\Work\\Long name", L"D:\\Work\\Long name"}, {L"C", L"old"}, {L"", L"old"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text.begin(), c.text.end()));
    plat::Window d = Top(L"TTargetDlg", L"Extract");
    plat::Window edit = sim::AddChild(sim::AddChild(sim::AddChild(d, L"TPanel"), L"TIEAddress"), L"Edit");
    sim::SetText(edit, L"old");
    Target(d, AceExtractDialog);
    SetData(c.text, PathMode);
    plat::SleepMs(5);
    EXPECT_EQ(sim::Text(edit), c.box_after);
    if (c.text == L"C:\\A") {
      std::vector<std::wstring> seen;
      for (auto& m : sim::Received(edit)) {
        if (m.msg == plat::WM_SETTEXT) seen.push_back(L"set " + m.text);
        if (m.msg == plat::WM_CHAR) seen.push_back(L"char " + std::wstring(1, static_cast<wchar_t>(m.wparam)));
      }
      EXPECT_EQ(seen, (std::vector<std::wstring>{L"set A", L"char C", L"char :", L"char \\"}));
    }
    EXPECT_EQ(Count(edit, plat::WM_KEYDOWN, plat::VK_RETURN), 0);
  }
  plat::Window bare = Top(L"TTargetDlg", L"Extract");
  Target(bare, AceExtractDialog);
  SetData(L"C:\\A", PathMode);
  infra::SaveAllLogs(false);
  EXPECT_TRUE(ErrorLogHas(L"AceE = 0"));
}

TEST_F(TargetsNav, RarWindowClimbsOutOfTheArchive) {
  struct Case {
    const char* name;
    std::wstring start;
    bool list_climbs;        // Backspace in the file list goes one level up
    std::uint32_t climb_ms;  // after this long
    int backspaces;
    // After each Backspace until the box changes (at most 100 ms); then until
    // it has stayed the same for 100 ms (at most 500 ms; 1 ms when nothing
    // was climbed).
    std::uint64_t min_ms, max_ms;
  };
  const Case cases[] = {
      {"inside an archive", L"C:\\Data\\pack.rar\\docs\\deep", true, 0, 3, 100, 130},
      {"a list that climbs 60 ms after the key", L"C:\\Data\\pack.rar\\docs\\deep", true, 60, 3, 280, 310},
      {"already in a folder", L"C:\\Data", true, 0, 0, 1, 1},
      {"empty box", L"", true, 0, 0, 1, 1},
      {"list that does not react", L"C:\\Data\\pack.rar\\docs", false, 0, 1, 200, 210},
      {"not a file-system path", L"Computer", true, 0, 0, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    plat::Window rar = Top(L"WinRarWindow", L"WinRAR");
    plat::Window rebar = sim::AddChild(rar, L"ReBarWindow32");
    plat::Window edit = sim::AddChild(sim::AddChild(sim::AddChild(rebar, L"ComboBoxEx32"), L"ComboBox"), L"Edit");
    sim::SetText(edit, c.start);
    plat::Window list = sim::AddChild(rar, L"SysListView32");
    bool climbs = c.list_climbs;
    const std::uint32_t delay = c.climb_ms;
    sim::SetWindowProc(list, [edit, climbs, delay](plat::Window w, sim::Msg& m) -> plat::LResult {
      if (climbs && m.msg == plat::WM_KEYDOWN && m.wparam == plat::VK_BACK) {
        auto climb = [edit] {
          std::wstring t = sim::Text(edit);
          sim::SetText(edit, t.substr(0, t.find_last_of(L'\\')));
        };
        if (delay)
          sim::At(sim::Now() + delay, climb);
        else
          climb();
      }
      return sim::DefWindowProc(w, m);
    });
    Target(rar, RarWindow);
    const auto t0 = sim::Now();
    SetData(L"C:\\Projects", PathMode);
    EXPECT_GE(sim::Now() - t0, c.min_ms);
    EXPECT_LE(sim::Now() - t0, c.max_ms);
    plat::SleepMs(5);
    EXPECT_EQ(Count(list, plat::WM_KEYDOWN, plat::VK_BACK), c.backspaces);
    EXPECT_EQ(sim::Text(edit), L"C:\\Projects");
    EXPECT_EQ(Count(edit, plat::WM_KEYDOWN, plat::VK_RETURN), 1);
    sim::DestroyWindow(rar);
  }
}

TEST_F(TargetsNav, RarWindowGivesUpAfterElevenRounds) {
  // A list whose box keeps changing to new paths inside the archive.
  plat::Window rar = Top(L"WinRarWindow", L"WinRAR");
  plat::Window rebar = sim::AddChild(rar, L"ReBarWindow32");
  plat::Window edit = sim::AddChild(sim::AddChild(sim::AddChild(rebar, L"ComboBoxEx32"), L"ComboBox"), L"Edit");
  sim::SetText(edit, L"C:\\Data\\pack.rar\\0");
  plat::Window list = sim::AddChild(rar, L"SysListView32");
  int n = 0;
  sim::SetWindowProc(list, [&](plat::Window w, sim::Msg& m) -> plat::LResult {
    if (m.msg == plat::WM_KEYDOWN && m.wparam == plat::VK_BACK)
      sim::SetText(edit, L"C:\\Data\\pack.rar\\" + std::to_wstring(++n));
    return sim::DefWindowProc(w, m);
  });
  Target(rar, RarWindow);
  const auto t0 = sim::Now();
  SetData(L"C:\\Projects", PathMode);
  EXPECT_EQ(Count(list, plat::WM_KEYDOWN, plat::VK_BACK), 11);
  EXPECT_EQ(sim::Text(edit), L"C:\\Projects");
  EXPECT_LE(sim::Now() - t0, 11 * 100u);

  // Without its box the window is left alone.
  plat::Window bare = Top(L"WinRarWindow", L"WinRAR");
  Target(bare, RarWindow);
  SetData(L"C:\\Projects", PathMode);
  infra::SaveAllLogs(false);
  EXPECT_TRUE(ErrorLogHas(L"RarW h = 0"));
  EXPECT_TRUE(sim::ShellExecutions().empty());
}

// Wine's folder window: "ExplorerWClass" > ReBarWindow32 > ComboBoxEx32 >
// ComboBox > Edit, no WorkerW; title and edit box show the folder's name until
// the edit box gets the focus, when the window puts the full path in.
TEST_F(TargetsNav, WineFolderWindowIsReadAndNavigatedThroughItsBar) {
  struct Case {
    const char* name;
    std::wstring cls;
    bool path_on_focus;  // the window fills the box with the full path on WM_SETFOCUS
    std::wstring expected;
    int focus_messages;  // WM_SETFOCUS sent to the box
  };
  const Case cases[] = {
      {"wine window, full path on focus", L"ExplorerWClass", true, L"C:\\Projects", 1},
      {"wine window whose box keeps the name", L"ExplorerWClass", false, L"", 1},
      {"the wine layout in a Windows frame is not looked into", L"CabinetWClass", true, L"", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sim::ResetWorld();
    sim::MapTempDrive(L'C');
    plat::CreateDirectories(L"C:\\Projects");
    plat::CreateDirectories(L"C:\\Data");
    plat::Window w = Top(c.cls, L"Projects");
    plat::Window rebar = sim::AddChild(w, L"ReBarWindow32");
    plat::Window edit = sim::AddChild(sim::AddChild(sim::AddChild(rebar, L"ComboBoxEx32"), L"ComboBox"), L"Edit");
    sim::SetText(edit, L"Projects");
    const bool fill = c.path_on_focus;
    sim::SetWindowProc(edit, [fill](plat::Window self, sim::Msg& m) -> plat::LResult {
      if (m.msg == plat::WM_SETFOCUS && fill) sim::SetText(self, L"C:\\Projects");
      return sim::DefWindowProc(self, m);
    });
    Target(w, Explorer);
    EXPECT_EQ(GetPath(), c.expected);
    EXPECT_EQ(Count(edit, plat::WM_SETFOCUS, 0), c.focus_messages);

    // A favourite chosen over the window: typed into its bar where there is
    // one, else opened in a new window.
    sim::ClearReceived(edit);
    SetData(L"C:\\Data", PathMode);
    plat::SleepMs(5);
    if (c.focus_messages) {
      EXPECT_EQ(sim::Text(edit), L"C:\\Data");
      EXPECT_EQ(Count(edit, plat::WM_KEYDOWN, plat::VK_RETURN), 1);
      EXPECT_TRUE(sim::ShellExecutions().empty());
    } else {
      EXPECT_EQ(Count(edit, plat::WM_KEYDOWN, plat::VK_RETURN), 0);
      ASSERT_EQ(sim::ShellExecutions().size(), 1u);
      EXPECT_EQ(sim::ShellExecutions()[0].file, L"C:\\Data");
    }
  }
}
