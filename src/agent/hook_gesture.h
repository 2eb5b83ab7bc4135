// The decision of the hook library: which mouse gesture over which window
// asks for the folder menu, which record it writes into the shared block, and
// whether the target program still gets the input.
//
// Portable: the hook library's low-level mouse callback calls these with the
// input it sees; unit tests call them against the simulated window tree.
// Everything here is cheap and never waits on another program: the window
// queries used are class names, styles, parents and children, none of which
// sends a message to the window's owner.
#pragma once
#include <cstdint>

#include "agent/hook_block.h"
#include "platform/types.h"
#include "targets/target_kind.h"

namespace agent {

// The gestures the library looks at; every other input passes untouched.
enum class HookGesture {
  MiddleDown,
  RightDown,
  WheelForward,   // wheel rotated away from the user
  WheelBackward,  // wheel rotated toward the user
};

// The settings given to SetHook.
struct HookSettings {
  std::uint32_t MouseWheel = 0;  // 0 off, 1 either direction, 2 forward only, 3 backward only
  bool Help = true;
  bool RExplorer = true;
  bool MExplorer = true;
  bool MIExplorer = false;
  bool MDesktop = true;
  bool MouseMButton = true;
};

// The records the library writes. The registered message of each is the
// text HookMessageName returns.
enum class HookMessage : int {
  None = 0,
  QxMDialog,    // "WM_QXMDIALOG by Vorlune Folder"
  WheelMouse,   // "WM_WHEELMOUSE by Vorlune Folder"
  QxHelp,       // "WM_QXHELP by Vorlune Folder"
  QxMExplorer,  // "WM_QXMEXPLORER by Vorlune Folder"
  QxMDesktop,   // "WM_QXMDESKTOP by Vorlune Folder"
  QxRExplorer,  // "WM_QXREXPLORER by Vorlune Folder"
  QxMBrowse,    // "WM_QXMBROWSE by Vorlune Folder"
};
inline constexpr int kHookMessageCount = 8;  // including None

// The name to register for a record's message; empty for None.
const wchar_t* HookMessageName(HookMessage m);

// What lies under the pointer, as far as the gestures care.
struct GestureTarget {
  plat::Window window = 0;  // the target a record names: dialog, shell frame, desktop
  targets::TargetKind kind = targets::None;
  plat::Window control = 0;   // the innermost window under the pointer, where
                              // needed (browse dialogs, right clicks in shell windows)
  bool onAddressBar = false;  // inside the address bar of a shell window or browser
  bool onHelpButton = false;  // on the '?' caption button of a dialog
};

struct HookDecision {
  HookMessage message = HookMessage::None;
  std::uint32_t wparam = 0;  // the target window
  std::uint32_t lparam = 0;  // its TargetKind, or the control for QxMBrowse
  // The gesture is reported, so the target program must not also get it.
  bool Reports() const { return message != HookMessage::None; }
};

// Whether any setting could make this gesture a report; when not, the
// callback passes it on without looking at windows.
bool GestureMayReport(HookGesture g, const HookSettings& s);

// The record (if any) for a gesture over a classified target.
HookDecision DecideGesture(HookGesture g, const HookSettings& s, const GestureTarget& t);

// Writes one record into the first free slot (message 0): every other field
// first, the message field last with a release barrier. Never touches a slot
// whose message is not 0. Returns false, writing nothing, when every slot is
// busy or the message is no record number (0 or 0x400).
bool PostHookRecord(HookSharedBlock& block, const HookMessageSlot& record);

// Posts the wake-up (the registered number of kHookWakeMessageName) to the
// block's AgentThreadId; never waits. False when there is nobody to wake or
// the post failed (the agent's poll finds the record all the same).
bool WakeAgent(const HookSharedBlock& block, std::uint32_t wake_message);

// Puts back to free every slot left half-written (message 0x400) by a writer
// that no longer runs. Only for a moment when no writer runs.
int ReleaseAbandonedSlots(HookSharedBlock& block);

// Sizes of a dialog's title bar, for finding its '?' button without asking
// the dialog (GetSystemMetrics on Windows).
struct CaptionMetrics {
  int frame = 3;           // border width beside and above the title bar
  int captionHeight = 18;  // height of the title bar
  int buttonWidth = 18;    // width of one caption button
};

// Classifies the window under a point for a gesture: the target, its kind,
// the control under the pointer, and for a right click whether the point is
// on an address bar or a '?' caption button. Only queries that send no
// message are used.
GestureTarget ClassifyGesturePoint(plat::Point p, HookGesture g, const CaptionMetrics& metrics);

// MenuOpenFlag as the agent last stored it.
bool HookMenuOpen(const HookSharedBlock& block);

// Stores HeartbeatTick.
void StoreHeartbeat(HookSharedBlock& block, std::uint32_t tick);

// Whether a point lies on the '?' caption button of a window with the given
// frame rectangle. The caption buttons sit at the right end of the title bar,
// the close button outermost, the help button to its left; frame is the
// width of the window border, button the width and height of a caption button.
bool PointOnHelpButton(const plat::Rect& window, plat::Point p, int frame, int captionHeight, int buttonWidth);

}  // namespace agent
