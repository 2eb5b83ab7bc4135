// The process entry: switches, the single instance, the hand-over of a folder
// to the running agent, the restart wait, the elevated start, the uninstall.
#include "agent_test_support.h"
#include "app/qorbin.h"
#include "infra/dral_utils.h"
#include "platform/atoms.h"
#include "sim/sim_atoms.h"
#include "sim/sim_clock.h"
#include "sim/sim_menu.h"
#include "sim/sim_shared_memory.h"
#include "sim/sim_shell_execute.h"
#include "sim/sim_system.h"
#include "sim/sim_window.h"

using namespace agent_test;

namespace {

constexpr plat::ThreadId kAgentThread = 555;

class AgentEntry : public AgentFixture {
 protected:
  void SetUp() override {
    AgentFixture::SetUp();
    infra::ResetDralUtilsCaches();
    app::InstanceMarker = 0;
  }
  // Another process is the agent: it holds the marker and the hook block.
  void AgentRuns(bool with_block = true) {
    sim::HoldMapping(app::kInstanceMarkerName, app::kInstanceMarkerSize);
    sim::AddForeignThread(kAgentThread);
    if (with_block) {
      sim::HoldMapping(agent::kHookBlockName, agent::kHookBlockSize);
      static_cast<agent::HookSharedBlock*>(sim::MappingData(agent::kHookBlockName))->AgentThreadId = kAgentThread;
    }
  }
  int Run(std::vector<std::wstring> args) {
    sim::SetCommandLine(std::move(args));
    return app::qorbin();
  }
  // The names of the atoms handed over, in order.
  static std::vector<std::wstring> HandedOver(plat::ThreadId thread) {
    std::vector<std::wstring> out;
    for (const auto& p : sim::PostedThreadMessages()) {
      if (p.thread != thread || p.message != plat::RegisterWindowMessageW(app::kAddFolderMessageName)) continue;
      std::wstring name;
      EXPECT_EQ(p.lparam, 0);
      if (plat::GlobalGetAtomNameW(static_cast<std::uint16_t>(p.wparam), name)) out.push_back(name);
    }
    return out;
  }
  static bool BecameAgent() {
    for (const auto& c : fake_hook::Calls()) {
      if (c.set) return true;
    }
    return false;
  }
};

TEST_F(AgentEntry, TheStartArgumentIsAnExistingFolderOrAllArgumentsJoined) {
  plat::CreateDirectories(L"C:\\Data");
  struct Case {
    std::vector<std::wstring> args;
    std::wstring expected;
  };
  const Case cases[] = {
      {{}, L""},
      {{L"C:\\Data"}, L"C:\\Data"},
      {{L"C:\\Data", L"more"}, L"C:\\Data"},
      {{L"x", L"y"}, L"x y "},
      {{L"C:\\My", L"Data"}, L"C:\\My Data "},
      {{L"/restart"}, L"/restart "},
  };
  for (const auto& c : cases) EXPECT_EQ(app::CollectStartArgument(c.args), c.expected);
}

TEST_F(AgentEntry, SwitchesMatchExactlyAndEverythingElseStartsTheAgent) {
  struct Case {
    std::wstring arg;
    bool agent;
  };
  const Case cases[] = {
      {L"/update", false}, {L"/install", false},  {L"/erasefull", false}, {L"/UPDATE", true},
      {L"/update ", true}, {L"/Erasefull", true}, {L"install", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.arg.begin(), c.arg.end()));
    TearDown();
    SetUp();
    EXPECT_EQ(Run({c.arg}), 0);
    EXPECT_EQ(BecameAgent(), c.agent);
  }
}

TEST_F(AgentEntry, InstallOpensTheMakersPageForTheUsersLanguage) {
  Run({L"/install"});
  ASSERT_EQ(sim::ShellExecutions().size(), 1u);
  EXPECT_EQ(sim::ShellExecutions()[0].verb, L"open");
  EXPECT_NE(sim::ShellExecutions()[0].file.find(L"utm_source=folder"), std::wstring::npos);

  const std::wstring english = app::InstallPageAddress({0x04090409});
  EXPECT_NE(app::InstallPageAddress({0x04090409, 0x04070407}), english);  // German installed
  EXPECT_NE(app::InstallPageAddress({0x04190419}), english);              // Russian
  EXPECT_EQ(app::InstallPageAddress({0x04050405}), english);              // Czech
  std::vector<std::uint64_t> seventeen(16, 0x04090409);
  seventeen.push_back(0x04070407);  // only 16 layouts are examined
  EXPECT_EQ(app::InstallPageAddress(seventeen), english);
}

