// The sim's message queues, the program's own windows, timers and hot keys.
//
// Lock order: the clock (its listeners run under its lock) before the window
// tree before this file's lock. Nothing here calls the clock or the window
// tree while holding this file's lock.
#include <algorithm>
#include <cwctype>
#include <deque>
#include <exception>
#include <map>
#include <mutex>
#include <set>

#include "platform/app.h"
#include "platform/clock.h"
#include "platform/process.h"
#include "sim/sim_app.h"
#include "sim/sim_clock.h"
#include "sim/sim_window.h"
#include "sim/sim_world.h"
#include "platform/window.h"

namespace sim {
namespace {

// The program's own windows: they live in the sim's window tree like every
// other window; messages posted to them reach the queue of their thread.
struct OwnWindow {
  plat::ThreadId thread = 0;
  plat::WindowProc proc;
};

struct Timer {
  std::uint32_t interval = 0;
  std::uint64_t next = 0;
};

struct HotKey {
  plat::Window window = 0;
  int id = 0;
  std::uint32_t modifiers = 0;
  std::uint32_t key = 0;
};

struct EventHook {
  std::uint32_t min = 0;
  std::uint32_t max = 0;
  std::uint32_t flags = 0;
  plat::ThreadId thread = 0;
  plat::WinEventProc proc;
};

struct AppState {
  std::recursive_mutex lock;
  std::map<std::wstring, std::uint32_t> registered;  // upper-cased name -> number
  std::map<plat::ThreadId, std::deque<plat::Msg>> queues;
  std::set<plat::ThreadId> quit_pending;
  std::map<plat::Window, OwnWindow> windows;
  std::map<std::pair<plat::Window, std::uint64_t>, Timer> timers;
  int clock_listener = 0;
  std::vector<HotKey> hot_keys;
  std::set<std::pair<std::uint32_t, std::uint32_t>> taken_hot_keys;
  std::map<plat::Window, std::vector<std::uint32_t>> allowed;
  std::vector<PostedMessage> posted;
  std::uint64_t loop_deadline = 0;
  int trims = 0;
  std::vector<std::uint64_t> layouts{0x04090409};
  std::map<plat::WinEventHook, EventHook> event_hooks;
  plat::WinEventHook next_event_hook = 0x4400;
  // Events waiting for their hook's thread, in order.
  std::map<plat::ThreadId, std::deque<std::pair<plat::WinEventHook, plat::WinEvent>>> events;
  bool only_create_destroy = false;
};

AppState& S() {
  static AppState s;
  return s;
}

const bool kReset = RegisterReset([] {
  // The clock's own reset drops its listeners.
  std::lock_guard<std::recursive_mutex> g(S().lock);
  auto& s = S();
  s.registered.clear();
  s.queues.clear();
  s.quit_pending.clear();
  s.windows.clear();
  s.timers.clear();
  s.clock_listener = 0;
  s.hot_keys.clear();
  s.taken_hot_keys.clear();
  s.allowed.clear();
  s.posted.clear();
  s.loop_deadline = 0;
  s.trims = 0;
  s.layouts = {0x04090409};
  s.event_hooks.clear();
  s.next_event_hook = 0x4400;
  s.events.clear();
  s.only_create_destroy = false;
});

// An exception a window-event procedure let out, thrown again after the
// thread's next DispatchMessageW (as the windows backend does).
thread_local std::exception_ptr t_pending_exception;

// Runs one waiting window event of the calling thread; false when none waits.
bool RunOneWinEvent() {
  plat::WinEventProc proc;
  plat::WinEvent e;
  {
    std::lock_guard<std::recursive_mutex> g(S().lock);
    auto it = S().events.find(plat::CurrentThreadId());
    if (it == S().events.end() || it->second.empty()) return false;
    auto [hook, event] = it->second.front();
    it->second.pop_front();
    auto h = S().event_hooks.find(hook);
    if (h == S().event_hooks.end()) return true;  // removed meanwhile
    proc = h->second.proc;
    e = event;
  }
  try {
    if (proc) proc(e);
  } catch (...) {
    if (!t_pending_exception) t_pending_exception = std::current_exception();
  }
  return true;
}

std::wstring Upper(std::wstring s) {
  for (auto& c : s) c = static_cast<wchar_t>(std::towupper(c));
  return s;
}

plat::Point Cursor() {
  plat::Point p;
  plat::GetCursorPos(&p);
  return p;
}

bool Enqueue(plat::ThreadId thread, const plat::Msg& m) {
  auto it = S().queues.find(thread);
  if (it == S().queues.end()) return false;
  it->second.push_back(m);
  return true;
}

std::deque<plat::Msg>& OwnQueue() { return S().queues[plat::CurrentThreadId()]; }

// Posts WM_TIMER for every due timer, once per timer while one is waiting.
void OnClock(std::uint64_t now) {
  const plat::Point pt = Cursor();
  std::lock_guard<std::recursive_mutex> g(S().lock);
  for (auto& [key, t] : S().timers) {
    if (now < t.next) continue;
    t.next = now + t.interval;
    auto w = S().windows.find(key.first);
    if (w == S().windows.end()) continue;
    auto& q = S().queues[w->second.thread];
    bool waiting = std::any_of(q.begin(), q.end(), [&key = key](const plat::Msg& m) {
      return m.message == plat::WM_TIMER && m.window == key.first && m.wparam == key.second;
    });
    if (!waiting) q.push_back(plat::Msg{key.first, plat::WM_TIMER, key.second, 0, static_cast<std::uint32_t>(now), pt});
  }
}

// The window tree's procedure for the program's own windows: a posted message
// goes into the thread's queue, a sent one runs the window procedure at once.
plat::LResult OwnWindowProc(plat::Window w, Msg& m) {
  plat::WindowProc proc;
  {
    std::lock_guard<std::recursive_mutex> g(S().lock);
    auto it = S().windows.find(w);
    if (it == S().windows.end()) return DefWindowProc(w, m);
    if (m.posted) {
      Enqueue(it->second.thread, plat::Msg{w, m.msg, m.wparam, m.lparam, static_cast<std::uint32_t>(m.time), {}});
      return 0;
    }
    proc = it->second.proc;
  }
  if (proc) {
    if (auto r = proc(w, m.msg, m.wparam, m.lparam)) return *r;
  }
  return DefWindowProc(w, m);
}

}  // namespace

void SetLoopDeadline(std::uint64_t ms_from_now) {
  const std::uint64_t now = Now();
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().loop_deadline = now + ms_from_now;
}

std::vector<PostedMessage> PostedThreadMessages() {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return S().posted;
}

void AddForeignThread(plat::ThreadId thread) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().queues[thread];
}

