// The folder menu over a target window: which commands show for which kind,
// the reload marker, the open-menu flag, the attach to the target's input, and
// what the chosen item does to the target.
#include <algorithm>
#include <functional>

#include "agent_test_support.h"
#include "menu/folder_menu.h"
#include "platform/clock.h"
#include "platform/menu.h"
#include "sim/sim_menu.h"
#include "sim/sim_process_memory.h"
#include "sim/sim_recent_docs.h"
#include "sim/sim_shell_execute.h"
#include "sim/sim_window.h"
#include "store/favourites.h"
#include "store/recent_lists.h"

using namespace agent_test;

namespace {

using Strings = std::vector<std::wstring>;

// The captions of the visible items of a menu (separators as "-").
Strings Visible(const std::vector<plat::MenuItem>& items) {
  Strings out;
  for (const auto& i : items) {
    if (i.visible) out.push_back(i.IsSeparator() ? L"-" : i.caption);
  }
  return out;
}

bool Shows(const plat::Menu& m, const wchar_t* name) {
  const plat::MenuItem* i = plat::FindMenuItem(m, name);
  return i && i->visible;
}

class MenuDisplay : public AgentFixture {
 protected:
  void SetUp() override {
    AgentFixture::SetUp();
    store::RecentFiles.Clear();
    store::RecentFolders.Clear();
    for (const wchar_t* d : {L"C:\\Windows\\System32", L"C:\\Work", L"C:\\Projects", L"C:\\Data"}) {
      plat::CreateDirectories(d);
    }
    // Not a first run: the settings key exists; the favourites are ours.
    sim::RegCreateKey(HKCU, kSettings);
    Favourite(L"C:\\Windows\\System32", L"System$0");
  }
  void TearDown() override {
    store::RecentFiles.Clear();
    store::RecentFolders.Clear();
    AgentFixture::TearDown();
  }
  static void Favourite(const std::wstring& name, const std::wstring& value) {
    sim::RegSetString(HKCU, kPath, name, value);
  }
  static void Filter(const std::wstring& mask, const std::wstring& name) {
    sim::RegSetString(HKCU, kFilter, mask, name);
  }
  static plat::Window Explorer(const std::wstring& title) {
    sim::WindowSpec spec;
    spec.class_name = L"CabinetWClass";
    spec.text = title;
    spec.style = plat::WS_VISIBLE | plat::WS_OVERLAPPEDWINDOW;
    spec.rect = {10, 10, 600, 400};
    return sim::CreateWindow(spec);
  }
  static plat::Window Other(const wchar_t* cls) {
    sim::WindowSpec spec;
    spec.class_name = cls;
    spec.rect = {10, 10, 600, 400};
    return sim::CreateWindow(spec);
  }
  // Shows the menu over w and returns it as it was shown.
  plat::Menu Show(plat::Window w, targets::TargetKind kind, const std::wstring& choice = L"") {
    if (!choice.empty()) sim::ScriptMenuChoice(choice);
    const std::size_t before = sim::ShownMenus().size();
    menu::ShowPath(*form, w, kind);
    const auto shown = sim::ShownMenus();
    return shown.size() > before ? shown.back().menu : plat::Menu{};
  }
  static void AddRecentFile(const std::wstring& path, std::uint32_t stamp) {
    plat::WriteWholeFile(path, "x");
    store::RecentFiles.Add(std::to_wstring(stamp) + L"@" + path, store::TStr{path, 0});
  }
  static void AddRecentFolder(const std::wstring& folder, std::uint32_t stamp) {
    plat::CreateDirectories(folder);
    store::RecentFolders.Add(std::to_wstring(stamp) + L"@" + folder + L"\\f.txt", store::TStr{folder, 0});
  }
};

TEST_F(MenuDisplay, CommandsShowByKindOfTarget) {
  Favourite(L"C:\\Work$2", L"Work$0");
  Filter(L"*.txt", L"Text files");
  AddRecentFile(L"C:\\Data\\a.txt", 10);
  AddRecentFolder(L"C:\\Data", 10);
  auto& f = Start();
  form->BuildRecentMenus(true, true);

  struct Case {
    const char* what;
    plat::Window window;
    targets::TargetKind kind;
    bool recent_files, filter, add, remove, open_folder;
  };
  const plat::Window dialog = Other(L"#32770");
  const Case cases[] = {
      {"file dialog", dialog, targets::FileDialog, true, true, false, false, false},
      {"explorer on a submenu child's folder", Explorer(L"C:\\Work"), targets::Explorer, true, false, false, true,
       true},
      {"explorer on a folder that is no favourite", Explorer(L"C:\\Projects"), targets::Explorer, true, false, true,
       false, true},
      {"explorer on a top-level favourite, other case", Explorer(L"c:\\windows\\SYSTEM32"), targets::Explorer, true,
       false, false, true, true},
      {"explorer whose folder cannot be read", Explorer(L"Network"), targets::Explorer, true, false, false, false,
       false},
      {"desktop", Other(L"Progman"), targets::Desktop, true, false, false, false, false},
      {"archiver window", Other(L"WinRarWindow"), targets::RarWindow, false, false, false, false, false},
      {"archiver extract dialog", dialog, targets::RarExtractDialog, false, false, false, false, false},
      {"zip extract dialog", dialog, targets::ZipExtractDialog, false, false, false, false, false},
      {"ace extract dialog", dialog, targets::AceExtractDialog, true, false, false, false, false},
  };
  for (const auto& c : cases) {
    const plat::Menu m = Show(c.window, c.kind);
    ASSERT_FALSE(m.empty()) << c.what;
    EXPECT_EQ(targets::CurrentTargetWindow, c.window) << c.what;
    EXPECT_EQ(targets::CurrentTargetKind, c.kind) << c.what;
    EXPECT_TRUE(Shows(m, menu::kRecent1)) << c.what;
    EXPECT_EQ(Shows(m, menu::kRecentfiles1), c.recent_files) << c.what;
    EXPECT_EQ(Shows(m, menu::kFilter1), c.filter) << c.what;
    EXPECT_EQ(Shows(m, menu::kAdd), c.add) << c.what;
    EXPECT_EQ(Shows(m, menu::kRemove), c.remove) << c.what;
    EXPECT_EQ(Shows(m, menu::kOpenFolder), c.open_folder) << c.what;
    EXPECT_TRUE(Shows(m, menu::kSetting)) << c.what;
    EXPECT_EQ(m.front().caption, L"System") << c.what;
  }
  // The menu opens at the cursor, owned by the main window.
  sim::SetCursorPos({321, 123});
  Show(dialog, targets::FileDialog);
  EXPECT_EQ(sim::ShownMenus().back().pt.x, 321);
  EXPECT_EQ(sim::ShownMenus().back().pt.y, 123);
  EXPECT_EQ(sim::ShownMenus().back().owner, f.Handle);
}

// Titles, filter names and paths show as stored, "&" included: none of them
// gives its item an access key, so typing the letter after an "&" chooses
// nothing.
TEST_F(MenuDisplay, UserTextsShowAsStoredAndMakeNoAccessKeys) {
  plat::CreateDirectories(L"C:\\R&D");
  Favourite(L"C:\\R&D", L"R&D$0");
  Filter(L"*.mp3", L"Sounds & Music");
  AddRecentFolder(L"C:\\Tom & Jerry", 10);
  AddRecentFile(L"C:\\R&D\\plan&budget.txt", 11);
  Start();
  form->BuildRecentMenus(true, true);
  const plat::Window dialog = Other(L"#32770");

  sim::ScriptMenuKey(L'd');
  const plat::Menu m = Show(dialog, targets::FileDialog);
  EXPECT_TRUE(LogHas(L"end, nothing chosen"));
  EXPECT_FALSE(LogHas(L"end, chosen: R"));
  struct Case {
    const wchar_t* submenu;  // nullptr: the top level
    std::wstring shown;
  };
  const Case cases[] = {{nullptr, L"R&D"},
                        {menu::kFilter1, L"Sounds & Music"},
                        {menu::kRecent1, L"C:\\Tom & Jerry"},
                        {menu::kRecentfiles1, L"C:\\R&D\\plan&budget.txt"}};
  for (const auto& c : cases) {
    const plat::Menu& items = c.submenu ? plat::FindMenuItem(m, c.submenu)->items : m;
    const auto it = std::find_if(items.begin(), items.end(),
                                 [&](const plat::MenuItem& i) { return plat::MenuCaptionText(i.caption) == c.shown; });
    ASSERT_NE(it, items.end()) << plat::MenuCaptionText(items.front().caption).size();
    EXPECT_EQ(plat::MenuAccessKey(it->caption), 0) << it - items.begin();
  }
  // Chosen by what it shows, it is logged as it shows.
  Show(dialog, targets::FileDialog, L"R&D");
  EXPECT_TRUE(LogHas(L"end, chosen: R&D"));
}

TEST_F(MenuDisplay, OpenWindowsListsOtherExplorerFoldersAndTakesTheDialogThere) {
  auto& f = Start();
  // Folder windows of Windows, the newer one on top; the newest shows the
  // dialog's own folder.
  for (const wchar_t* title : {L"C:\\Work", L"C:\\Projects", L"C:\\DATA\\"}) {
    sim::WindowSpec spec;
    spec.class_name = L"CabinetWClass";
    spec.text = title;
    spec.style = plat::WS_OVERLAPPEDWINDOW | plat::WS_VISIBLE | plat::WS_CLIPSIBLINGS;
    spec.ex_style = plat::WS_EX_WINDOWEDGE;
    spec.rect = {10, 10, 600, 400};
    sim::CreateWindow(spec);
  }
  sim::FileDialogSpec spec;
  spec.folder = L"C:\\Data";
  spec.user_text = L"notes.txt";
  const sim::FileDialog d = sim::CreateFileDialog(spec);

  plat::Menu m = Show(d.dialog, targets::FileDialog, L"C:\\Work");
  ASSERT_TRUE(Shows(m, menu::kOpenWindows));
  EXPECT_EQ(Visible(plat::FindMenuItem(m, menu::kOpenWindows)->items), (Strings{L"C:\\Projects", L"C:\\Work"}));
  // After the favourites and their separator.
  const auto at = [&m](const wchar_t* name) {
    return std::find_if(m.begin(), m.end(), [&](const plat::MenuItem& i) { return i.name == name; }) - m.begin();
  };
  EXPECT_EQ(at(menu::kOpenWindows), at(menu::kN3) + 1);
  EXPECT_EQ(sim::FileDialogFolder(d.dialog), L"C:\\Work");
  EXPECT_EQ(sim::Text(d.edit), L"notes.txt");
  // Now the dialog lists C:\Work: that window is left out, C:\Data is in.
  m = Show(d.dialog, targets::FileDialog);
  EXPECT_EQ(Visible(plat::FindMenuItem(m, menu::kOpenWindows)->items), (Strings{L"C:\\DATA", L"C:\\Projects"}));
  // A dialog whose folder cannot be asked for (its process refuses): every
  // folder is offered, nothing else changes.
  std::uint32_t pid = 0;
  plat::GetWindowThreadProcessId(d.dialog, &pid);
  sim::SetProcessOpenRefused(pid, true);
  m = Show(d.dialog, targets::FileDialog);
  EXPECT_EQ(Visible(plat::FindMenuItem(m, menu::kOpenWindows)->items),
            (Strings{L"C:\\DATA", L"C:\\Projects", L"C:\\Work"}));
  EXPECT_EQ(sim::LiveAllocations(pid), 0);

  // Switched off: no submenu, and no window is asked.
  f.ProgramSettings.OpenWindowsMenu = false;
  m = Show(d.dialog, targets::FileDialog);
  EXPECT_FALSE(Shows(m, menu::kOpenWindows));
}

TEST_F(MenuDisplay, RecentSubmenusFollowTheirSettingsAndLists) {
  sim::RegSetDword(HKCU, kSettings, L"RecentFldr", 0);
  AddRecentFolder(L"C:\\Data", 10);
  Start();
  form->BuildRecentMenus(true, true);
  plat::Menu m = Show(Other(L"Progman"), targets::Desktop);
  EXPECT_FALSE(Shows(m, menu::kRecent1));       // switched off
  EXPECT_FALSE(Shows(m, menu::kRecentfiles1));  // empty
  // With no filters a file dialog shows no Filter submenu either.
  m = Show(Other(L"#32770"), targets::FileDialog);
  EXPECT_FALSE(Shows(m, menu::kFilter1));
  EXPECT_EQ(Visible(m), (Strings{L"System", L"-", L"-", L"-", L"Options..."}));
}

TEST_F(MenuDisplay, TheUpdateMarkerReloadsTheStoreOnce) {
  auto& f = Start();
  const plat::Window desk = Other(L"Progman");
  EXPECT_EQ(Show(desk, targets::Desktop).front().caption, L"System");
  // Another program changes the store and leaves the marker.
  Favourite(L"C:\\Work", L"Work$0");
  sim::RegSetString(HKCU, kSettings, L"Update", L"1");
  plat::Menu m = Show(desk, targets::Desktop);
  EXPECT_FALSE(sim::RegValueExists(HKCU, kSettings, L"Update"));
  EXPECT_EQ(m[1].caption, L"Work");
  EXPECT_EQ(f.PopupMenu2[1].caption, L"Work");
  // Without the marker nothing is reloaded.
  Favourite(L"C:\\Data", L"Data$0");
  m = Show(desk, targets::Desktop);
  EXPECT_EQ(m[2].caption, L"-");
}

TEST_F(MenuDisplay, WhileOpenTheFlagIsSetAndTheTargetAttachedAfterwardsNeither) {
  auto& f = Start();
  ASSERT_NE(f.HookBlock, nullptr);
  const plat::Window dialog = Other(L"#32770");
  int flag_while_open = -1, attached_while_open = -1;
  sim::OnMenuOpen([&](const plat::Menu&) {
    flag_while_open = static_cast<int>(f.HookBlock->MenuOpenFlag);
    attached_while_open = sim::AttachmentsInForce();
  });
  Show(dialog, targets::FileDialog);
  EXPECT_EQ(flag_while_open, 1);
  EXPECT_EQ(attached_while_open, 1);
  EXPECT_EQ(f.HookBlock->MenuOpenFlag, 0u);
  EXPECT_EQ(sim::AttachmentsInForce(), 0);
  // The main window gets a WM_NULL after the popup.
  Pump(5);
  const auto received = sim::Received(f.Handle);
  EXPECT_TRUE(std::any_of(received.begin(), received.end(),
                          [](const sim::Msg& m) { return m.msg == plat::WM_NULL && m.posted; }));
  EXPECT_TRUE(LogHas(L"ShowPath Parameters: begin, type=4, W=" + targets::HandleText(dialog)));

  // Without a UI thread noted nothing is attached.
  targets::AgentUiThreadId = 0;
  Show(dialog, targets::FileDialog);
  EXPECT_EQ(attached_while_open, 0);
}

// A record may name any window under any kind: a window whose thread does
// not answer must not hold the menu back longer than one message's time-out.
TEST_F(MenuDisplay, AWindowThatDoesNotAnswerHoldsTheMenuBackNoLongerThanATimeOut) {
  auto& f = Start();
  ASSERT_NE(f.HookBlock, nullptr);
  struct Case {
    const char* what;
    const wchar_t* cls;
    targets::TargetKind kind;
    bool hung;  // else busy for 5 s
  };
  const Case cases[] = {
      {"a busy program's window taken for a file dialog", L"TBusyForm", targets::FileDialog, false},
      {"a hung window taken for Explorer", L"TBusyForm", targets::Explorer, true},
      {"a busy Explorer window", L"CabinetWClass", targets::Explorer, false},
      {"a hung window taken for the Desktop", L"Notepad", targets::Desktop, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    sim::WindowSpec spec;
    spec.class_name = c.cls;
    spec.text = L"C:\\Work";
    spec.rect = {10, 10, 600, 400};
    const plat::Window w = sim::CreateWindow(spec);
    // The user's window was in front.
    sim::SetForeground(w);
    if (c.hung)
      sim::SetHung(w, true);
    else
      sim::SetReplyDelay(w, 5000);
    int attached_while_open = -1;
    sim::OnMenuOpen([&](const plat::Menu&) { attached_while_open = sim::AttachmentsInForce(); });
    const std::uint32_t begin = plat::TickCount();
    Show(w, c.kind);
    EXPECT_LE(plat::LastPopupShownTick() - begin, 400u);
    EXPECT_LE(plat::TickCount() - begin, 400u);
    EXPECT_EQ(attached_while_open, 0);
    EXPECT_EQ(sim::AttachmentsInForce(), 0);
    EXPECT_TRUE(LogHas(L"the window does not answer: no input shared, nothing read, W=" + targets::HandleText(w)));
    // The menu still shows the favourites.
    EXPECT_EQ(sim::ShownMenus().back().menu.front().caption, L"System");
    sim::OnMenuOpen(nullptr);
    sim::DestroyWindow(w);
  }
}

TEST_F(MenuDisplay, ANullWindowShowsNoMenu) {
  Start();
  const plat::Menu m = Show(0, targets::FileDialog);
  EXPECT_TRUE(m.empty());
  EXPECT_TRUE(sim::ShownMenus().empty());
  infra::SaveAllLogs(false);
  std::string bytes;
  ASSERT_TRUE(plat::ReadWholeFile(kLogFolder + L"folder_error.log", bytes));
  bool found = false;
  for (const auto& l : infra::SplitLogLines(bytes)) found = found || l.find(L"W = 0") != std::wstring::npos;
  EXPECT_TRUE(found);
}

TEST_F(MenuDisplay, ChoosingAFavouriteOrFilterNavigatesTheDialogAndEscapeDoesNothing) {
  Favourite(L"Submenu1", L"Projects$5");
  Favourite(L"C:\\Projects$2", L"All projects$0");
  Filter(L"*.txt", L"Text files");
  Filter(L"*.log", L"Logs");
  Start();
  sim::FileDialogSpec spec;
  spec.folder = L"C:\\Data";
  spec.user_text = L"notes.txt";
  spec.restores_user_text = false;
  const sim::FileDialog d = sim::CreateFileDialog(spec);

  // Dismissed: nothing happens to the dialog, and it has the keyboard again.
  sim::SetForeground(d.dialog);
  plat::Window foreground_while_open = 0;
  sim::OnMenuOpen([&](const plat::Menu&) { foreground_while_open = plat::GetForegroundWindow(); });
  Show(d.dialog, targets::FileDialog);
  sim::OnMenuOpen(nullptr);
  EXPECT_EQ(foreground_while_open, form->Handle);
  EXPECT_EQ(plat::GetForegroundWindow(), d.dialog);
  EXPECT_EQ(sim::FileDialogFolder(d.dialog), L"C:\\Data");
  EXPECT_EQ(sim::FileDialogEnters(d.dialog), 0);
  EXPECT_EQ(sim::Text(d.edit), L"notes.txt");

  Show(d.dialog, targets::FileDialog, L"System");
  EXPECT_EQ(sim::FileDialogFolder(d.dialog), L"C:\\Windows\\System32");
  EXPECT_EQ(sim::Text(d.edit), L"notes.txt");

  Show(d.dialog, targets::FileDialog, L"All projects");
  EXPECT_EQ(sim::FileDialogFolder(d.dialog), L"C:\\Projects");

  Show(d.dialog, targets::FileDialog, L"Logs");
  EXPECT_EQ(sim::FileDialogFilter(d.dialog), L"*.log");
  EXPECT_EQ(sim::Text(d.edit), L"notes.txt");
  EXPECT_TRUE(sim::ShellExecutions().empty());
}

TEST_F(MenuDisplay, ARecentFolderMovesToTheTopAndAVanishedOneIsGreyed) {
  AddRecentFolder(L"C:\\R1", 100);
  AddRecentFolder(L"C:\\R2", 200);
  AddRecentFolder(L"C:\\R3", 300);
  auto& f = Start();
  form->BuildRecentMenus(true, true);
  sim::FileDialogSpec spec;
  spec.folder = L"C:\\Data";
  const sim::FileDialog d = sim::CreateFileDialog(spec);

  plat::Menu m = Show(d.dialog, targets::FileDialog, L"C:\\R1");
  EXPECT_EQ(Visible(plat::FindMenuItem(m, menu::kRecent1)->items),
            (Strings{L"C:\\R3", L"C:\\R2", L"C:\\R1", L"-", L"Clear"}));
  EXPECT_EQ(sim::FileDialogFolder(d.dialog), L"C:\\R1");
  EXPECT_EQ(store::RecentFolders.Objects(2).Path, L"C:\\R1");
  EXPECT_EQ(Visible(plat::FindMenuItem(f.PopupMenu2, menu::kRecent1)->items),
            (Strings{L"C:\\R1", L"C:\\R3", L"C:\\R2", L"-", L"Clear"}));

  // R2 vanishes after the menu was built: its item is disabled, nothing else.
  plat::RemoveFolder(L"C:\\R2");
  Show(d.dialog, targets::FileDialog, L"C:\\R2");
  EXPECT_EQ(sim::FileDialogFolder(d.dialog), L"C:\\R1");
  const plat::MenuItem* sub = plat::FindMenuItem(f.PopupMenu2, menu::kRecent1);
  const auto r2 = std::find_if(sub->items.begin(), sub->items.end(),
                               [](const plat::MenuItem& i) { return i.caption == L"C:\\R2"; });
  ASSERT_NE(r2, sub->items.end());
  EXPECT_FALSE(r2->enabled);
  EXPECT_EQ(store::RecentFolders.Count(), 3);

  // "Clear" empties both lists and hides both submenus.
  Show(d.dialog, targets::FileDialog, menu::kClear);
  EXPECT_TRUE(store::RecentFolders.Empty());
  EXPECT_FALSE(Shows(f.PopupMenu2, menu::kRecent1));
}

// Timers go on firing while the popup is open: a Recent scan or a reload of
// the favourites rebuilds the menu under the user. The choice is still the
// entry the user saw.
TEST_F(MenuDisplay, AChoiceIsTheEntrySeenThoughTheMenuWasRebuiltWhileOpen) {
  struct Case {
    const char* what;
    std::wstring choice;
    std::function<void()> change;  // while the menu is open
    std::wstring folder;           // where the dialog goes
  };
  const Case cases[] = {
      {"a recent folder, after another one was opened again", L"C:\\R2",
       [this] {
         store::RecentFolders.Clear();
         AddRecentFolder(L"C:\\R2", 200);
         AddRecentFolder(L"C:\\R3", 300);
         AddRecentFolder(L"C:\\R1", 400);
         form->BuildRecentMenus(true, true);
       },
       L"C:\\R2"},
      {"a favourite, after the store was rewritten", L"Projects",
       [this] {
         sim::RegDeleteTree(HKCU, kPath);
         Favourite(L"C:\\Data", L"Data$0");
         Favourite(L"C:\\Work", L"Work$0");
         Favourite(L"C:\\Projects", L"Projects$0");
         store::LoadFavourites();
       },
       L"C:\\Projects"},
      {"a recent folder whose list was emptied", L"C:\\R3",
       [this] {
         store::RecentFolders.Clear();
         form->BuildRecentMenus(true, true);
       },
       L"C:\\R3"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    sim::RegDeleteTree(HKCU, kPath);
    Favourite(L"C:\\Work", L"Work$0");
    Favourite(L"C:\\Projects", L"Projects$0");
    store::RecentFolders.Clear();
    AddRecentFolder(L"C:\\R1", 100);
    AddRecentFolder(L"C:\\R2", 200);
    AddRecentFolder(L"C:\\R3", 300);
    if (!form) Start();
    store::LoadFavourites();
    form->BuildRecentMenus(true, true);
    sim::FileDialogSpec spec;
    spec.folder = L"C:\\Data";
    const sim::FileDialog d = sim::CreateFileDialog(spec);
    sim::OnMenuOpen([&](const plat::Menu&) { c.change(); });
    Show(d.dialog, targets::FileDialog, c.choice);
    sim::OnMenuOpen(nullptr);
    EXPECT_EQ(sim::FileDialogFolder(d.dialog), c.folder);
  }
}

TEST_F(MenuDisplay, ARecentFileOpensInItsProgramOrInTheDialog) {
  AddRecentFile(L"C:\\Data\\report.txt", 100);
  AddRecentFile(L"C:\\Data\\gone.txt", 200);
  auto& f = Start();
  form->BuildRecentMenus(true, true);

  // Over the Desktop the shell opens it; no dialog is touched.
  Show(Other(L"Progman"), targets::Desktop, L"C:\\Data\\report.txt");
  ASSERT_EQ(sim::ShellExecutions().size(), 1u);
  EXPECT_EQ(sim::ShellExecutions()[0].file, L"C:\\Data\\report.txt");
  EXPECT_EQ(sim::ShellExecutions()[0].verb, L"");
  EXPECT_EQ(sim::ShellExecutions()[0].show, plat::SW_SHOWNORMAL);
  EXPECT_EQ(sim::RecentDocs(), (Strings{L"C:\\Data\\report.txt"}));

  // In a file dialog the dialog gets the full path and opens it.
  sim::FileDialogSpec spec;
  spec.folder = L"C:\\Windows";
  const sim::FileDialog d = sim::CreateFileDialog(spec);
  Show(d.dialog, targets::FileDialog, L"C:\\Data\\report.txt");
  EXPECT_EQ(sim::FileDialogOpened(d.dialog), (Strings{L"C:\\Data\\report.txt"}));
  EXPECT_EQ(sim::ShellExecutions().size(), 1u);

  // A file deleted since the menu was built: greyed, not opened.
  plat::RemoveFile(L"C:\\Data\\gone.txt");
  Show(Other(L"Progman"), targets::Desktop, L"C:\\Data\\gone.txt");
  EXPECT_EQ(sim::ShellExecutions().size(), 1u);
  EXPECT_EQ(sim::RecentDocs().size(), 2u);
  const plat::MenuItem* sub = plat::FindMenuItem(f.PopupMenu2, menu::kRecentfiles1);
  EXPECT_FALSE(sub->items.front().enabled);
}

TEST_F(MenuDisplay, TheFormLoadsImageList1AndTheFavouritesAtStart) {
  auto& f = Start();
  EXPECT_EQ(sim::MenuImageCount(), 20u);
  EXPECT_EQ(sim::MenuImageFirstResource(), menu::kImageResourceFirst);
  EXPECT_EQ(f.PopupMenu2.front().caption, L"System");
  EXPECT_EQ(f.PopupMenu2.front().tag, 20);
  EXPECT_EQ(plat::FindMenuItem(f.PopupMenu2, menu::kSetting)->image, menu::kImageOptions);
  EXPECT_EQ(plat::FindMenuItem(f.PopupMenu2, menu::kAdd)->image, menu::kImageAdd);
  EXPECT_EQ(plat::FindMenuItem(f.PopupMenu2, menu::kRemove)->image, menu::kImageRemove);
}

}  // namespace
