// Messages from other processes and the user: a folder handed over, the
// tray menu, the folder menu on the hot key and the tray icon, the commands.
#include "agent_test_support.h"
#include "platform/atoms.h"
#include "sim/sim_atoms.h"
#include "sim/sim_menu.h"
#include "sim/sim_shell_browse.h"
#include "sim/sim_shell_execute.h"
#include "sim/sim_tray.h"
#include "sim/sim_window.h"

using namespace agent_test;

namespace {

class AgentMessages : public AgentFixture {
 protected:
  // Not a first run: the first-run defaults (favourites, Regsvr32) stay out
  // of what these tests count.
  void SetUp() override {
    AgentFixture::SetUp();
    sim::RegCreateKey(HKCU, kSettings);
  }
  void PostToAgent(std::uint32_t message, std::uint64_t wparam) {
    plat::PostThreadMessageW(plat::CurrentThreadId(), message, wparam, 0);
  }
};

TEST_F(AgentMessages, AFolderHandedOverBecomesAFavouriteAndItsAtomIsReleased) {
  auto& f = Start();
  plat::CreateDirectories(L"C:\\Work\\Reports");
  const std::uint16_t atom = plat::GlobalAddAtomW(L"C:\\Work\\Reports");
  PostToAgent(f.WM_QXADDFOLDER, atom);
  Pump(10);
  EXPECT_EQ(sim::RegGetString(HKCU, kPath, L"C:\\Work\\Reports"), L"C:\\Work\\Reports$0");
  EXPECT_EQ(f.FavouriteNames.back(), L"C:\\Work\\Reports");
  EXPECT_EQ(sim::AtomReferences(atom), 0);
  EXPECT_TRUE(LogHas(L"WM_QXADDFOLDER recive: C:\\Work\\Reports"));

  // The same folder again, in other letter case: still one favourite.
  PostToAgent(f.WM_QXADDFOLDER, plat::GlobalAddAtomW(L"c:\\work\\reports"));
  Pump(10);
  EXPECT_EQ(sim::RegValueNames(HKCU, kPath).size(), 1u);
}

TEST_F(AgentMessages, BadHandOversFromOtherProcessesChangeNothing) {
  auto& f = Start();
  struct Case {
    const char* what;
    std::uint64_t wparam;
  };
  const std::uint16_t missing = plat::GlobalAddAtomW(L"C:\\Does\\Not\\Exist");
  const std::uint16_t dollar = plat::GlobalAddAtomW(L"C:\\Share$\\Data");
  plat::CreateDirectories(L"C:\\Share$\\Data");
  const Case cases[] = {
      {"wParam is no atom", 0x12345678},         {"an atom that names nothing", 0xFEDC},           {"zero", 0},
      {"a folder that does not exist", missing}, {"a path the store could not read back", dollar},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    PostToAgent(f.WM_QXADDFOLDER, c.wparam);
    Pump(10);
    EXPECT_FALSE(f.Terminated());
    EXPECT_TRUE(sim::RegValueNames(HKCU, kPath).empty());
  }
}

TEST_F(AgentMessages, ThreadMessageOpensTheTrayMenuAndExitEndsTheAgent) {
  auto& f = Start();
  sim::ScriptMenuChoice(L"Exit1");
  PostToAgent(agent::WM_QXTRAYMENU, 0);
  Pump(100);
  const auto menus = sim::ShownMenus();
  ASSERT_EQ(menus.size(), 1u);
  struct Item {
    const wchar_t* caption;
    int image;
  };
  const Item expected[] = {{L"About...", -1},
                           {L"Help...", 18},
                           {L"Report a Bug...", -1},
                           {L"-", -1},
                           {L"Open Configuration...", 17},
                           {L"Save Configuration...", 16},
                           {L"Add Folder...", 14},
                           {L"Options...", 15},
                           {L"-", -1},
                           {L"Exit", -1}};
  ASSERT_EQ(menus[0].menu.size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(menus[0].menu[i].caption, expected[i].caption);
    EXPECT_EQ(menus[0].menu[i].image, expected[i].image);
  }
  EXPECT_EQ(menus[0].owner, f.Handle);
  EXPECT_TRUE(f.Terminated());
  EXPECT_TRUE(sim::TrayIconShown());  // until the form is destroyed
  f.FormDestroy();
  EXPECT_FALSE(sim::TrayIconShown());
  EXPECT_EQ(fake_hook::Block(), nullptr);
}

TEST_F(AgentMessages, MenuRequestsThatPiledUpWhileAMenuWasOpenOpenNoMoreMenus) {
  auto& f = Start();
  // Another program posts requests while the tray menu is open (and a hot key
  // press comes in); once the user closed it, one later request opens one menu.
  int opened = 0;
  sim::OnMenuOpen([&](const plat::Menu&) {
    if (++opened == 1) {
      for (int i = 0; i < 5; ++i) PostToAgent(agent::WM_QXTRAYMENU, 0);
      plat::PostThreadMessageW(plat::CurrentThreadId(), plat::WM_HOTKEY, agent::TVorlFolder::HotKeyId, 0);
      PostToAgent(f.WM_QXADDFOLDER, 0x12345678);  // other messages are kept
    }
  });
  PostToAgent(agent::WM_QXTRAYMENU, 0);
  Pump(200);
  EXPECT_EQ(opened, 1);
  EXPECT_TRUE(LogHas(L"menu requests dropped: asked while a menu was open"));
  EXPECT_TRUE(LogHas(L"WM_QXADDFOLDER ignored: wParam is no atom"));
  PostToAgent(agent::WM_QXTRAYMENU, 0);
  Pump(200);
  EXPECT_EQ(opened, 2);
  EXPECT_FALSE(f.Terminated());
}

TEST_F(AgentMessages, HotKeyTrayClickAndFolderMenuRequestShowTheMenuForTheForegroundWindow) {
  auto& f = Start();
  sim::WindowSpec spec;
  spec.class_name = L"Notepad";
  spec.text = L"notes.txt - Notepad";
  spec.rect = {0, 0, 400, 300};
  const plat::Window notepad = sim::CreateWindow(spec);
  sim::SetForeground(notepad);
  std::vector<std::pair<plat::Window, targets::TargetKind>> shown;
  sim::OnMenuOpen([&](const plat::Menu&) {
    shown.push_back({targets::CurrentTargetWindow, targets::CurrentTargetKind});
  });

  ASSERT_TRUE(sim::PressHotKey(plat::MOD_WIN, 'Z'));
  Pump(10);
  // Any hot key identifier shows the menu.
  plat::PostMessage(f.Handle, plat::WM_HOTKEY, 77, 0);
  Pump(10);
  PostToAgent(agent::WM_QXFOLDERMENU, 0);
  Pump(10);
  ASSERT_TRUE(sim::ClickTrayIcon(plat::WM_LBUTTONUP));
  Pump(10);
  ASSERT_EQ(shown.size(), 4u);
  for (const auto& [w, kind] : shown) {
    EXPECT_EQ(w, notepad);
    EXPECT_NE(kind, targets::None);
    EXPECT_NE(kind, targets::BrowseDialog);
  }
  // A right click on the icon opens the tray menu instead.
  ASSERT_TRUE(sim::ClickTrayIcon(plat::WM_RBUTTONUP));
  Pump(10);
  ASSERT_EQ(sim::ShownMenus().size(), 5u);
  EXPECT_EQ(sim::ShownMenus().back().menu.back().caption, L"Exit");
}

TEST_F(AgentMessages, HelpOpensTheHelpFileBesideTheProgramOnlyWhenItExists) {
  auto& f = Start();
  f.N211Click();
  EXPECT_TRUE(sim::ShellExecutions().empty());
  plat::WriteWholeFile(L"C:\\Program Files\\Vorlune Folder\\qorbin.chm", "ITSF");
  f.N211Click();
  ASSERT_EQ(sim::ShellExecutions().size(), 1u);
  const auto e = sim::ShellExecutions()[0];
  EXPECT_EQ(e.verb, L"open");
  EXPECT_EQ(e.file, L"C:\\Program Files\\Vorlune Folder\\qorbin.chm");
  EXPECT_EQ(e.owner, f.Handle);
  EXPECT_EQ(e.show, plat::SW_SHOWNORMAL);
}

TEST_F(AgentMessages, AddFolderAsksForAFolderAndCancelAddsNothing) {
  auto& f = Start();
  plat::CreateDirectories(L"C:\\Music");
  sim::SetBrowseScript({{}, false});
  f.Addfolder1Click();
  EXPECT_TRUE(sim::LastBrowse().shown);
  EXPECT_EQ(sim::LastBrowse().owner, f.Handle);
  EXPECT_TRUE(sim::RegValueNames(HKCU, kPath).empty());
  sim::SetBrowseScript({{L"C:\\Music"}, true});
  f.Addfolder1Click();
  EXPECT_EQ(sim::RegGetString(HKCU, kPath, L"C:\\Music"), L"C:\\Music$0");
}

TEST_F(AgentMessages, OnlyTheMessagesTheAgentAcceptsPassTheElevationFilter) {
  auto& f = Start();
  // The hook library's wake-up too: an elevated agent would otherwise wait
  // for its poll.
  const std::vector<std::uint32_t> accepted{f.WM_QXADDFOLDER, 0x047B, 0x047C, 0x047D,
                                            plat::RegisterWindowMessageW(L"WM_QXWAKEUP by Vorlune Folder")};
  EXPECT_EQ(sim::AllowedMessages(0), accepted);
  auto on_window = sim::AllowedMessages(f.Handle);
  // The same five, Explorer's TaskbarCreated, and WM_CLOSE from the user's setup
  // (on the window only: no other thread message gets through).
  ASSERT_EQ(on_window.size(), 7u);
  EXPECT_EQ(on_window.back(), plat::WM_CLOSE);
  on_window.resize(5);
  EXPECT_EQ(on_window, accepted);
}

TEST_F(AgentMessages, ARestartedNotificationAreaGetsTheIconBackUnlessItIsSwitchedOff) {
  for (bool show_tray : {true, false}) {
    SCOPED_TRACE(show_tray);
    TearDown();
    SetUp();
    sim::RegSetDword(HKCU, kSettings, L"ShowTray", show_tray);
    auto& f = Start();
    sim::LoseTrayIcon();  // Explorer ended and took the icons with it
    plat::PostMessage(f.Handle, plat::RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    Pump(10);
    EXPECT_EQ(sim::TrayIconShown(), show_tray);
  }
}

}  // namespace
