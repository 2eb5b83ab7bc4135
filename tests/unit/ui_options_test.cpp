// The options dialog: opening, pages and captions, loading the settings, OK,
// Apply and Cancel, the Preferences controls, the list commands and help.
#include <functional>

#include "agent_test_support.h"
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
    sim::ScriptModal(L"TSett", std::move(user));
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
    page_at_show = plat::GetPageIndex(f, L"qqq");
    sim::ClickTab(f, L"qqq", ui::kOptionPage);
    // "About..." while the user edits the Preferences page: the dialog comes
    // forward and stays on that page.
    sim::SetForeground(0);
    form->N121Click();
    EXPECT_EQ(plat::GetPageIndex(f, L"qqq"), ui::kOptionPage);
    EXPECT_EQ(plat::GetForegroundWindow(), plat::FormWindow(f));
    // The thread message 0x047D while the dialog shows: no second dialog,
    // the open one goes back to the Folders page.
    form->ProcessMessage(plat::Msg{0, agent::WM_QXOPTIONS, 0, 0});
    EXPECT_EQ(plat::GetPageIndex(f, L"qqq"), ui::kFoldersPage);
    showings_inside = static_cast<int>(sim::ModalShowings().size());
    sim::Click(f, L"Button12");
  });
  EXPECT_EQ(page_at_show, ui::kFoldersPage);
  EXPECT_EQ(showings_inside, 1);

  // "About..." on a closed dialog opens it on the About page with the version.
  int about_page = -1;
  std::wstring about;
  sim::ScriptModal(L"TSett", [&](plat::Form f) {
    about_page = plat::GetPageIndex(f, L"qqq");
    about = plat::GetControlText(f, L"Label4");
  });
  form->N121Click();
  EXPECT_EQ(about_page, ui::kAboutPage);
  EXPECT_EQ(about.rfind(L"Vorlune Folder ", 0), 0u);
  EXPECT_EQ(sim::ModalShowings(), (std::vector<std::wstring>{L"TSett", L"TSett"}));
  // Both reach it through the tray menu as well.
  EXPECT_NE(plat::FindMenuItem(form->PopupMenu1, L"Settings1"), nullptr);
}

