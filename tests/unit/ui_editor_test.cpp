// The list commands of the options dialog with the item editor, the add-item
// prompt and the context-menu options.
#include <functional>

#include "agent_test_support.h"
#include "platform/forms.h"
#include "platform/message_box.h"
#include "sim/sim_forms.h"
#include "sim/sim_message_box.h"
#include "sim/sim_shell_browse.h"
#include "store/favourites.h"
#include "store/shell_menu.h"
#include "ui/add_dialog2.h"
#include "ui/editor.h"
#include "ui/sett_context.h"
#include "ui/setting.h"

using namespace agent_test;

namespace {

using Entries = std::vector<std::pair<std::wstring, std::wstring>>;

std::vector<std::wstring> Rows(plat::Form f, const std::wstring& list = ui::sett_control::kFolderList) {
  std::vector<std::wstring> out;
  for (int i = 0; i < plat::ListCount(f, list); ++i) {
    const plat::ListRow r = plat::GetListRow(f, list, i);
    out.push_back(r.caption + L"|" + (r.subitems.empty() ? L"" : r.subitems[0]) + L"|" + std::to_wstring(r.indent));
  }
  return out;
}

int RowOf(plat::Form f, const std::wstring& title, const std::wstring& list = ui::sett_control::kFolderList) {
  for (int i = 0; i < plat::ListCount(f, list); ++i)
    if (plat::GetListRow(f, list, i).caption == title) return i;
  return -1;
}

std::vector<std::wstring> MessagesSince(std::size_t n) {
  std::vector<std::wstring> out;
  const auto boxes = sim::MessageBoxes();
  for (std::size_t i = n; i < boxes.size(); ++i) out.push_back(boxes[i].text);
  return out;
}

class UiEditor : public AgentFixture {
 protected:
  void SetUp() override {
    AgentFixture::SetUp();
    sim::RegCreateKey(HKCU, kSettings);
    for (const wchar_t* dir : {L"C:\\A", L"C:\\B", L"C:\\C", L"C:\\D", L"C:\\New"}) plat::CreateDirectories(dir);
  }
  void Favourites(const Entries& entries) {
    sim::RegDeleteTree(HKCU, kPath);
    sim::RegCreateKey(HKCU, kPath);
    for (const auto& [n, v] : entries) sim::RegSetString(HKCU, kPath, n, v);
  }
  // Shows the options dialog, runs `user` in it, and cancels it afterwards.
  void InOptions(std::function<void(plat::Form)> user) {
    sim::ScriptModal(ui::sett_control::kForm, [user](plat::Form f) {
      user(f);
      if (plat::IsFormShowing(f)) sim::Click(f, ui::sett_control::kCancel);
    });
    form->Settings1Click();
  }
  // Opens the editor for a row with Edit; `edit` acts in it.
  static void EditRow(plat::Form f, const std::wstring& title, std::function<void(plat::Form)> edit,
                      const std::wstring& list = ui::sett_control::kFolderList) {
    sim::ScriptModal(ui::ed_control::kForm, std::move(edit));
    sim::ClickRow(f, list, RowOf(f, title, list));
    sim::Click(f,
               list == ui::sett_control::kFolderList ? ui::sett_control::kEditFolder : ui::sett_control::kEditFilter);
  }
  // Ends the editor with OK when it refused nothing, else with Cancel.
  static void OkOrCancel(plat::Form ed) {
    sim::Click(ed, ui::ed_control::kOk);
    if (plat::IsFormShowing(ed)) sim::Click(ed, ui::ed_control::kCancel);
  }
};

TEST_F(UiEditor, RenamingAndLevelRulesOfFolderEditing) {
  struct Case {
    const char* what;
    Entries store;
    std::wstring row;                      // the row edited
    std::function<void(plat::Form)> edit;  // in the editor
    std::vector<std::wstring> rows;        // the folder list afterwards
    std::wstring message;                  // the refusal, if any
  };
  auto title = [](const wchar_t* t) { return [t](plat::Form ed) { sim::TypeText(ed, ui::ed_control::kTitle, t); }; };
  auto level = [](int i) { return [i](plat::Form ed) { sim::ChooseItem(ed, ui::ed_control::kLevel, i); }; };
  const Entries two_submenus{{L"Submenu1", L"A$5"}, {L"Submenu2", L"B$5"}};
  const Entries submenu{{L"Submenu1", L"S$5"}, {L"C:\\A$2", L"a$0"}, {L"C:\\B$2", L"b$0"}, {L"C:\\C", L"c$0"}};
  const Case cases[] = {
      {"renaming a submenu", two_submenus, L"B", title(L"C"), {L"A||0", L"C||0"}, L""},
      {"a submenu takes another's name",
       two_submenus,
       L"B",
       title(L"A"),
       {L"A||0", L"B||0"},
       L"Item with this name already exists in this level"},
      {"None for the last child outdents it in place",
       submenu,
       L"b",
       level(0),
       {L"S||0", L"a|C:\\A|1", L"b|C:\\B|0", L"c|C:\\C|0"},
       L""},
      {"None for the first child moves it below the submenu",
       submenu,
       L"a",
       level(0),
       {L"S||0", L"b|C:\\B|1", L"a|C:\\A|0", L"c|C:\\C|0"},
       L""},
      {"a folder right below the submenu becomes its last child",
       submenu,
       L"c",
       level(1),
       {L"S||0", L"a|C:\\A|1", L"b|C:\\B|1", L"c|C:\\C|1"},
       L""},
      {"a folder above the submenu moves to its end",
       {{L"C:\\D", L"d$0"}, {L"Submenu1", L"S$5"}, {L"C:\\A$2", L"a$0"}},
       L"d",
       level(1),
       {L"S||0", L"a|C:\\A|1", L"d|C:\\D|1"},
       L""},
      {"a top-level title twice",
       submenu,
       L"c",
       title(L"S"),
       {L"S||0", L"a|C:\\A|1", L"b|C:\\B|1", L"c|C:\\C|0"},
       L"Item with this name already exists in this level"},
      {"a child with its submenu's title",
       submenu,
       L"a",
       title(L"S"),
       {L"S||0", L"a|C:\\A|1", L"b|C:\\B|1", L"c|C:\\C|0"},
       L"Item with this name already exists in this level"},
      {"a child with a sibling's title",
       submenu,
       L"a",
       title(L"b"),
       {L"S||0", L"a|C:\\A|1", L"b|C:\\B|1", L"c|C:\\C|0"},
       L"Item with this name already exists in this level"},
      {"the same path at the top and in a submenu",
       {{L"Submenu1", L"S$5"}, {L"C:\\A$2", L"a$0"}, {L"C:\\A", L"top a$0"}},
       L"top a",
       title(L"Top A"),
       {L"S||0", L"a|C:\\A|1", L"Top A|C:\\A|0"},
       L""},
      {"the same path twice at the top level",
       {{L"Submenu1", L"S$5"}, {L"C:\\A$2", L"a$0"}, {L"C:\\A", L"top a$0"}},
       L"a",
       level(0),
       {L"S||0", L"a|C:\\A|1", L"top a|C:\\A|0"},
       L"Item with this path already exists in this level"},
      {"the same path in two submenus",
       {{L"Submenu1", L"S$5"}, {L"C:\\A$2", L"a$0"}, {L"Submenu2", L"T$5"}, {L"C:\\A", L"top a$0"}},
       L"top a",
       level(2),
       {L"S||0", L"a|C:\\A|1", L"T||0", L"top a|C:\\A|0"},
       L"Item with this path already exists in another submenu; a path can be in one submenu only"},
      {"an empty title changes nothing",
       submenu,
       L"c",
       title(L""),
       {L"S||0", L"a|C:\\A|1", L"b|C:\\B|1", L"c|C:\\C|0"},
       L""},
  };
  for (const auto& c : cases) {
    Favourites(c.store);
    if (!form) Start();
    const std::size_t boxes = sim::MessageBoxes().size();
    bool changed = false;
    InOptions([&](plat::Form f) {
      EditRow(f, c.row, [&](plat::Form ed) {
        c.edit(ed);
        OkOrCancel(ed);
      });
      EXPECT_EQ(Rows(f), c.rows) << c.what;
      changed = ui::Sett()->FoldersChanged;
    });
    const auto messages = MessagesSince(boxes);
    if (c.message.empty()) {
      EXPECT_TRUE(messages.empty()) << c.what;
    } else {
      ASSERT_EQ(messages.size(), 1u) << c.what;
      EXPECT_EQ(messages[0], c.message) << c.what;
      EXPECT_EQ(sim::MessageBoxes().back().caption, L"Information");
      EXPECT_EQ(sim::MessageBoxes().back().type, plat::MB_OK | plat::MB_ICONINFORMATION);
    }
    EXPECT_EQ(changed, c.message.empty() && c.what != std::string("an empty title changes nothing")) << c.what;
  }
}

TEST_F(UiEditor, EditorShowsTheRowInItsMode) {
  Favourites({{L"Submenu1", L"Work$5"}, {L"C:\\A$2", L"a$3"}, {L"C:\\B", L"b$0"}});
  Start();
  InOptions([&](plat::Form f) {
    EditRow(f, L"a", [](plat::Form ed) {
      EXPECT_EQ(plat::GetFormCaption(ed), L"Edit folder");
      EXPECT_EQ(plat::GetControlText(ed, ui::ed_control::kPathLabel), L"Path");
      EXPECT_EQ(plat::GetControlText(ed, ui::ed_control::kTitleLabel), L"Title");
      EXPECT_EQ(plat::GetControlText(ed, ui::ed_control::kPath), L"C:\\A");
      EXPECT_TRUE(plat::IsReadOnly(ed, ui::ed_control::kPath));
      EXPECT_EQ(plat::GetControlText(ed, ui::ed_control::kTitle), L"a");
      EXPECT_EQ(plat::GetComboItems(ed, ui::ed_control::kLevel), (std::vector<std::wstring>{L"None", L"Work"}));
      EXPECT_EQ(plat::GetItemIndex(ed, ui::ed_control::kLevel), 1);
      EXPECT_EQ(plat::GetItemIndex(ed, ui::ed_control::kIcon), 3);
      EXPECT_EQ(plat::GetComboItems(ed, ui::ed_control::kIcon).size(), 13u);
      EXPECT_TRUE(plat::IsControlEnabled(ed, ui::ed_control::kBrowse));
      EXPECT_TRUE(plat::IsControlVisible(ed, ui::ed_control::kIcon));
      EXPECT_EQ(plat::GetFormHeight(ed), 178);
      // The browse button replaces the path with an existing folder.
      sim::SetBrowseScript({{L"C:\\D"}, true});
      sim::Click(ed, ui::ed_control::kBrowse);
      EXPECT_EQ(plat::GetControlText(ed, ui::ed_control::kPath), L"C:\\D");
      sim::ChooseItem(ed, ui::ed_control::kIcon, 7);
      sim::PressKey(ed, ui::ed_control::kTitle, plat::VK_RETURN);
      EXPECT_FALSE(plat::IsFormShowing(ed));
    });
    EXPECT_EQ(plat::GetListRow(f, ui::sett_control::kFolderList, 1), (plat::ListRow{L"a", {L"C:\\D"}, 7, 1}));
    // A submenu: no level, no browsing.
    EditRow(f, L"Work", [](plat::Form ed) {
      EXPECT_EQ(plat::GetFormCaption(ed), L"Edit folder");
      EXPECT_FALSE(plat::IsControlEnabled(ed, ui::ed_control::kLevel));
      EXPECT_FALSE(plat::IsControlEnabled(ed, ui::ed_control::kBrowse));
      sim::Click(ed, ui::ed_control::kCancel);
    });
    // Filters: name and mask, no level or icon.
    sim::ClickTab(f, ui::sett_control::kPages, ui::kFiltersPage);
    sim::ScriptModal(ui::ed_control::kForm, [](plat::Form ed) {
      EXPECT_EQ(plat::GetFormCaption(ed), L"New filter");
      EXPECT_EQ(plat::GetControlText(ed, ui::ed_control::kPathLabel), L"Name");
      EXPECT_EQ(plat::GetControlText(ed, ui::ed_control::kTitleLabel), L"Mask");
      EXPECT_FALSE(plat::IsReadOnly(ed, ui::ed_control::kPath));
      EXPECT_FALSE(plat::IsControlEnabled(ed, ui::ed_control::kBrowse));
      for (const wchar_t* c :
           {ui::ed_control::kLevel, ui::ed_control::kIcon, ui::ed_control::kIconLabel, ui::ed_control::kLevelLabel})
        EXPECT_FALSE(plat::IsControlVisible(ed, c)) << c;
      EXPECT_EQ(plat::GetFormHeight(ed), 138);
      EXPECT_EQ(plat::GetControlText(ed, ui::ed_control::kPath), L"");
    });
    sim::Click(f, ui::sett_control::kAddFilter);
  });
}

// The browse button of the editor refuses a folder whose stored name would be
// read back as another folder, as "Add Folder..." does; the path stays.
TEST_F(UiEditor, BrowseRefusesAPathTheStoreCannotGiveBack) {
  plat::CreateDirectories(L"C:\\Shares$\\docs");
  plat::CreateDirectories(L"C:\\Price$");
  Favourites({{L"C:\\A", L"a$3"}});
  Start();
  struct Case {
    const wchar_t* picked;
    bool refused;
  } cases[] = {{L"C:\\Shares$\\docs", true}, {L"C:\\Price$", false}, {L"C:\\D", false}};
  InOptions([&](plat::Form f) {
    // "Add Folder..." says this.
    std::size_t boxes = sim::MessageBoxes().size();
    sim::SetBrowseScript({{L"C:\\Shares$\\docs"}, true});
    sim::Click(f, L"Button1");
    const auto add_folder = MessagesSince(boxes);
    ASSERT_EQ(add_folder.size(), 1u);
    for (const auto& c : cases) {
      EditRow(f, L"a", [&](plat::Form ed) {
        boxes = sim::MessageBoxes().size();
        sim::SetBrowseScript({{c.picked}, true});
        sim::Click(ed, L"SpeedButton1");
        EXPECT_EQ(MessagesSince(boxes), c.refused ? add_folder : std::vector<std::wstring>{});
        EXPECT_EQ(plat::GetControlText(ed, L"Edit1"), c.refused ? L"C:\\A" : c.picked);
        sim::Click(ed, L"Button2");
      });
    }
  });
}

TEST_F(UiEditor, AddFolderAddSubmenuAndCancelling) {
  Favourites({{L"C:\\A", L"A$0"}, {L"Submenu1", L"S$5"}, {L"C:\\B$2", L"b$0"}});
  Start();
  InOptions([&](plat::Form f) {
    // Add Folder after a header puts the folder into that submenu first.
    sim::SetBrowseScript({{L"C:\\New"}, true});
    sim::ScriptModal(ui::ed_control::kForm, [&](plat::Form ed) {
      EXPECT_EQ(plat::GetFormCaption(ed), L"New folder");
      EXPECT_EQ(plat::GetControlText(ed, ui::ed_control::kTitle), L"C:\\New");
      EXPECT_EQ(plat::GetItemIndex(ed, ui::ed_control::kLevel), 1);
      sim::TypeText(ed, ui::ed_control::kTitle, L"New");
      sim::Click(ed, ui::ed_control::kOk);
    });
    sim::ClickRow(f, ui::sett_control::kFolderList, 1);
    sim::Click(f, ui::sett_control::kAddFolder);
    EXPECT_EQ(Rows(f), (std::vector<std::wstring>{L"A|C:\\A|0", L"S||0", L"New|C:\\New|1", L"b|C:\\B|1"}));
    EXPECT_EQ(plat::GetSelectedRow(f, ui::sett_control::kFolderList), 2);

    // A path already in the list (any spelling) is refused before the editor.
    std::size_t boxes = sim::MessageBoxes().size();
    sim::SetBrowseScript({{L"c:\\b"}, true});
    plat::CreateDirectories(L"c:\\b");
    sim::Click(f, ui::sett_control::kAddFolder);
    EXPECT_EQ(MessagesSince(boxes), (std::vector<std::wstring>{L"This path already exists"}));
    EXPECT_EQ(plat::ListCount(f, ui::sett_control::kFolderList), 4);

    // Cancelling the editor removes the new row; the change flag stays.
    ui::Sett()->FoldersChanged = false;
    plat::CreateDirectories(L"C:\\Other");
    sim::SetBrowseScript({{L"C:\\Other"}, true});
    sim::ScriptModal(ui::ed_control::kForm, [](plat::Form ed) { sim::Click(ed, ui::ed_control::kCancel); });
    sim::ClickRow(f, ui::sett_control::kFolderList, 0);
    sim::Click(f, ui::sett_control::kAddFolder);
    EXPECT_EQ(plat::ListCount(f, ui::sett_control::kFolderList), 4);
    EXPECT_TRUE(ui::Sett()->FoldersChanged);
    sim::ScriptModal(ui::ed_control::kForm, [](plat::Form ed) {
      EXPECT_EQ(plat::GetFormCaption(ed), L"New submenu");
      EXPECT_FALSE(plat::IsControlEnabled(ed, ui::ed_control::kLevel));
      sim::CloseBox(ed);
    });
    sim::Click(f, ui::sett_control::kAddSubmenu);
    EXPECT_EQ(plat::ListCount(f, ui::sett_control::kFolderList), 4);

    // Add Submenu appends a header with the submenu icon.
    sim::ScriptModal(ui::ed_control::kForm, [](plat::Form ed) {
      sim::TypeText(ed, ui::ed_control::kTitle, L"Tools");
      sim::Click(ed, ui::ed_control::kOk);
    });
    sim::Click(f, ui::sett_control::kAddSubmenu);
    EXPECT_EQ(plat::GetListRow(f, ui::sett_control::kFolderList, 4), (plat::ListRow{L"Tools", {L""}, 5, 0}));

    // Browsing cancelled: nothing added.
    sim::SetBrowseScript({{}, false});
    sim::Click(f, ui::sett_control::kAddFolder);
    EXPECT_EQ(plat::ListCount(f, ui::sett_control::kFolderList), 5);
    sim::Click(f, ui::sett_control::kOk);
  });
  EXPECT_EQ(sim::RegValueNames(HKCU, kPath),
            (std::vector<std::wstring>{L"C:\\A", L"Submenu1", L"C:\\New$2", L"C:\\B$2", L"Submenu4"}));
}

TEST_F(UiEditor, RemoveRefusesAHeaderWithChildrenAndAsksFirst) {
  Favourites({{L"Submenu1", L"S$5"}, {L"C:\\B$2", L"b$0"}, {L"Submenu2", L"T$5"}, {L"C:\\A", L"A$0"}});
  Start();
  InOptions([&](plat::Form f) {
    std::size_t boxes = sim::MessageBoxes().size();
    sim::ClickRow(f, ui::sett_control::kFolderList, 0);
    sim::Click(f, ui::sett_control::kRemoveFolder);
    EXPECT_EQ(MessagesSince(boxes),
              (std::vector<std::wstring>{L"Before delete Submenu, You must delete Submenu's items"}));
    EXPECT_EQ(plat::ListCount(f, ui::sett_control::kFolderList), 4);
    // No: nothing goes; Yes: the row goes. The Delete key does the same.
    boxes = sim::MessageBoxes().size();
    sim::ClickRow(f, ui::sett_control::kFolderList, 2);
    sim::ScriptMessageBoxAnswer(plat::IDNO);
    sim::Click(f, ui::sett_control::kRemoveFolder);
    EXPECT_EQ(plat::ListCount(f, ui::sett_control::kFolderList), 4);
    ASSERT_EQ(sim::MessageBoxes().size(), boxes + 1);
    EXPECT_EQ(sim::MessageBoxes().back().text, L"Do you really want to delete this item?");
    EXPECT_EQ(sim::MessageBoxes().back().caption, L"Confirm");
    EXPECT_EQ(sim::MessageBoxes().back().type, plat::MB_YESNO | plat::MB_ICONQUESTION);
    EXPECT_FALSE(ui::Sett()->FoldersChanged);
    sim::ScriptMessageBoxAnswer(plat::IDYES);
    sim::PressKey(f, ui::sett_control::kFolderList, plat::VK_DELETE);
    EXPECT_EQ(Rows(f), (std::vector<std::wstring>{L"S||0", L"b|C:\\B|1", L"A|C:\\A|0"}));
    EXPECT_TRUE(ui::Sett()->FoldersChanged);
  });
}

TEST_F(UiEditor, FilterCommandsAndTheirMessages) {
  sim::RegCreateKey(HKCU, kFilter);
  sim::RegSetString(HKCU, kFilter, L"*.*", L"All Files");
  sim::RegSetString(HKCU, kFilter, L"*.txt", L"Text");
  Start();
  struct Case {
    const wchar_t* name;
    const wchar_t* mask;
    const wchar_t* message;
  };
  const Case adds[] = {
      {L"", L"*.x", L"You must enter both field"},
      {L"Text", L"*.x", L"Item with this name already exists in this level"},
      {L"Other", L"*.TXT", L"Item with this mask already exists"},
      {L"Other", L"", nullptr},  // an empty mask: OK does nothing
      {L"Pics", L"*.png", nullptr},
  };
  InOptions([&](plat::Form f) {
    sim::ClickTab(f, ui::sett_control::kPages, ui::kFiltersPage);
    EXPECT_EQ(sim::FocusedControl(f), ui::sett_control::kFilterList);
    for (const auto& a : adds) {
      const std::size_t boxes = sim::MessageBoxes().size();
      sim::ScriptModal(ui::ed_control::kForm, [&](plat::Form ed) {
        sim::TypeText(ed, ui::ed_control::kPath, a.name);
        sim::TypeText(ed, ui::ed_control::kTitle, a.mask);
        OkOrCancel(ed);
      });
      sim::Click(f, ui::sett_control::kAddFilter);
      const auto messages = MessagesSince(boxes);
      if (a.message)
        EXPECT_EQ(messages, std::vector<std::wstring>{a.message}) << a.name;
      else
        EXPECT_TRUE(messages.empty()) << a.name;
    }
    EXPECT_EQ(Rows(f, ui::sett_control::kFilterList),
              (std::vector<std::wstring>{L"All Files|*.*|0", L"Text|*.txt|0", L"Pics|*.png|0"}));
    // Add Filter, then Cancel: no row added, none removed from either list.
    const auto folders = Rows(f);
    sim::ScriptModal(ui::ed_control::kForm, [](plat::Form ed) { sim::Click(ed, ui::ed_control::kCancel); });
    sim::ClickRow(f, ui::sett_control::kFilterList, 0);
    sim::Click(f, ui::sett_control::kAddFilter);
    EXPECT_EQ(plat::ListCount(f, ui::sett_control::kFilterList), 3);
    EXPECT_EQ(Rows(f), folders);
    // Editing keeps the row's own name and mask allowed.
    EditRow(
        f, L"Text",
        [](plat::Form ed) {
          EXPECT_EQ(plat::GetFormCaption(ed), L"Edit Filter");
          EXPECT_EQ(plat::GetControlText(ed, ui::ed_control::kTitle), L"*.txt");
          sim::TypeText(ed, ui::ed_control::kTitle, L"*.txt;*.log");
          sim::Click(ed, ui::ed_control::kOk);
        },
        ui::sett_control::kFilterList);
    EXPECT_EQ(plat::GetListRow(f, ui::sett_control::kFilterList, 1).subitems[0], L"*.txt;*.log");
    // Up and Down swap filters, not past the ends.
    sim::ClickRow(f, ui::sett_control::kFilterList, 2);
    sim::Click(f, ui::sett_control::kFilterUp);
    EXPECT_EQ(plat::GetSelectedRow(f, ui::sett_control::kFilterList), 1);
    sim::ClickRow(f, ui::sett_control::kFilterList, 0);
    sim::Click(f, ui::sett_control::kFilterUp);
    sim::Click(f, ui::sett_control::kFilterDown);
    EXPECT_EQ(Rows(f, ui::sett_control::kFilterList),
              (std::vector<std::wstring>{L"Pics|*.png|0", L"All Files|*.*|0", L"Text|*.txt;*.log|0"}));
    sim::Click(f, ui::sett_control::kOk);
  });
  EXPECT_EQ(sim::RegValueNames(HKCU, kFilter), (std::vector<std::wstring>{L"*.png", L"*.*", L"*.txt;*.log"}));
}

TEST_F(UiEditor, AddItemPromptAsksForTheTitleAndCanBeSwitchedOff) {
  Start();
  form->ProgramSettings.AlwaysAddDialog = true;
  // An empty name keeps the Cyrillic OK disabled; Cancel adds nothing.
  sim::ScriptModal(ui::add_item_control::kForm, [](plat::Form p) {
    EXPECT_EQ(plat::GetFormCaption(p), L"Add new item");
    EXPECT_EQ(plat::GetControlText(p, ui::add_item_control::kOk), L"\u041E\u041A");
    EXPECT_EQ(plat::GetControlText(p, ui::add_item_control::kPrompt), L"Please, enter name to display in menu");
    EXPECT_EQ(plat::GetControlText(p, ui::add_item_control::kAlwaysShow), L"Always show this dialog");
    EXPECT_TRUE(plat::IsChecked(p, ui::add_item_control::kAlwaysShow));
    EXPECT_EQ(plat::GetControlText(p, ui::add_item_control::kName), L"C:\\A");
    EXPECT_TRUE(plat::IsControlEnabled(p, ui::add_item_control::kOk));
    sim::TypeText(p, ui::add_item_control::kName, L"");
    EXPECT_FALSE(plat::IsControlEnabled(p, ui::add_item_control::kOk));
    sim::Click(p, ui::add_item_control::kOk);
    EXPECT_TRUE(plat::IsFormShowing(p));
    sim::Click(p, ui::add_item_control::kCancel);
  });
  store::AddFavouriteFolder(L"C:\\A");
  EXPECT_TRUE(sim::RegValueNames(HKCU, kPath).empty());
  // Confirmed with a name and the box cleared: the name is the title, and
  // the setting is stored as 0.
  sim::ScriptModal(ui::add_item_control::kForm, [](plat::Form p) {
    sim::TypeText(p, ui::add_item_control::kName, L"Alpha ");
    sim::Click(p, ui::add_item_control::kAlwaysShow);
    sim::Click(p, ui::add_item_control::kOk);
  });
  store::AddFavouriteFolder(L"C:\\A");
  EXPECT_EQ(sim::RegGetString(HKCU, kPath, L"C:\\A").value_or(L""), L"Alpha $0");
  EXPECT_EQ(sim::RegGetDword(HKCU, kSettings, L"AlwaysAddDialog").value_or(9), 0u);
  EXPECT_FALSE(form->ProgramSettings.AlwaysAddDialog);
  // Later additions take the default title without asking.
  store::AddFavouriteFolder(L"C:\\B");
  EXPECT_EQ(sim::RegGetString(HKCU, kPath, L"C:\\B").value_or(L""), L"C:\\B$0");
  EXPECT_EQ(sim::ModalShowings(),
            (std::vector<std::wstring>{ui::add_item_control::kForm, ui::add_item_control::kForm}));
  // Without the settings key the choice is not stored.
  sim::RegDeleteTree(HKCU, kSettings);
  EXPECT_TRUE(ui::AddItemPromptCreated(*form).Form() != 0);
}

// Choices that cannot be stored reach the error dialog; the form stays open.
TEST_F(UiEditor, ContextMenuChoicesThatCannotBeStoredAreReported) {
  Start();
  errors::SetMainThreadIdAtStart(plat::CurrentThreadId());
  std::vector<std::wstring> shown;
  errors::SetErrorDialogHooks({[] { return false; },
                               [&](const std::wstring& m) {
                                 shown.push_back(m);
                                 return true;
                               }});
  ui::SettCreated(*form);
  sim::RegFailWrites(HKCU, kSettings, sim::kAlways, plat::ERROR_CANTWRITE, L"ShowNewMenu");
  bool open_after_ok = false;
  sim::ScriptModal(ui::sett_context_control::kForm, [&](plat::Form c) {
    sim::Click(c, ui::sett_context_control::kOpenInNewWindow);
    sim::Click(c, ui::sett_context_control::kOk);
    open_after_ok = plat::IsFormShowing(c);
    sim::Click(c, ui::sett_context_control::kCancel);
  });
  sim::ScriptModal(ui::sett_control::kForm, [](plat::Form f) {
    plat::SetControlVisible(f, ui::sett_control::kCustomize, true);
    sim::Click(f, ui::sett_control::kCustomize);
  });
  form->Settings1Click();
  errors::SetErrorDialogHooks({});
  EXPECT_TRUE(open_after_ok);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0], L"The settings could not be saved: Failed to set data for 'ShowNewMenu'");
  EXPECT_FALSE(sim::RegValueExists(HKCU, kSettings, L"ShowNewMenu"));
}