bool HotKeyRegistered(std::uint32_t modifiers, std::uint32_t virtual_key) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return std::any_of(S().hot_keys.begin(), S().hot_keys.end(),
                     [&](const HotKey& h) { return h.modifiers == modifiers && h.key == virtual_key; });
}

void TakeHotKey(std::uint32_t modifiers, std::uint32_t virtual_key) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().taken_hot_keys.insert({modifiers, virtual_key});
}

bool PressHotKey(std::uint32_t modifiers, std::uint32_t virtual_key) {
  const std::uint32_t now = plat::TickCount();
  const plat::Point pt = Cursor();
  std::lock_guard<std::recursive_mutex> g(S().lock);
  for (const auto& h : S().hot_keys) {
    if (h.modifiers != modifiers || h.key != virtual_key) continue;
    auto w = S().windows.find(h.window);
    if (w == S().windows.end()) return false;
    std::int64_t lparam = static_cast<std::int64_t>(modifiers) | (static_cast<std::int64_t>(virtual_key) << 16);
    return Enqueue(w->second.thread,
                   plat::Msg{h.window, plat::WM_HOTKEY, static_cast<std::uint64_t>(h.id), lparam, now, pt});
  }
  return false;
}

bool TimerRunning(plat::Window window, std::uint64_t id) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return S().timers.count({window, id}) != 0;
}

std::uint32_t TimerInterval(plat::Window window, std::uint64_t id) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  auto it = S().timers.find({window, id});
  return it == S().timers.end() ? 0 : it->second.interval;
}

