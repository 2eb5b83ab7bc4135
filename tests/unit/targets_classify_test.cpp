// Classification of target windows and the control locators.
#include <gtest/gtest.h>

#include "platform/clock.h"
#include "infra/dral_utils.h"
#include "platform/process.h"
#include "sim/sim_os_version.h"
#include "sim/sim_window.h"
#include "sim/sim_world.h"
#include "platform/window.h"
#include "targets/classify.h"
#include "targets/locators.h"
#include "targets/target_state.h"

using namespace targets;

namespace {

constexpr std::uint32_t kFrame = plat::WS_OVERLAPPEDWINDOW | plat::WS_VISIBLE | plat::WS_CLIPSIBLINGS;

plat::Window Top(const std::wstring& cls, std::uint32_t style = plat::WS_POPUP | plat::WS_VISIBLE, std::uint32_t ex = 0,
                 plat::Window owner = 0) {
  sim::WindowSpec s;
  s.class_name = cls;
  s.style = style;
  s.ex_style = ex;
  s.owner = owner;
  s.rect = {0, 0, 800, 600};
  return sim::CreateWindow(s);
}

class TargetsClassify : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::ResetWorld();
    infra::ResetDralUtilsCaches();
    AgentUiThreadId = plat::CurrentThreadId();
  }
  void TearDown() override {
    sim::ResetWorld();
    infra::ResetDralUtilsCaches();
  }
};

}  // namespace

