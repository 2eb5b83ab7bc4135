// The options dialog: opening, pages and captions, loading the settings, OK,
// Apply and Cancel, the Preferences controls, the list commands and help.
#include <functional>

#include "agent_test_support.h"
#include "platform/clock.h"
#include "platform/forms.h"
#include "platform/message_box.h"
#include "sim/sim_forms.h"
#include "sim/sim_message_box.h"
#include "sim/sim_shell_browse.h"
#include "sim/sim_shell_execute.h"
#include "sim/sim_system.h"
#include "sim/sim_tray.h"
#include "sim/sim_window.h"
#include "platform/system.h"
#include "errors/global_exception.h"
#include "platform/window.h"
#include "store/config_files.h"
#include "store/favourites.h"
#include "ui/editor.h"
#include "ui/setting.h"

using namespace agent_test;

namespace ui_test {

using Entries = std::vector<std::pair<std::wstring, std::wstring>>;

inline Entries KeyEntries(const std::wstring& key) {
  Entries out;
  for (const auto& name : sim::RegValueNames(HKCU, key)) {
    auto data = sim::RegGetString(HKCU, key, name);
    out.emplace_back(name, data ? *data : L"<not a string>");
  }
  return out;
}

// Rows of a list view as "title|path|indent" texts.
inline std::vector<std::wstring> Rows(plat::Form f, const std::wstring& list) {
  std::vector<std::wstring> out;
  for (int i = 0; i < plat::ListCount(f, list); ++i) {
    const plat::ListRow r = plat::GetListRow(f, list, i);
    out.push_back(r.caption + L"|" + (r.subitems.empty() ? L"" : r.subitems[0]) + L"|" + std::to_wstring(r.indent));
  }
  return out;
}

inline int RowOf(plat::Form f, const std::wstring& list, const std::wstring& title) {
  for (int i = 0; i < plat::ListCount(f, list); ++i)
    if (plat::GetListRow(f, list, i).caption == title) return i;
  return -1;
}

class OptionsFixture : public AgentFixture {
 protected:
  void SetUp() override {
    AgentFixture::SetUp();
    // Not a first run: the store holds exactly what each test writes.
    sim::RegCreateKey(HKCU, kSettings);
    for (const wchar_t* dir : {L"C:\\Work", L"C:\\Data", L"C:\\Music", L"C:\\Docs", L"C:\\New"})
      plat::CreateDirectories(dir);
  }

  void Favourites(const Entries& entries) {
    sim::RegDeleteTree(HKCU, kPath);
    sim::RegCreateKey(HKCU, kPath);
    for (const auto& [n, v] : entries) sim::RegSetString(HKCU, kPath, n, v);
  }
  void Filters(const Entries& entries) {
    sim::RegDeleteTree(HKCU, kFilter);
    sim::RegCreateKey(HKCU, kFilter);
    for (const auto& [n, v] : entries) sim::RegSetString(HKCU, kFilter, n, v);
  }

  // Opens "Options..." with the user acting in `user`.
  void Options(std::function<void(plat::Form)> user) {
    sim::ScriptModal(ui::sett_control::kForm, std::move(user));
    form->Settings1Click();
  }

  std::uint32_t Dword(const wchar_t* name) { return sim::RegGetDword(HKCU, kSettings, name).value_or(0xDEAD); }
};

}  // namespace ui_test

using namespace ui_test;