std::vector<std::uint32_t> AllowedMessages(plat::Window window) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return S().allowed[window];
}

int WorkingSetTrims() {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return S().trims;
}

void RaiseWinEvent(std::uint32_t event, plat::Window window) {
  std::uint32_t process = 0;
  const plat::ThreadId thread = plat::GetWindowThreadProcessId(window, &process);
  const std::uint64_t now = Now();
  std::lock_guard<std::recursive_mutex> g(S().lock);
  if (S().only_create_destroy && (event == plat::EVENT_OBJECT_SHOW || event == plat::EVENT_OBJECT_HIDE)) return;
  for (const auto& [h, hook] : S().event_hooks) {
    if (event < hook.min || event > hook.max) continue;
    // The sim's process of a thread (GetWindowThreadProcessId's numbering).
    if ((hook.flags & plat::WINEVENT_SKIPOWNPROCESS) && process == hook.thread + 1000000) continue;
    S().events[hook.thread].emplace_back(h, plat::WinEvent{event, window, plat::OBJID_WINDOW, plat::CHILDID_SELF,
                                                           thread, static_cast<std::uint32_t>(now)});
  }
}

void SetOnlyCreateAndDestroyEvents(bool only) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().only_create_destroy = only;
}

int WinEventHooks() {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return static_cast<int>(S().event_hooks.size());
}

}  // namespace sim

namespace plat {
using sim::S;

std::uint32_t RegisterWindowMessageW(const std::wstring& name) {
  if (name.empty()) return 0;
  std::lock_guard<std::recursive_mutex> g(S().lock);
  auto [it, added] = S().registered.try_emplace(sim::Upper(name), 0);
  if (added) it->second = 0xC100 + static_cast<std::uint32_t>(S().registered.size());
  return it->second;
}

Window CreateHiddenWindow(const std::wstring& class_name, const std::wstring& caption, WindowProc proc) {
  sim::WindowSpec spec;
  spec.class_name = class_name;
  spec.text = caption;
  spec.style = WS_POPUP;  // never shown
  spec.ex_style = WS_EX_TOOLWINDOW;
  spec.thread = CurrentThreadId();
  const Window w = sim::CreateWindow(spec);
  {
    std::lock_guard<std::recursive_mutex> g(S().lock);
    S().windows[w] = sim::OwnWindow{spec.thread, std::move(proc)};
    sim::OwnQueue();
  }
  sim::SetWindowProc(w, sim::OwnWindowProc);
  return w;
}

void DestroyHiddenWindow(Window window) {
  {
    std::lock_guard<std::recursive_mutex> g(S().lock);
    S().windows.erase(window);
    for (auto it = S().timers.begin(); it != S().timers.end();) {
      it = it->first.first == window ? S().timers.erase(it) : std::next(it);
    }
    std::erase_if(S().hot_keys, [&](const sim::HotKey& h) { return h.window == window; });
  }
  sim::DestroyWindow(window);
}

Window FindWindowW(const std::wstring& class_name, const std::wstring& caption) {
  return FindWindowEx(0, 0, class_name, &caption);
}

bool PostThreadMessageW(ThreadId thread, std::uint32_t message, std::uint64_t wparam, std::int64_t lparam) {
  const std::uint32_t now = TickCount();
  const Point pt = sim::Cursor();
  std::lock_guard<std::recursive_mutex> g(S().lock);
  bool ok = thread != 0 && sim::Enqueue(thread, Msg{0, message, wparam, lparam, now, pt});
  S().posted.push_back(sim::PostedMessage{thread, message, wparam, lparam, ok});
  return ok;
}

bool PeekMessageW(Msg& msg) {
  while (sim::RunOneWinEvent()) {}
  std::lock_guard<std::recursive_mutex> g(S().lock);
  auto& q = sim::OwnQueue();
  if (q.empty()) return false;
  msg = q.front();
  q.pop_front();
  return true;
}

std::size_t RemoveQueuedMessages(std::uint32_t first, std::uint32_t last) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  auto& q = sim::OwnQueue();
  const std::size_t before = q.size();
  std::erase_if(q, [&](const Msg& m) { return m.message >= first && m.message <= last && m.message != WM_QUIT; });
  return before - q.size();
}

