// The folder menu by keyboard: the keys 1 to 9 of the first favourites, the
// hot key's menu opening on its first item, and favourites whose paths and
// titles hold what menus and dialogs take specially.
#include <algorithm>

#include "agent_test_support.h"
#include "menu/folder_menu.h"
#include "platform/menu.h"
#include "sim/sim_menu.h"
#include "sim/sim_tray.h"
#include "sim/sim_window.h"

using namespace agent_test;

namespace {

using Strings = std::vector<std::wstring>;

class MenuKeyboard : public AgentFixture {
 protected:
  void SetUp() override {
    AgentFixture::SetUp();
    // Not a first run: the settings key exists; the favourites are ours.
    sim::RegCreateKey(HKCU, kSettings);
  }
  static void Favourite(const std::wstring& path, const std::wstring& title, bool create = true) {
    if (create) plat::CreateDirectories(path);
    sim::RegSetString(HKCU, kPath, path, title + L"$0");
  }
  static sim::FileDialog Dialog() {
    sim::FileDialogSpec spec;
    spec.folder = L"C:\\Start";
    spec.user_text = L"notes.txt";
    plat::CreateDirectories(spec.folder);
    return sim::CreateFileDialog(spec);
  }
  // What the items of the favourites block show, in menu order.
  static Strings BlockShows(const plat::Menu& m) {
    Strings out;
    for (const auto& i : m) {
      if (i.IsSeparator()) break;
      out.push_back(plat::MenuCaptionText(plat::MenuItemCaption(i)));
    }
    return out;
  }
  static const sim::ShownMenu& LastShown() {
    static sim::ShownMenu last;
    last = sim::ShownMenus().back();
    return last;
  }
};

}  // namespace