namespace {

class UiOptions : public OptionsFixture {};

TEST_F(UiOptions, OptionsAndAboutOpenOneDialogOnTheirPage) {
  Start();
  int page_at_show = -1;
  int showings_inside = 0;
  Options([&](plat::Form f) {
    page_at_show = plat::GetPageIndex(f, ui::sett_control::kPages);
    sim::ClickTab(f, ui::sett_control::kPages, ui::kOptionPage);
    // "About..." while the user edits the Preferences page: the dialog comes
    // forward and stays on that page.
    sim::SetForeground(0);
    form->N121Click();
    EXPECT_EQ(plat::GetPageIndex(f, ui::sett_control::kPages), ui::kOptionPage);
    EXPECT_EQ(plat::GetForegroundWindow(), plat::FormWindow(f));
    // The thread message 0x047D while the dialog shows: no second dialog,
    // the open one goes back to the Folders page.
    form->ProcessMessage(plat::Msg{0, agent::WM_QXOPTIONS, 0, 0});
    EXPECT_EQ(plat::GetPageIndex(f, ui::sett_control::kPages), ui::kFoldersPage);
    showings_inside = static_cast<int>(sim::ModalShowings().size());
    sim::Click(f, ui::sett_control::kCancel);
  });
  EXPECT_EQ(page_at_show, ui::kFoldersPage);
  EXPECT_EQ(showings_inside, 1);

  // "About..." on a closed dialog opens it on the About page with the version.
  int about_page = -1;
  std::wstring about;
  sim::ScriptModal(ui::sett_control::kForm, [&](plat::Form f) {
    about_page = plat::GetPageIndex(f, ui::sett_control::kPages);
    about = plat::GetControlText(f, ui::sett_control::kAboutText);
  });
  form->N121Click();
  EXPECT_EQ(about_page, ui::kAboutPage);
  EXPECT_EQ(about.rfind(L"Vorlune Folder ", 0), 0u);
  EXPECT_EQ(sim::ModalShowings(), (std::vector<std::wstring>{ui::sett_control::kForm, ui::sett_control::kForm}));
  // Both reach it through the tray menu as well.
  EXPECT_NE(plat::FindMenuItem(form->PopupMenu1, L"Settings1"), nullptr);
}

TEST_F(UiOptions, TheWaitForTheDialogIsLoggedUpToItsShowingOncePerOpening) {
  Start();
  const auto waits = [] {
    std::vector<int> ms;
    for (const auto& e : LogEntries()) {
      const auto at = e.find(L"ShowOptionsDialog Parameters: dialog on screen after ");
      if (at != std::wstring::npos) ms.push_back(std::stoi(e.substr(at + 53)));
    }
    return ms;
  };
  for (int opening = 1; opening <= 2; ++opening) {
    SCOPED_TRACE(opening);
    Options([&](plat::Form f) {
      // The user keeps the dialog open a while and asks for it again meanwhile:
      // neither is part of the wait.
      plat::SleepMs(5000);
      form->ProcessMessage(plat::Msg{0, agent::WM_QXOPTIONS, 0, 0});
      sim::Click(f, ui::sett_control::kCancel);
    });
    const std::vector<int> ms = waits();
    ASSERT_EQ(ms.size(), static_cast<std::size_t>(opening));
    EXPECT_LT(ms.back(), 5000);
  }
}

TEST_F(UiOptions, PagesControlsAndCaptionsAreLaidOutAsNamed) {
  Start();
  ui::TSett& sett = ui::SettCreated(*form);
  const plat::Form f = sett.Form();
  EXPECT_EQ(plat::GetFormCaption(f), L"Options");
  const std::pair<const wchar_t*, const wchar_t*> captions[] = {
      {ui::sett_control::kFoldersTab, L"Folders"},
      {ui::sett_control::kFiltersTab, L"Filters"},
      {ui::sett_control::kOptionTab, L"Preferences"},
      {ui::sett_control::kAboutTab, L"About"},
      {ui::sett_control::kFoldersGroup, L" Folders settings "},
      {ui::sett_control::kAddFolder, L"Add Folder..."},
      {ui::sett_control::kAddSubmenu, L"Add Submenu"},
      {ui::sett_control::kEditFolder, L"Edit"},
      {ui::sett_control::kRemoveFolder, L"Remove"},
      {ui::sett_control::kFolderUp, L"Up"},
      {ui::sett_control::kFolderDown, L"Down"},
      {ui::sett_control::kFiltersGroup, L" Filters settings "},
      {ui::sett_control::kAddFilter, L"Add Filter..."},
      {ui::sett_control::kEditFilter, L"Edit"},
      {ui::sett_control::kRemoveFilter, L"Remove"},
      {ui::sett_control::kFilterUp, L"Up"},
      {ui::sett_control::kFilterDown, L"Down"},
      {ui::sett_control::kGeneralGroup, L" General "},
      {ui::sett_control::kAutostart, L"Automatically start with Windows"},
      {ui::sett_control::kShowTray, L"Show the tray icon"},
      {ui::sett_control::kClearLink, L"Delete excess shortcuts (> 40)"},
      {ui::sett_control::kExplorerEnhancements, L"Enable Explorer enhancements"},
      {ui::sett_control::kRecentFiles, L"Display menu with"},
      {ui::sett_control::kRecentFilesLabel, L"recently opened files"},
      {ui::sett_control::kRecentFolders, L"Display menu with"},
      {ui::sett_control::kRecentFoldersLabel, L"recently opened folders"},
      {ui::sett_control::kHotKeyLabel, L"Assign a hot key for opening the program menu:"},
      {ui::sett_control::kDialogGroup, L" Show program menu in Save As/Open dialog boxes: "},
      {ui::sett_control::kWheel, L"When you rotate the mouse wheel"},
      {ui::sett_control::kWheelForward, L"When you rotate the mouse wheel forward"},
      {ui::sett_control::kWheelBackward, L"When you rotate the mouse wheel backward"},
      {ui::sett_control::kMiddleButton, L"When you click the middle mouse button"},
      {ui::sett_control::kHelpSignRightClick, L"When you right-click the '?' sign"},
      {ui::sett_control::kExplorerGroup, L" Show program menu in Windows Explorer/Internet Explorer/Desktop: "},
      {ui::sett_control::kMiddleExplorer, L"When you middle-click in Explorer"},
      {ui::sett_control::kMiddleIExplorer, L"When you middle-click in IExplorer"},
      {ui::sett_control::kMiddleDesktop, L"When you middle-click on Desktop"},
      {ui::sett_control::kAddressBarRightClick, L"When you right-click the 'Address bar'"},
      {ui::sett_control::kCustomize, L"Customize"},
      {ui::sett_control::kOk, L"OK"},
      {ui::sett_control::kApply, L"Apply"},
      {ui::sett_control::kCancel, L"Cancel"},
      {ui::sett_control::kHelp, L"Help"},
  };
  for (const auto& [name, caption] : captions) EXPECT_EQ(plat::GetControlText(f, name), caption) << name;
  // Pages in their order, the columns of the lists, the hot-key choices.
  const auto* lv1 = sim::ControlLayoutOf(f, ui::sett_control::kFolderList);
  ASSERT_NE(lv1, nullptr);
  ASSERT_EQ(lv1->columns.size(), 2u);
  EXPECT_EQ(lv1->columns[0].caption, L"Title");
  EXPECT_EQ(lv1->columns[0].width, 152);
  EXPECT_EQ(lv1->columns[1].caption, L"Path");
  EXPECT_EQ(lv1->columns[1].width, 215);
  EXPECT_EQ(lv1->image_count, 13);
  const auto* lv2 = sim::ControlLayoutOf(f, ui::sett_control::kFilterList);
  EXPECT_EQ(lv2->columns[0].caption, L"Name");
  EXPECT_EQ(lv2->columns[1].caption, L"Mask");
  EXPECT_EQ(plat::GetComboItems(f, ui::sett_control::kHotKeyChoice),
            (std::vector<std::wstring>{L"none", L"Natural Keyboard (Win + )", L"Custom"}));
  EXPECT_EQ(plat::GetControlTag(f, ui::sett_control::kOk), 1);
  EXPECT_EQ(plat::GetControlTag(f, ui::sett_control::kApply), 2);
  // As laid out, three controls stay hidden; the hot-key editor starts as Ctrl+Q.
  for (const wchar_t* hidden :
       {ui::sett_control::kHelpSignRightClick, ui::sett_control::kAddressBarRightClick, ui::sett_control::kCustomize})
    EXPECT_FALSE(plat::IsControlVisible(f, hidden)) << hidden;
  std::uint32_t key = 0, mods = 0;
  plat::GetHotKeyValue(f, ui::sett_control::kHotKey, key, mods);
  EXPECT_EQ(key, static_cast<std::uint32_t>('Q'));
  EXPECT_EQ(mods, plat::HOTKEYF_CONTROL);
}

TEST_F(UiOptions, CustomizeIsShownWhileTheExtensionIsBesideTheProgram) {
  const std::wstring extension = L"C:\\Program Files\\Vorlune Folder\\shellext.dll";
  Start();
  // The dialog is kept between showings; each showing looks again.
  for (bool present : {false, true, false}) {
    if (present)
      ASSERT_TRUE(plat::WriteWholeFile(extension, "MZ"));
    else
      plat::RemoveFile(extension);
    Options([&](plat::Form f) {
      EXPECT_EQ(plat::IsControlVisible(f, ui::sett_control::kCustomize), present);
      sim::Click(f, ui::sett_control::kCancel);
    });
  }
}

TEST_F(UiOptions, ShowingLoadsTheHotKeyWheelAndListsFromSettingsAndStore) {
  struct Case {
    std::uint32_t alt, keys, wheel;
    int combo;
    bool edit1, hot;
    std::wstring edit1_text;
    std::uint32_t hot_mods;
    bool box5, box8, box9;
  };
  const Case cases[] = {
      {0, 90, 0, 0, false, false, L"", 0, false, false, false},
      {8, 90, 1, 1, true, false, L"Z", 0, true, false, false},
      {1, 'K', 2, 2, false, true, L"", plat::HOTKEYF_ALT, true, true, false},
      {2, 'K', 3, 2, false, true, L"", plat::HOTKEYF_CONTROL, true, false, true},
      {4, 'K', 0, 2, false, true, L"", plat::HOTKEYF_SHIFT, false, false, false},
  };
  Favourites({{L"Submenu1", L"Work$5"}, {L"C:\\Work$2", L"Projects$4"}, {L"C:\\Data", L"Data$0"}});
  Filters({{L"*.*", L"All Files"}, {L"*.txt", L"Text"}});
  sim::RegSetString(HKCU, kRun, L"Vorlune Folder", kProgram);
  Start();
  for (const auto& c : cases) {
    form->ProgramSettings.Alt = static_cast<std::int32_t>(c.alt);
    form->ProgramSettings.Keys = static_cast<std::int32_t>(c.keys);
    form->ProgramSettings.MouseWheel = static_cast<std::int32_t>(c.wheel);
    Options([&](plat::Form f) {
      EXPECT_EQ(plat::GetItemIndex(f, ui::sett_control::kHotKeyChoice), c.combo) << c.alt;
      EXPECT_EQ(plat::IsControlVisible(f, ui::sett_control::kHotKeyLetter), c.edit1) << c.alt;
      EXPECT_EQ(plat::IsControlVisible(f, ui::sett_control::kHotKey), c.hot) << c.alt;
      if (c.edit1) EXPECT_EQ(plat::GetControlText(f, ui::sett_control::kHotKeyLetter), c.edit1_text);
      if (c.hot) {
        std::uint32_t key = 0, mods = 0;
        plat::GetHotKeyValue(f, ui::sett_control::kHotKey, key, mods);
        EXPECT_EQ(key, c.keys);
        EXPECT_EQ(mods, c.hot_mods);
      }
      EXPECT_EQ(plat::IsChecked(f, ui::sett_control::kWheel), c.box5);
      EXPECT_EQ(plat::IsChecked(f, ui::sett_control::kWheelForward), c.box8);
      EXPECT_EQ(plat::IsChecked(f, ui::sett_control::kWheelBackward), c.box9);
      EXPECT_EQ(plat::IsControlEnabled(f, ui::sett_control::kWheelForward), c.wheel > 0);
      EXPECT_TRUE(plat::IsChecked(f, ui::sett_control::kAutostart));
      EXPECT_EQ(Rows(f, ui::sett_control::kFolderList),
                (std::vector<std::wstring>{L"Work||0", L"Projects|C:\\Work|1", L"Data|C:\\Data|0"}));
      EXPECT_EQ(plat::GetListRow(f, ui::sett_control::kFolderList, 0).image, 5);
      EXPECT_EQ(plat::GetListRow(f, ui::sett_control::kFolderList, 1).image, 4);
      EXPECT_EQ(Rows(f, ui::sett_control::kFilterList),
                (std::vector<std::wstring>{L"All Files|*.*|0", L"Text|*.txt|0"}));
      EXPECT_EQ(sim::FocusedControl(f), ui::sett_control::kFolderList);
      // Nothing selected: the row commands wait for a selection.
      EXPECT_FALSE(plat::IsControlEnabled(f, ui::sett_control::kEditFolder));
      sim::ClickRow(f, ui::sett_control::kFolderList, 2);
      EXPECT_TRUE(plat::IsControlEnabled(f, ui::sett_control::kFolderDown));
      sim::Click(f, ui::sett_control::kCancel);
    });
  }
}

TEST_F(UiOptions, OkWritesTheListsRenumberedTrimmedAndTheSettingsInTheirOrder) {
  Favourites({{L"C:\\Data", L"Data$0"}, {L"Submenu7", L"Work $5"}, {L"C:\\Work$2", L"Projects$4"}});
  Filters({{L"*.*", L"All Files"}});
  Start();
  const auto hook_calls = fake_hook::Calls().size();
  Options([&](plat::Form f) {
    // The submenu moves to the top; a folder gets a title with blanks.
    sim::ClickRow(f, ui::sett_control::kFolderList, 1);
    sim::Click(f, ui::sett_control::kFolderUp);
    sim::ScriptModal(ui::ed_control::kForm, [](plat::Form ed) {
      sim::TypeText(ed, ui::ed_control::kTitle, L"  My data  ");
      sim::Click(ed, ui::ed_control::kOk);
    });
    sim::DoubleClickRow(f, ui::sett_control::kFolderList, 2);
    // Preferences: the backward wheel, Win + Z, no Explorer click, no autostart.
    sim::ClickTab(f, ui::sett_control::kPages, ui::kOptionPage);
    sim::Click(f, ui::sett_control::kWheel);
    sim::Click(f, ui::sett_control::kWheelForward);
    sim::Click(f, ui::sett_control::kWheelBackward);
    EXPECT_FALSE(plat::IsChecked(f, ui::sett_control::kWheelForward));
    sim::ChooseItem(f, ui::sett_control::kHotKeyChoice, 1);
    sim::PressKey(f, ui::sett_control::kHotKeyLetter, 'Z', L'z');
    EXPECT_EQ(plat::GetControlText(f, ui::sett_control::kHotKeyLetter), L"Z");
    sim::Click(f, ui::sett_control::kMiddleExplorer);
    sim::TypeText(f, ui::sett_control::kRecentFoldersCount, L"7");
    sim::Click(f, ui::sett_control::kOk);
  });
  EXPECT_EQ(ui_test::KeyEntries(kPath),
            (Entries{{L"Submenu0", L"Work $5"}, {L"C:\\Work$2", L"Projects$4"}, {L"C:\\Data", L"My data$0"}}));
  EXPECT_EQ(ui_test::KeyEntries(kFilter), (Entries{{L"*.*", L"All Files"}}));
  // The settings, written in their fixed order.
  const std::vector<std::wstring> order{L"ClearLink",       L"RecentFldr",   L"RecentFls",     L"ShowTray",
                                        L"MouseWheel",      L"MouseMButton", L"Help",          L"MExplorer",
                                        L"MIExplorer",      L"RExplorer",    L"MDesktop",      L"ExpEnch",
                                        L"FilesCount",      L"FoldersCount", L"Alt",           L"Keys",
                                        L"OpenWindowsMenu", L"KeyboardMenu", L"FollowExplorer"};
  EXPECT_EQ(sim::RegValueNames(HKCU, kSettings), order);
  EXPECT_EQ(Dword(L"MouseWheel"), 3u);
  EXPECT_EQ(Dword(L"Alt"), 8u);
  EXPECT_EQ(Dword(L"Keys"), 90u);
  EXPECT_EQ(Dword(L"MExplorer"), 0u);
  EXPECT_EQ(Dword(L"FoldersCount"), 7u);
  EXPECT_EQ(form->ProgramSettings.MouseWheel, 3);
  EXPECT_TRUE(sim::HotKeyRegistered(plat::MOD_WIN, 'Z'));
  // The autostart box was clear (no Run value): it stays off.
  EXPECT_FALSE(sim::RegValueExists(HKCU, kRun, L"Vorlune Folder"));
  // The store was reloaded; the shell extension registered; the hook re-installed with the wheel.
  EXPECT_EQ(store::FavouriteNames.front(), L"Submenu0");
  ASSERT_FALSE(sim::ShellExecutions().empty());
  EXPECT_EQ(sim::ShellExecutions().back().parameters.rfind(L"/s \"", 0), 0u);
  ASSERT_EQ(fake_hook::Calls().size(), hook_calls + 2);
  EXPECT_FALSE(fake_hook::Calls()[hook_calls].set);
  EXPECT_TRUE(fake_hook::Calls().back().set);
  EXPECT_EQ(fake_hook::Calls().back().args[2], 3u);
  EXPECT_FALSE(form->Terminated());
}

TEST_F(UiOptions, ApplyKeepsTheDialogOpenAndWritesWhatOkWrites) {
  auto run = [&](const wchar_t* button) {
    Favourites({{L"C:\\Data", L"Data$0"}, {L"Submenu1", L"Work$5"}, {L"C:\\Work$2", L"W$0"}});
    Filters({{L"*.*", L"All Files"}, {L"*.txt", L"Text"}});
    sim::RegDeleteTree(HKCU, kSettings);
    sim::RegCreateKey(HKCU, kSettings);
    sim::RegDeleteValue(HKCU, kRun, L"Vorlune Folder");
    form->ProgramSettings = agent::TProgramSettings{};
    bool open_after = false;
    Options([&](plat::Form f) {
      sim::ClickRow(f, ui::sett_control::kFolderList, 0);
      sim::Click(f, ui::sett_control::kFolderDown);
      sim::ClickTab(f, ui::sett_control::kPages, ui::kFiltersPage);
      sim::ClickRow(f, ui::sett_control::kFilterList, 1);
      sim::Click(f, ui::sett_control::kFilterUp);
      sim::ClickTab(f, ui::sett_control::kPages, ui::kOptionPage);
      sim::Click(f, ui::sett_control::kWheel);
      sim::ChooseItem(f, ui::sett_control::kHotKeyChoice, 2);
      sim::PressHotKey(f, ui::sett_control::kHotKey, 'P', plat::HOTKEYF_SHIFT);
      sim::Click(f, ui::sett_control::kAutostart);
      sim::Click(f, button);
      open_after = plat::IsFormShowing(f);
      if (open_after) sim::Click(f, ui::sett_control::kCancel);
    });
    return std::make_tuple(open_after, sim::RegDump(HKCU, L"Software\\Quantrel"),
                           sim::RegGetString(HKCU, kRun, L"Vorlune Folder").value_or(L""));
  };
  Start();
  const auto ok = run(ui::sett_control::kOk);
  const auto apply = run(ui::sett_control::kApply);
  EXPECT_FALSE(std::get<0>(ok));
  EXPECT_TRUE(std::get<0>(apply));
  EXPECT_EQ(std::get<1>(ok), std::get<1>(apply));
  EXPECT_EQ(std::get<2>(ok), kProgram);
  EXPECT_EQ(std::get<2>(apply), kProgram);
  EXPECT_EQ(ui_test::KeyEntries(kFilter), (Entries{{L"*.txt", L"Text"}, {L"*.*", L"All Files"}}));
  EXPECT_EQ(ui_test::KeyEntries(kPath),
            (Entries{{L"Submenu0", L"Work$5"}, {L"C:\\Work$2", L"W$0"}, {L"C:\\Data", L"Data$0"}}));
  EXPECT_EQ(Dword(L"MouseWheel"), 1u);
  EXPECT_EQ(Dword(L"Alt"), 4u);
  EXPECT_EQ(Dword(L"Keys"), static_cast<std::uint32_t>('P'));
  EXPECT_TRUE(sim::HotKeyRegistered(plat::MOD_SHIFT, 'P'));
}

TEST_F(UiOptions, CancelAndTheCloseBoxSaveNothingAndTheNextShowingStartsAfresh) {
  Favourites({{L"C:\\Data", L"Data$0"}, {L"C:\\Work", L"Work$0"}});
  Start();
  const std::wstring before = sim::RegDump(HKCU, L"Software");
  for (const wchar_t* how : {ui::sett_control::kCancel, L"close box", L"escape"}) {
    Options([&](plat::Form f) {
      sim::ClickRow(f, ui::sett_control::kFolderList, 0);
      sim::ScriptMessageBoxAnswer(plat::IDYES);
      sim::Click(f, ui::sett_control::kRemoveFolder);
      EXPECT_EQ(plat::ListCount(f, ui::sett_control::kFolderList), 1);
      sim::ClickTab(f, ui::sett_control::kPages, ui::kOptionPage);
      sim::Click(f, ui::sett_control::kShowTray);
      if (std::wstring(how) == ui::sett_control::kCancel)
        sim::Click(f, ui::sett_control::kCancel);
      else if (std::wstring(how) == L"escape")
        sim::PressKey(f, ui::sett_control::kShowTray, plat::VK_ESCAPE);
      else
        sim::CloseBox(f);
      EXPECT_FALSE(plat::IsFormShowing(f));
    });
    EXPECT_EQ(sim::RegDump(HKCU, L"Software"), before) << how;
    EXPECT_TRUE(form->ProgramSettings.ShowTray);
  }
  Options([&](plat::Form f) { EXPECT_EQ(plat::ListCount(f, ui::sett_control::kFolderList), 2); });
}

TEST_F(UiOptions, PreferencesBoxesSpinButtonsAndNumbers) {
  Start();
  Options([&](plat::Form f) {
    sim::ClickTab(f, ui::sett_control::kPages, ui::kOptionPage);
    // The wheel directions need the wheel box, and exclude each other.
    EXPECT_FALSE(plat::IsControlEnabled(f, ui::sett_control::kWheelForward));
    sim::Click(f, ui::sett_control::kWheel);
    EXPECT_TRUE(plat::IsControlEnabled(f, ui::sett_control::kWheelForward));
    EXPECT_TRUE(plat::IsControlEnabled(f, ui::sett_control::kWheelBackward));
    sim::Click(f, ui::sett_control::kWheelForward);
    sim::Click(f, ui::sett_control::kWheelBackward);
    EXPECT_FALSE(plat::IsChecked(f, ui::sett_control::kWheelForward));
    sim::Click(f, ui::sett_control::kWheelForward);
    EXPECT_FALSE(plat::IsChecked(f, ui::sett_control::kWheelBackward));
    sim::Click(f, ui::sett_control::kWheel);
    EXPECT_FALSE(plat::IsControlEnabled(f, ui::sett_control::kWheelBackward));

    struct Spin {
      const wchar_t* text;
      bool up;
      const wchar_t* expected;
    };
    const Spin spins[] = {{L"20", true, L"21"}, {L"20", false, L"19"}, {L"1", false, L"1"},
                          {L"0", false, L"1"},  {L"abc", true, L"1"},  {L"abc", false, L"1"},
                          {L"12x", true, L"1"}, {L"-5", true, L"-4"},  {L"99999", true, L"100000"}};
    for (const auto& s : spins) {
      plat::SetControlText(f, ui::sett_control::kRecentFilesCount, s.text);
      if (s.up)
        sim::ClickUp(f, ui::sett_control::kRecentFilesSpin);
      else
        sim::ClickDown(f, ui::sett_control::kRecentFilesSpin);
      EXPECT_EQ(plat::GetControlText(f, ui::sett_control::kRecentFilesCount), s.expected)
          << s.text << (s.up ? " up" : " down");
    }
    // The second spin button acts on its own edit, and only while it is enabled.
    plat::SetControlText(f, ui::sett_control::kRecentFoldersCount, L"5");
    sim::ClickUp(f, ui::sett_control::kRecentFoldersSpin);
    EXPECT_EQ(plat::GetControlText(f, ui::sett_control::kRecentFoldersCount), L"6");
    sim::Click(f, ui::sett_control::kRecentFolders);
    EXPECT_FALSE(plat::IsControlEnabled(f, ui::sett_control::kRecentFoldersCount));
    sim::ClickUp(f, ui::sett_control::kRecentFoldersSpin);
    EXPECT_EQ(plat::GetControlText(f, ui::sett_control::kRecentFoldersCount), L"6");
    // Leaving an edit with a number below 1 makes it 1.
    for (const wchar_t* t : {L"0", L"-3", L"x", L""}) {
      sim::TypeText(f, ui::sett_control::kRecentFilesCount, t);
      EXPECT_EQ(plat::GetControlText(f, ui::sett_control::kRecentFilesCount), L"1") << t;
    }
    sim::TypeText(f, ui::sett_control::kRecentFilesCount, L"30");
    EXPECT_EQ(plat::GetControlText(f, ui::sett_control::kRecentFilesCount), L"30");
    // The hot-key editor takes one modifier with a key; others become Ctrl.
    sim::ChooseItem(f, ui::sett_control::kHotKeyChoice, 2);
    EXPECT_TRUE(plat::IsControlVisible(f, ui::sett_control::kHotKey));
    EXPECT_FALSE(plat::IsControlVisible(f, ui::sett_control::kHotKeyLetter));
    const std::pair<std::uint32_t, std::uint32_t> keys[] = {
        {plat::HOTKEYF_ALT, plat::HOTKEYF_ALT},
        {0, plat::HOTKEYF_CONTROL},
        {plat::HOTKEYF_ALT | plat::HOTKEYF_CONTROL, plat::HOTKEYF_CONTROL},
        {plat::HOTKEYF_SHIFT | plat::HOTKEYF_ALT, plat::HOTKEYF_CONTROL}};
    for (const auto& [typed, held] : keys) {
      sim::PressHotKey(f, ui::sett_control::kHotKey, 'M', typed);
      std::uint32_t key = 0, mods = 0;
      plat::GetHotKeyValue(f, ui::sett_control::kHotKey, key, mods);
      EXPECT_EQ(mods, held) << typed;
    }
    sim::ChooseItem(f, ui::sett_control::kHotKeyChoice, 0);
    EXPECT_FALSE(plat::IsControlVisible(f, ui::sett_control::kHotKey));
    EXPECT_FALSE(plat::IsControlVisible(f, ui::sett_control::kHotKeyLetter));
    // Without the wheel and the middle button the tray icon is kept.
    sim::Click(f, ui::sett_control::kShowTray);
    sim::Click(f, ui::sett_control::kMiddleButton);
    sim::Click(f, ui::sett_control::kOk);
  });
  EXPECT_EQ(Dword(L"ShowTray"), 1u);
  EXPECT_EQ(Dword(L"MouseMButton"), 0u);
  EXPECT_EQ(Dword(L"FoldersCount"), 6u);
  EXPECT_EQ(Dword(L"FilesCount"), 30u);
  EXPECT_EQ(Dword(L"RecentFldr"), 0u);
  EXPECT_EQ(Dword(L"Alt"), 0u);
  EXPECT_EQ(Dword(L"Keys"), 90u);  // "none" keeps the key
  EXPECT_FALSE(sim::HotKeyRegistered(plat::MOD_WIN, 'Z'));
}

TEST_F(UiOptions, HelpAndF1ShowTheTopicOfThePage) {
  Start();
  Options([&](plat::Form f) {
    const wchar_t* topics[] = {L"editfldr.htm", L"addfilter.htm", L"options.htm", L"about.htm"};
    for (int page = 0; page < 4; ++page) {
      sim::ClickTab(f, ui::sett_control::kPages, page);
      sim::Click(f, ui::sett_control::kHelp);
      sim::PressKey(f, page == 0 ? ui::sett_control::kFolderList : ui::sett_control::kOk, plat::VK_F1);
      const auto shown = sim::HelpTopicsShown();
      ASSERT_EQ(shown.size(), static_cast<std::size_t>(2 * (page + 1)));
      EXPECT_EQ(shown[shown.size() - 1],
                L"C:\\Program Files\\Vorlune Folder\\qorbin.chm::" + std::wstring(topics[page]));
      EXPECT_EQ(shown[shown.size() - 2], shown.back());
    }
    sim::Click(f, ui::sett_control::kCancel);
  });
}

// Without the wheel and the middle button only the tray icon is left to
// reach the menu with the mouse: OK keeps it on screen and stored as on.
TEST_F(UiOptions, TheTrayIconStaysWhenItIsTheLastWayToTheMenu) {
  struct Case {
    const char* what;
    bool middle_button;
    bool icon;
  };
  const Case cases[] = {
      {"tray icon off, middle button on: hidden", true, false},
      {"tray icon, wheel and middle button off: kept", false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (!form) Start();
    ASSERT_TRUE(sim::TrayIconShown());
    Options([&](plat::Form f) {
      sim::ClickTab(f, ui::sett_control::kPages, ui::kOptionPage);
      sim::Click(f, ui::sett_control::kShowTray);
      if (plat::IsChecked(f, ui::sett_control::kWheel)) sim::Click(f, ui::sett_control::kWheel);
      if (plat::IsChecked(f, ui::sett_control::kMiddleButton) != c.middle_button)
        sim::Click(f, ui::sett_control::kMiddleButton);
      sim::Click(f, ui::sett_control::kOk);
    });
    EXPECT_EQ(sim::TrayIconShown(), c.icon);
    EXPECT_EQ(Dword(L"ShowTray"), c.icon ? 1u : 0u);
    // The next round starts with the icon on.
    form->ProgramSettings.ShowTray = true;
    form->ShowTrayIcon(true);
  }
}

// A settings write that fails inside the dialog is no silent "Common error":
// the global handler tells the user (in the system's words, whatever the
// language) and the dialog stays open; the settings still take effect for
// this session.
TEST_F(UiOptions, SettingsThatCannotBeSavedAreReportedAndTheDialogStays) {
  const std::wstring denied = L"Accès refusé.";
  sim::SetSystemErrorText(plat::ERROR_ACCESS_DENIED, denied + L"\r\n");
  Start();
  errors::SetMainThreadIdAtStart(plat::CurrentThreadId());
  std::vector<std::wstring> shown;
  errors::SetErrorDialogHooks({[] { return false; },
                               [&](const std::wstring& m) {
                                 shown.push_back(m);
                                 return true;
                               }});
  const auto hook_calls = fake_hook::Calls().size();
  sim::RegFailWrites(HKCU, kSettings, sim::kAlways, plat::ERROR_ACCESS_DENIED, L"MouseWheel");
  bool open_after_ok = false;
  Options([&](plat::Form f) {
    sim::ClickTab(f, ui::sett_control::kPages, ui::kOptionPage);
    sim::Click(f, ui::sett_control::kAutostart);  // autostart
    sim::ChooseItem(f, ui::sett_control::kHotKeyChoice, 1);
    sim::PressKey(f, ui::sett_control::kHotKeyLetter, 'Q', L'q');
    sim::Click(f, ui::sett_control::kOk);
    open_after_ok = plat::IsFormShowing(f);
    EXPECT_EQ(plat::GetPageIndex(f, ui::sett_control::kPages), ui::kOptionPage);
    sim::Click(f, ui::sett_control::kCancel);
  });
  errors::SetErrorDialogHooks({});
  EXPECT_TRUE(open_after_ok);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0], L"The settings could not be saved: Failed to set data for 'MouseWheel' Accès refusé");
  EXPECT_FALSE(sim::RegValueExists(HKCU, kSettings, L"MouseWheel"));
  // The rest of OK ran: hot key, autostart, hook.
  EXPECT_TRUE(sim::HotKeyRegistered(plat::MOD_WIN, 'Q'));
  EXPECT_EQ(sim::RegGetString(HKCU, kRun, L"Vorlune Folder").value_or(L""), kProgram);
  ASSERT_EQ(fake_hook::Calls().size(), hook_calls + 2);
  EXPECT_TRUE(fake_hook::Calls().back().set);
  EXPECT_FALSE(form->Terminated());
  EXPECT_FALSE(LogHas(L"Common error"));
}

