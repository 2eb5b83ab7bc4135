#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "agent/hook_gesture.h"

using agent::GestureTarget;
using agent::HookGesture;
using agent::HookMessage;
using agent::HookSettings;

namespace {

HookSettings AllOff() {
  HookSettings s;
  s.MouseWheel = 0;
  s.Help = s.RExplorer = s.MExplorer = s.MIExplorer = s.MDesktop = s.MouseMButton = false;
  return s;
}

GestureTarget At(targets::TargetKind kind, plat::Window w = 0x1234, plat::Window control = 0x5678) {
  GestureTarget t;
  t.window = w;
  t.kind = kind;
  t.control = control;
  return t;
}

}  // namespace

TEST(HookDecision, EachGestureReportsOnlyWithItsSettingAndTarget) {
  struct Case {
    const char* what;
    HookGesture gesture;
    targets::TargetKind kind;
    bool addressBar, helpButton;
    void (*enable)(HookSettings&);
    HookMessage expected;
  };
  auto mbutton = [](HookSettings& s) { s.MouseMButton = true; };
  auto mexplorer = [](HookSettings& s) { s.MExplorer = true; };
  auto miexplorer = [](HookSettings& s) { s.MIExplorer = true; };
  auto mdesktop = [](HookSettings& s) { s.MDesktop = true; };
  auto rexplorer = [](HookSettings& s) { s.RExplorer = true; };
  auto help = [](HookSettings& s) { s.Help = true; };
  auto wheel1 = [](HookSettings& s) { s.MouseWheel = 1; };
  auto wheel2 = [](HookSettings& s) { s.MouseWheel = 2; };
  auto wheel3 = [](HookSettings& s) { s.MouseWheel = 3; };
  auto wheel7 = [](HookSettings& s) { s.MouseWheel = 7; };
  const Case cases[] = {
      {"middle in file dialog", HookGesture::MiddleDown, targets::FileDialog, false, false, mbutton,
       HookMessage::QxMDialog},
      {"middle in zip dialog", HookGesture::MiddleDown, targets::ZipExtractDialog, false, false, mbutton,
       HookMessage::QxMDialog},
      {"middle in rar window", HookGesture::MiddleDown, targets::RarWindow, false, false, mbutton,
       HookMessage::QxMDialog},
      {"middle in browse dialog", HookGesture::MiddleDown, targets::BrowseDialog, false, false, mbutton,
       HookMessage::QxMBrowse},
      {"middle in explorer", HookGesture::MiddleDown, targets::Explorer, false, false, mexplorer,
       HookMessage::QxMExplorer},
      {"middle in browser", HookGesture::MiddleDown, targets::InternetExplorer, false, false, miexplorer,
       HookMessage::QxMExplorer},
      {"middle in browser, explorer setting only", HookGesture::MiddleDown, targets::InternetExplorer, false, false,
       mexplorer, HookMessage::None},
      {"middle in explorer, browser setting only", HookGesture::MiddleDown, targets::Explorer, false, false, miexplorer,
       HookMessage::None},
      {"middle on desktop", HookGesture::MiddleDown, targets::Desktop, false, false, mdesktop, HookMessage::QxMDesktop},
      {"middle on desktop, dialog setting only", HookGesture::MiddleDown, targets::Desktop, false, false, mbutton,
       HookMessage::None},
      {"middle in file dialog, explorer setting only", HookGesture::MiddleDown, targets::FileDialog, false, false,
       mexplorer, HookMessage::None},
      {"middle over nothing", HookGesture::MiddleDown, targets::None, false, false, mbutton, HookMessage::None},
      {"right on explorer address bar", HookGesture::RightDown, targets::Explorer, true, false, rexplorer,
       HookMessage::QxRExplorer},
      {"right on browser address bar", HookGesture::RightDown, targets::InternetExplorer, true, false, rexplorer,
       HookMessage::QxRExplorer},
      {"right in explorer elsewhere", HookGesture::RightDown, targets::Explorer, false, false, rexplorer,
       HookMessage::None},
      {"right on dialog '?'", HookGesture::RightDown, targets::FileDialog, false, true, help, HookMessage::QxHelp},
      {"right on dialog '?', help off", HookGesture::RightDown, targets::FileDialog, false, true, rexplorer,
       HookMessage::None},
      {"right in dialog elsewhere", HookGesture::RightDown, targets::FileDialog, false, false, help, HookMessage::None},
      {"right on desktop", HookGesture::RightDown, targets::Desktop, false, true, help, HookMessage::None},
      {"wheel forward, either", HookGesture::WheelForward, targets::FileDialog, false, false, wheel1,
       HookMessage::WheelMouse},
      {"wheel backward, either", HookGesture::WheelBackward, targets::FileDialog, false, false, wheel1,
       HookMessage::WheelMouse},
      {"wheel forward, forward only", HookGesture::WheelForward, targets::FileDialog, false, false, wheel2,
       HookMessage::WheelMouse},
      {"wheel backward, forward only", HookGesture::WheelBackward, targets::FileDialog, false, false, wheel2,
       HookMessage::None},
      {"wheel backward, backward only", HookGesture::WheelBackward, targets::AceExtractDialog, false, false, wheel3,
       HookMessage::WheelMouse},
      {"wheel forward, backward only", HookGesture::WheelForward, targets::FileDialog, false, false, wheel3,
       HookMessage::None},
      {"wheel, unknown setting", HookGesture::WheelForward, targets::FileDialog, false, false, wheel7,
       HookMessage::None},
      {"wheel in explorer", HookGesture::WheelForward, targets::Explorer, false, false, wheel1, HookMessage::None},
      {"wheel in rar window", HookGesture::WheelForward, targets::RarWindow, false, false, wheel1, HookMessage::None},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HookSettings s = AllOff();
    GestureTarget t = At(c.kind);
    t.onAddressBar = c.addressBar;
    t.onHelpButton = c.helpButton;
    // Off: nothing, whatever the target.
    EXPECT_EQ(agent::DecideGesture(c.gesture, s, t).message, HookMessage::None);
    EXPECT_FALSE(agent::GestureMayReport(c.gesture, s));
    c.enable(s);
    const agent::HookDecision d = agent::DecideGesture(c.gesture, s, t);
    EXPECT_EQ(d.message, c.expected);
    EXPECT_EQ(d.Reports(), c.expected != HookMessage::None);
    if (d.Reports()) {
      // A gesture that can report is never skipped by the cheap pre-check.
      EXPECT_TRUE(agent::GestureMayReport(c.gesture, s));
      EXPECT_EQ(d.wparam, 0x1234u);
      EXPECT_EQ(d.lparam, c.expected == HookMessage::QxMBrowse ? 0x5678u : static_cast<std::uint32_t>(c.kind));
    }
  }
}

