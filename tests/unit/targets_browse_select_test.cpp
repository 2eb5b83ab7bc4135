// A favourite picked over another program's browse-for-folder dialog becomes
// the dialog's selection: through its edit box, or its folder tree walked item
// by item; a new window opens only when neither works.
#include <gtest/gtest.h>

#include <cwchar>

#include "infra/dral_utils.h"
#include "infra/text.h"
#include "logger_test_support.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/window.h"
#include "sim/sim_browse_dialog.h"
#include "sim/sim_process_memory.h"
#include "sim/sim_shell_execute.h"
#include "sim/sim_window.h"
#include "targets/browse_select.h"
#include "targets/set_data.h"
#include "targets/target_state.h"

using namespace targets;

namespace {

const std::wstring kDeep = L"C:\\Harbour\\Deep\\Inner";
const std::vector<std::wstring> kFolders = {L"C:\\Data", L"C:\\Harbour\\Deep\\Inner", L"C:\\Harbour\\Shallow",
                                            L"D:\\Stuff"};

std::uint32_t ProcessOf(plat::Window w) {
  std::uint32_t pid = 0;
  plat::GetWindowThreadProcessId(w, &pid);
  return pid;
}

class TargetsBrowseSelect : public logger_test::LoggerFixture {
 protected:
  void SetUp() override {
    LoggerFixture::SetUp();
    sim::MapTempDrive(L'D');
    infra::ResetDralUtilsCaches();
    infra::SetLogFolder(logger_test::kFolder);
    AgentUiThreadId = plat::CurrentThreadId();
    for (const auto& f : kFolders) ASSERT_TRUE(plat::CreateDirectories(f));
    ASSERT_TRUE(plat::CreateDirectories(L"C:\\Harbour\\Hidden"));  // on disk, not in the trees below
  }
  void TearDown() override {
    EXPECT_EQ(sim::OpenProcessHandles(), 0) << "a process handle was left open";
    LoggerFixture::TearDown();
    infra::ResetDralUtilsCaches();
  }
  static sim::BrowseDialogSpec Spec(sim::BrowseLayout layout, bool edit, const std::wstring& selected = L"C:\\Data") {
    sim::BrowseDialogSpec s;
    s.layout = layout;
    s.edit_box = edit;
    s.roots = sim::ShellTreeOf(kFolders);
    s.selected = selected;
    return s;
  }
  // The menu's way: the dialog as the target of a favourite.
  static void Pick(plat::Window dialog, const std::wstring& path) {
    CurrentTargetWindow = dialog;
    CurrentTargetKind = BrowseDialog;
    SetData(path, PathMode);
  }
  bool LogHas(const std::wstring& text) {
    infra::SaveAllLogs(false);
    for (auto& e : Entries(logger_test::kMain))
      if (e.find(text) != std::wstring::npos) return true;
    return false;
  }
};

TEST_F(TargetsBrowseSelect, EveryLayoutSelectsTheFolderWithoutANewWindow) {
  struct Case {
    const char* name;
    sim::BrowseLayout layout;
    bool edit;
    const wchar_t* how;  // the log line that names the way taken
    int set_selections;  // BFFM_SETSELECTIONW messages the dialog got
  };
  const Case cases[] = {
      {"shell name-space control with edit box", sim::BrowseLayout::ShellNameSpace, true,
       L"selected through its edit box", 1},
      {"shell tree with edit box (Wine)", sim::BrowseLayout::ShellTree, true, L"selected through its edit box", 1},
      {"shell name-space control, tree only", sim::BrowseLayout::ShellNameSpace, false, L"selected in its folder tree",
       0},
      {"shell tree only", sim::BrowseLayout::ShellTree, false, L"selected in its folder tree", 0},
      // A program's own dialog never gets the shell's message.
      {"program's tree with edit box", sim::BrowseLayout::ProgramTree, true, L"selected in its folder tree", 0},
      {"program's tree only", sim::BrowseLayout::ProgramTree, false, L"selected in its folder tree", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    sim::BrowseDialog d = sim::CreateBrowseDialog(Spec(c.layout, c.edit));
    ASSERT_EQ(sim::BrowseDialogSelected(d.dialog), L"C:\\Data");
    Pick(d.dialog, kDeep);
    EXPECT_EQ(sim::BrowseDialogSelected(d.dialog), kDeep);
    ASSERT_FALSE(sim::BrowseDialogSelections(d.dialog).empty());
    EXPECT_EQ(sim::BrowseDialogSelections(d.dialog).back(), kDeep) << "the callback heard of the folder";
    if (c.edit) EXPECT_EQ(sim::Text(d.edit), L"Inner") << "the box shows the selected folder's name";
    EXPECT_TRUE(sim::ShellExecutions().empty()) << "no new window";
    EXPECT_TRUE(LogHas(c.how));
    EXPECT_EQ(sim::BrowseDialogSetSelections(d.dialog), c.set_selections);
    const std::uint32_t pid = ProcessOf(d.dialog);
    EXPECT_EQ(sim::LiveAllocations(pid), 0) << "every buffer in the dialog's process was freed";
    EXPECT_EQ(sim::BrowseDialogBadPointers(d.dialog), 0);
    TearDown();
  }
}

TEST_F(TargetsBrowseSelect, TheTreeWalkFindsTheFolderOrSaysWhyNot) {
  struct Case {
    const char* name;
    std::wstring initial;   // the dialog's selection when it opens
    std::wstring path;      // the favourite
    std::uint32_t fill_ms;  // the tree fills expanded items this late
    bool selected;          // the folder became the selection
    const wchar_t* log;     // a line the log must hold
  };
  const Case cases[] = {
      {"nested folders below collapsed items", L"C:\\Data", kDeep, 0, true, L"selected in its folder tree"},
      {"case of the favourite differs", L"C:\\Data", L"c:\\HARBOUR\\deep\\inner\\", 0, true,
       L"selected in its folder tree"},
      {"selection on another drive", L"D:\\Stuff", kDeep, 0, true, L"selected in its folder tree"},
      {"nothing on a drive selected (Desktop)", L"", kDeep, 0, true, L"selected in its folder tree"},
      {"the drive itself", L"C:\\Data", L"C:\\", 0, true, L"selected in its folder tree"},
      {"a tree that fills its items a moment later", L"C:\\Data", kDeep, 120, true, L"selected in its folder tree"},
      {"a folder the tree does not show", L"C:\\Data", L"C:\\Harbour\\Hidden", 0, false,
       L"the tree has no item \"Hidden\" below C:\\Harbour"},
      {"a drive that is not there", L"C:\\Data", L"E:\\", 0, false, L"no such folder"},
      {"a folder that does not exist", L"C:\\Data", L"C:\\Harbour\\Gone", 0, false, L"no such folder"},
      {"a tree that fills too late", L"C:\\Data", kDeep, 3000, false,
       L"the tree has no item \"Deep\" below C:\\Harbour"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    sim::BrowseDialogSpec spec = Spec(sim::BrowseLayout::ShellTree, false, c.initial);
    spec.fill_delay_ms = c.fill_ms;
    sim::BrowseDialog d = sim::CreateBrowseDialog(spec);
    const std::wstring before = sim::BrowseDialogSelected(d.dialog);
    Pick(d.dialog, c.path);
    if (c.selected) {
      EXPECT_TRUE(infra::SameText(sim::BrowseDialogSelected(d.dialog) + L"\\", c.path) ||
                  infra::SameText(sim::BrowseDialogSelected(d.dialog), c.path) ||
                  infra::SameText(sim::BrowseDialogSelected(d.dialog), c.path.substr(0, c.path.size() - 1)));
      EXPECT_TRUE(sim::ShellExecutions().empty());
    } else {
      EXPECT_EQ(sim::BrowseDialogSelected(d.dialog), before) << "the dialog keeps its selection";
      ASSERT_EQ(sim::ShellExecutions().size(), 1u) << "a new window instead";
      EXPECT_EQ(sim::ShellExecutions()[0].file, c.path);
      EXPECT_TRUE(LogHas(L"opens a new window instead"));
    }
    EXPECT_TRUE(LogHas(c.log)) << "log: " << std::string(c.log, c.log + wcslen(c.log));
    TearDown();
  }
}

TEST_F(TargetsBrowseSelect, DialogsOfOtherProcesses) {
  struct Case {
    const char* name;
    plat::ThreadId thread;  // 0: another program
    bool wow64;             // a 32-bit program
    bool refused;           // OpenProcess is denied (an elevated program)
    bool selected;
    const wchar_t* log;
  };
  const Case cases[] = {
      {"a 64-bit program", 0, false, false, true, L"selected in its folder tree"},
      {"a 32-bit program: its own item layout", 0, true, false, true, L"selected in its folder tree"},
      {"the agent's own dialog", plat::CurrentThreadId(), false, false, true, L"selected in its folder tree"},
      {"a program the agent may not open", 0, false, true, false, L"the tree's process can't be opened (error 5)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    sim::BrowseDialogSpec spec = Spec(sim::BrowseLayout::ShellNameSpace, false);
    spec.thread = c.thread;
    sim::BrowseDialog d = sim::CreateBrowseDialog(spec);
    const std::uint32_t pid = ProcessOf(d.dialog);
    sim::SetProcessWow64(pid, c.wow64);
    sim::SetProcessOpenRefused(pid, c.refused);
    Pick(d.dialog, kDeep);
    EXPECT_EQ(sim::BrowseDialogSelected(d.dialog) == kDeep, c.selected);
    EXPECT_EQ(sim::ShellExecutions().size(), c.selected ? 0u : 1u);
    EXPECT_EQ(sim::AllocationsMade(pid) > 0, !c.refused) << "the item buffer lives in the dialog's process";
    EXPECT_EQ(sim::LiveAllocations(pid), 0);
    EXPECT_EQ(sim::BrowseDialogBadPointers(d.dialog), 0) << "no pointer the dialog's process can't read";
    EXPECT_TRUE(LogHas(c.log));
    TearDown();
  }
}

TEST_F(TargetsBrowseSelect, ADialogThatDoesNotAnswer) {
  // The whole dialog hung: bounded, and a new window instead.
  {
    sim::BrowseDialogSpec spec = Spec(sim::BrowseLayout::ShellTree, true);
    spec.hung = true;
    sim::BrowseDialog d = sim::CreateBrowseDialog(spec);
    const std::uint32_t start = plat::TickCount();
    Pick(d.dialog, kDeep);
    EXPECT_LT(plat::TickCount() - start, 3000u) << "a hung dialog holds the agent about a second";
    EXPECT_EQ(sim::ShellExecutions().size(), 1u);
    EXPECT_TRUE(LogHas(L"the edit box does not answer"));
  }
  TearDown();
  SetUp();
  // Only the dialog's own window is stuck: BFFM_SETSELECTIONW times out, so
  // the path it points at stays in the dialog's process (it may still read
  // it), and the tree, which answers, is walked.
  {
    sim::BrowseDialog d = sim::CreateBrowseDialog(Spec(sim::BrowseLayout::ShellTree, true));
    sim::SetHung(d.dialog, true);
    Pick(d.dialog, kDeep);
    EXPECT_EQ(sim::BrowseDialogSelected(d.dialog), kDeep);
    EXPECT_TRUE(sim::ShellExecutions().empty());
    EXPECT_EQ(sim::LiveAllocations(ProcessOf(d.dialog)), 1) << "the path's buffer was kept";
    EXPECT_TRUE(LogHas(L"a buffer stays in the other process"));
    EXPECT_TRUE(LogHas(L"selected in its folder tree"));
  }
}

TEST_F(TargetsBrowseSelect, AFailedSelectionLeavesTheShellDialogsEditBoxAsItWas) {
  // The box would hand the typed path to the dialog's OK: it gets back what
  // it held when nothing could be selected.
  sim::BrowseDialog d = sim::CreateBrowseDialog(Spec(sim::BrowseLayout::ShellNameSpace, true));
  ASSERT_EQ(sim::Text(d.edit), L"Data");
  Pick(d.dialog, L"C:\\Harbour\\Hidden");
  EXPECT_EQ(sim::Text(d.edit), L"Data");
  EXPECT_EQ(sim::BrowseDialogSelected(d.dialog), L"C:\\Data");
  EXPECT_EQ(sim::ShellExecutions().size(), 1u);
  EXPECT_TRUE(LogHas(L"the dialog did not select the path of its edit box"));
}

TEST_F(TargetsBrowseSelect, AProgramsDialogWithAnEditBoxAndNoUsableTreeGetsThePathInItsBox) {
  sim::BrowseDialog d = sim::CreateBrowseDialog(Spec(sim::BrowseLayout::ProgramTree, true));
  Pick(d.dialog, L"C:\\Harbour\\Hidden");
  EXPECT_EQ(sim::Text(d.edit), L"C:\\Harbour\\Hidden");
  EXPECT_TRUE(sim::ShellExecutions().empty());
  EXPECT_TRUE(LogHas(L"the path stands in its edit box"));
  EXPECT_EQ(sim::BrowseDialogSetSelections(d.dialog), 0);
}

TEST(TargetsBrowseSelectSteps, PathsAsTheTreeShowsThem) {
  struct Case {
    std::wstring path;
    std::vector<std::wstring> steps;
  };
  const Case cases[] = {
      {L"C:\\Harbour\\Deep", {L"C:", L"Harbour", L"Deep"}},
      {L"c:\\Harbour\\\\Deep\\", {L"C:", L"Harbour", L"Deep"}},
      {L"\\\\?\\D:\\Long", {L"D:", L"Long"}},
      {L"C:\\", {L"C:"}},
      {L"C:", {L"C:"}},
      {L"\\\\server\\share\\x", {}},  // network: not walked
      {L"C:relative", {}},
      {L"C:\\a\\..\\b", {}},
      {L"Harbour", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(FolderTreeSteps(c.path), c.steps) << std::string(c.path.begin(), c.path.end());

  struct Drive {
    std::wstring text;
    std::wstring drive;
    bool match;
  };
  const Drive drives[] = {
      {L"Local Disk (C:)", L"C:", true},
      {L"System (c:)", L"C:", true},
      {L"C:\\", L"C:", true},
      {L"C:", L"C:", true},
      {L"D:", L"C:", false},
      {L"Data (D:)", L"", true},
      {L"C:\\Windows", L"C:", false},
      {L"Desktop", L"", false},
      {L"(C:", L"C:", false},
  };
  for (const Drive& d : drives)
    EXPECT_EQ(IsDriveItemText(d.text, d.drive), d.match) << std::string(d.text.begin(), d.text.end());
}

}  // namespace