TEST_F(UiOptions, PagesControlsAndCaptionsAreLaidOutAsNamed) {
  Start();
  ui::TSett& sett = ui::SettCreated();
  const plat::Form f = sett.Form();
  EXPECT_EQ(plat::GetFormCaption(f), L"Options");
  const std::pair<const wchar_t*, const wchar_t*> captions[] = {
      {L"Folders", L"Folders"},
      {L"Filters", L"Filters"},
      {L"Option", L"Preferences"},
      {L"About", L"About"},
      {L"GroupBox1", L" Folders settings "},
      {L"Button1", L"Add Folder..."},
      {L"Button13", L"Add Submenu"},
      {L"Button2", L"Edit"},
      {L"Button3", L"Remove"},
      {L"Button4", L"Up"},
      {L"Button5", L"Down"},
      {L"GroupBox2", L" Filters settings "},
      {L"Button10", L"Add Filter..."},
      {L"Button6", L"Edit"},
      {L"Button7", L"Remove"},
      {L"Button9", L"Up"},
      {L"Button8", L"Down"},
      {L"GroupBox3", L" General "},
      {L"CheckBox1", L"Automatically start with Windows"},
      {L"CheckBox2", L"Show the tray icon"},
      {L"CheckBox15", L"Delete excess shortcuts (> 40)"},
      {L"CheckBox16", L"Enable Explorer enhancements"},
      {L"CheckBox14", L"Display menu with"},
      {L"Label1", L"recently opened files"},
      {L"CheckBox3", L"Display menu with"},
      {L"Label2", L"recently opened folders"},
      {L"Label3", L"Assign a hot key for opening the program menu:"},
      {L"GroupBox4", L" Show program menu in Save As/Open dialog boxes: "},
      {L"CheckBox5", L"When you rotate the mouse wheel"},
      {L"CheckBox8", L"When you rotate the mouse wheel forward"},
      {L"CheckBox9", L"When you rotate the mouse wheel backward"},
      {L"CheckBox4", L"When you click the middle mouse button"},
      {L"CheckBox7", L"When you right-click the '?' sign"},
      {L"GroupBox5", L" Show program menu in Windows Explorer/Internet Explorer/Desktop: "},
      {L"CheckBox12", L"When you middle-click in Explorer"},
      {L"CheckBox13", L"When you middle-click in IExplorer"},
      {L"CheckBox10", L"When you middle-click on Desktop"},
      {L"CheckBox11", L"When you right-click the 'Address bar'"},
      {L"SpeedButton1", L"Customize"},
      {L"Button11", L"OK"},
      {L"Button14", L"Apply"},
      {L"Button12", L"Cancel"},
      {L"Button15", L"Help"},
  };
  for (const auto& [name, caption] : captions) EXPECT_EQ(plat::GetControlText(f, name), caption) << name;
  // Pages in their order, the columns of the lists, the hot-key choices.
  const auto* lv1 = sim::ControlLayoutOf(f, L"ListView1");
  ASSERT_NE(lv1, nullptr);
  ASSERT_EQ(lv1->columns.size(), 2u);
  EXPECT_EQ(lv1->columns[0].caption, L"Title");
  EXPECT_EQ(lv1->columns[0].width, 152);
  EXPECT_EQ(lv1->columns[1].caption, L"Path");
  EXPECT_EQ(lv1->columns[1].width, 215);
  EXPECT_EQ(lv1->image_count, 13);
  const auto* lv2 = sim::ControlLayoutOf(f, L"ListView2");
  EXPECT_EQ(lv2->columns[0].caption, L"Name");
  EXPECT_EQ(lv2->columns[1].caption, L"Mask");
  EXPECT_EQ(plat::GetComboItems(f, L"ComboBox1"),
            (std::vector<std::wstring>{L"none", L"Natural Keyboard (Win + )", L"Custom"}));
  EXPECT_EQ(plat::GetControlTag(f, L"Button11"), 1);
  EXPECT_EQ(plat::GetControlTag(f, L"Button14"), 2);
  // As laid out, three controls stay hidden; the hot-key editor starts as Ctrl+Q.
  for (const wchar_t* hidden : {L"CheckBox7", L"CheckBox11", L"SpeedButton1"})
    EXPECT_FALSE(plat::IsControlVisible(f, hidden)) << hidden;
  std::uint32_t key = 0, mods = 0;
  plat::GetHotKeyValue(f, L"Hot", key, mods);
  EXPECT_EQ(key, static_cast<std::uint32_t>('Q'));
  EXPECT_EQ(mods, plat::HOTKEYF_CONTROL);
}