bool GetMessageW(Msg& msg) {
  for (;;) {
    if (sim::RunOneWinEvent()) continue;
    {
      const std::uint64_t now = sim::Now();
      std::lock_guard<std::recursive_mutex> g(S().lock);
      auto& q = sim::OwnQueue();
      if (!q.empty()) {
        msg = q.front();
        q.pop_front();
        return msg.message != WM_QUIT;
      }
      if (S().quit_pending.erase(CurrentThreadId())) {
        msg = Msg{0, WM_QUIT, 0, 0, static_cast<std::uint32_t>(now), {}};
        return false;
      }
      if (now >= S().loop_deadline) {
        msg = Msg{};
        return false;
      }
    }
    sim::Advance(1);
  }
}

void DispatchMessageW(const Msg& msg) {
  WindowProc proc;
  {
    std::lock_guard<std::recursive_mutex> g(S().lock);
    auto it = S().windows.find(msg.window);
    if (it == S().windows.end() || !it->second.proc) return;
    proc = it->second.proc;
  }
  proc(msg.window, msg.message, msg.wparam, msg.lparam);
  if (sim::t_pending_exception) {
    std::exception_ptr e = sim::t_pending_exception;
    sim::t_pending_exception = nullptr;
    std::rethrow_exception(e);
  }
}

WinEventHook SetWinEventHook(std::uint32_t event_min, std::uint32_t event_max, WinEventProc proc, std::uint32_t flags) {
  if (!proc || event_min > event_max) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::lock_guard<std::recursive_mutex> g(S().lock);
  const WinEventHook h = S().next_event_hook++;
  S().event_hooks[h] = sim::EventHook{event_min, event_max, flags, CurrentThreadId(), std::move(proc)};
  return h;
}

bool UnhookWinEvent(WinEventHook hook) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  if (!S().event_hooks.erase(hook)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  return true;
}

void PostQuitMessage(int) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().quit_pending.insert(CurrentThreadId());
}

bool SetTimer(Window window, std::uint64_t id, std::uint32_t interval_ms) {
  const std::uint64_t now = sim::Now();
  bool need_listener = false;
  {
    std::lock_guard<std::recursive_mutex> g(S().lock);
    if (!S().windows.count(window)) return false;
    S().timers[{window, id}] = sim::Timer{interval_ms, now + std::max<std::uint32_t>(interval_ms, 1)};
    need_listener = S().clock_listener == 0;
    if (need_listener) S().clock_listener = -1;
  }
  if (need_listener) {
    const int listener = sim::AddClockListener(sim::OnClock);
    std::lock_guard<std::recursive_mutex> g(S().lock);
    S().clock_listener = listener;
  }
  return true;
}

bool KillTimer(Window window, std::uint64_t id) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  bool had = S().timers.erase({window, id}) != 0;
  // A WM_TIMER already waiting goes with the timer, as on Windows.
  for (auto& [t, q] : S().queues) {
    std::erase_if(q, [&](const Msg& m) { return m.message == WM_TIMER && m.window == window && m.wparam == id; });
  }
  return had;
}

bool RegisterHotKey(Window window, int id, std::uint32_t modifiers, std::uint32_t virtual_key) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  if (!S().windows.count(window)) return false;
  if (S().taken_hot_keys.count({modifiers, virtual_key})) return false;
  for (const auto& h : S().hot_keys) {
    if (h.modifiers == modifiers && h.key == virtual_key) return false;
    if (h.window == window && h.id == id) return false;
  }
  S().hot_keys.push_back(sim::HotKey{window, id, modifiers, virtual_key});
  return true;
}

bool UnregisterHotKey(Window window, int id) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return std::erase_if(S().hot_keys, [&](const sim::HotKey& h) { return h.window == window && h.id == id; }) != 0;
}

bool AllowMessageFromLowerIntegrity(Window window, std::uint32_t message) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().allowed[window].push_back(message);
  return true;
}

std::vector<std::uint64_t> GetKeyboardLayoutList() {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return S().layouts;
}

void TrimWorkingSet() {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  ++S().trims;
}

}  // namespace plat
