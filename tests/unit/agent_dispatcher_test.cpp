// The 50 ms poll of the hook block: slot order, cleared and untouched slots,
// the heartbeat, and records that are damaged or arrive while a menu is open.
#include <cstring>
#include <random>

#include "agent_test_support.h"
#include "platform/clock.h"
#include "agent/hook_gesture.h"
#include "sim/sim_clock.h"
#include "sim/sim_menu.h"

using namespace agent_test;

namespace {

struct Shown {
  plat::Window window;
  targets::TargetKind kind;
};

class AgentDispatcher : public AgentFixture {
 protected:
  agent::TVorlFolder& StartWithMenuLog() {
    auto& f = Start();
    sim::OnMenuOpen([this](const plat::Menu&) {
      shown.push_back({targets::CurrentTargetWindow, targets::CurrentTargetKind});
    });
    return f;
  }
  std::uint32_t Message(int i) { return fake_hook::Block()->slots[i].message; }
  std::vector<Shown> shown;
};

TEST_F(AgentDispatcher, WaitingSlotsAreTakenInSlotOrderAndCleared) {
  auto& f = StartWithMenuLog();
  const auto& m = f.HookMessages;
  fake_hook::WriteSlot(7, m.WM_QXMDIALOG, 0x1234, targets::FileDialog);
  fake_hook::WriteSlot(2, m.WM_QXMEXPLORER, 0x2000, targets::Explorer);
  fake_hook::WriteSlot(3, agent::kSlotBeingWritten, 0x3000, 0);  // being written
  fake_hook::WriteSlot(4, 0xC777, 0x4000, 1);                    // no message of ours
  fake_hook::WriteSlot(5, m.WM_QXMBUTTON, 0x5000, 1);            // registered, never handled
  Pump(60);
  // The first in slot order gets the menu; the later one waited while it was
  // open and is dropped.
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].window, 0x2000u);
  EXPECT_EQ(shown[0].kind, targets::Explorer);
  EXPECT_EQ(Message(2), 0u);
  EXPECT_EQ(Message(7), 0u);
  EXPECT_EQ(Message(3), agent::kSlotBeingWritten);
  EXPECT_EQ(Message(4), 0u);
  EXPECT_EQ(Message(5), 0u);
  EXPECT_TRUE(LogHas(L"VorlFolder.WMHandler Parameters: WM_QXMEXPLORER recive: Hwnd=002000, Type=2"));
  EXPECT_FALSE(LogHas(L"WM_QXMDIALOG recive"));
  EXPECT_TRUE(LogHas(L"hook record dropped: it waited while a menu was open"));
  // A click after that menu is answered.
  fake_hook::WriteSlot(100, m.WM_QXMBROWSE, 0x6000, 0xABCDEF1);
  Pump(60);
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1].window, 0x6000u);
  EXPECT_EQ(shown[1].kind, targets::BrowseDialog);
  EXPECT_EQ(Message(100), 0u);
  EXPECT_TRUE(LogHas(L"WM_QXMBROWSE recive: Hwnd=006000, Ctrl=ABCDEF1"));
}

TEST_F(AgentDispatcher, EveryGestureMessageShowsTheMenuWithTheReportedKind) {
  auto& f = StartWithMenuLog();
  const auto& m = f.HookMessages;
  const std::uint32_t gestures[] = {m.WM_QXREXPLORER, m.WM_QXMDESKTOP, m.WM_QXMEXPLORER, m.WM_WHEELMOUSE,
                                    m.WM_QXHELP,      m.WM_QXMDIALOG,  m.WM_QXRBUTTON};
  int slot = 0;
  for (std::uint32_t g : gestures) {
    fake_hook::WriteSlot(slot, g, 0x100 + slot, targets::RarWindow);
    ++slot;
    Pump(60);
  }
  ASSERT_EQ(shown.size(), 7u);
  for (const auto& s : shown) EXPECT_EQ(s.kind, targets::RarWindow);
}

