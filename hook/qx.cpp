// qx.dll: watches the mouse for the gestures that ask for the folder menu and
// reports them to the agent through the named shared block.
//
// A low-level mouse hook (WH_MOUSE_LL) runs on a thread of the library's own,
// inside the agent's process: no code goes into other programs, and 32- and
// 64-bit programs are served alike. Windows calls the hook from that thread's
// message loop and drops a hook whose callback is too slow, so the callback
// only makes queries that never wait on another program (class names,
// styles, parents, children: no message is sent), writes the record into a
// free slot, wakes the agent with a posted message and returns. The same thread refreshes HeartbeatTick once a
// second from a thread timer; should a callback ever have run late enough
// that Windows may have dropped the hook, the thread installs it again.
#include <windows.h>

#include <atomic>
#include <cstdint>

#include "agent/hook_api.h"
#include "agent/hook_gesture.h"
#include "platform/win32/unique.h"

namespace {

using agent::HookGesture;
using agent::HookSharedBlock;

// Messages to the hook thread (thread messages, no window).
constexpr UINT kMsgSuspend = WM_APP + 1;

// A callback that finished this long after its input was made may have run
// into the system's time-out for low-level hooks.
constexpr DWORD kLateCallbackMs = 150;
constexpr DWORD kHeartbeatMs = 1000;
constexpr DWORD kThreadStartWaitMs = 5000;
// A healthy hook thread ends within milliseconds of being asked to.
constexpr DWORD kThreadStopWaitMs = 1500;

HINSTANCE g_module = nullptr;
SRWLOCK g_apiLock = SRWLOCK_INIT;  // SetHook, RemoveHook, QxTestSuspend

HANDLE g_mapping = nullptr;
HookSharedBlock* g_block = nullptr;
HANDLE g_thread = nullptr;
DWORD g_threadId = 0;
UINT g_messageNumbers[agent::kHookMessageCount] = {};
UINT g_wakeMessage = 0;

// State of one hook thread. Written before the thread starts and only read
// by it afterwards, except where atomic. Each thread has its own, so that a
// thread that could not be stopped never touches its successor's hook.
struct HookState {
  agent::HookSettings settings;
  agent::CaptionMetrics metrics;
  HookSharedBlock* block = nullptr;
  // Set by the thread once the hook is in (or failed). It lives as long as
  // this state: a thread that started too late to be waited for still sets
  // it, so it is closed only with the state, never while the thread may run.
  HANDLE ready = nullptr;
  bool installed = false;
  // Hook thread only:
  HHOOK hook = nullptr;
  UINT_PTR timer = 0;
  bool swallowMiddleUp = false;
  bool swallowRightUp = false;
  // Set by the callback, handled by the thread's timer.
  std::atomic<bool> ranLate{false};
  DWORD startDelayMs = 0;  // test only: the thread starts this late

  HookState() = default;
  HookState(const HookState&) = delete;
  HookState& operator=(const HookState&) = delete;
  ~HookState() {
    if (ready) CloseHandle(ready);
  }
};
HookState* g_current = nullptr;             // the running thread's state
std::atomic<DWORD> g_testStartDelayMs{0};   // QxTestDelayStart, for the next thread
bool g_threadLeaked = false;                // a thread could not be stopped
thread_local HookState* t_state = nullptr;  // the calling hook thread's own

// --- callback timing -----------------------------------------------------------

constexpr std::uint32_t kTimingSlots = 4096;
struct TimingRing {
  std::atomic<std::uint32_t> count{0};
  std::atomic<std::uint32_t> ns[kTimingSlots];
  void Add(std::uint32_t v) {
    const std::uint32_t i = count.fetch_add(1, std::memory_order_relaxed);
    ns[i % kTimingSlots].store(v, std::memory_order_relaxed);
  }
};
TimingRing g_classifiedTimes;
TimingRing g_passedTimes;
LARGE_INTEGER g_qpcFrequency;

std::uint32_t ElapsedNs(const LARGE_INTEGER& from) {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  const long long ticks = now.QuadPart - from.QuadPart;
  const long long ns = g_qpcFrequency.QuadPart ? ticks * 1000000000LL / g_qpcFrequency.QuadPart : 0;
  return ns > 0xFFFFFFFFLL ? 0xFFFFFFFFu : static_cast<std::uint32_t>(ns);
}

// --- the block -------------------------------------------------------------------

std::atomic_ref<std::uint32_t> Reserved(HookSharedBlock& b, int index) {
  return std::atomic_ref<std::uint32_t>(b.reserved[index]);
}

void Beat(HookSharedBlock& b) { agent::StoreHeartbeat(b, GetTickCount()); }

bool OpenBlock() {
  if (g_block) return true;
  plat::win32::UniqueHandle mapping(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                                       agent::kHookBlockSize, agent::kHookBlockName));
  if (!mapping) return false;
  const bool existed = ::GetLastError() == ERROR_ALREADY_EXISTS;
  void* view = MapViewOfFile(mapping.get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, agent::kHookBlockSize);
  if (!view) return false;
  g_mapping = mapping.release();
  g_block = static_cast<HookSharedBlock*>(view);
  if (existed && Reserved(*g_block, agent::kReservedLibraryProcess).load() != GetCurrentProcessId()) {
    // Left by an agent that has ended while another process kept the block
    // open: its menu is not open any more.
    std::atomic_ref<std::uint32_t>(g_block->MenuOpenFlag).store(0);
  }
  return true;
}