TEST_F(UiOptions, AFailedRewriteKeepsTheFavouritesAndSaysSo) {
  Favourites({{L"C:\\Data", L"Data$0"}, {L"C:\\Work", L"Work$0"}});
  Start();
  Options([&](plat::Form f) {
    sim::ClickRow(f, ui::sett_control::kFolderList, 1);
    sim::Click(f, ui::sett_control::kFolderUp);
    // The registry refuses the second value of the rewrite (and its retry).
    sim::RegFailWrites(HKCU, kPath, 2, plat::ERROR_CANTWRITE, L"C:\\Data");
    sim::Click(f, ui::sett_control::kOk);
  });
  EXPECT_EQ(ui_test::KeyEntries(kPath), (Entries{{L"C:\\Data", L"Data$0"}, {L"C:\\Work", L"Work$0"}}));
  ASSERT_FALSE(sim::MessageBoxes().empty());
  EXPECT_NE(sim::MessageBoxes().back().text.find(L"could not be saved"), std::wstring::npos);
  EXPECT_EQ(store::FavouriteNames, (std::vector<std::wstring>{L"C:\\Data", L"C:\\Work"}));
}

}  // namespace

// The menu's own boxes show what is stored (on unless changed) and OK stores
// what the user left, for the menu shown next.
TEST_F(UiOptions, MenuBoxesShowAndStoreTheirSettings) {
  struct Case {
    const wchar_t* box;
    const wchar_t* value;
    bool agent::TProgramSettings::*field;
  };
  const Case cases[] = {
      {ui::sett_control::kOpenWindowsMenu, L"OpenWindowsMenu", &agent::TProgramSettings::OpenWindowsMenu},
      {ui::sett_control::kKeyboardMenu, L"KeyboardMenu", &agent::TProgramSettings::KeyboardMenu},
  };
  auto& form = Start();
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.value)));
    for (bool after : {false, true}) {
      Options([&](plat::Form f) {
        sim::ClickTab(f, ui::sett_control::kPages, ui::kOptionPage);
        EXPECT_EQ(plat::IsChecked(f, c.box), !after);
        sim::Click(f, c.box);
        sim::Click(f, ui::sett_control::kOk);
      });
      EXPECT_EQ(Dword(c.value), after ? 1u : 0u);
      EXPECT_EQ(form.ProgramSettings.*c.field, after);
    }
  }
}
