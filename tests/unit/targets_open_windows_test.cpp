// The "Open Windows" list: the folders of the open Explorer windows.
#include <gtest/gtest.h>

#include "infra/dral_utils.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/process.h"
#include "sim/sim_files.h"
#include "sim/sim_shell_windows.h"
#include "sim/sim_window.h"
#include "sim/sim_world.h"
#include "platform/window.h"
#include "targets/open_windows.h"
#include "targets/target_state.h"

using namespace targets;

namespace {

constexpr std::uint32_t kFrame = plat::WS_OVERLAPPEDWINDOW | plat::WS_VISIBLE | plat::WS_CLIPSIBLINGS;

// A folder window of Windows whose title shows the full path.
plat::Window Folder(const std::wstring& title, const wchar_t* cls = L"CabinetWClass") {
  sim::WindowSpec s;
  s.class_name = cls;
  s.text = title;
  s.style = kFrame;
  s.ex_style = plat::WS_EX_WINDOWEDGE;
  s.rect = {0, 0, 800, 600};
  return sim::CreateWindow(s);
}

// Wine's folder window: the title shows the folder's name, the bar's edit box
// the full path.
plat::Window WineExplorer(const std::wstring& name, const std::wstring& path) {
  plat::Window w = Folder(name, L"ExplorerWClass");
  plat::Window edit = sim::AddChild(
      sim::AddChild(sim::AddChild(sim::AddChild(w, L"ReBarWindow32"), L"ComboBoxEx32"), L"ComboBox"), L"Edit");
  sim::SetText(edit, path);
  return w;
}

class TargetsOpenWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::ResetWorld();
    infra::ResetDralUtilsCaches();
    AgentUiThreadId = plat::CurrentThreadId();
    sim::MapTempDrive(L'C');
    for (const wchar_t* d : {L"C:\\Harbour", L"C:\\Data", L"C:\\Projects", L"C:\\Tabs\\One", L"C:\\Tabs\\Two"})
      plat::CreateDirectories(d);
  }
  void TearDown() override { sim::ResetWorld(); }
};

}  // namespace

TEST_F(TargetsOpenWindows, AddressBarWindows) {
  // Without the shell's list every folder window is read itself.
  plat::Window oldest = Folder(L"C:\\Data");
  plat::Window wine = WineExplorer(L"Harbour", L"C:\\Harbour");
  plat::Window twin = Folder(L"C:\\DATA\\");  // the same folder as `oldest`
  plat::Window other = Folder(L"Untitled - Notepad", L"Notepad");
  plat::Window target = Folder(L"C:\\Projects");
  (void)oldest, (void)wine, (void)twin, (void)other;

  struct Case {
    const char* name;
    plat::Window target;
    std::wstring own;
    std::vector<std::wstring> expected;
  };
  const Case cases[] = {
      {"newest first, one entry per folder, the target left out",
       target,
       L"C:\\Projects",
       {L"C:\\DATA", L"C:\\Harbour"}},
      {"the target's folder left out even from another window", target, L"c:\\harbour\\", {L"C:\\DATA"}},
      {"a file dialog target (no folder of its own)", 0, L"", {L"C:\\Projects", L"C:\\DATA", L"C:\\Harbour"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(OpenExplorerFolders(c.target, c.own), c.expected);
  }
}

TEST_F(TargetsOpenWindows, HungWindowIsLeftOutWithoutWaiting) {
  Folder(L"C:\\Data");
  plat::Window hung = WineExplorer(L"Harbour", L"C:\\Harbour");
  Folder(L"C:\\Projects");
  sim::SetHung(hung, true);
  for (plat::Window c : plat::EnumChildWindows(hung)) sim::SetHung(c, true);
  const std::uint32_t before = plat::TickCount();
  EXPECT_EQ(OpenExplorerFolders(0, L""), (std::vector<std::wstring>{L"C:\\Projects", L"C:\\Data"}));
  // One time-out at most for the hung window, not one per message.
  EXPECT_LE(plat::TickCount() - before, kOpenWindowsTimeoutMs);

  // A slow window answers after the time-out: left out as well.
  sim::SetHung(hung, false);
  for (plat::Window c : plat::EnumChildWindows(hung)) sim::SetHung(c, false);
  sim::SetReplyDelay(hung, kOpenWindowsTimeoutMs + 50);
  EXPECT_EQ(OpenExplorerFolders(0, L""), (std::vector<std::wstring>{L"C:\\Projects", L"C:\\Data"}));
}

TEST_F(TargetsOpenWindows, BusyWindowsShareOneTimeOut) {
  // Three busy windows above a healthy one: together they hold the menu about
  // one time-out, not three, and the healthy window is still listed.
  Folder(L"C:\\Data");
  for (const wchar_t* name : {L"Harbour", L"Projects", L"One"}) {
    plat::Window busy = Folder(name);
    sim::SetReplyDelay(busy, 1000);
  }
  const std::uint32_t before = plat::TickCount();
  EXPECT_EQ(OpenExplorerFolders(0, L""), (std::vector<std::wstring>{L"C:\\Data"}));
  EXPECT_LT(plat::TickCount() - before, kOpenWindowsTimeoutMs + 100);
}

TEST_F(TargetsOpenWindows, ShellListGivesTabsSelectedFirst) {
  plat::Window back = Folder(L"Two");
  plat::Window front = Folder(L"Data");
  plat::Window wine = WineExplorer(L"Harbour", L"C:\\Harbour");  // not in the shell's list
  sim::SetShellWindowViews({
      {back, L"C:\\Tabs\\One", false},
      {back, L"C:\\Tabs\\Two", true},
      {front, L"C:\\Data", true},
      {front, L"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}", false},  // "This PC": no folder
      {front, L"C:\\Tabs\\One", false},                             // front is newer: listed here, not again for `back`
  });
  (void)wine;
  EXPECT_EQ(OpenExplorerFolders(0, L""),
            (std::vector<std::wstring>{L"C:\\Harbour", L"C:\\Data", L"C:\\Tabs\\One", L"C:\\Tabs\\Two"}));
  // The target's selected tab is its own folder; its other tabs stay.
  EXPECT_EQ(OpenExplorerFolders(front, L"C:\\Data"),
            (std::vector<std::wstring>{L"C:\\Harbour", L"C:\\Tabs\\One", L"C:\\Tabs\\Two"}));
  // A shell list that fails: every window is read through its title or bar.
  sim::SetShellWindowsUnavailable();
  EXPECT_EQ(OpenExplorerFolders(0, L""), (std::vector<std::wstring>{L"C:\\Harbour"}));
}