TEST_F(TargetsClassify, FileDialogRules) {
  struct Case {
    const char* name;
    std::wstring cls;
    std::vector<std::wstring> children;
    std::uint32_t style;
    std::uint32_t ex;
    bool vista;
    bool expected;
  };
  const std::uint32_t dlg = plat::WS_POPUP | plat::WS_VISIBLE;
  const Case cases[] = {
      {"office dialog with Snake List", L"bosa_sdm_Microsoft Office Word 11.0", {L"Snake List"}, dlg, 0, true, true},
      {"office prefix alone", L"bosa_sdm_", {L"Snake List"}, dlg, 0, true, true},
      {"office dialog without Snake List",
       L"bosa_sdm_Mso96",
       {L"ShellDll_DefView", L"ComboBoxEx32"},
       dlg,
       0,
       true,
       false},
      {"new style with DS_SETFOREGROUND",
       L"#32770",
       {L"DUIViewWndClassName"},
       dlg | plat::DS_SETFOREGROUND,
       0,
       true,
       true},
      {"new style without bit 0x200, even with DefView",
       L"#32770",
       {L"DUIViewWndClassName", L"SHELLDLL_DefView", L"ComboBoxEx32"},
       dlg,
       0,
       true,
       false},
      {"new-style child ignored before Vista",
       L"#32770",
       {L"DUIViewWndClassName"},
       dlg | plat::DS_SETFOREGROUND,
       0,
       false,
       false},
      {"classic with ComboBoxEx32", L"#32770", {L"SHELLDLL_DefView", L"ComboBoxEx32"}, dlg, 0, true, true},
      {"classic with ComboBox and Edit", L"#32770", {L"SHELLDLL_DefView", L"ComboBox", L"Edit"}, dlg, 0, true, true},
      {"ComboBox and Edit need class #32770",
       L"MyDialogClass",
       {L"SHELLDLL_DefView", L"ComboBox", L"Edit"},
       dlg,
       0,
       true,
       false},
      {"ComboBox without Edit", L"#32770", {L"SHELLDLL_DefView", L"ComboBox"}, dlg, 0, true, false},
      {"no DefView", L"#32770", {L"ComboBoxEx32", L"ComboBox", L"Edit"}, dlg, 0, true, false},
      {"before Vista: context help", L"#32770", {L"SHELLDLL_DefView"}, dlg, plat::WS_EX_CONTEXTHELP, false, true},
      {"before Vista: no context help", L"#32770", {L"SHELLDLL_DefView", L"ComboBoxEx32"}, dlg, 0, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sim::ResetWorld();
    sim::SetVistaOrLater(c.vista);
    infra::ResetDralUtilsCaches();
    plat::Window w = Top(c.cls, c.style, c.ex);
    for (const auto& child : c.children) sim::AddChild(w, child);
    EXPECT_EQ(IsFileDialog(w), c.expected ? w : 0);
    EXPECT_EQ(ClassifyWindow(w), c.expected ? FileDialog : Desktop);
  }
}

TEST_F(TargetsClassify, ShellWindowStyleRules) {
  struct Case {
    const char* name;
    std::wstring cls;
    std::uint32_t style;
    std::uint32_t ex;
    TargetKind expected;
  };
  const Case cases[] = {
      {"explorer", L"CabinetWClass", kFrame, plat::WS_EX_WINDOWEDGE, Explorer},
      {"explore", L"ExploreWClass", kFrame | plat::WS_CLIPCHILDREN, plat::WS_EX_WINDOWEDGE, Explorer},
      {"maximized browser", L"IEFrame", kFrame | plat::WS_MAXIMIZE, plat::WS_EX_WINDOWEDGE, InternetExplorer},
      {"maximized, clip children", L"IEFrame", kFrame | plat::WS_MAXIMIZE | plat::WS_CLIPCHILDREN,
       plat::WS_EX_WINDOWEDGE, InternetExplorer},
      {"minimized explorer", L"CabinetWClass", kFrame | plat::WS_MINIMIZE, plat::WS_EX_WINDOWEDGE, Desktop},
      {"disabled explorer", L"CabinetWClass", kFrame | plat::WS_DISABLED, plat::WS_EX_WINDOWEDGE, Desktop},
      {"hidden explorer", L"CabinetWClass", kFrame & ~plat::WS_VISIBLE, plat::WS_EX_WINDOWEDGE, Desktop},
      {"extra ex-style", L"CabinetWClass", kFrame, plat::WS_EX_WINDOWEDGE | plat::WS_EX_APPWINDOW, Desktop},
      {"no ex-style", L"CabinetWClass", kFrame, 0, Desktop},
      {"extra style", L"CabinetWClass", kFrame | plat::WS_VSCROLL, plat::WS_EX_WINDOWEDGE, Desktop},
      {"longer class keeps its 13-char prefix", L"CabinetWClassX", kFrame, plat::WS_EX_WINDOWEDGE, Explorer},
      {"case matters", L"cabinetwclass", kFrame, plat::WS_EX_WINDOWEDGE, Desktop},
      {"other class", L"Notepad", kFrame, plat::WS_EX_WINDOWEDGE, Desktop},
      {"wine folder window", L"ExplorerWClass", kFrame, plat::WS_EX_WINDOWEDGE, Explorer},
      {"wine folder window, maximized", L"ExplorerWClass", kFrame | plat::WS_MAXIMIZE, plat::WS_EX_WINDOWEDGE,
       Explorer},
      {"wine folder window, minimized", L"ExplorerWClass", kFrame | plat::WS_MINIMIZE, plat::WS_EX_WINDOWEDGE, Desktop},
      {"wine folder window with a tool-window ex-style", L"ExplorerWClass", kFrame,
       plat::WS_EX_WINDOWEDGE | plat::WS_EX_TOOLWINDOW, Desktop},
      {"wine class name is compared in full", L"ExplorerWClassX", kFrame, plat::WS_EX_WINDOWEDGE, Desktop},
      {"a prefix of the wine class", L"ExplorerWClas", kFrame, plat::WS_EX_WINDOWEDGE, Desktop},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sim::ResetWorld();
    plat::Window w = Top(c.cls, c.style, c.ex);
    Classified r = IsShellWindow(w);
    EXPECT_EQ(r.window, c.expected == Desktop ? 0 : w);
    EXPECT_EQ(ClassifyWindow(w), c.expected);
  }
}

TEST_F(TargetsClassify, ArchiverRules) {
  struct Case {
    const char* name;
    std::wstring owner_cls;  // empty: no owner
    std::wstring cls;
    std::vector<std::wstring> children;
    TargetKind expected;
  };
  const Case cases[] = {
      {"rar main window", L"", L"WinRarWindow", {}, RarWindow},
      {"rar extract dialog", L"WinRarWindow", L"#32770", {L"SysTreeView32"}, RarExtractDialog},
      {"zip extract dialog", L"WinZipWClass", L"#32770", {L"SysTreeView32"}, ZipExtractDialog},
      {"zip dialog without folder tree", L"WinZipWClass", L"#32770", {L"Edit"}, Desktop},
      {"extract dialog owned by another program", L"Notepad", L"#32770", {L"SysTreeView32"}, Desktop},
      {"unowned dialog", L"", L"#32770", {L"SysTreeView32"}, Desktop},
      {"ace dialog", L"", L"TTargetDlg", {L"TPanel/TIEAddress"}, AceExtractDialog},
      {"ace dialog without address box", L"", L"TTargetDlg", {L"TPanel"}, Desktop},
      {"ace address box not under a panel", L"", L"TTargetDlg", {L"TIEAddress"}, Desktop},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sim::ResetWorld();
    plat::Window owner = c.owner_cls.empty() ? 0 : Top(c.owner_cls, kFrame, plat::WS_EX_APPWINDOW);
    plat::Window w = Top(c.cls, plat::WS_POPUP | plat::WS_VISIBLE, 0, owner);
    for (const auto& child : c.children) {
      size_t slash = child.find(L'/');
      plat::Window k = sim::AddChild(w, child.substr(0, slash));
      if (slash != std::wstring::npos) sim::AddChild(k, child.substr(slash + 1));
    }
    Classified r = IsArchiverWindow(w);
    EXPECT_EQ(r.window, c.expected == Desktop ? 0 : w);
    EXPECT_EQ(r.kind, c.expected == Desktop ? None : c.expected);
    EXPECT_EQ(ClassifyWindow(w), c.expected);
  }
}

TEST_F(TargetsClassify, WindowUnderCursorClimbs) {
  // A program's main window with a dialog-like child panel holding a button.
  plat::Window main = Top(L"MainWnd", kFrame, plat::WS_EX_WINDOWEDGE);
  plat::Window panel = sim::AddChild(main, L"#32770", L"", {10, 10, 400, 400});
  plat::Window button = sim::AddChild(panel, L"Button", L"OK", {20, 20, 100, 50});
  sim::SetCursorPos({30, 30});
  EXPECT_EQ(plat::WindowFromPoint({30, 30}), button);
  EXPECT_EQ(WindowUnderCursor(true), panel);  // stops at the dialog class
  EXPECT_EQ(WindowUnderCursor(false), main);  // climbs to the top
  sim::SetForeground(panel);
  EXPECT_EQ(WindowUnderCursor(false), panel);  // stops at the foreground window
  sim::SetCursorPos({5000, 5000});
  EXPECT_EQ(WindowUnderCursor(false), 0u);

  // A chain deeper than 51 parents stops after 51 steps.
  plat::Window deep = Top(L"Deep", kFrame);
  sim::SetRect(deep, {1000, 0, 1100, 100});
  plat::Window cur = deep;
  std::vector<plat::Window> chain{deep};
  for (int i = 0; i < 60; ++i) chain.push_back(cur = sim::AddChild(cur, L"Static", L"", {1000, 0, 1100, 100}));
  sim::SetCursorPos({1050, 50});
  EXPECT_EQ(WindowUnderCursor(false), chain[60 - 51]);
}

TEST_F(TargetsClassify, NullWindowMeansWindowUnderCursor) {
  plat::Window w = Top(L"CabinetWClass", kFrame, plat::WS_EX_WINDOWEDGE);
  plat::Window list = sim::AddChild(w, L"SysListView32", L"", {0, 0, 800, 600});
  (void)list;
  sim::SetCursorPos({50, 50});
  EXPECT_EQ(IsShellWindow(0).window, w);
  EXPECT_EQ(IsShellWindow(0).kind, Explorer);
  EXPECT_EQ(IsFileDialog(0), 0u);
  Classified at = TargetAtPoint({50, 50});
  EXPECT_EQ(at.window, w);
  EXPECT_EQ(at.kind, Explorer);
}

TEST_F(TargetsClassify, ShowMenuForWindowUsesForegroundAndPassesItOn) {
  sim::FileDialog fd = sim::CreateFileDialog({});
  sim::SetForeground(fd.dialog);
  plat::Window got = 0;
  TargetKind kind = None;
  ShowMenuForWindow(0, [&](plat::Window w, TargetKind k) { got = w, kind = k; });
  EXPECT_EQ(got, fd.dialog);
  EXPECT_EQ(kind, FileDialog);

  // A file dialog pointed at through one of its controls: the hook's view.
  sim::SetCursorPos({300, 440});
  Classified at = TargetAtPoint({300, 440});
  EXPECT_EQ(at.window, fd.dialog);
  EXPECT_EQ(at.kind, FileDialog);

  plat::Window other = Top(L"Notepad", kFrame, plat::WS_EX_WINDOWEDGE);
  ShowMenuForWindow(other, [&](plat::Window w, TargetKind k) { got = w, kind = k; });
  EXPECT_EQ(got, other);
  EXPECT_EQ(kind, Desktop);
}

TEST_F(TargetsClassify, FileNameEditStrategies) {
  struct Case {
    const char* name;
    std::function<plat::Window(plat::Window)> build;  // returns the expected box (0: none)
  };
  const Case cases[] = {
      {"classic chain",
       [](plat::Window d) {
         sim::AddChild(d, L"Edit");  // a stray edit is not taken
         return sim::AddChild(sim::AddChild(sim::AddChild(d, L"ComboBoxEx32"), L"ComboBox"), L"Edit");
       }},
      {"classic chain broken falls back to the only direct edit",
       [](plat::Window d) {
         sim::AddChild(sim::AddChild(d, L"ComboBoxEx32"), L"ComboBox");
         return sim::AddChild(d, L"Edit");
       }},
      {"classic chain broken does not try the new style",
       [](plat::Window d) {
         sim::AddChild(d, L"ComboBoxEx32");
         plat::Window sink = sim::AddChild(sim::AddChild(sim::AddChild(d, L"DUIViewWndClassName"), L"DirectUIHWND"),
                                           L"FloatNotifySink");
         sim::AddChild(sim::AddChild(sink, L"ComboBox"), L"Edit");
         return plat::Window{0};
       }},
      {"new style, first sink",
       [](plat::Window d) {
         plat::Window dui = sim::AddChild(sim::AddChild(d, L"DUIViewWndClassName"), L"DirectUIHWND");
         plat::Window e = sim::AddChild(sim::AddChild(sim::AddChild(dui, L"FloatNotifySink"), L"ComboBox"), L"Edit");
         sim::AddChild(sim::AddChild(sim::AddChild(dui, L"FloatNotifySink"), L"ComboBox"), L"Edit");
         return e;
       }},
      {"new style, second sink",
       [](plat::Window d) {
         plat::Window dui = sim::AddChild(sim::AddChild(d, L"DUIViewWndClassName"), L"DirectUIHWND");
         sim::AddChild(sim::AddChild(dui, L"FloatNotifySink"), L"Button");
         return sim::AddChild(sim::AddChild(sim::AddChild(dui, L"FloatNotifySink"), L"ComboBox"), L"Edit");
       }},
      {"one direct edit", [](plat::Window d) { return sim::AddChild(d, L"Edit"); }},
      {"two direct edits",
       [](plat::Window d) {
         sim::AddChild(d, L"Edit");
         sim::AddChild(d, L"Edit");
         return plat::Window{0};
       }},
      {"nothing", [](plat::Window d) { return plat::Window{0}; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sim::ResetWorld();
    plat::Window d = Top(L"#32770");
    plat::Window expected = c.build(d);
    EXPECT_EQ(FindFileNameEdit(d), expected);
  }
  EXPECT_EQ(FindFileNameEdit(0), 0u);
}

TEST_F(TargetsClassify, AddressEditLocators) {
  // Explorer with a plain combo in the rebar, and a browser with the address band edit.
  plat::Window ex = Top(L"CabinetWClass", kFrame, plat::WS_EX_WINDOWEDGE);
  plat::Window rebar = sim::AddChild(sim::AddChild(ex, L"WorkerW"), L"ReBarWindow32");
  plat::Window e1 = sim::AddChild(sim::AddChild(sim::AddChild(rebar, L"ComboBoxEx32"), L"ComboBox"), L"Edit");
  EXPECT_EQ(FindExplorerAddressEdit(ex), e1);
  EXPECT_EQ(FindBrowserAddressEdit(ex), e1);

  plat::Window ie = Top(L"IEFrame", kFrame, plat::WS_EX_WINDOWEDGE);
  plat::Window ierebar = sim::AddChild(sim::AddChild(ie, L"WorkerW"), L"ReBarWindow32");
  plat::Window e2 = sim::AddChild(sim::AddChild(ierebar, L"Address Band Root"), L"Edit");
  EXPECT_EQ(FindBrowserAddressEdit(ie), e2);
  EXPECT_EQ(FindExplorerAddressEdit(ie), 0u);  // no progress control under the band

  plat::Window bare = Top(L"CabinetWClass", kFrame, plat::WS_EX_WINDOWEDGE);
  EXPECT_EQ(FindExplorerAddressEdit(bare), 0u);
  EXPECT_EQ(FindBrowserAddressEdit(bare), 0u);
}

TEST_F(TargetsClassify, BreadcrumbBarIsClickedIntoEditMode) {
  for (bool edit_comes_up : {true, false}) {
    SCOPED_TRACE(edit_comes_up ? "edit box comes up" : "nothing comes up");
    sim::ResetWorld();
    AgentUiThreadId = plat::CurrentThreadId();
    plat::Window ex = Top(L"CabinetWClass", kFrame, plat::WS_EX_WINDOWEDGE);
    plat::Window rebar = sim::AddChild(sim::AddChild(ex, L"WorkerW"), L"ReBarWindow32");
    plat::Window progress = sim::AddChild(sim::AddChild(rebar, L"Address Band Root"), L"msctls_progress32");
    plat::Window toolbar = sim::AddChild(sim::AddChild(progress, L"Breadcrumb Parent"), L"ToolbarWindow32");
    plat::Window edit = 0;
    sim::SetWindowProc(toolbar, [&](plat::Window w, sim::Msg& m) -> plat::LResult {
      if (m.msg == plat::WM_LBUTTONUP && edit_comes_up && !edit)
        edit = sim::AddChild(sim::AddChild(sim::AddChild(progress, L"ComboBoxEx32"), L"ComboBox"), L"Edit");
      return sim::DefWindowProc(w, m);
    });
    EXPECT_EQ(FindExplorerAddressEdit(ex), edit);
    auto got = sim::Received(toolbar);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].msg, plat::WM_SETFOCUS);
    EXPECT_EQ(got[1].msg, plat::WM_LBUTTONDOWN);
    EXPECT_EQ(got[2].msg, plat::WM_LBUTTONUP);
    for (int i : {1, 2}) {
      EXPECT_EQ(got[i].wparam, plat::MK_LBUTTON);
      EXPECT_EQ(got[i].lparam, 0x4E22);
    }
    EXPECT_EQ(sim::AttachCalls(), 1);
    EXPECT_EQ(sim::AttachmentsInForce(), 0);
  }
}

TEST_F(TargetsClassify, BringWindowToFrontRestoresMinimized) {
  plat::Window w = Top(L"#32770", plat::WS_POPUP | plat::WS_VISIBLE | plat::WS_MINIMIZE);
  BringWindowToFront(w);
  EXPECT_EQ(plat::GetForegroundWindow(), w);
  plat::SleepMs(5);  // ShowWindowAsync is handled by the window's own thread
  EXPECT_EQ(plat::GetWindowLong(w, plat::GWL_STYLE) & plat::WS_MINIMIZE, 0u);
}

TEST_F(TargetsClassify, AttachmentEndsEvenWhenTheTargetVanishes) {
  plat::Window w = Top(L"#32770");
  {
    InputAttachment a(w);
    EXPECT_EQ(sim::AttachmentsInForce(), 1);
    sim::DestroyWindow(w);
  }
  EXPECT_EQ(sim::AttachmentsInForce(), 0);
}
