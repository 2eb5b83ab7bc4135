// Hand-over to the UI thread through a message sent to a hidden window.
#include "platform/ui_handover.h"

#include "platform/app.h"

#include <windows.h>

#include <atomic>
#include <mutex>

namespace plat {
namespace {

constexpr std::uint32_t kRunWork = WM_APP + 0x3A1;

std::mutex g_lock;
Window g_window = 0;
DWORD g_thread = 0;

}  // namespace

void StartUiHandOver() {
  std::lock_guard<std::mutex> g(g_lock);
  if (g_window) return;
  g_thread = ::GetCurrentThreadId();
  g_window = CreateHiddenWindow(
      L"TVorlFolderHandOver", L"",
      [](Window, std::uint32_t message, std::uint64_t, std::int64_t lparam) -> std::optional<std::int64_t> {
        if (message != kRunWork) return std::nullopt;
        const auto* work = reinterpret_cast<const std::function<void()>*>(static_cast<std::intptr_t>(lparam));
        if (work && *work) (*work)();
        return 1;
      });
}

void StopUiHandOver() {
  Window window;
  {
    std::lock_guard<std::mutex> g(g_lock);
    window = g_window;
    g_window = 0;
    g_thread = 0;
  }
  // A sender waiting on the window is let go when the window is destroyed.
  if (window) DestroyHiddenWindow(window);
}

bool RunOnUiThread(const std::function<void()>& work) {
  Window window;
  DWORD thread;
  {
    std::lock_guard<std::mutex> g(g_lock);
    window = g_window;
    thread = g_thread;
  }
  if (!window) return false;
  if (thread == ::GetCurrentThreadId()) {
    work();
    return true;
  }
  DWORD_PTR result = 0;
  // No time limit: the UI thread answers sent messages even inside menus and
  // dialogs; a window destroyed meanwhile ends the wait with no result.
  return ::SendMessageTimeoutW(reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window)), kRunWork, 0,
                               static_cast<LPARAM>(reinterpret_cast<std::intptr_t>(&work)), SMTO_NORMAL, 0x7FFFFFFF,
                               &result) != 0 &&
         result == 1;
}

}  // namespace plat