TEST(HookDecision, BrowseDialogWithoutControlAndTargetWithoutWindowReportNothing) {
  HookSettings s;  // the agent's defaults
  EXPECT_EQ(agent::DecideGesture(HookGesture::MiddleDown, s, At(targets::BrowseDialog, 0x10, 0)).message,
            HookMessage::None);
  EXPECT_EQ(agent::DecideGesture(HookGesture::MiddleDown, s, At(targets::FileDialog, 0)).message, HookMessage::None);
}

TEST(HookDecision, DefaultsReportMiddleClicksButNotWheelOrBrowser) {
  HookSettings s;
  EXPECT_EQ(agent::DecideGesture(HookGesture::MiddleDown, s, At(targets::FileDialog)).message, HookMessage::QxMDialog);
  EXPECT_EQ(agent::DecideGesture(HookGesture::MiddleDown, s, At(targets::Explorer)).message, HookMessage::QxMExplorer);
  EXPECT_EQ(agent::DecideGesture(HookGesture::MiddleDown, s, At(targets::Desktop)).message, HookMessage::QxMDesktop);
  EXPECT_EQ(agent::DecideGesture(HookGesture::MiddleDown, s, At(targets::InternetExplorer)).message, HookMessage::None);
  EXPECT_FALSE(agent::GestureMayReport(HookGesture::WheelForward, s));
  EXPECT_FALSE(agent::GestureMayReport(HookGesture::WheelBackward, s));
}

TEST(HookDecision, MessageNamesAreTheRegisteredTexts) {
  EXPECT_EQ(std::wstring(agent::HookMessageName(HookMessage::QxMDialog)), L"WM_QXMDIALOG by Vorlune Folder");
  EXPECT_EQ(std::wstring(agent::HookMessageName(HookMessage::WheelMouse)), L"WM_WHEELMOUSE by Vorlune Folder");
  EXPECT_EQ(std::wstring(agent::HookMessageName(HookMessage::QxHelp)), L"WM_QXHELP by Vorlune Folder");
  EXPECT_EQ(std::wstring(agent::HookMessageName(HookMessage::QxMExplorer)), L"WM_QXMEXPLORER by Vorlune Folder");
  EXPECT_EQ(std::wstring(agent::HookMessageName(HookMessage::QxMDesktop)), L"WM_QXMDESKTOP by Vorlune Folder");
  EXPECT_EQ(std::wstring(agent::HookMessageName(HookMessage::QxRExplorer)), L"WM_QXREXPLORER by Vorlune Folder");
  EXPECT_EQ(std::wstring(agent::HookMessageName(HookMessage::QxMBrowse)), L"WM_QXMBROWSE by Vorlune Folder");
  EXPECT_EQ(std::wstring(agent::HookMessageName(HookMessage::None)), L"");
}