void CloseBlock() {
  if (g_block) UnmapViewOfFile(g_block);
  if (g_mapping) CloseHandle(g_mapping);
  g_block = nullptr;
  g_mapping = nullptr;
}

// --- the hook --------------------------------------------------------------------

// Decides on one input; true swallows it.
bool HandleMouse(HookState& st, WPARAM what, const MSLLHOOKSTRUCT& ev) {
  HookGesture gesture;
  bool* swallowUp = nullptr;
  switch (what) {
    case WM_MBUTTONUP:
      if (!st.swallowMiddleUp) return false;
      st.swallowMiddleUp = false;
      return true;
    case WM_RBUTTONUP:
      if (!st.swallowRightUp) return false;
      st.swallowRightUp = false;
      return true;
    case WM_MBUTTONDOWN:
      gesture = HookGesture::MiddleDown;
      swallowUp = &st.swallowMiddleUp;
      break;
    case WM_RBUTTONDOWN:
      gesture = HookGesture::RightDown;
      swallowUp = &st.swallowRightUp;
      break;
    case WM_MOUSEWHEEL: {
      const short delta = static_cast<short>(HIWORD(ev.mouseData));
      if (delta == 0) return false;
      gesture = delta > 0 ? HookGesture::WheelForward : HookGesture::WheelBackward;
      break;
    }
    default:
      return false;
  }
  if (agent::HookMenuOpen(*st.block)) return false;
  if (!agent::GestureMayReport(gesture, st.settings)) return false;

  const agent::GestureTarget target = agent::ClassifyGesturePoint(plat::Point{ev.pt.x, ev.pt.y}, gesture, st.metrics);
  const agent::HookDecision d = agent::DecideGesture(gesture, st.settings, target);
  if (!d.Reports()) return false;

  agent::HookMessageSlot record{};
  record.window = static_cast<std::uint32_t>(target.control ? target.control : target.window);
  record.message = g_messageNumbers[static_cast<int>(d.message)];
  record.wparam = d.wparam;
  record.lparam = d.lparam;
  record.time = ev.time;
  record.x = ev.pt.x;
  record.y = ev.pt.y;
  if (!agent::PostHookRecord(*st.block, record)) {
    // Every slot waits for the agent: the user's click goes where it was meant.
    Reserved(*st.block, agent::kReservedRecordsDropped).fetch_add(1, std::memory_order_relaxed);
    return false;
  }
  Reserved(*st.block, agent::kReservedRecordsWritten).fetch_add(1, std::memory_order_relaxed);
  // The agent takes the record now rather than at its next poll.
  agent::WakeAgent(*st.block, g_wakeMessage);
  if (swallowUp) *swallowUp = true;
  return true;
}

