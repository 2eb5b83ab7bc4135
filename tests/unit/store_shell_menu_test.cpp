// The Explorer context-menu extension's decisions on the sim: which entries a
// folder's menu shows, Add or Remove, what choosing one writes, and how the
// agent is told.
#include <gtest/gtest.h>

#include "agent/vorl_folder.h"
#include "app/qorbin.h"
#include "menu/shorten_caption.h"
#include "platform/app.h"
#include "platform/atoms.h"
#include "sim/sim_app.h"
#include "sim/sim_shell_execute.h"
#include "sim/sim_window.h"
#include "store/shell_extension.h"
#include "store/shell_menu.h"
#include "store/shell_registration.h"
#include "store_test_support.h"

using namespace store_test;
using plat::HKEY_CURRENT_USER;
using store::TShellEntry;

namespace {

constexpr plat::ThreadId kAgentThread = 4242;

class ShellMenu : public StoreFixture {
 protected:
  void SetUp() override {
    StoreFixture::SetUp();
    ASSERT_TRUE(plat::CreateDirectories(L"C:\\Work"));
    ASSERT_TRUE(plat::CreateDirectories(L"C:\\Other"));
    ASSERT_TRUE(plat::CreateDirectories(L"C:\\Ünïcode Földer\\日本語"));
  }
  // The agent's hidden main window on a thread of its own.
  void StartAgent() {
    sim::AddForeignThread(kAgentThread);
    sim::WindowSpec spec;
    spec.class_name = agent::kMainWindowClass;
    spec.text = agent::kMainWindowCaption;
    spec.style = 0;
    spec.thread = kAgentThread;
    agent_ = sim::CreateWindow(spec);
  }
  // Texts handed to the agent in WM_QXADDFOLDER, in order.
  static std::vector<std::wstring> HandedToAgent() {
    const std::uint32_t add_folder = plat::RegisterWindowMessageW(app::kAddFolderMessageName);
    std::vector<std::wstring> out;
    for (const auto& m : sim::PostedThreadMessages()) {
      if (m.thread != kAgentThread || m.message != add_folder || !m.delivered) continue;
      std::wstring name;
      EXPECT_TRUE(plat::GlobalGetAtomNameW(static_cast<std::uint16_t>(m.wparam), name));
      out.push_back(name);
    }
    return out;
  }
  static bool MarkerSet() {
    return sim::RegValueExists(HKEY_CURRENT_USER, store::kSettingsKey, store::kUpdateMarkerValue);
  }
  static std::vector<std::wstring> Captions(const std::vector<store::TShellMenuItem>& items) {
    std::vector<std::wstring> out;
    for (const auto& i : items) out.push_back(i.caption + (i.enabled ? L"" : L" (greyed)"));
    return out;
  }
  plat::Window agent_ = 0;
};

TEST_F(ShellMenu, ChoicesOfTheSettingsKeyPickTheEntries) {
  StartAgent();
  struct Case {
    const char* what;
    std::vector<std::pair<const wchar_t*, std::uint32_t>> dwords;
    const wchar_t* string_value;  // stored as text under ShowNewMenu: not an integer, so on
    std::vector<std::wstring> captions;
  } cases[] = {
      {"nothing stored: all on",
       {},
       nullptr,
       {L"Show Vorlune Folder menu", L"Add to Vorlune Folder", L"Open folder in new window"}},
      {"ShowNewMenu 0",
       {{store::kShowNewMenuValue, 0}},
       nullptr,
       {L"Show Vorlune Folder menu", L"Add to Vorlune Folder"}},
      {"ShowMainMenu 0, others 1",
       {{store::kShowMainMenuValue, 0}, {store::kShowAddDelMenuValue, 1}, {store::kShowNewMenuValue, 1}},
       nullptr,
       {L"Add to Vorlune Folder", L"Open folder in new window"}},
      {"all off",
       {{store::kShowMainMenuValue, 0}, {store::kShowAddDelMenuValue, 0}, {store::kShowNewMenuValue, 0}},
       nullptr,
       {}},
      {"ShowAddDelMenu 0, ShowNewMenu a text",
       {{store::kShowAddDelMenuValue, 0}},
       L"0",
       {L"Show Vorlune Folder menu", L"Open folder in new window"}},
  };
  for (const auto& c : cases) {
    sim::RegDeleteTree(HKEY_CURRENT_USER, store::kSettingsKey);
    for (const auto& [name, v] : c.dwords) sim::RegSetDword(HKEY_CURRENT_USER, store::kSettingsKey, name, v);
    if (c.string_value)
      sim::RegSetString(HKEY_CURRENT_USER, store::kSettingsKey, store::kShowNewMenuValue, c.string_value);
    EXPECT_EQ(Captions(store::ShellMenuItems({{L"C:\\Work"}, false})), c.captions) << c.what;
  }
}

TEST_F(ShellMenu, AddOrRemoveFollowsTheStoredFavourites) {
  SetEntries(store::kPathKey, {{L"Submenu1", L"Jobs$5"}, {L"c:\\work$2", L"Work$0"}, {L"C:\\OTHER", L"Other$0"}});
  struct Case {
    std::vector<std::wstring> folders;
    std::wstring caption;
    bool enabled;
  } cases[] = {
      {{L"C:\\Work"}, L"Remove from Vorlune Folder", true},                // a submenu child, other case
      {{L"C:\\other"}, L"Remove from Vorlune Folder", true},               // top level, other case
      {{L"C:\\Work", L"C:\\Other"}, L"Remove from Vorlune Folder", true},  // all stored
      {{L"C:\\Work", L"C:\\Ünïcode Földer\\日本語"}, L"Add to Vorlune Folder", true},
      {{L"C:\\Ünïcode Földer"}, L"Add to Vorlune Folder", true},
      // the store cannot hold a path with "$" followed by text
      {{L"\\\\server\\c$\\data"}, L"Add to Vorlune Folder", false},
  };
  for (const auto& c : cases) {
    bool found = false;
    for (const auto& item : store::ShellMenuItems({c.folders, false})) {
      if (item.entry != TShellEntry::Add && item.entry != TShellEntry::Remove) continue;
      found = true;
      EXPECT_EQ(item.caption, c.caption) << N(c.folders[0]);
      EXPECT_EQ(item.enabled, c.enabled) << N(c.folders[0]);
      EXPECT_EQ(item.verb, item.entry == TShellEntry::Add ? store::kVerbAdd : store::kVerbRemove);
    }
    EXPECT_TRUE(found) << N(c.folders[0]);
  }
  // Several folders: the plural caption for opening; nothing at all for none.
  const auto many = store::ShellMenuItems({{L"C:\\Work", L"C:\\Other"}, false});
  EXPECT_EQ(many.back().caption, L"Open folders in new windows");
  EXPECT_TRUE(store::ShellMenuItems({{}, false}).empty());
}

TEST_F(ShellMenu, ShowMenuIsGreyedAndDoesNothingWithoutAnAgent) {
  auto items = store::ShellMenuItems({{L"C:\\Work"}, true});
  ASSERT_FALSE(items.empty());
  EXPECT_EQ(items[0].entry, TShellEntry::ShowMenu);
  EXPECT_FALSE(items[0].enabled);
  EXPECT_FALSE(store::ShellInvoke(TShellEntry::ShowMenu, {{L"C:\\Work"}, true}, 0));
  EXPECT_TRUE(sim::PostedThreadMessages().empty());

  StartAgent();
  items = store::ShellMenuItems({{L"C:\\Work"}, true});
  EXPECT_TRUE(items[0].enabled);
  EXPECT_TRUE(store::ShellInvoke(TShellEntry::ShowMenu, {{L"C:\\Work"}, true}, 0));
  const auto posted = sim::PostedThreadMessages();
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(posted[0].thread, kAgentThread);
  EXPECT_EQ(posted[0].message, store::kShowMenuThreadMessage);
  EXPECT_TRUE(posted[0].delivered);
}

TEST_F(ShellMenu, AddWritesWithTheStoreRulesAndTellsTheAgent) {
  StartAgent();
  sim::MapTempDrive(L'E', plat::DRIVE_REMOVABLE);
  sim::SetDriveReady(L'E', false);
  SetEntries(store::kPathKey, {{L"Submenu1", L"Jobs$5"}, {L"C:\\Other$2", L"Other$0"}});
  const std::wstring deep = L"C:\\Ünïcode Földer\\日本語";

  const int added = store::ShellAddFolders(
      {L"C:\\Work", L"c:\\other", L"C:\\Missing", deep, L"E:\\Card\\Photos", L"\\\\server\\c$\\data", L"C:\\WORK"});
  EXPECT_EQ(added, 3);
  EXPECT_EQ(KeyEntries(store::kPathKey), (Entries{{L"Submenu1", L"Jobs$5"},
                                                  {L"C:\\Other$2", L"Other$0"},
                                                  {L"C:\\Work", L"C:\\Work$0"},
                                                  {deep, menu::ShortenPathCaption(deep) + L"$0"},
                                                  {L"E:\\Card\\Photos", L"E:\\Card\\Photos$0"}}));
  EXPECT_TRUE(MarkerSet());
  EXPECT_EQ(HandedToAgent(), (std::vector<std::wstring>{L"/update"}));

  // Nothing new to add: no write, no signal.
  sim::RegDeleteValue(HKEY_CURRENT_USER, store::kSettingsKey, store::kUpdateMarkerValue);
  EXPECT_EQ(store::ShellAddFolders({L"C:\\Work"}), 0);
  EXPECT_FALSE(MarkerSet());
  EXPECT_EQ(HandedToAgent().size(), 1u);
}

TEST_F(ShellMenu, WithoutAnAgentTheMarkerAloneIsLeft) {
  EXPECT_TRUE(store::ShellInvoke(TShellEntry::Add, {{L"C:\\Work"}, false}, 0));
  EXPECT_EQ(KeyEntries(store::kPathKey), (Entries{{L"C:\\Work", L"C:\\Work$0"}}));
  EXPECT_TRUE(MarkerSet());
  EXPECT_TRUE(sim::PostedThreadMessages().empty());
}

TEST_F(ShellMenu, AlwaysAddDialogHandsTheFolderToTheRunningAgent) {
  sim::RegSetDword(HKEY_CURRENT_USER, store::kSettingsKey, L"AlwaysAddDialog", 1);
  // No agent: added here with the default title.
  EXPECT_EQ(store::ShellAddFolders({L"C:\\Work"}), 1);
  EXPECT_EQ(KeyEntries(store::kPathKey).size(), 1u);

  StartAgent();
  const std::wstring too_long_for_an_atom = L"C:\\" + std::wstring(130, L'x') + L"\\" + std::wstring(130, L'y');
  ASSERT_TRUE(plat::CreateDirectories(too_long_for_an_atom));
  EXPECT_EQ(store::ShellAddFolders({L"C:\\Other", L"C:\\Work", too_long_for_an_atom}), 2);
  // The agent prompts for C:\Other; the long path could not be handed over.
  EXPECT_EQ(HandedToAgent(), (std::vector<std::wstring>{L"C:\\Other", L"/update"}));
  EXPECT_EQ(KeyEntries(store::kPathKey).size(), 2u);
  EXPECT_FALSE(sim::RegValueExists(HKEY_CURRENT_USER, store::kPathKey, L"C:\\Other"));
}

TEST_F(ShellMenu, RemoveDeletesTheTopLevelEntryFirst) {
  StartAgent();
  SetEntries(
      store::kPathKey,
      {{L"C:\\Work", L"Work$0"}, {L"Submenu1", L"Jobs$5"}, {L"C:\\Work$2", L"Work$0"}, {L"C:\\Other$2", L"Other$0"}});
  EXPECT_EQ(store::ShellRemoveFolders({L"c:\\work", L"C:\\OTHER", L"C:\\Missing"}), 2);
  EXPECT_EQ(KeyEntries(store::kPathKey), (Entries{{L"Submenu1", L"Jobs$5"}, {L"C:\\Work$2", L"Work$0"}}));
  EXPECT_TRUE(MarkerSet());
  EXPECT_EQ(HandedToAgent(), (std::vector<std::wstring>{L"/update"}));

  // The item now says Remove for the child, and removing it empties the submenu.
  EXPECT_TRUE(store::ShellInvoke(TShellEntry::Remove, {{L"C:\\Work"}, false}, 0));
  EXPECT_EQ(KeyEntries(store::kPathKey), (Entries{{L"Submenu1", L"Jobs$5"}}));
}

TEST_F(ShellMenu, OnlyFoldersOfTheSelectionAreTakenAndEachOpens) {
  ASSERT_TRUE(plat::WriteWholeFile(L"C:\\Work\\notes.txt", "x"));
  sim::MapTempDrive(L'E', plat::DRIVE_REMOVABLE);
  sim::SetDriveReady(L'E', false);
  const auto folders = store::SelectedFolders(
      {L"C:\\Work", L"C:\\Work\\notes.txt", L"", L"C:\\Gone", L"E:\\Card", L"C:\\", L"C:\\Ünïcode Földer"});
  EXPECT_EQ(folders, (std::vector<std::wstring>{L"C:\\Work", L"E:\\Card", L"C:\\", L"C:\\Ünïcode Földer"}));

  EXPECT_TRUE(store::ShellInvoke(TShellEntry::Open, {folders, false}, 77));
  const auto runs = sim::ShellExecutions();
  ASSERT_EQ(runs.size(), folders.size());
  for (std::size_t i = 0; i < runs.size(); ++i) {
    EXPECT_EQ(runs[i].file, folders[i]);
    EXPECT_EQ(runs[i].verb, L"explore");
    EXPECT_EQ(runs[i].owner, 77u);
  }
}

}  // namespace