TEST_F(AgentDispatcher, RecordsThatWaitedWhileAMenuWasOpenAreDroppedLaterClicksAnswered) {
  struct Case {
    const char* name;
    std::uint32_t time_from_open;  // the second record's time, from the menu's opening
    bool second_menu;
  };
  // The scripted menu closes at the tick it opened.
  const Case cases[] = {
      {"made before the menu closed", 0, false},
      {"made after it closed", 1, true},
      {"from a later clock than the agent's", 5000, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    auto& f = Start();
    const auto& m = f.HookMessages;
    fake_hook::WriteSlot(0, m.WM_QXMDIALOG, 0x10, targets::FileDialog);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> while_open;  // slot 1's message, menu flag
    sim::OnMenuOpen([&](const plat::Menu&) {
      if (while_open.empty()) {
        fake_hook::WriteSlot(1, m.WM_QXMDIALOG, 0x11, targets::FileDialog);
        fake_hook::Block()->slots[1].time = plat::TickCount() + c.time_from_open;
      }
      while_open.push_back({Message(1), fake_hook::Block()->MenuOpenFlag});
    });
    Pump(60);
    ASSERT_EQ(while_open.size(), c.second_menu ? 2u : 1u);
    EXPECT_EQ(while_open[0].first, m.WM_QXMDIALOG);  // the second record waited
    EXPECT_EQ(while_open[0].second, 1u);             // the hook knows a menu is open
    EXPECT_EQ(Message(1), 0u);
    EXPECT_EQ(fake_hook::Block()->MenuOpenFlag, 0u);
    EXPECT_EQ(LogHas(L"hook record dropped: it waited while a menu was open"), !c.second_menu);
  }
}

TEST_F(AgentDispatcher, ASlotLeftBeingWrittenIsTakenBackAfterASecond) {
  auto& f = StartWithMenuLog();
  fake_hook::WriteSlot(9, agent::kSlotBeingWritten, 0x10, 0);
  Pump(900);
  EXPECT_EQ(Message(9), agent::kSlotBeingWritten);  // a hook may still be writing it
  Pump(200);
  EXPECT_EQ(Message(9), 0u);
  EXPECT_TRUE(LogHas(L"hook slot taken back: it stayed \"being written\""));
  // The slot serves the hook again.
  fake_hook::WriteSlot(9, f.HookMessages.WM_QXMDIALOG, 0x1234, targets::FileDialog);
  Pump(60);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].window, 0x1234u);
}

TEST_F(AgentDispatcher, DamagedRecordsAndGarbageNeverStopTheAgent) {
  auto& f = StartWithMenuLog();
  const auto& m = f.HookMessages;
  fake_hook::WriteSlot(0, m.WM_QXMDIALOG, 0x10, 10);              // kind beyond BrowseDialog
  fake_hook::WriteSlot(1, m.WM_QXMDESKTOP, 0x11, 0xFFFFFFFF);     // a negative kind
  fake_hook::WriteSlot(2, m.WM_QXMDESKTOP, 0, targets::Desktop);  // no window
  Pump(60);
  EXPECT_TRUE(shown.empty());
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Message(i), 0u);

  // A block full of random bytes: everything but 0 and 0x400 is cleared.
  std::mt19937 rng(42);
  auto* bytes = reinterpret_cast<std::uint32_t*>(fake_hook::Block()->slots);
  for (std::size_t i = 0; i < sizeof(fake_hook::Block()->slots) / 4; ++i) bytes[i] = rng() % 7 == 0 ? 0x400 : rng();
  fake_hook::Block()->HeartbeatTick = plat::TickCount();
  Pump(60);
  for (int i = 0; i < agent::kHookSlotCount; ++i) {
    EXPECT_TRUE(Message(i) == 0 || Message(i) == agent::kSlotBeingWritten) << i;
  }
  EXPECT_FALSE(f.Terminated());
}

