// The main form's start and end: settings, first run, tray icon, hot key, hook.
#include "agent_test_support.h"
#include "sim/sim_library.h"
#include "sim/sim_menu.h"
#include "sim/sim_tray.h"
#include "store/favourites.h"

using namespace agent_test;

namespace {

class AgentLifecycle : public AgentFixture {};

TEST_F(AgentLifecycle, FirstRunSeedsTheRegistryAndStartsWithTheDefaults) {
  auto& f = Start();
  EXPECT_TRUE(f.FirstRun);
  EXPECT_FALSE(f.Terminated());
  // The settings key now exists with the program's folder; the four filters
  // are stored in their order; the agent starts with the user's logon.
  EXPECT_EQ(sim::RegGetString(HKCU, kSettings, L"Path"), L"C:\\Program Files\\Vorlune Folder\\");
  EXPECT_EQ(sim::RegValueNames(HKCU, kFilter).size(), 4u);
  EXPECT_EQ(sim::RegValueNames(HKCU, kFilter).front(), L"*.*");
  EXPECT_EQ(sim::RegGetString(HKCU, kFilter, L"*.*"), L"All Files");
  EXPECT_EQ(sim::RegGetString(HKCU, kRun, L"Vorlune Folder"), kProgram);
  // No setting value is written: the defaults hold.
  EXPECT_FALSE(sim::RegValueExists(HKCU, kSettings, L"Alt"));
  EXPECT_EQ(f.FilterMasks.size(), 4u);

  // Defaults: Win+Z, a tray icon, the 50 ms poll, and the hook with the
  // middle click in dialogs, Explorer and Desktop, the right clicks, no wheel
  // and nothing in Internet Explorer.
  EXPECT_TRUE(sim::HotKeyRegistered(plat::MOD_WIN, 'Z'));
  EXPECT_TRUE(sim::TrayIconShown());
  EXPECT_EQ(sim::TrayIconTip(), L"Vorlune Folder");
  EXPECT_EQ(sim::TimerInterval(f.Handle, agent::TVorlFolder::kTimer4Id), 50u);
  ASSERT_EQ(fake_hook::Calls().size(), 1u);
  const auto args = fake_hook::Calls()[0].args;
  const std::array<std::uint32_t, 10> expected{plat::CurrentThreadId(), 0, 0, 0, 1, 1, 1, 0, 1, 1};
  EXPECT_EQ(args, expected);
  EXPECT_EQ(f.HookBlock, fake_hook::Block());
  EXPECT_EQ(targets::AgentUiThreadId, plat::CurrentThreadId());
  EXPECT_EQ(f.ProgramSettings.FoldersCount, 20);
  EXPECT_EQ(f.ProgramSettings.FilesCount, 20);
  EXPECT_TRUE(LogHas(L"VorlFolder.FormCreate Parameters: begin"));
  // The hidden window can be found by other instances.
  EXPECT_EQ(plat::FindWindowW(L"TVorlFolder", L"Vorlune Folder 1.X"), f.Handle);
  EXPECT_EQ(sim::WorkingSetTrims(), 1);
  EXPECT_EQ(sim::MenuImageCount(), 20u);  // ImageList1 of both menus
}

TEST_F(AgentLifecycle, MenuImagesAreTheTwentyPicturesOfTheResources) {
  // The pictures themselves are checked in menu_images_test.cpp.
  Start();
  EXPECT_EQ(sim::MenuImageCount(), 20u);
  EXPECT_EQ(sim::MenuImageFirstResource(), 200);
}

TEST_F(AgentLifecycle, StoredSettingsAreReadAndAnEmptyKeyIsNoFirstRun) {
  struct Case {
    const char* what;
    std::vector<std::pair<std::wstring, std::uint32_t>> dwords;
    bool hot_key;         // Win+Z registered
    bool tray;            // icon shown
    std::uint32_t wheel;  // third SetHook argument
  };
  const Case cases[] = {
      {"empty key", {}, true, true, 0},
      {"Alt 0 registers no hot key", {{L"Alt", 0}, {L"Keys", 90}}, false, true, 0},
      {"no tray icon", {{L"ShowTray", 0}}, true, false, 0},
      {"any non-zero number is true", {{L"ShowTray", 7}, {L"MouseWheel", 2}}, true, true, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    sim::RegCreateKey(HKCU, kSettings);
    for (const auto& [name, v] : c.dwords) sim::RegSetDword(HKCU, kSettings, name, v);
    auto& f = Start();
    EXPECT_FALSE(f.FirstRun);
    EXPECT_FALSE(sim::RegKeyExists(HKCU, kFilter));  // no first-run seeding
    EXPECT_EQ(sim::HotKeyRegistered(plat::MOD_WIN, 'Z'), c.hot_key);
    EXPECT_EQ(sim::TrayIconShown(), c.tray);
    ASSERT_FALSE(fake_hook::Calls().empty());
    EXPECT_EQ(fake_hook::Calls()[0].args[2], c.wheel);
  }
}

TEST_F(AgentLifecycle, DamagedValuesKeepTheirDefaultsAndTheUpdateMarkerIsRemoved) {
  sim::RegSetString(HKCU, kSettings, L"Keys", L"Z");  // a text where a number belongs
  sim::RegSetDword(HKCU, kSettings, L"Alt", plat::MOD_CONTROL | plat::MOD_ALT);
  sim::RegSetString(HKCU, kSettings, L"Update", L"1");
  auto& f = Start();
  EXPECT_FALSE(f.Terminated());
  EXPECT_EQ(f.ProgramSettings.Keys, 90);
  EXPECT_EQ(f.ProgramSettings.Alt, 3);
  EXPECT_TRUE(sim::HotKeyRegistered(plat::MOD_CONTROL | plat::MOD_ALT, 'Z'));
  EXPECT_FALSE(sim::RegValueExists(HKCU, kSettings, L"Update"));
}

TEST_F(AgentLifecycle, AHotKeyTakenByAnotherProgramStaysUnregisteredSilently) {
  sim::TakeHotKey(plat::MOD_WIN, 'Z');
  auto& f = Start();
  EXPECT_FALSE(f.HotKeyRegistered);
  EXPECT_FALSE(f.Terminated());
}

TEST_F(AgentLifecycle, WithoutTheHookLibraryTheAgentEndsAfterFinishingItsStart) {
  struct Case {
    const char* what;
    bool library_missing;
  };
  for (const Case c : {Case{"SetHook fails", false}, Case{"library missing", true}}) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    if (c.library_missing)
      sim::UnregisterLibrary(L"qx.dll");
    else
      fake_hook::SetFails(true);
    plat::CreateDirectories(L"C:\\Work");
    auto& f = Start(L"C:\\Work");
    EXPECT_TRUE(f.Terminated());
    EXPECT_EQ(f.HookBlock, nullptr);
    // The rest of the start still ran: the start folder became a favourite.
    EXPECT_EQ(sim::RegGetString(HKCU, kPath, L"C:\\Work"), L"C:\\Work$0");
    // The message loop ends at once, without a message box.
    Pump(1000);
    EXPECT_TRUE(f.Terminated());
  }
}

TEST_F(AgentLifecycle, TheStartFolderIsAddedBeforeTheFavouritesAreLoaded) {
  plat::CreateDirectories(L"C:\\Projects");
  sim::RegCreateKey(HKCU, kSettings);  // not a first run
  sim::RegSetString(HKCU, kPath, L"C:\\Old", L"Old$0");
  auto& f = Start(L"C:\\Projects ");  // a trailing blank from a joined command line
  const std::vector<std::wstring> names{L"C:\\Old", L"C:\\Projects"};
  EXPECT_EQ(f.FavouriteNames, names);
  EXPECT_EQ(sim::RegGetString(HKCU, kPath, L"C:\\Projects"), L"C:\\Projects$0");
}

TEST_F(AgentLifecycle, FormDestroyReleasesEverythingOnce) {
  auto& f = Start();
  ASSERT_NE(fake_hook::Block(), nullptr);
  f.FormDestroy();
  EXPECT_FALSE(sim::HotKeyRegistered(plat::MOD_WIN, 'Z'));
  EXPECT_FALSE(sim::TrayIconShown());
  EXPECT_EQ(fake_hook::Block(), nullptr);
  EXPECT_FALSE(sim::TimerRunning(f.Handle, agent::TVorlFolder::kTimer4Id));
  EXPECT_TRUE(f.FavouriteNames.empty());
  EXPECT_TRUE(f.FilterMasks.empty());
  const auto calls = fake_hook::Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_FALSE(calls[1].set);
  // The log was flushed and stopped.
  EXPECT_TRUE(LogHas(L"VorlFolder.FormCreate"));
  f.FormDestroy();
  EXPECT_EQ(fake_hook::Calls().size(), 2u);
}

}  // namespace