TEST_F(MenuKeyboard, TheFirstNineFavouritesOfTheTopLevelCarryTheKeysOneToNine) {
  // Ten folders at the top level, a submenu among them and a missing folder
  // that the menu leaves out (it takes no number).
  for (const wchar_t* name : {L"A", L"B", L"C"}) Favourite(std::wstring(L"C:\\") + name, name);
  Favourite(L"C:\\Gone", L"Gone", false);
  sim::RegSetString(HKCU, kPath, L"Submenu1", L"Tools$5");
  Favourite(L"C:\\Tools\\X$2", L"X");
  plat::CreateDirectories(L"C:\\Tools\\X");
  for (const wchar_t* name : {L"D", L"E", L"F", L"G", L"H", L"I"}) Favourite(std::wstring(L"C:\\") + name, name);
  auto& f = Start();
  const sim::FileDialog d = Dialog();

  struct Case {
    const char* what;
    bool setting;
    Strings shown;
  };
  const Case cases[] = {
      {"on (the default)", true, {L"1 A", L"2 B", L"3 C", L"4 Tools", L"5 D", L"6 E", L"7 F", L"8 G", L"9 H", L"I"}},
      {"off", false, {L"A", L"B", L"C", L"Tools", L"D", L"E", L"F", L"G", L"H", L"I"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    f.ProgramSettings.KeyboardMenu = c.setting;
    menu::ShowPath(*form, d.dialog, targets::FileDialog);
    const plat::Menu& m = LastShown().menu;
    EXPECT_EQ(BlockShows(m), c.shown);
    // A submenu's items and the fixed items carry no key.
    const plat::MenuItem* tools = &m[3];
    ASSERT_EQ(tools->items.size(), 1u);
    EXPECT_EQ(tools->items[0].accelerator, 0);
    EXPECT_TRUE(std::all_of(m.begin() + 10, m.end(), [](const plat::MenuItem& i) { return i.accelerator == 0; }));
  }
}

TEST_F(MenuKeyboard, ADigitChoosesItsFavouriteAndTheDialogGoesThere) {
  for (const wchar_t* name : {L"One", L"Two", L"Three"}) Favourite(std::wstring(L"C:\\") + name, name);
  auto& f = Start();

  struct Case {
    const char* what;
    bool setting;
    wchar_t key;
    std::wstring folder;  // where the dialog is afterwards
  };
  const Case cases[] = {
      {"1: the first", true, L'1', L"C:\\One"},
      {"3: the third", true, L'3', L"C:\\Three"},
      {"4: no such favourite", true, L'4', L"C:\\Start"},
      {"0: no key", true, L'0', L"C:\\Start"},
      {"the letter of a title: no key", true, L't', L"C:\\Start"},
      {"off: 1 is no key", false, L'1', L"C:\\Start"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    f.ProgramSettings.KeyboardMenu = c.setting;
    const sim::FileDialog d = Dialog();
    sim::ScriptMenuKey(c.key);
    menu::ShowPath(*form, d.dialog, targets::FileDialog);
    EXPECT_EQ(sim::FileDialogFolder(d.dialog), c.folder);
    EXPECT_EQ(sim::Text(d.edit), L"notes.txt");
  }
}

TEST_F(MenuKeyboard, OnlyTheHotKeysMenuOpensOnItsFirstItem) {
  Favourite(L"C:\\One", L"One");
  Favourite(L"C:\\Two", L"Two");
  auto& f = Start();

  struct Case {
    const char* what;
    bool setting;
    std::function<void(plat::Window dialog)> summon;
    bool first_selected;
  };
  const Case cases[] = {
      {"the hot key", true, [](plat::Window) { ASSERT_TRUE(sim::PressHotKey(plat::MOD_WIN, 'Z')); }, true},
      {"the hot key, setting off", false, [](plat::Window) { ASSERT_TRUE(sim::PressHotKey(plat::MOD_WIN, 'Z')); },
       false},
      {"a middle click", true, [this](plat::Window w) { menu::ShowPath(*form, w, targets::FileDialog, 1); }, false},
      {"the tray icon", true, [](plat::Window) { ASSERT_TRUE(sim::ClickTrayIcon(plat::WM_LBUTTONUP)); }, false},
      {"Explorer's context menu", true,
       [](plat::Window) { plat::PostThreadMessageW(plat::CurrentThreadId(), agent::WM_QXFOLDERMENU, 0, 0); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    f.ProgramSettings.KeyboardMenu = c.setting;
    const sim::FileDialog d = Dialog();
    sim::SetForeground(d.dialog);
    const std::size_t before = sim::ShownMenus().size();
    // Enter at once: it chooses the item the menu opened on, if any.
    sim::ScriptMenuKey(L'\r');
    c.summon(d.dialog);
    Pump(10);
    ASSERT_EQ(sim::ShownMenus().size(), before + 1);
    EXPECT_EQ(LastShown().select_first, c.first_selected);
    EXPECT_EQ(sim::FileDialogFolder(d.dialog), c.first_selected ? L"C:\\One" : L"C:\\Start");
  }
}

// Paths and titles that menus, dialogs and text handling take specially: each
// favourite shows its title exactly (after its key), and its key takes a file
// dialog to exactly its path, with the user's text back in the box.
TEST_F(MenuKeyboard, AnyPathWorksWhateverItHolds) {
  std::wstring deep = L"C:\\Long";
  while (deep.size() <= 300) deep += L"\\" + std::wstring(40, L'n');
  struct Case {
    const char* what;
    std::wstring path, title;
    bool listed;  // the dialog lists it (false: a server the sim has not, the name goes to the dialog as typed)
  };
  const Case cases[] = {
      {"blanks", L"C:\\ My  Files\\two words", L"two  words", true},
      {"#", L"C:\\C# Projects\\#1", L"C# #1", true},
      {"%", L"C:\\100% Done\\%PATH%", L"100% %PATH%", true},
      {"&", L"C:\\R&D\\Tom && Jerry", L"R&D & Tom && Jerry", true},
      {"outside the Basic Multilingual Plane", L"C:\\Noten \U0001D11E \u00C5se", L"\U0001D11E Noten \u00C5se", true},
      {"UNC", L"\\\\server\\share\\Team #1", L"Team & share", false},
      {"longer than MAX_PATH", deep, L"Deep", true},
  };
  for (const Case& c : cases) Favourite(c.path, c.title, c.listed);
  Start();

  wchar_t key = L'1';
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const sim::FileDialog d = Dialog();
    sim::ScriptMenuKey(key);
    menu::ShowPath(*form, d.dialog, targets::FileDialog);
    const std::wstring shown = std::wstring(1, key) + L" " + c.title;
    EXPECT_EQ(BlockShows(LastShown().menu)[static_cast<std::size_t>(key - L'1')], shown);
    EXPECT_TRUE(LogHas(L"end, chosen: " + c.title + L", shown as \"" + shown + L"\""));
    if (c.listed) {
      EXPECT_EQ(sim::FileDialogFolder(d.dialog), c.path);
      EXPECT_EQ(sim::Text(d.edit), L"notes.txt");
    } else {
      EXPECT_EQ(sim::FileDialogOpened(d.dialog), Strings{c.path});
    }
    ++key;
  }
}