namespace {

using ShellRegistration = StoreFixture;

TEST_F(ShellRegistration, WritesBelowTheChosenRootAndRemovesOnlyItsOwn) {
  const std::wstring classes = L"Software\\Classes\\";
  const std::wstring clsid_key = classes + L"CLSID\\" + store::kShellExtensionClsid;
  const std::wstring handlers = L"\\shellex\\ContextMenuHandlers\\";
  const std::pair<store::TRegistrationScope, plat::RegKey> scopes[] = {
      {store::TRegistrationScope::User, plat::HKEY_CURRENT_USER},
      {store::TRegistrationScope::Machine, plat::HKEY_LOCAL_MACHINE}};
  for (const auto& [scope, root] : scopes) {
    const plat::RegKey other = root == plat::HKEY_CURRENT_USER ? plat::HKEY_LOCAL_MACHINE : plat::HKEY_CURRENT_USER;
    // Another program's handler, and one under our name that names another class.
    sim::RegSetString(root, classes + L"Directory" + handlers + L"Zipper", L"",
                      L"{11111111-0000-0000-0000-000000000000}");
    sim::RegSetString(root, classes + L"Drive" + handlers + store::kShellExtensionHandlerName, L"",
                      L"{22222222-0000-0000-0000-000000000000}");

    ASSERT_TRUE(store::RegisterContextMenuHandler(scope, L"C:\\Old\\shellext.dll"));
    ASSERT_TRUE(store::RegisterContextMenuHandler(scope, L"C:\\Prögram Files\\Vorlune\\shellext.dll"));
    EXPECT_EQ(sim::RegGetString(root, clsid_key + L"\\InprocServer32", L""),
              L"C:\\Prögram Files\\Vorlune\\shellext.dll");
    EXPECT_EQ(sim::RegGetString(root, clsid_key + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
    for (const wchar_t* cls : {L"Directory", L"Directory\\Background", L"Drive"}) {
      EXPECT_EQ(sim::RegGetString(root, classes + cls + handlers + store::kShellExtensionHandlerName, L""),
                store::kShellExtensionClsid)
          << N(cls);
      EXPECT_FALSE(sim::RegKeyExists(other, classes + cls + handlers + store::kShellExtensionHandlerName)) << N(cls);
    }
    EXPECT_FALSE(sim::RegKeyExists(other, clsid_key));

    // The Drive handler is ours now (registering took the name back); put the
    // other class under our name on Directory\Background to see it stay.
    const std::wstring background = classes + L"Directory\\Background" + handlers + store::kShellExtensionHandlerName;
    sim::RegSetString(root, background, L"", L"{22222222-0000-0000-0000-000000000000}");
    EXPECT_TRUE(store::UnregisterContextMenuHandler(scope));
    EXPECT_FALSE(sim::RegKeyExists(root, clsid_key));
    EXPECT_FALSE(sim::RegKeyExists(root, classes + L"Directory" + handlers + store::kShellExtensionHandlerName));
    EXPECT_FALSE(sim::RegKeyExists(root, classes + L"Drive" + handlers + store::kShellExtensionHandlerName));
    EXPECT_TRUE(sim::RegKeyExists(root, background));
    EXPECT_TRUE(sim::RegKeyExists(root, classes + L"Directory" + handlers + L"Zipper"));
    // Nothing left to remove is a clean state too.
    EXPECT_TRUE(store::UnregisterContextMenuHandler(scope));
    sim::RegDeleteTree(root, background);
  }
}

}  // namespace