TEST_F(AgentDispatcher, AStaleHeartbeatReinstallsTheHookSilently) {
  struct Case {
    const char* what;
    std::int64_t age;  // now - HeartbeatTick; negative: the tick count wrapped
    bool reinstalled;
  };
  const Case cases[] = {
      {"fresh", 100, false},
      {"exactly 5000 ms", 5000, false},
      {"5001 ms", 5001, true},
      {"wrapped tick count", -20, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    auto& f = Start();
    fake_hook::StopHeartbeat(true);
    Pump(49);  // just before the next poll
    fake_hook::Block()->HeartbeatTick = static_cast<std::uint32_t>(plat::TickCount() + 1 - c.age);
    Pump(1);
    const auto calls = fake_hook::Calls();
    EXPECT_EQ(calls.size(), c.reinstalled ? 3u : 1u);
    if (c.reinstalled) {
      EXPECT_FALSE(calls[1].set);
      EXPECT_TRUE(calls[2].set);
      EXPECT_EQ(calls[2].args, calls[0].args);
      EXPECT_EQ(f.HookBlock, fake_hook::Block());
    }
  }
}

TEST_F(AgentDispatcher, AFailedReinstallLeavesTheAgentRunningWithoutHookMessages) {
  auto& f = Start();
  fake_hook::StopHeartbeat(true);
  fake_hook::SetFails(true);
  Pump(5200);
  EXPECT_EQ(f.HookBlock, nullptr);
  EXPECT_FALSE(f.Terminated());
  // Thread messages still arrive: the tray menu opens.
  plat::PostThreadMessageW(plat::CurrentThreadId(), agent::WM_QXTRAYMENU, 0, 0);
  Pump(100);
  EXPECT_EQ(sim::ShownMenus().size(), 1u);
}

TEST_F(AgentDispatcher, TheBlockReplacedWhileAMenuIsOpenIsNotWrittenAfterwards) {
  auto& f = Start();
  fake_hook::WriteSlot(0, f.HookMessages.WM_QXMDIALOG, 0x10, targets::FileDialog);
  fake_hook::WriteSlot(1, f.HookMessages.WM_QXMDIALOG, 0x11, targets::FileDialog);
  agent::HookSharedBlock* old_block = fake_hook::Block();
  // The options are applied from the menu: the hook is re-installed and the
  // library hands out a new block.
  agent::HookSharedBlock saved = *old_block;
  sim::OnMenuOpen([&](const plat::Menu&) {
    sim::OnMenuOpen(nullptr);
    f.HookBlock = &saved;
  });
  Pump(60);
  EXPECT_EQ(sim::ShownMenus().size(), 1u);
  EXPECT_EQ(old_block->slots[0].message, f.HookMessages.WM_QXMDIALOG);  // left alone
}

TEST_F(AgentDispatcher, APassWithoutRecordsWritesNothing) {
  auto& f = Start();
  const agent::HookSharedBlock before = *fake_hook::Block();
  fake_hook::StopHeartbeat(true);
  Pump(500);
  EXPECT_EQ(std::memcmp(&before, fake_hook::Block(), sizeof(before)), 0);
  EXPECT_FALSE(f.Terminated());
}

TEST_F(AgentDispatcher, TheHookWakeUpDispatchesARecordAtOnceAndThePollCatchesALostOne) {
  struct Case {
    const char* name;
    bool wake;
    std::uint64_t min_ms, max_ms;  // from the record to the menu on screen
  };
  for (const Case& c : {Case{"woken", true, 0, 2}, Case{"wake-up lost", false, 10, 50}}) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    auto& f = Start();
    std::uint64_t opened = 0;
    sim::OnMenuOpen([&](const plat::Menu&) { opened = sim::Now(); });
    Pump(60);  // a pass has just run: the next one is some 40 ms away
    const std::uint64_t written = sim::Now();
    fake_hook::WriteSlot(0, f.HookMessages.WM_QXMDIALOG, 0x1234, targets::FileDialog);
    if (c.wake) EXPECT_TRUE(agent::WakeAgent(*fake_hook::Block(), f.HookMessages.WM_QXWAKEUP));
    Pump(60);
    ASSERT_NE(opened, 0u);
    EXPECT_GE(opened - written, c.min_ms);
    EXPECT_LE(opened - written, c.max_ms);
    EXPECT_EQ(Message(0), 0u);
  }
}

TEST_F(AgentDispatcher, TheMenuLatencyIsLoggedFromTheClickOfTheRecord) {
  struct Case {
    const char* name;
    bool has_time;
    std::int32_t click_before_ms;  // the record's time, before the record is written
    bool logged;
  };
  const Case cases[] = {
      {"a click 30 ms before", true, 30, true},
      {"no time in the record", false, 0, false},
      {"a time from another clock, ahead of ours", true, -5000, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    auto& f = Start();
    Pump(60);
    fake_hook::WriteSlot(0, f.HookMessages.WM_QXMDIALOG, 0x1234, targets::FileDialog);
    fake_hook::Block()->slots[0].time =
        c.has_time ? plat::TickCount() - static_cast<std::uint32_t>(c.click_before_ms) : 0;
    agent::WakeAgent(*fake_hook::Block(), f.HookMessages.WM_QXWAKEUP);
    Pump(60);
    EXPECT_TRUE(LogHas(L"ShowPath Parameters: menu on screen after "));
    int from_click = -1;
    for (const auto& e : LogEntries()) {
      const auto at = e.find(L"menu on screen after ");
      if (at != std::wstring::npos && e.find(L" ms from the click") != std::wstring::npos)
        from_click = std::stoi(e.substr(at + 21));
    }
    if (c.logged) {
      EXPECT_GE(from_click, 30);
      EXPECT_LE(from_click, 35);
    } else {
      EXPECT_EQ(from_click, -1);
    }
  }
}

TEST(HookWakeUp, PostsToTheAgentThreadOfTheBlockOnly) {
  sim::ResetWorld();
  agent::HookSharedBlock block{};
  const std::uint32_t wake = plat::RegisterWindowMessageW(agent::kHookWakeMessageName);
  EXPECT_FALSE(agent::WakeAgent(block, wake));  // no agent yet
  block.AgentThreadId = plat::CurrentThreadId();
  plat::Msg m;
  EXPECT_FALSE(plat::PeekMessageW(m));  // the thread's queue exists from here on
  EXPECT_FALSE(agent::WakeAgent(block, 0));
  EXPECT_TRUE(agent::WakeAgent(block, wake));
  ASSERT_TRUE(plat::PeekMessageW(m));
  EXPECT_EQ(m.message, wake);
  EXPECT_EQ(m.window, 0u);
}

}  // namespace
