#include "agent/hook_gesture.h"

#include <atomic>

#include "platform/app.h"

namespace agent {

namespace {

using targets::TargetKind;

// Dialogs in which a folder is chosen: the menu may replace their middle
// click, wheel and '?' button.
bool IsFolderDialogKind(TargetKind k) {
  return k == targets::FileDialog || k == targets::RarExtractDialog || k == targets::ZipExtractDialog ||
         k == targets::AceExtractDialog;
}

bool WheelWanted(std::uint32_t setting, HookGesture g) {
  switch (setting) {
    case 1:
      return true;
    case 2:
      return g == HookGesture::WheelForward;
    case 3:
      return g == HookGesture::WheelBackward;
    default:
      return false;
  }
}

HookDecision Record(HookMessage m, plat::Window w, std::uint32_t lparam) {
  return HookDecision{m, static_cast<std::uint32_t>(w), lparam};
}

}  // namespace

const wchar_t* HookMessageName(HookMessage m) {
  switch (m) {
    case HookMessage::QxMDialog:
      return L"WM_QXMDIALOG by Vorlune Folder";
    case HookMessage::WheelMouse:
      return L"WM_WHEELMOUSE by Vorlune Folder";
    case HookMessage::QxHelp:
      return L"WM_QXHELP by Vorlune Folder";
    case HookMessage::QxMExplorer:
      return L"WM_QXMEXPLORER by Vorlune Folder";
    case HookMessage::QxMDesktop:
      return L"WM_QXMDESKTOP by Vorlune Folder";
    case HookMessage::QxRExplorer:
      return L"WM_QXREXPLORER by Vorlune Folder";
    case HookMessage::QxMBrowse:
      return L"WM_QXMBROWSE by Vorlune Folder";
    case HookMessage::None:
      break;
  }
  return L"";
}

bool GestureMayReport(HookGesture g, const HookSettings& s) {
  switch (g) {
    case HookGesture::MiddleDown:
      return s.MouseMButton || s.MExplorer || s.MIExplorer || s.MDesktop;
    case HookGesture::RightDown:
      return s.Help || s.RExplorer;
    case HookGesture::WheelForward:
    case HookGesture::WheelBackward:
      return WheelWanted(s.MouseWheel, g);
  }
  return false;
}

HookDecision DecideGesture(HookGesture g, const HookSettings& s, const GestureTarget& t) {
  if (t.window == 0 || t.kind == targets::None) return {};
  const auto kind = static_cast<std::uint32_t>(t.kind);
  switch (g) {
    case HookGesture::MiddleDown:
      if (IsFolderDialogKind(t.kind) || t.kind == targets::RarWindow)
        return s.MouseMButton ? Record(HookMessage::QxMDialog, t.window, kind) : HookDecision{};
      if (t.kind == targets::BrowseDialog)
        return s.MouseMButton && t.control != 0
                   ? Record(HookMessage::QxMBrowse, t.window, static_cast<std::uint32_t>(t.control))
                   : HookDecision{};
      if (t.kind == targets::Explorer)
        return s.MExplorer ? Record(HookMessage::QxMExplorer, t.window, kind) : HookDecision{};
      if (t.kind == targets::InternetExplorer)
        return s.MIExplorer ? Record(HookMessage::QxMExplorer, t.window, kind) : HookDecision{};
      if (t.kind == targets::Desktop)
        return s.MDesktop ? Record(HookMessage::QxMDesktop, t.window, kind) : HookDecision{};
      return {};
    case HookGesture::RightDown:
      if ((t.kind == targets::Explorer || t.kind == targets::InternetExplorer) && t.onAddressBar)
        return s.RExplorer ? Record(HookMessage::QxRExplorer, t.window, kind) : HookDecision{};
      if ((IsFolderDialogKind(t.kind) || t.kind == targets::BrowseDialog) && t.onHelpButton)
        return s.Help ? Record(HookMessage::QxHelp, t.window, kind) : HookDecision{};
      return {};
    case HookGesture::WheelForward:
    case HookGesture::WheelBackward:
      if (IsFolderDialogKind(t.kind) && WheelWanted(s.MouseWheel, g))
        return Record(HookMessage::WheelMouse, t.window, kind);
      return {};
  }
  return {};
}

bool PostHookRecord(HookSharedBlock& block, const HookMessageSlot& record) {
  if (record.message == 0 || record.message == kSlotBeingWritten) return false;
  for (HookMessageSlot& slot : block.slots) {
    std::atomic_ref<std::uint32_t> message(slot.message);
    std::uint32_t expected = 0;
    // Claim the slot: from here on the agent sees "being written" and leaves it.
    if (!message.compare_exchange_strong(expected, kSlotBeingWritten, std::memory_order_acquire,
                                         std::memory_order_relaxed))
      continue;
    slot.window = record.window;
    slot.wparam = record.wparam;
    slot.lparam = record.lparam;
    slot.time = record.time;
    slot.x = record.x;
    slot.y = record.y;
    message.store(record.message, std::memory_order_release);
    return true;
  }
  return false;
}

bool WakeAgent(const HookSharedBlock& block, std::uint32_t wake_message) {
  // atomic_ref needs a non-const object; the load does not modify it.
  const std::uint32_t thread =
      std::atomic_ref<std::uint32_t>(const_cast<std::uint32_t&>(block.AgentThreadId)).load(std::memory_order_acquire);
  if (thread == 0 || wake_message == 0) return false;
  return plat::PostThreadMessageW(thread, wake_message, 0, 0);
}

int ReleaseAbandonedSlots(HookSharedBlock& block) {
  int released = 0;
  for (HookMessageSlot& slot : block.slots) {
    std::atomic_ref<std::uint32_t> message(slot.message);
    std::uint32_t expected = kSlotBeingWritten;
    if (message.compare_exchange_strong(expected, 0, std::memory_order_release, std::memory_order_relaxed)) ++released;
  }
  return released;
}

bool HookMenuOpen(const HookSharedBlock& block) {
  // atomic_ref needs a non-const object; the load does not modify it.
  std::atomic_ref<std::uint32_t> flag(const_cast<std::uint32_t&>(block.MenuOpenFlag));
  return flag.load(std::memory_order_acquire) != 0;
}

void StoreHeartbeat(HookSharedBlock& block, std::uint32_t tick) {
  std::atomic_ref<std::uint32_t>(block.HeartbeatTick).store(tick, std::memory_order_release);
}

bool PointOnHelpButton(const plat::Rect& window, plat::Point p, int frame, int captionHeight, int buttonWidth) {
  if (buttonWidth <= 0 || captionHeight <= 0) return false;
  const int top = window.top + frame;
  const int closeLeft = window.right - frame - buttonWidth;
  const int helpLeft = closeLeft - buttonWidth;
  return p.y >= top && p.y < top + captionHeight && p.x >= helpLeft && p.x < closeLeft;
}

}  // namespace agent