TEST_F(AgentEntry, ASecondStartWithoutArgumentsEndsAtOnce) {
  AgentRuns();
  const std::uint64_t before = sim::Now();
  EXPECT_EQ(Run({}), 0);
  EXPECT_FALSE(BecameAgent());
  EXPECT_TRUE(sim::PostedThreadMessages().empty());
  EXPECT_EQ(sim::Now(), before);
  EXPECT_EQ(plat::FindWindowW(L"TVorlFolder", L"Vorlune Folder 1.X"), 0u);
}

TEST_F(AgentEntry, ASecondStartHandsExactlyThatFolderOverTrimmed) {
  plat::CreateDirectories(L"C:\\My Data");
  struct Case {
    std::vector<std::wstring> args;
    std::wstring handed;
  };
  const Case cases[] = {
      {{L"C:\\My Data"}, L"C:\\My Data"},
      {{L"C:\\My", L"Data"}, L"C:\\My Data"},
      {{L"x", L"y"}, L"x y"},
      {{L"\tC:\\My Data\t"}, L"C:\\My Data"},
  };
  for (const auto& c : cases) {
    TearDown();
    SetUp();
    AgentRuns();
    Run(c.args);
    EXPECT_EQ(HandedOver(kAgentThread), std::vector<std::wstring>{c.handed});
    EXPECT_EQ(sim::PostedThreadMessages().size(), 1u);
    EXPECT_FALSE(BecameAgent());
  }
}

TEST_F(AgentEntry, WithoutTheBlockTheFolderGoesToTheThreadOfTheAgentWindow) {
  plat::CreateDirectories(L"C:\\Data");
  struct Case {
    const char* what;
    bool block_exists;
    bool view_fails;
  };
  for (const Case c : {Case{"block cannot be mapped", true, true}, Case{"agent runs without hook", false, false}}) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    AgentRuns(c.block_exists);
    if (c.view_fails) sim::SetMapViewFails(agent::kHookBlockName, true);
    sim::WindowSpec spec;
    spec.class_name = L"TVorlFolder";
    spec.text = L"Vorlune Folder 1.X";
    spec.style = plat::WS_POPUP;
    spec.thread = 777;
    sim::CreateWindow(spec);
    sim::AddForeignThread(777);
    Run({L"C:\\Data"});
    EXPECT_EQ(HandedOver(777), std::vector<std::wstring>{L"C:\\Data"});
    EXPECT_TRUE(HandedOver(kAgentThread).empty());
  }
}

TEST_F(AgentEntry, AFolderThatFindsNoAgentThreadLeavesNoAtomBehind) {
  sim::HoldMapping(app::kInstanceMarkerName, app::kInstanceMarkerSize);  // marker, but no block, no window
  plat::CreateDirectories(L"C:\\Data");
  Run({L"C:\\Data"});
  EXPECT_FALSE(BecameAgent());
  EXPECT_EQ(sim::AtomCount(), 0u);
}

TEST_F(AgentEntry, RestartWaitsForThePreviousAgentAtMostEightSeconds) {
  struct Case {
    const char* what;
    int release_after;  // checks until the old agent ends; -1 never
    bool agent;
  };
  for (const Case c : {Case{"old agent ends", 5, true}, Case{"old agent stays", -1, false},
                       Case{"gone at the last check", 40, true}}) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    sim::HoldMapping(app::kInstanceMarkerName, app::kInstanceMarkerSize);
    if (c.release_after >= 0) sim::ReleaseHeldMappingAfterChecks(app::kInstanceMarkerName, c.release_after);
    const std::uint64_t before = sim::Now();
    Run({L"/restart"});
    EXPECT_EQ(BecameAgent(), c.agent);
    if (!c.agent) {
      EXPECT_EQ(sim::MappingCreateCalls(app::kInstanceMarkerName), 41);
      EXPECT_EQ(sim::Now() - before, 8000u);
    }
  }
}