LRESULT CALLBACK MouseProc(int code, WPARAM wp, LPARAM lp) {
  if (code != HC_ACTION) return CallNextHookEx(nullptr, code, wp, lp);
  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  const auto& ev = *reinterpret_cast<const MSLLHOOKSTRUCT*>(lp);
  HookState& st = *t_state;
  const bool gesture = wp == WM_MBUTTONDOWN || wp == WM_RBUTTONDOWN || wp == WM_MOUSEWHEEL;
  const bool swallow = HandleMouse(st, wp, ev);
  (gesture ? g_classifiedTimes : g_passedTimes).Add(ElapsedNs(start));

  const DWORD age = GetTickCount() - ev.time;
  if (age > kLateCallbackMs && age < 60000) st.ranLate.store(true, std::memory_order_relaxed);
  return swallow ? 1 : CallNextHookEx(nullptr, code, wp, lp);
}

bool Hook(HookState& st) {
  st.hook = SetWindowsHookExW(WH_MOUSE_LL, MouseProc, g_module, 0);
  if (st.hook) Reserved(*st.block, agent::kReservedHookInstalls).fetch_add(1);
  return st.hook != nullptr;
}

void Unhook(HookState& st) {
  if (st.hook) UnhookWindowsHookEx(st.hook);
  st.hook = nullptr;
  st.swallowMiddleUp = st.swallowRightUp = false;
}

DWORD WINAPI HookThread(LPVOID param) {
  HookState& st = *static_cast<HookState*>(param);
  t_state = &st;
  if (st.startDelayMs) Sleep(st.startDelayMs);
  MSG msg;
  PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // make the queue
  // Every mouse input of the session waits for this thread's answer: let it
  // run as soon as it is woken (it sleeps in GetMessage otherwise).
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
  // One classification before the hook is in: the first use of the window
  // queries on a thread costs far more than the following ones, and that
  // first time should not be a user's click.
  POINT cursor{};
  GetCursorPos(&cursor);
  agent::ClassifyGesturePoint(plat::Point{cursor.x, cursor.y}, HookGesture::RightDown, st.metrics);
  st.installed = Hook(st);
  if (st.installed) {
    Reserved(*st.block, agent::kReservedHookThread).store(GetCurrentThreadId());
    Beat(*st.block);
    st.timer = SetTimer(nullptr, 0, kHeartbeatMs, nullptr);
  }
  SetEvent(st.ready);
  if (!st.installed) return 1;

  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.hwnd == nullptr && msg.message == WM_TIMER && msg.wParam == st.timer) {
      if (st.ranLate.exchange(false) && st.hook) {
        // Windows may have dropped the hook without a word: put it in again.
        Unhook(st);
        Hook(st);
      }
      if (st.hook) Beat(*st.block);
    } else if (msg.hwnd == nullptr && msg.message == kMsgSuspend) {
      Unhook(st);
      if (st.timer) KillTimer(nullptr, st.timer);
      st.timer = 0;
      SetEvent(reinterpret_cast<HANDLE>(msg.lParam));
    } else {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  Unhook(st);
  if (st.timer) KillTimer(nullptr, st.timer);
  st.timer = 0;
  return 0;
}

void StopThread() {
  if (!g_thread) return;
  HookState* st = g_current;
  PostThreadMessageW(g_threadId, WM_QUIT, 0, 0);
  const bool ended = WaitForSingleObject(g_thread, kThreadStopWaitMs) == WAIT_OBJECT_0;
  CloseHandle(g_thread);
  g_thread = nullptr;
  g_threadId = 0;
  g_current = nullptr;
  if (ended) {
    delete st;
    return;
  }
  // The thread is stuck (suspended, or starved). Take its hook out from here,
  // so the mouse does not wait for it. It may still finish a record and run
  // the library's code when it wakes: its state and the view stay (leaked)
  // rather than vanish under it, and the library stays loaded whatever the
  // agent frees.
  if (st && st->hook) UnhookWindowsHookEx(st->hook);
  g_threadLeaked = true;
  g_block = nullptr;
  g_mapping = nullptr;
  HMODULE self = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                     reinterpret_cast<LPCWSTR>(&HookThread), &self);
}

bool StartThread(const agent::HookSettings& settings, const agent::CaptionMetrics& metrics) {
  auto* st = new HookState;
  st->settings = settings;
  st->metrics = metrics;
  st->block = g_block;
  st->startDelayMs = g_testStartDelayMs.exchange(0);
  st->ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!st->ready) {
    delete st;
    return false;
  }
  const HANDLE ready = st->ready;
  g_current = st;
  g_thread = CreateThread(nullptr, 0, HookThread, st, 0, &g_threadId);
  bool ok = false;
  if (g_thread) {
    ok = WaitForSingleObject(ready, kThreadStartWaitMs) == WAIT_OBJECT_0 && st->installed;
    if (!ok) StopThread();  // deletes st, or leaks it with a stuck thread
  } else {
    g_current = nullptr;
    delete st;
  }
  return ok;
}

