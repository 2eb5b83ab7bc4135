// The application side of the window manager over user32.
#include "platform/app.h"
#include "platform/process.h"
#include "platform/stack_trace.h"

#include <windows.h>

#include <exception>
#include <map>
#include <mutex>
#include <set>

namespace plat {
namespace {

// Window procedures of the hidden windows, by handle. Only the UI thread
// creates windows and dispatches to them; the lock guards lookups from
// other threads (FindWindowW does not need it).
std::mutex g_procs_lock;
std::map<HWND, WindowProc>& Procs() {
  static std::map<HWND, WindowProc> procs;
  return procs;
}

thread_local std::exception_ptr t_pending_exception;

LRESULT CALLBACK HiddenWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  WindowProc proc;
  {
    std::lock_guard<std::mutex> g(g_procs_lock);
    auto it = Procs().find(hwnd);
    if (it != Procs().end()) proc = it->second;
  }
  if (proc) {
    // A C++ exception must not unwind through the system's frames between
    // DispatchMessageW and this procedure: it is kept and thrown again once
    // the dispatch returned (see DispatchMessageW), so it reaches the message
    // loop's handler. One raised inside a system modal loop (a popup menu, a
    // dialog) surfaces after the next dispatch of our own loop.
    try {
      // A hardware fault of the procedure is thrown as an exception and kept too.
      FaultGuard guard;
      auto result = proc(reinterpret_cast<Window>(hwnd), message, static_cast<std::uint64_t>(wparam),
                         static_cast<std::int64_t>(lparam));
      if (result) return static_cast<LRESULT>(*result);
    } catch (...) {
      if (!t_pending_exception) t_pending_exception = std::current_exception();
      return 0;
    }
  }
  return ::DefWindowProcW(hwnd, message, wparam, lparam);
}

HWND H(Window w) { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(w)); }

}  // namespace

std::uint32_t RegisterWindowMessageW(const std::wstring& name) { return ::RegisterWindowMessageW(name.c_str()); }

Window CreateHiddenWindow(const std::wstring& class_name, const std::wstring& caption, WindowProc proc) {
  static std::set<std::wstring> registered;
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  if (!registered.count(class_name)) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = HiddenWindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = class_name.c_str();
    wc.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(100));
    if (!::RegisterClassExW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return 0;
    registered.insert(class_name);
  }
  HWND hwnd = ::CreateWindowExW(WS_EX_TOOLWINDOW, class_name.c_str(), caption.c_str(), WS_POPUP, 0, 0, 0, 0, nullptr,
                                nullptr, instance, nullptr);
  if (!hwnd) return 0;
  std::lock_guard<std::mutex> g(g_procs_lock);
  Procs()[hwnd] = std::move(proc);
  return reinterpret_cast<Window>(hwnd);
}

void DestroyHiddenWindow(Window window) {
  ::DestroyWindow(H(window));
  std::lock_guard<std::mutex> g(g_procs_lock);
  Procs().erase(H(window));
}

Window FindWindowW(const std::wstring& class_name, const std::wstring& caption) {
  return reinterpret_cast<Window>(::FindWindowW(class_name.c_str(), caption.c_str()));
}

bool PostThreadMessageW(ThreadId thread, std::uint32_t message, std::uint64_t wparam, std::int64_t lparam) {
  return ::PostThreadMessageW(thread, message, static_cast<WPARAM>(wparam), static_cast<LPARAM>(lparam)) != 0;
}

namespace {
void FromMsg(const MSG& m, Msg& msg) {
  msg.window = reinterpret_cast<Window>(m.hwnd);
  msg.message = m.message;
  msg.wparam = static_cast<std::uint64_t>(m.wParam);
  msg.lparam = static_cast<std::int64_t>(m.lParam);
  msg.time = m.time;
  msg.pt = Point{m.pt.x, m.pt.y};
}
}  // namespace

bool GetMessageW(Msg& msg) {
  MSG m{};
  BOOL r = ::GetMessageW(&m, nullptr, 0, 0);
  if (r == -1) return false;
  FromMsg(m, msg);
  return r != 0;
}

bool PeekMessageW(Msg& msg) {
  MSG m{};
  if (!::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) return false;
  FromMsg(m, msg);
  return true;
}

std::size_t RemoveQueuedMessages(std::uint32_t first, std::uint32_t last) {
  std::size_t removed = 0;
  MSG m{};
  while (::PeekMessageW(&m, nullptr, first, last, PM_REMOVE)) {
    if (m.message == WM_QUIT) {
      // Not ours to take: the loop must still see it.
      ::PostQuitMessage(static_cast<int>(m.wParam));
      break;
    }
    ++removed;
  }
  return removed;
}