TEST_F(UiOptions, CustomizeIsShownWhileTheExtensionIsBesideTheProgram) {
  const std::wstring extension = L"C:\\Program Files\\Vorlune Folder\\shellext.dll";
  Start();
  // The dialog is kept between showings; each showing looks again.
  for (bool present : {false, true, false}) {
    if (present) ASSERT_TRUE(plat::WriteWholeFile(extension, "MZ"));
    else plat::RemoveFile(extension);
    Options([&](plat::Form f) {
      EXPECT_EQ(plat::IsControlVisible(f, L"SpeedButton1"), present);
      sim::Click(f, L"Button12");
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
      EXPECT_EQ(plat::GetItemIndex(f, L"ComboBox1"), c.combo) << c.alt;
      EXPECT_EQ(plat::IsControlVisible(f, L"Edit1"), c.edit1) << c.alt;
      EXPECT_EQ(plat::IsControlVisible(f, L"Hot"), c.hot) << c.alt;
      if (c.edit1) EXPECT_EQ(plat::GetControlText(f, L"Edit1"), c.edit1_text);
      if (c.hot) {
        std::uint32_t key = 0, mods = 0;
        plat::GetHotKeyValue(f, L"Hot", key, mods);
        EXPECT_EQ(key, c.keys);
        EXPECT_EQ(mods, c.hot_mods);
      }
      EXPECT_EQ(plat::IsChecked(f, L"CheckBox5"), c.box5);
      EXPECT_EQ(plat::IsChecked(f, L"CheckBox8"), c.box8);
      EXPECT_EQ(plat::IsChecked(f, L"CheckBox9"), c.box9);
      EXPECT_EQ(plat::IsControlEnabled(f, L"CheckBox8"), c.wheel > 0);
      EXPECT_TRUE(plat::IsChecked(f, L"CheckBox1"));
      EXPECT_EQ(Rows(f, L"ListView1"),
                (std::vector<std::wstring>{L"Work||0", L"Projects|C:\\Work|1", L"Data|C:\\Data|0"}));
      EXPECT_EQ(plat::GetListRow(f, L"ListView1", 0).image, 5);
      EXPECT_EQ(plat::GetListRow(f, L"ListView1", 1).image, 4);
      EXPECT_EQ(Rows(f, L"ListView2"), (std::vector<std::wstring>{L"All Files|*.*|0", L"Text|*.txt|0"}));
      EXPECT_EQ(sim::FocusedControl(f), L"ListView1");
      // Nothing selected: the row commands wait for a selection.
      EXPECT_FALSE(plat::IsControlEnabled(f, L"Button2"));
      sim::ClickRow(f, L"ListView1", 2);
      EXPECT_TRUE(plat::IsControlEnabled(f, L"Button5"));
      sim::Click(f, L"Button12");
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
    sim::ClickRow(f, L"ListView1", 1);
    sim::Click(f, L"Button4");
    sim::ScriptModal(L"TEd", [](plat::Form ed) {
      sim::TypeText(ed, L"Edit2", L"  My data  ");
      sim::Click(ed, L"Button1");
    });
    sim::DoubleClickRow(f, L"ListView1", 2);
    // Preferences: the backward wheel, Win + Z, no Explorer click, no autostart.
    sim::ClickTab(f, L"qqq", ui::kOptionPage);
    sim::Click(f, L"CheckBox5");
    sim::Click(f, L"CheckBox8");
    sim::Click(f, L"CheckBox9");
    EXPECT_FALSE(plat::IsChecked(f, L"CheckBox8"));
    sim::ChooseItem(f, L"ComboBox1", 1);
    sim::PressKey(f, L"Edit1", 'Z', L'z');
    EXPECT_EQ(plat::GetControlText(f, L"Edit1"), L"Z");
    sim::Click(f, L"CheckBox12");
    sim::TypeText(f, L"Edit3", L"7");
    sim::Click(f, L"Button11");
  });
  EXPECT_EQ(ui_test::KeyEntries(kPath), (Entries{{L"Submenu0", L"Work $5"},
                                                 {L"C:\\Work$2", L"Projects$4"},
                                                 {L"C:\\Data", L"My data$0"}}));
  EXPECT_EQ(ui_test::KeyEntries(kFilter), (Entries{{L"*.*", L"All Files"}}));
  // The settings, written in their fixed order.
  const std::vector<std::wstring> order{L"ClearLink", L"RecentFldr",   L"RecentFls",  L"ShowTray",  L"MouseWheel",
                                        L"MouseMButton", L"Help",      L"MExplorer",  L"MIExplorer", L"RExplorer",
                                        L"MDesktop",  L"ExpEnch",      L"FilesCount", L"FoldersCount", L"Alt",
                                        L"Keys"};
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
      sim::ClickRow(f, L"ListView1", 0);
      sim::Click(f, L"Button5");
      sim::ClickTab(f, L"qqq", ui::kFiltersPage);
      sim::ClickRow(f, L"ListView2", 1);
      sim::Click(f, L"Button9");
      sim::ClickTab(f, L"qqq", ui::kOptionPage);
      sim::Click(f, L"CheckBox5");
      sim::ChooseItem(f, L"ComboBox1", 2);
      sim::PressHotKey(f, L"Hot", 'P', plat::HOTKEYF_SHIFT);
      sim::Click(f, L"CheckBox1");
      sim::Click(f, button);
      open_after = plat::IsFormShowing(f);
      if (open_after) sim::Click(f, L"Button12");
    });
    return std::make_tuple(open_after, sim::RegDump(HKCU, L"Software\\Quantrel"),
                           sim::RegGetString(HKCU, kRun, L"Vorlune Folder").value_or(L""));
  };
  Start();
  const auto ok = run(L"Button11");
  const auto apply = run(L"Button14");
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
  for (const wchar_t* how : {L"Button12", L"close box", L"escape"}) {
    Options([&](plat::Form f) {
      sim::ClickRow(f, L"ListView1", 0);
      sim::ScriptMessageBoxAnswer(plat::IDYES);
      sim::Click(f, L"Button3");
      EXPECT_EQ(plat::ListCount(f, L"ListView1"), 1);
      sim::ClickTab(f, L"qqq", ui::kOptionPage);
      sim::Click(f, L"CheckBox2");
      if (std::wstring(how) == L"Button12") sim::Click(f, L"Button12");
      else if (std::wstring(how) == L"escape") sim::PressKey(f, L"CheckBox2", plat::VK_ESCAPE);
      else sim::CloseBox(f);
      EXPECT_FALSE(plat::IsFormShowing(f));
    });
    EXPECT_EQ(sim::RegDump(HKCU, L"Software"), before) << how;
    EXPECT_TRUE(form->ProgramSettings.ShowTray);
  }
  Options([&](plat::Form f) { EXPECT_EQ(plat::ListCount(f, L"ListView1"), 2); });
}