TEST(HookSlots, RecordsFillFreeSlotsInOrderAndNeverTouchWaitingOnes) {
  agent::HookSharedBlock block;
  std::memset(&block, 0, sizeof block);
  // Slot 0 waits for the agent, slot 1 is being written, slot 2 is free.
  block.slots[0] = {0xAA, 0xC001, 0xBB, 4, 7, 1, 2};
  block.slots[1].message = agent::kSlotBeingWritten;
  block.slots[1].wparam = 0xCC;

  agent::HookMessageSlot r{0x11, 0xC00A, 0x22, 4, 1000, 30, -40};
  ASSERT_TRUE(agent::PostHookRecord(block, r));
  EXPECT_EQ(block.slots[0].message, 0xC001u);
  EXPECT_EQ(block.slots[0].wparam, 0xBBu);
  EXPECT_EQ(block.slots[1].message, agent::kSlotBeingWritten);
  EXPECT_EQ(block.slots[1].wparam, 0xCCu);
  const agent::HookMessageSlot& s = block.slots[2];
  EXPECT_EQ(s.window, 0x11u);
  EXPECT_EQ(s.message, 0xC00Au);
  EXPECT_EQ(s.wparam, 0x22u);
  EXPECT_EQ(s.lparam, 4u);
  EXPECT_EQ(s.time, 1000u);
  EXPECT_EQ(s.x, 30);
  EXPECT_EQ(s.y, -40);

  // The agent clears slot 0: the next record takes it.
  block.slots[0].message = 0;
  r.wparam = 0x33;
  ASSERT_TRUE(agent::PostHookRecord(block, r));
  EXPECT_EQ(block.slots[0].wparam, 0x33u);
  EXPECT_EQ(block.slots[0].message, 0xC00Au);
}

TEST(HookSlots, AFullBlockDropsTheRecordAndRefusesNonRecordNumbers) {
  agent::HookSharedBlock block;
  std::memset(&block, 0, sizeof block);
  agent::HookMessageSlot r{1, 0xC00A, 2, 4, 3, 0, 0};
  for (int i = 0; i < agent::kHookSlotCount; ++i) ASSERT_TRUE(agent::PostHookRecord(block, r)) << i;
  agent::HookSharedBlock before = block;
  r.wparam = 0x99;
  EXPECT_FALSE(agent::PostHookRecord(block, r));
  EXPECT_EQ(std::memcmp(&before, &block, sizeof block), 0);

  agent::HookSharedBlock empty;
  std::memset(&empty, 0, sizeof empty);
  for (std::uint32_t bad : {0u, agent::kSlotBeingWritten}) {
    r.message = bad;
    EXPECT_FALSE(agent::PostHookRecord(empty, r));
    EXPECT_EQ(empty.slots[0].message, 0u);
    EXPECT_EQ(empty.slots[0].wparam, 0u);
  }
}

TEST(HookSlots, AbandonedHalfWrittenSlotsAreFreedOthersKept) {
  agent::HookSharedBlock block;
  std::memset(&block, 0, sizeof block);
  block.slots[3].message = agent::kSlotBeingWritten;
  block.slots[7].message = agent::kSlotBeingWritten;
  block.slots[8].message = 0xC005;
  EXPECT_EQ(agent::ReleaseAbandonedSlots(block), 2);
  EXPECT_EQ(block.slots[3].message, 0u);
  EXPECT_EQ(block.slots[7].message, 0u);
  EXPECT_EQ(block.slots[8].message, 0xC005u);
}

TEST(HookSlots, MenuFlagAndHeartbeat) {
  agent::HookSharedBlock block;
  std::memset(&block, 0, sizeof block);
  EXPECT_FALSE(agent::HookMenuOpen(block));
  block.MenuOpenFlag = 1;
  EXPECT_TRUE(agent::HookMenuOpen(block));
  agent::StoreHeartbeat(block, 0xFFFFFFF0u);
  EXPECT_EQ(block.HeartbeatTick, 0xFFFFFFF0u);
}

TEST(HookHelpButton, OnlyTheSecondCaptionButtonFromTheRightCounts) {
  const plat::Rect w{100, 50, 500, 400};
  // frame 3, caption 18, buttons 18 wide: close at x 479..496, help at 461..478.
  struct Case {
    int x, y;
    bool on;
  } cases[] = {
      {470, 60, true},  {461, 53, true},  {478, 70, true},  // inside
      {460, 60, false}, {479, 60, false},                   // left of it, on close
      {470, 52, false}, {470, 71, false},                   // above, below the caption
      {200, 60, false},                                     // caption text
  };
  for (const Case& c : cases) EXPECT_EQ(agent::PointOnHelpButton(w, {c.x, c.y}, 3, 18, 18), c.on) << c.x << "," << c.y;
  EXPECT_FALSE(agent::PointOnHelpButton(w, {470, 60}, 3, 18, 0));
}