TEST_F(AgentEntry, EraseFullRemovesTheAgentsKeysAndAutostartOnly) {
  sim::RegSetDword(HKCU, kSettings, L"Alt", 8);
  sim::RegSetString(HKCU, kPath, L"C:\\Work", L"Work$0");
  sim::RegSetString(HKCU, L"Software\\Quantrel\\Vorlune Folder", L"Top", L"x");
  sim::RegSetString(HKCU, L"Software\\Quantrel\\Dump", L"d", L"1");
  sim::RegSetString(HKCU, kRun, L"Vorlune Folder", kProgram);
  sim::RegSetString(HKCU, kRun, L"Other", L"other.exe");
  Run({L"/erasefull"});
  EXPECT_FALSE(sim::RegKeyExists(HKCU, L"Software\\Quantrel\\Vorlune Folder"));
  EXPECT_FALSE(sim::RegKeyExists(HKCU, L"Software\\Quantrel"));  // only "Dump" was left
  EXPECT_FALSE(sim::RegValueExists(HKCU, kRun, L"Vorlune Folder"));
  EXPECT_TRUE(sim::RegValueExists(HKCU, kRun, L"Other"));
  EXPECT_FALSE(BecameAgent());

  // A sibling product's key under the maker's key stays, and so does the maker's key.
  TearDown();
  SetUp();
  sim::RegSetDword(HKCU, kSettings, L"Alt", 8);
  sim::RegSetString(HKCU, L"Software\\Quantrel\\StartUp Manager", L"v", L"1");
  Run({L"/erasefull"});
  EXPECT_FALSE(sim::RegKeyExists(HKCU, L"Software\\Quantrel\\Vorlune Folder"));
  EXPECT_TRUE(sim::RegKeyExists(HKCU, L"Software\\Quantrel\\StartUp Manager"));
  // Nothing there at all: nothing is created.
  TearDown();
  SetUp();
  Run({L"/erasefull"});
  EXPECT_FALSE(sim::RegKeyExists(HKCU, L"Software\\Quantrel"));
}

TEST_F(AgentEntry, AnUnelevatedAdministratorUnderUacStartsTheAgentElevated) {
  struct Case {
    const char* what;
    int user;  // 0 standard, 1 filtered admin, 2 elevated admin
    bool runas_fails;
    bool runas_tried;
    bool agent;
  };
  const Case cases[] = {
      {"standard user", 0, false, false, true},
      {"elevated administrator", 2, false, false, true},
      {"filtered administrator", 1, false, true, false},
      {"declined prompt", 1, true, true, true},
  };
  plat::CreateDirectories(L"C:\\Data");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    plat::CreateDirectories(L"C:\\Data");
    if (c.user == 0) sim::MakeStandardUser();
    if (c.user == 1) sim::MakeFilteredAdmin();
    if (c.user == 2) sim::MakeElevatedAdmin();
    sim::SetShellVerbFails(L"runas", c.runas_fails);
    Run({L"C:\\Data"});
    auto shell = sim::ShellExecutions();
    // A first run also registers the shell extension.
    std::erase_if(shell, [](const sim::ShellExecution& e) { return e.file == L"Regsvr32"; });
    ASSERT_EQ(shell.size(), c.runas_tried ? 1u : 0u);
    if (c.runas_tried) {
      EXPECT_TRUE(shell[0].ex);
      EXPECT_EQ(shell[0].verb, L"runas");
      EXPECT_EQ(shell[0].file, kProgram);
      EXPECT_EQ(shell[0].parameters, L"\"C:\\Data\"");
      EXPECT_EQ(shell[0].show, plat::SW_HIDE);
    }
    EXPECT_EQ(BecameAgent(), c.agent);
  }
}

TEST_F(AgentEntry, TheFirstInstanceRunsUntilExitAndKeepsTheMarker) {
  plat::CreateDirectories(L"C:\\Data");
  sim::AddForeignThread(plat::CurrentThreadId());
  plat::PostThreadMessageW(plat::CurrentThreadId(), agent::WM_QXTRAYMENU, 0, 0);
  sim::ScriptMenuChoice(L"Exit1");
  sim::SetLoopDeadline(60000);
  const std::uint64_t before = sim::Now();
  EXPECT_EQ(Run({L"C:\\Data"}), 0);
  EXPECT_LT(sim::Now() - before, 1000u);  // Exit ended the loop, not the deadline
  EXPECT_EQ(sim::RegGetString(HKCU, kPath, L"C:\\Data"), L"C:\\Data$0");
  const auto calls = fake_hook::Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_FALSE(calls[1].set);  // the hook was removed
  EXPECT_TRUE(sim::MappingExists(app::kInstanceMarkerName));
  EXPECT_NE(app::InstanceMarker, 0u);
}

}  // namespace