TEST_F(UiOptions, PreferencesBoxesSpinButtonsAndNumbers) {
  Start();
  Options([&](plat::Form f) {
    sim::ClickTab(f, L"qqq", ui::kOptionPage);
    // The wheel directions need the wheel box, and exclude each other.
    EXPECT_FALSE(plat::IsControlEnabled(f, L"CheckBox8"));
    sim::Click(f, L"CheckBox5");
    EXPECT_TRUE(plat::IsControlEnabled(f, L"CheckBox8"));
    EXPECT_TRUE(plat::IsControlEnabled(f, L"CheckBox9"));
    sim::Click(f, L"CheckBox8");
    sim::Click(f, L"CheckBox9");
    EXPECT_FALSE(plat::IsChecked(f, L"CheckBox8"));
    sim::Click(f, L"CheckBox8");
    EXPECT_FALSE(plat::IsChecked(f, L"CheckBox9"));
    sim::Click(f, L"CheckBox5");
    EXPECT_FALSE(plat::IsControlEnabled(f, L"CheckBox9"));

    struct Spin {
      const wchar_t* text;
      bool up;
      const wchar_t* expected;
    };
    const Spin spins[] = {{L"20", true, L"21"},  {L"20", false, L"19"}, {L"1", false, L"1"},
                          {L"0", false, L"1"},   {L"abc", true, L"1"},  {L"abc", false, L"1"},
                          {L"12x", true, L"1"},  {L"-5", true, L"-4"},  {L"99999", true, L"100000"}};
    for (const auto& s : spins) {
      plat::SetControlText(f, L"Edit2", s.text);
      if (s.up) sim::ClickUp(f, L"SpinButton1");
      else sim::ClickDown(f, L"SpinButton1");
      EXPECT_EQ(plat::GetControlText(f, L"Edit2"), s.expected) << s.text << (s.up ? " up" : " down");
    }
    // The second spin button acts on its own edit, and only while it is enabled.
    plat::SetControlText(f, L"Edit3", L"5");
    sim::ClickUp(f, L"SpinButton2");
    EXPECT_EQ(plat::GetControlText(f, L"Edit3"), L"6");
    sim::Click(f, L"CheckBox3");
    EXPECT_FALSE(plat::IsControlEnabled(f, L"Edit3"));
    sim::ClickUp(f, L"SpinButton2");
    EXPECT_EQ(plat::GetControlText(f, L"Edit3"), L"6");
    // Leaving an edit with a number below 1 makes it 1.
    for (const wchar_t* t : {L"0", L"-3", L"x", L""}) {
      sim::TypeText(f, L"Edit2", t);
      EXPECT_EQ(plat::GetControlText(f, L"Edit2"), L"1") << t;
    }
    sim::TypeText(f, L"Edit2", L"30");
    EXPECT_EQ(plat::GetControlText(f, L"Edit2"), L"30");
    // The hot-key editor takes one modifier with a key; others become Ctrl.
    sim::ChooseItem(f, L"ComboBox1", 2);
    EXPECT_TRUE(plat::IsControlVisible(f, L"Hot"));
    EXPECT_FALSE(plat::IsControlVisible(f, L"Edit1"));
    const std::pair<std::uint32_t, std::uint32_t> keys[] = {
        {plat::HOTKEYF_ALT, plat::HOTKEYF_ALT},
        {0, plat::HOTKEYF_CONTROL},
        {plat::HOTKEYF_ALT | plat::HOTKEYF_CONTROL, plat::HOTKEYF_CONTROL},
        {plat::HOTKEYF_SHIFT | plat::HOTKEYF_ALT, plat::HOTKEYF_CONTROL}};
    for (const auto& [typed, held] : keys) {
      sim::PressHotKey(f, L"Hot", 'M', typed);
      std::uint32_t key = 0, mods = 0;
      plat::GetHotKeyValue(f, L"Hot", key, mods);
      EXPECT_EQ(mods, held) << typed;
    }
    sim::ChooseItem(f, L"ComboBox1", 0);
    EXPECT_FALSE(plat::IsControlVisible(f, L"Hot"));
    EXPECT_FALSE(plat::IsControlVisible(f, L"Edit1"));
    // Without the wheel and the middle button the tray icon is kept.
    sim::Click(f, L"CheckBox2");
    sim::Click(f, L"CheckBox4");
    sim::Click(f, L"Button11");
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
      sim::ClickTab(f, L"qqq", page);
      sim::Click(f, L"Button15");
      sim::PressKey(f, page == 0 ? L"ListView1" : L"Button11", plat::VK_F1);
      const auto shown = sim::HelpTopicsShown();
      ASSERT_EQ(shown.size(), static_cast<std::size_t>(2 * (page + 1)));
      EXPECT_EQ(shown[shown.size() - 1], L"C:\\Program Files\\Vorlune Folder\\qorbin.chm::" + std::wstring(topics[page]));
      EXPECT_EQ(shown[shown.size() - 2], shown.back());
    }
    sim::Click(f, L"Button12");
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
      sim::ClickTab(f, L"qqq", ui::kOptionPage);
      sim::Click(f, L"CheckBox2");
      if (plat::IsChecked(f, L"CheckBox5")) sim::Click(f, L"CheckBox5");
      if (plat::IsChecked(f, L"CheckBox4") != c.middle_button) sim::Click(f, L"CheckBox4");
      sim::Click(f, L"Button11");
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
  errors::SetErrorDialogHooks({[] { return false; }, [&](const std::wstring& m) {
                                 shown.push_back(m);
                                 return true;
                               }});
  const auto hook_calls = fake_hook::Calls().size();
  sim::RegFailWrites(HKCU, kSettings, sim::kAlways, plat::ERROR_ACCESS_DENIED, L"MouseWheel");
  bool open_after_ok = false;
  Options([&](plat::Form f) {
    sim::ClickTab(f, L"qqq", ui::kOptionPage);
    sim::Click(f, L"CheckBox1");  // autostart
    sim::ChooseItem(f, L"ComboBox1", 1);
    sim::PressKey(f, L"Edit1", 'Q', L'q');
    sim::Click(f, L"Button11");
    open_after_ok = plat::IsFormShowing(f);
    EXPECT_EQ(plat::GetPageIndex(f, L"qqq"), ui::kOptionPage);
    sim::Click(f, L"Button12");
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
    sim::ClickRow(f, L"ListView1", 1);
    sim::Click(f, L"Button4");
    // The registry refuses the second value of the rewrite (and its retry).
    sim::RegFailWrites(HKCU, kPath, 2, plat::ERROR_CANTWRITE, L"C:\\Data");
    sim::Click(f, L"Button11");
  });
  EXPECT_EQ(ui_test::KeyEntries(kPath), (Entries{{L"C:\\Data", L"Data$0"}, {L"C:\\Work", L"Work$0"}}));
  ASSERT_FALSE(sim::MessageBoxes().empty());
  EXPECT_NE(sim::MessageBoxes().back().text.find(L"could not be saved"), std::wstring::npos);
  EXPECT_EQ(store::FavouriteNames, (std::vector<std::wstring>{L"C:\\Data", L"C:\\Work"}));
}

}  // namespace