void DispatchMessageW(const Msg& msg) {
  MSG m{};
  m.hwnd = H(msg.window);
  m.message = msg.message;
  m.wParam = static_cast<WPARAM>(msg.wparam);
  m.lParam = static_cast<LPARAM>(msg.lparam);
  m.time = msg.time;
  m.pt = POINT{msg.pt.x, msg.pt.y};
  ::TranslateMessage(&m);
  ::DispatchMessageW(&m);
  if (t_pending_exception) {
    std::exception_ptr e = t_pending_exception;
    t_pending_exception = nullptr;
    std::rethrow_exception(e);
  }
}

void PostQuitMessage(int exit_code) { ::PostQuitMessage(exit_code); }

namespace {
// The procedures of the window-event hooks, by hook. Out-of-context hooks
// call back on the thread that set them, which alone sets and removes them.
std::mutex g_win_events_lock;
std::map<HWINEVENTHOOK, WinEventProc>& WinEventProcs() {
  static std::map<HWINEVENTHOOK, WinEventProc> procs;
  return procs;
}

void CALLBACK WinEventTrampoline(HWINEVENTHOOK hook, DWORD event, HWND hwnd, LONG object, LONG child, DWORD thread,
                                 DWORD time) {
  WinEventProc proc;
  {
    std::lock_guard<std::mutex> g(g_win_events_lock);
    auto it = WinEventProcs().find(hook);
    if (it != WinEventProcs().end()) proc = it->second;
  }
  if (!proc) return;
  // As in a window procedure: nothing unwinds through the system's frames.
  try {
    FaultGuard guard;
    proc(WinEvent{event, reinterpret_cast<Window>(hwnd), object, child, thread, time});
  } catch (...) {
    if (!t_pending_exception) t_pending_exception = std::current_exception();
  }
}
}  // namespace

WinEventHook SetWinEventHook(std::uint32_t event_min, std::uint32_t event_max, WinEventProc proc, std::uint32_t flags) {
  std::lock_guard<std::mutex> g(g_win_events_lock);
  HWINEVENTHOOK hook =
      ::SetWinEventHook(event_min, event_max, nullptr, WinEventTrampoline, 0, 0, flags | WINEVENT_OUTOFCONTEXT);
  if (!hook) return 0;
  WinEventProcs()[hook] = std::move(proc);
  return reinterpret_cast<WinEventHook>(hook);
}

bool UnhookWinEvent(WinEventHook hook) {
  const HWINEVENTHOOK h = reinterpret_cast<HWINEVENTHOOK>(static_cast<std::uintptr_t>(hook));
  const bool ok = ::UnhookWinEvent(h) != FALSE;
  std::lock_guard<std::mutex> g(g_win_events_lock);
  WinEventProcs().erase(h);
  return ok;
}

bool SetTimer(Window window, std::uint64_t id, std::uint32_t interval_ms) {
  return ::SetTimer(H(window), static_cast<UINT_PTR>(id), interval_ms, nullptr) != 0;
}

bool KillTimer(Window window, std::uint64_t id) { return ::KillTimer(H(window), static_cast<UINT_PTR>(id)) != 0; }

bool RegisterHotKey(Window window, int id, std::uint32_t modifiers, std::uint32_t virtual_key) {
  return ::RegisterHotKey(H(window), id, modifiers, virtual_key) != 0;
}

bool UnregisterHotKey(Window window, int id) { return ::UnregisterHotKey(H(window), id) != 0; }

bool AllowMessageFromLowerIntegrity(Window window, std::uint32_t message) {
  HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
  if (!user32) return false;
  if (window) {
    using FilterEx = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
    auto fn =
        reinterpret_cast<FilterEx>(reinterpret_cast<void*>(::GetProcAddress(user32, "ChangeWindowMessageFilterEx")));
    if (fn) return fn(H(window), message, 1 /* MSGFLT_ALLOW */, nullptr) != 0;
    // Windows Vista has only the process-wide filter.
  }
  using Filter = BOOL(WINAPI*)(UINT, DWORD);
  auto fn = reinterpret_cast<Filter>(reinterpret_cast<void*>(::GetProcAddress(user32, "ChangeWindowMessageFilter")));
  return fn && fn(message, 1 /* MSGFLT_ADD */) != 0;
}

std::vector<std::uint64_t> GetKeyboardLayoutList() {
  HKL layouts[64];
  int n = ::GetKeyboardLayoutList(64, layouts);
  std::vector<std::uint64_t> out;
  for (int i = 0; i < n; ++i) out.push_back(reinterpret_cast<std::uintptr_t>(layouts[i]));
  return out;
}

void TrimWorkingSet() {
  ::SetProcessWorkingSetSize(::GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
}

}  // namespace plat