TEST_F(UiEditor, ContextMenuItemsStoreTheirThreeChoices) {
  // The extension beside the program: "Customize" is shown and opens the form.
  ASSERT_TRUE(plat::WriteWholeFile(L"C:\\Program Files\\Vorlune Folder\\shellext.dll", "MZ"));
  Start();
  ui::SettCreated(*form);
  auto show = [&](std::function<void(plat::Form)> user) {
    sim::ScriptModal(ui::sett_context_control::kForm, std::move(user));
    sim::ScriptModal(ui::sett_control::kForm, [](plat::Form f) {
      ASSERT_TRUE(plat::IsControlVisible(f, ui::sett_control::kCustomize));
      sim::Click(f, ui::sett_control::kCustomize);
    });
    form->Settings1Click();
  };
  show([](plat::Form c) {
    EXPECT_EQ(plat::GetFormCaption(c), L"Context menu items");
    EXPECT_EQ(plat::GetControlText(c, ui::sett_context_control::kGroup),
              L" Choose items to display in Explorer context menus ");
    EXPECT_EQ(plat::GetControlText(c, ui::sett_context_control::kShowMenu), L"Show Vorlune Folder menu");
    EXPECT_EQ(plat::GetControlText(c, ui::sett_context_control::kAddRemove), L"Add/Remove to/from Vorlune Folder");
    EXPECT_EQ(plat::GetControlText(c, ui::sett_context_control::kOpenInNewWindow), L"Open folder(s) in new window(s)");
    for (const wchar_t* b : {ui::sett_context_control::kShowMenu, ui::sett_context_control::kAddRemove,
                             ui::sett_context_control::kOpenInNewWindow})
      EXPECT_TRUE(plat::IsChecked(c, b));
    sim::Click(c, ui::sett_context_control::kOk);
  });
  for (const wchar_t* v : {L"ShowMainMenu", L"ShowAddDelMenu", L"ShowNewMenu"})
    EXPECT_EQ(sim::RegGetDword(HKCU, kSettings, v).value_or(9), 1u) << v;
  show([](plat::Form c) {
    sim::Click(c, ui::sett_context_control::kOpenInNewWindow);
    sim::Click(c, ui::sett_context_control::kOk);
  });
  EXPECT_EQ(sim::RegGetDword(HKCU, kSettings, L"ShowNewMenu").value_or(9), 0u);
  // The extension reads the choice: a folder's menu has no "Open" entry now.
  ASSERT_TRUE(plat::CreateDirectories(L"C:\\Work"));
  const auto items = store::ShellMenuItems({{L"C:\\Work"}, false});
  EXPECT_EQ(items.size(), 2u);
  for (const auto& item : items) EXPECT_NE(item.entry, store::TShellEntry::Open);
  show([](plat::Form c) {
    EXPECT_FALSE(plat::IsChecked(c, ui::sett_context_control::kOpenInNewWindow));
    sim::Click(c, ui::sett_context_control::kAddRemove);
    sim::Click(c, ui::sett_context_control::kCancel);
  });
  EXPECT_EQ(sim::RegGetDword(HKCU, kSettings, L"ShowAddDelMenu").value_or(9), 1u);
}

}  // namespace