agent::CaptionMetrics ReadCaptionMetrics() {
  agent::CaptionMetrics m;
  m.frame = GetSystemMetrics(SM_CXFIXEDFRAME);
  m.captionHeight = GetSystemMetrics(SM_CYCAPTION);
  m.buttonWidth = GetSystemMetrics(SM_CXSIZE);
  return m;
}

void RegisterMessages() {
  for (int i = 1; i < agent::kHookMessageCount; ++i)
    g_messageNumbers[i] = RegisterWindowMessageW(agent::HookMessageName(static_cast<agent::HookMessage>(i)));
  g_wakeMessage = RegisterWindowMessageW(agent::kHookWakeMessageName);
}

struct ApiLock {
  ApiLock() { AcquireSRWLockExclusive(&g_apiLock); }
  ~ApiLock() { ReleaseSRWLockExclusive(&g_apiLock); }
};

}  // namespace

extern "C" {

__declspec(dllexport) agent::HookSharedBlock* QX_CALL
    SetHook(std::uint32_t threadId, std::uint32_t, std::uint32_t mouseWheel, std::uint32_t, std::uint32_t help,
            std::uint32_t rExplorer, std::uint32_t mExplorer, std::uint32_t mIExplorer, std::uint32_t mDesktop,
            std::uint32_t mouseMButton) {
  ApiLock lock;
  QueryPerformanceFrequency(&g_qpcFrequency);
  StopThread();  // a second SetHook without RemoveHook: new settings, same block
  if (!OpenBlock()) return nullptr;
  RegisterMessages();

  agent::HookSettings s;
  s.MouseWheel = mouseWheel;
  s.Help = help != 0;
  s.RExplorer = rExplorer != 0;
  s.MExplorer = mExplorer != 0;
  s.MIExplorer = mIExplorer != 0;
  s.MDesktop = mDesktop != 0;
  s.MouseMButton = mouseMButton != 0;
  // No writer runs now: a slot left half-written by one that died is free
  // (unless a stuck thread of ours may yet finish it).
  if (!g_threadLeaked) agent::ReleaseAbandonedSlots(*g_block);
  Reserved(*g_block, agent::kReservedLibraryProcess).store(GetCurrentProcessId());
  std::atomic_ref<std::uint32_t>(g_block->AgentThreadId).store(threadId, std::memory_order_release);

  if (!StartThread(s, ReadCaptionMetrics())) {
    CloseBlock();
    return nullptr;
  }
  return g_block;
}

__declspec(dllexport) std::int32_t QX_CALL RemoveHook() {
  ApiLock lock;
  StopThread();
  CloseBlock();
  return 1;
}

__declspec(dllexport) std::int32_t QX_CALL QxTestSuspend() {
  ApiLock lock;
  if (!g_thread) return 0;
  const plat::win32::UniqueHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!done) return 0;
  const bool ok = PostThreadMessageW(g_threadId, kMsgSuspend, 0, reinterpret_cast<LPARAM>(done.get())) &&
                  WaitForSingleObject(done.get(), kThreadStopWaitMs) == WAIT_OBJECT_0;
  return ok ? 1 : 0;
}

__declspec(dllexport) std::int32_t QX_CALL QxTestDelayStart(std::uint32_t ms) {
  g_testStartDelayMs.store(ms);
  return 1;
}

__declspec(dllexport) std::uint32_t QX_CALL
    QxTestCallbackTimes(std::uint32_t kind, std::uint32_t* out, std::uint32_t max) {
  TimingRing& ring = kind == 0 ? g_classifiedTimes : g_passedTimes;
  const std::uint32_t total = ring.count.load();
  const std::uint32_t n = total < kTimingSlots ? total : kTimingSlots;
  std::uint32_t copied = 0;
  for (std::uint32_t i = total - n; i < total && copied < max; ++i)
    out[copied++] = ring.ns[i % kTimingSlots].load(std::memory_order_relaxed);
  return copied;
}

}  // extern "C"

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = module;
    DisableThreadLibraryCalls(module);
  }
  return TRUE;
}
