// The hook library's view of the window under a gesture, against the sim's
// window tree: which record a gesture over each kind of window produces.
#include <gtest/gtest.h>

#include "agent/hook_gesture.h"
#include "sim/sim_os_version.h"
#include "sim/sim_window.h"
#include "sim/sim_world.h"
#include "platform/window.h"

using agent::HookGesture;
using agent::HookMessage;

namespace {

constexpr std::uint32_t kFrame = plat::WS_OVERLAPPEDWINDOW | plat::WS_VISIBLE | plat::WS_CLIPSIBLINGS;
constexpr std::uint32_t kPopup = plat::WS_POPUP | plat::WS_VISIBLE | plat::WS_CAPTION | plat::WS_SYSMENU;

plat::Window Top(const std::wstring& cls, plat::Rect r, std::uint32_t style, std::uint32_t ex = 0,
                 plat::Window owner = 0) {
  sim::WindowSpec s;
  s.class_name = cls;
  s.style = style;
  s.ex_style = ex;
  s.owner = owner;
  s.rect = r;
  return sim::CreateWindow(s);
}

// A screen of 1280 x 1024 with the Desktop behind everything and one window
// of each kind side by side.
struct World {
  plat::Window desktop, desktopList;
  plat::Window explorer, explorerCrumbs, explorerView;
  plat::Window browser, browserAddressEdit;
  plat::Window fileDialog, fileNameEdit;
  plat::Window vistaDialog;
  plat::Window browse, browseTree;
  plat::Window zipMain, zipDialog, zipTree;
  plat::Window notepad, notepadEdit;

  World() {
    desktop = Top(L"Progman", {0, 0, 1280, 1024}, plat::WS_POPUP | plat::WS_VISIBLE);
    plat::Window defView = sim::AddChild(desktop, L"SHELLDLL_DefView", L"", {0, 0, 1280, 1024});
    desktopList = sim::AddChild(defView, L"SysListView32", L"FolderView", {0, 0, 1280, 1024});

    explorer = Top(L"CabinetWClass", {0, 0, 400, 300}, kFrame, plat::WS_EX_WINDOWEDGE);
    plat::Window worker = sim::AddChild(explorer, L"WorkerW", L"", {0, 0, 400, 40});
    plat::Window rebar = sim::AddChild(worker, L"ReBarWindow32", L"", {0, 0, 400, 40});
    plat::Window band = sim::AddChild(rebar, L"Address Band Root", L"", {50, 5, 350, 35});
    plat::Window progress = sim::AddChild(band, L"msctls_progress32", L"", {50, 5, 350, 35});
    plat::Window crumbParent = sim::AddChild(progress, L"Breadcrumb Parent", L"", {50, 5, 350, 35});
    explorerCrumbs = sim::AddChild(crumbParent, L"ToolbarWindow32", L"", {50, 5, 350, 35});
    plat::Window tab = sim::AddChild(explorer, L"ShellTabWindowClass", L"", {0, 40, 400, 300});
    plat::Window tabView = sim::AddChild(tab, L"SHELLDLL_DefView", L"", {0, 40, 400, 300});
    explorerView = sim::AddChild(tabView, L"DirectUIHWND", L"", {0, 40, 400, 300});

    browser = Top(L"IEFrame", {400, 0, 800, 300}, kFrame, plat::WS_EX_WINDOWEDGE);
    plat::Window bworker = sim::AddChild(browser, L"WorkerW", L"", {400, 0, 800, 40});
    plat::Window brebar = sim::AddChild(bworker, L"ReBarWindow32", L"", {400, 0, 800, 40});
    plat::Window cbx = sim::AddChild(brebar, L"ComboBoxEx32", L"", {450, 5, 750, 35});
    plat::Window cb = sim::AddChild(cbx, L"ComboBox", L"", {450, 5, 750, 35});
    browserAddressEdit = sim::AddChild(cb, L"Edit", L"", {450, 5, 750, 35});
    sim::AddChild(browser, L"Internet Explorer_Server", L"", {400, 40, 800, 300});

    sim::FileDialogSpec fs;
    fs.rect = {800, 0, 1200, 300};
    sim::FileDialog fd = sim::CreateFileDialog(fs);
    fileDialog = fd.dialog;
    fileNameEdit = fd.edit;

    fs.style = sim::DialogStyle::Vista;
    fs.rect = {400, 600, 800, 900};
    vistaDialog = sim::CreateFileDialog(fs).dialog;

    browse = Top(L"#32770", {0, 300, 400, 600}, kPopup);
    browseTree = sim::AddChild(browse, L"SysTreeView32", L"", {10, 350, 390, 550});

    zipMain = Top(L"WinZipWClass", {800, 600, 1200, 900}, kFrame);
    zipDialog = Top(L"#32770", {400, 300, 800, 600}, kPopup, 0, zipMain);
    zipTree = sim::AddChild(zipDialog, L"SysTreeView32", L"", {410, 350, 790, 550});

    notepad = Top(L"Notepad", {0, 600, 400, 900}, kFrame, plat::WS_EX_WINDOWEDGE);
    notepadEdit = sim::AddChild(notepad, L"Edit", L"", {0, 620, 400, 900});
  }
};

class HookClassify : public ::testing::Test {
 protected:
  void SetUp() override { sim::ResetWorld(); }
};

}  // namespace

