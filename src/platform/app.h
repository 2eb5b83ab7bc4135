// The application side of the window manager: the UI thread's message queue
// and loop, registered window messages, thread messages, the agent's hidden
// main window and its window procedure, timers, the global hot key and the
// UIPI message filter.
//
// In the sim build the queue, the timers and the hot keys are simulated and
// driven by the virtual clock (sim/sim_app.h).
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/types.h"
#include "platform/window.h"

namespace plat {

// Messages and constants beyond those of platform/window.h.
inline constexpr std::uint32_t WM_QUERYENDSESSION = 0x0011;
inline constexpr std::uint32_t WM_QUIT = 0x0012;
inline constexpr std::uint32_t WM_ENDSESSION = 0x0016;
inline constexpr std::uint32_t WM_CONTEXTMENU = 0x007B;
inline constexpr std::uint32_t WM_SYSCOMMAND = 0x0112;
inline constexpr std::uint32_t WM_HOTKEY = 0x0312;
inline constexpr std::uint32_t WM_RBUTTONUP = 0x0205;
inline constexpr std::uint32_t WM_APP = 0x8000;

inline constexpr std::uint32_t SC_MINIMIZE = 0xF020;

// Modifier flags of RegisterHotKey.
inline constexpr std::uint32_t MOD_ALT = 0x1;
inline constexpr std::uint32_t MOD_CONTROL = 0x2;
inline constexpr std::uint32_t MOD_SHIFT = 0x4;
inline constexpr std::uint32_t MOD_WIN = 0x8;

// One message of a thread's queue (MSG).
struct Msg {
  Window window = 0;  // 0 for a thread message
  std::uint32_t message = 0;
  std::uint64_t wparam = 0;
  std::int64_t lparam = 0;
  std::uint32_t time = 0;
  Point pt;
};

// A window procedure: returns a result when it handled the message, nothing
// to let the default handling (DefWindowProc) run.
using WindowProc = std::function<std::optional<std::int64_t>(Window, std::uint32_t, std::uint64_t, std::int64_t)>;

// RegisterWindowMessageW: the same text gives the same number in every process
// of the session (0xC000..0xFFFF); 0 on failure.
std::uint32_t RegisterWindowMessageW(const std::wstring& name);

// Registers the window class (once) and creates a hidden top-level tool window
// of it, owned by the calling thread; FindWindowW finds it by class and caption.
Window CreateHiddenWindow(const std::wstring& class_name, const std::wstring& caption, WindowProc proc);
void DestroyHiddenWindow(Window window);

// FindWindowW over the top-level windows of the session; 0 when none.
Window FindWindowW(const std::wstring& class_name, const std::wstring& caption);

// PostThreadMessageW. Messages posted to a window of the calling program
// (PostMessage of platform/window.h) reach the queue of the window's thread.
bool PostThreadMessageW(ThreadId thread, std::uint32_t message, std::uint64_t wparam, std::int64_t lparam);

// GetMessageW for the calling thread: waits for a message; false for WM_QUIT.
bool GetMessageW(Msg& msg);
// PeekMessageW with PM_REMOVE: takes a waiting message, never waits.
bool PeekMessageW(Msg& msg);
// PeekMessageW with PM_REMOVE over the messages first..last (thread and
// window messages of the calling thread): removes every one waiting, never
// waits; the number removed.
std::size_t RemoveQueuedMessages(std::uint32_t first, std::uint32_t last);
// TranslateMessage and DispatchMessageW: runs the target window's procedure.
void DispatchMessageW(const Msg& msg);
// PostQuitMessage: GetMessageW answers false once the queue reached it.
void PostQuitMessage(int exit_code);

// SetTimer / KillTimer on a window: WM_TIMER with wParam = id every interval.
bool SetTimer(Window window, std::uint64_t id, std::uint32_t interval_ms);
bool KillTimer(Window window, std::uint64_t id);

// RegisterHotKey / UnregisterHotKey: WM_HOTKEY with wParam = id is posted to
// the window while the key is pressed.
bool RegisterHotKey(Window window, int id, std::uint32_t modifiers, std::uint32_t virtual_key);
bool UnregisterHotKey(Window window, int id);

// --- window events (SetWinEventHook) ---------------------------------------------
inline constexpr std::uint32_t EVENT_SYSTEM_FOREGROUND = 0x0003;
inline constexpr std::uint32_t EVENT_OBJECT_CREATE = 0x8000;
inline constexpr std::uint32_t EVENT_OBJECT_DESTROY = 0x8001;
inline constexpr std::uint32_t EVENT_OBJECT_SHOW = 0x8002;
inline constexpr std::uint32_t EVENT_OBJECT_HIDE = 0x8003;
inline constexpr std::uint32_t WINEVENT_OUTOFCONTEXT = 0x0000;
inline constexpr std::uint32_t WINEVENT_SKIPOWNPROCESS = 0x0002;
inline constexpr std::int32_t OBJID_WINDOW = 0;
inline constexpr std::int32_t CHILDID_SELF = 0;

// One event as the hook procedure hears of it.
struct WinEvent {
  std::uint32_t event = 0;
  Window window = 0;
  std::int32_t object = 0;  // OBJID_WINDOW: the window itself
  std::int32_t child = 0;   // CHILDID_SELF: the object itself
  ThreadId thread = 0;      // the thread that caused the event
  std::uint32_t time = 0;
};
using WinEventProc = std::function<void(const WinEvent&)>;
// A hook as a number; 0 is none.
using WinEventHook = std::uint64_t;

// SetWinEventHook(event_min, event_max, no module, proc, every process, every
// thread, flags) out of context: the system queues the events and the calling
// thread runs proc while it waits for or peeks at messages (also in modal
// loops: menus, dialogs). An exception proc lets out is thrown again after the
// thread's next DispatchMessageW. 0 on failure.
WinEventHook SetWinEventHook(std::uint32_t event_min, std::uint32_t event_max, WinEventProc proc, std::uint32_t flags);
bool UnhookWinEvent(WinEventHook hook);

// Lets a message from a process of lower integrity through the UIPI filter:
// ChangeWindowMessageFilterEx(window, message, MSGFLT_ALLOW) for a window, and
// the process-wide ChangeWindowMessageFilter(message, MSGFLT_ADD) when window
// is 0 (thread messages have no window). Both are looked up at run time; false
// when the system lacks them (before Windows Vista there is no such filter).
bool AllowMessageFromLowerIntegrity(Window window, std::uint32_t message);

// GetKeyboardLayoutList: the handles of the installed keyboard layouts (the
// low word is the language identifier).
std::vector<std::uint64_t> GetKeyboardLayoutList();

// SetProcessWorkingSetSize(current process, -1, -1): trims the working set.
void TrimWorkingSet();

}  // namespace plat