TEST_F(HookClassify, GesturesOverEachKindOfWindow) {
  World w;
  agent::HookSettings s;  // the agent's defaults...
  s.MIExplorer = true;    // ...with the browser and the wheel on
  s.MouseWheel = 1;
  const agent::CaptionMetrics m{3, 18, 18};
  struct Case {
    const char* what;
    plat::Point p;
    HookGesture g;
    targets::TargetKind kind;
    plat::Window window;
    HookMessage message;
    std::uint32_t lparam;
  };
  const Case cases[] = {
      {"middle in a file dialog",
       {850, 50},
       HookGesture::MiddleDown,
       targets::FileDialog,
       w.fileDialog,
       HookMessage::QxMDialog,
       4},
      {"middle on its file name box",
       {1000, 230},
       HookGesture::MiddleDown,
       targets::FileDialog,
       w.fileDialog,
       HookMessage::QxMDialog,
       4},
      {"middle in a new-style dialog",
       {600, 700},
       HookGesture::MiddleDown,
       targets::FileDialog,
       w.vistaDialog,
       HookMessage::QxMDialog,
       4},
      {"wheel in a file dialog",
       {850, 50},
       HookGesture::WheelBackward,
       targets::FileDialog,
       w.fileDialog,
       HookMessage::WheelMouse,
       4},
      {"right on the dialog's '?'",
       {1170, 10},
       HookGesture::RightDown,
       targets::FileDialog,
       w.fileDialog,
       HookMessage::QxHelp,
       4},
      {"right in the dialog elsewhere",
       {850, 50},
       HookGesture::RightDown,
       targets::FileDialog,
       w.fileDialog,
       HookMessage::None,
       0},
      {"middle in Explorer",
       {200, 200},
       HookGesture::MiddleDown,
       targets::Explorer,
       w.explorer,
       HookMessage::QxMExplorer,
       2},
      {"right on Explorer's address bar",
       {200, 20},
       HookGesture::RightDown,
       targets::Explorer,
       w.explorer,
       HookMessage::QxRExplorer,
       2},
      {"right in Explorer's folder view",
       {200, 200},
       HookGesture::RightDown,
       targets::Explorer,
       w.explorer,
       HookMessage::None,
       0},
      {"middle in the browser",
       {600, 200},
       HookGesture::MiddleDown,
       targets::InternetExplorer,
       w.browser,
       HookMessage::QxMExplorer,
       3},
      {"right on the browser's address box",
       {600, 20},
       HookGesture::RightDown,
       targets::InternetExplorer,
       w.browser,
       HookMessage::QxRExplorer,
       3},
      {"wheel in Explorer", {200, 200}, HookGesture::WheelForward, targets::Explorer, w.explorer, HookMessage::None, 0},
      {"middle on a browse dialog's tree",
       {200, 400},
       HookGesture::MiddleDown,
       targets::BrowseDialog,
       w.browse,
       HookMessage::QxMBrowse,
       static_cast<std::uint32_t>(w.browseTree)},
      {"middle in a zip extraction dialog",
       {600, 400},
       HookGesture::MiddleDown,
       targets::ZipExtractDialog,
       w.zipDialog,
       HookMessage::QxMDialog,
       7},
      {"middle on the Desktop",
       {1000, 1000},
       HookGesture::MiddleDown,
       targets::Desktop,
       w.desktop,
       HookMessage::QxMDesktop,
       1},
      {"middle in an ordinary program", {200, 700}, HookGesture::MiddleDown, targets::None, 0, HookMessage::None, 0},
      {"wheel in an ordinary program", {200, 700}, HookGesture::WheelForward, targets::None, 0, HookMessage::None, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const agent::GestureTarget t = agent::ClassifyGesturePoint(c.p, c.g, m);
    EXPECT_EQ(t.kind, c.kind);
    EXPECT_EQ(t.window, c.window);
    if (t.control) EXPECT_EQ(t.control, plat::WindowFromPoint(c.p));
    const agent::HookDecision d = agent::DecideGesture(c.g, s, t);
    EXPECT_EQ(d.message, c.message);
    if (d.Reports()) {
      EXPECT_EQ(d.wparam, static_cast<std::uint32_t>(c.window));
      EXPECT_EQ(d.lparam, c.lparam);
    }
  }
}

TEST_F(HookClassify, TheSameFolderTreeDialogOwnedByAnotherProgramIsABrowseDialog) {
  World w;
  // Without the WinZip owner, the extraction dialog is an ordinary folder tree dialog.
  sim::DestroyWindow(w.zipDialog);
  plat::Window dlg = Top(L"#32770", {400, 300, 800, 600}, kPopup, 0, w.notepad);
  plat::Window tree = sim::AddChild(dlg, L"SysTreeView32", L"", {410, 350, 790, 550});
  const agent::GestureTarget t = agent::ClassifyGesturePoint({600, 400}, HookGesture::MiddleDown, {});
  EXPECT_EQ(t.kind, targets::BrowseDialog);
  EXPECT_EQ(t.window, dlg);
  EXPECT_EQ(t.control, tree);
}

TEST_F(HookClassify, NothingUnderThePointIsNoTarget) {
  // An empty screen: no desktop window either.
  for (HookGesture g : {HookGesture::MiddleDown, HookGesture::RightDown, HookGesture::WheelForward}) {
    const agent::GestureTarget t = agent::ClassifyGesturePoint({10, 10}, g, {});
    EXPECT_EQ(t.kind, targets::None);
    EXPECT_EQ(t.window, 0u);
    EXPECT_FALSE(agent::DecideGesture(g, agent::HookSettings{}, t).Reports());
  }
}

TEST_F(HookClassify, ADialogWithoutContextHelpHasNoHelpButton) {
  World w;
  sim::SetExStyle(w.fileDialog, plat::WS_EX_WINDOWEDGE);
  const agent::GestureTarget t = agent::ClassifyGesturePoint({1170, 10}, HookGesture::RightDown, {3, 18, 18});
  EXPECT_EQ(t.kind, targets::FileDialog);
  EXPECT_FALSE(t.onHelpButton);
}
