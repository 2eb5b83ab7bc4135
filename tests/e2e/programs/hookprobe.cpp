// hookprobe: stands in for the agent's side of the hook protocol in e2e runs.
//
//   hookprobe.exe LOG [wheel=N] [help=N] [rexplorer=N] [mexplorer=N]
//                     [miexplorer=N] [mdesktop=N] [mbutton=N] [reinstall=1]
//     Loads qx.dll by name, calls SetHook with these settings (the agent's
//     defaults otherwise) and polls the block every 50 ms the way the agent
//     does: each waiting record is written to LOG as
//       RECORD <name> hwnd=XXXXXXXX lparam=N window=XXXXXXXX x=N y=N
//     and its slot cleared. With reinstall=1 a heartbeat older than 5000 ms
//     is answered by RemoveHook and SetHook (REINSTALL / REINSTALLED lines).
//     Command files beside LOG, deleted when taken:
//       suspend.cmd  QxTestSuspend (the hook stops from inside): SUSPENDED
//       sync.cmd     answered with SYNC after a complete poll
//       times.cmd    TIMES lines: callback durations, median and worst
//       quit.cmd     RemoveHook and exit: QUIT
//       menuopen.cmd / menuclosed.cmd   MenuOpenFlag 1 / 0: MENU 1, MENU 0
//       fill.cmd     every free slot is taken by a record nobody handles, as
//                    by an agent that does not poll: FILLED n
//       unfill.cmd   those slots are free again: UNFILLED dropped=N (the
//                    library's count of gestures dropped on a full block)
//
//   hookprobe.exe block LOG
//     Another process: BLOCK agentthread=N hookthread=N installs=N age=MS
//     when the block exists (exit code 0), else NOBLOCK (exit code 1).
//
//   hookprobe.exe freeze LOG
//     Another process: suspends the library's hook thread (its identifier is
//     in the block), as a thread that stopped running: FROZEN <thread>.
//
//   hookprobe.exe age-heartbeat MS LOG
//     A second process: opens the block by name, logs AGENTTHREAD <id> and
//     sets HeartbeatTick MS milliseconds into the past.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "agent/hook_api.h"
#include "agent/hook_gesture.h"

namespace {

FILE* g_log = nullptr;
std::wstring g_dir;  // folder of the log, with a trailing backslash

void Log(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  vfprintf(g_log, fmt, ap);
  va_end(ap);
  fputc('\n', g_log);
  fflush(g_log);
}

bool OpenLog(const wchar_t* path) {
  g_log = _wfopen(path, L"ab");
  std::wstring p = path;
  const size_t cut = p.find_last_of(L"\\/");
  g_dir = cut == std::wstring::npos ? L"" : p.substr(0, cut + 1);
  return g_log != nullptr;
}

// Takes a command file: true when it existed (it is deleted).
bool TakeCommand(const wchar_t* name) {
  const std::wstring path = g_dir + name;
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  DeleteFileW(path.c_str());
  return true;
}

std::uint32_t Load32(const std::uint32_t& v) {
  return std::atomic_ref<std::uint32_t>(const_cast<std::uint32_t&>(v)).load(std::memory_order_acquire);
}

int AgeHeartbeat(int ms) {
  HANDLE m = OpenFileMappingW(FILE_MAP_READ | FILE_MAP_WRITE, FALSE, agent::kHookBlockName);
  if (!m) {
    Log("NOBLOCK error=%lu", GetLastError());
    return 1;
  }
  auto* b = static_cast<agent::HookSharedBlock*>(MapViewOfFile(m, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, 0));
  if (!b) {
    Log("NOVIEW error=%lu", GetLastError());
    return 1;
  }
  Log("AGENTTHREAD %lu", static_cast<unsigned long>(Load32(b->AgentThreadId)));
  const std::uint32_t old = GetTickCount() - static_cast<std::uint32_t>(ms);
  agent::StoreHeartbeat(*b, old);
  Log("AGED heartbeat=%lu", static_cast<unsigned long>(old));
  UnmapViewOfFile(b);
  CloseHandle(m);
  return 0;
}

int ShowBlock() {
  HANDLE m = OpenFileMappingW(FILE_MAP_READ, FALSE, agent::kHookBlockName);
  if (!m) {
    Log("NOBLOCK error=%lu", GetLastError());
    return 1;
  }
  auto* b = static_cast<agent::HookSharedBlock*>(MapViewOfFile(m, FILE_MAP_READ, 0, 0, 0));
  if (!b) {
    Log("NOVIEW error=%lu", GetLastError());
    CloseHandle(m);
    return 1;
  }
  Log("BLOCK agentthread=%lu hookthread=%lu installs=%lu age=%lu", static_cast<unsigned long>(b->AgentThreadId),
      static_cast<unsigned long>(b->reserved[agent::kReservedHookThread]),
      static_cast<unsigned long>(b->reserved[agent::kReservedHookInstalls]),
      static_cast<unsigned long>(GetTickCount() - b->HeartbeatTick));
  UnmapViewOfFile(b);
  CloseHandle(m);
  return 0;
}

int Freeze() {
  HANDLE m = OpenFileMappingW(FILE_MAP_READ, FALSE, agent::kHookBlockName);
  if (!m) {
    Log("NOBLOCK error=%lu", GetLastError());
    return 1;
  }
  auto* b = static_cast<agent::HookSharedBlock*>(MapViewOfFile(m, FILE_MAP_READ, 0, 0, 0));
  if (!b) {
    Log("NOVIEW error=%lu", GetLastError());
    return 1;
  }
  const DWORD tid = b->reserved[agent::kReservedHookThread];
  HANDLE t = OpenThread(THREAD_SUSPEND_RESUME, FALSE, tid);
  if (!t || SuspendThread(t) == static_cast<DWORD>(-1)) {
    Log("NOFREEZE thread=%lu error=%lu", tid, GetLastError());
    return 1;
  }
  Log("FROZEN %lu", tid);
  CloseHandle(t);
  UnmapViewOfFile(b);
  CloseHandle(m);
  return 0;
}

void LogTimes(agent::TestCallbackTimesFn times) {
  if (!times) return;
  static std::uint32_t buf[4096];
  const char* names[2] = {"classified", "passed"};
  for (std::uint32_t kind = 0; kind < 2; ++kind) {
    const std::uint32_t n = times(kind, buf, 4096);
    if (n == 0) {
      Log("TIMES %s n=0", names[kind]);
      continue;
    }
    std::vector<std::uint32_t> v(buf, buf + n);
    std::sort(v.begin(), v.end());
    Log("TIMES %s n=%u median_us=%.1f worst_us=%.1f", names[kind], n, v[n / 2] / 1000.0, v.back() / 1000.0);
    std::string seq;  // in the order they happened
    for (std::uint32_t i = 0; i < n && i < 64; ++i) seq += std::to_string(buf[i] / 1000) + " ";
    Log("TIMES %s first_us: %s", names[kind], seq.c_str());
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc >= 4 && std::wcscmp(argv[1], L"age-heartbeat") == 0) {
    if (!OpenLog(argv[3])) return 2;
    return AgeHeartbeat(_wtoi(argv[2]));
  }
  if (argc >= 3 && std::wcscmp(argv[1], L"block") == 0) {
    if (!OpenLog(argv[2])) return 2;
    return ShowBlock();
  }
  if (argc >= 3 && std::wcscmp(argv[1], L"freeze") == 0) {
    if (!OpenLog(argv[2])) return 2;
    return Freeze();
  }
  if (argc < 2 || !OpenLog(argv[1])) return 2;

  // The agent's defaults.
  std::uint32_t wheel = 0, help = 1, rexplorer = 1, mexplorer = 1, miexplorer = 0, mdesktop = 1, mbutton = 1;
  bool reinstall = false;
  for (int i = 2; i < argc; ++i) {
    std::wstring a = argv[i];
    const size_t eq = a.find(L'=');
    if (eq == std::wstring::npos) continue;
    const std::wstring k = a.substr(0, eq);
    const std::uint32_t v = static_cast<std::uint32_t>(_wtoi(a.c_str() + eq + 1));
    if (k == L"wheel")
      wheel = v;
    else if (k == L"help")
      help = v;
    else if (k == L"rexplorer")
      rexplorer = v;
    else if (k == L"mexplorer")
      mexplorer = v;
    else if (k == L"miexplorer")
      miexplorer = v;
    else if (k == L"mdesktop")
      mdesktop = v;
    else if (k == L"mbutton")
      mbutton = v;
    else if (k == L"reinstall")
      reinstall = v != 0;
  }

  HMODULE qx = LoadLibraryW(agent::kHookLibraryName);
  if (!qx) {
    Log("NOLIBRARY error=%lu", GetLastError());
    return 1;
  }
  auto setHook = reinterpret_cast<agent::SetHookFn>(GetProcAddress(qx, agent::kSetHookExport));
  auto removeHook = reinterpret_cast<agent::RemoveHookFn>(GetProcAddress(qx, agent::kRemoveHookExport));
  auto suspend = reinterpret_cast<agent::TestSuspendFn>(GetProcAddress(qx, agent::kTestSuspendExport));
  auto times = reinterpret_cast<agent::TestCallbackTimesFn>(GetProcAddress(qx, agent::kTestCallbackTimesExport));
  if (!setHook || !removeHook) {
    Log("NOEXPORTS");
    return 1;
  }

  // Message numbers back to names, as the agent registers them.
  std::vector<std::pair<UINT, std::string>> names;
  for (int i = 1; i < agent::kHookMessageCount; ++i) {
    const wchar_t* w = agent::HookMessageName(static_cast<agent::HookMessage>(i));
    std::string n;
    for (const wchar_t* c = w; *c && *c != L' '; ++c) n.push_back(static_cast<char>(*c));
    names.emplace_back(RegisterWindowMessageW(w), n);
  }

  const DWORD tid = GetCurrentThreadId();
  auto install = [&] { return setHook(tid, 0, wheel, 0, help, rexplorer, mexplorer, miexplorer, mdesktop, mbutton); };
  agent::HookSharedBlock* block = install();
  if (!block) {
    Log("SETHOOK failed");
    return 1;
  }
  Log("READY thread=%lu agentthread=%lu", static_cast<unsigned long>(tid),
      static_cast<unsigned long>(Load32(block->AgentThreadId)));

  SetTimer(nullptr, 0, 50, nullptr);
  std::uint32_t lastBeat = 0;
  bool held = false;  // slots filled: nothing is dispatched
  const UINT filler = RegisterWindowMessageW(L"WM_QXNEWM by Vorlune Folder");
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message != WM_TIMER) {
      DispatchMessageW(&msg);
      continue;
    }
    if (block && !held) {
      for (auto& slot : block->slots) {
        std::atomic_ref<std::uint32_t> m(slot.message);
        const std::uint32_t number = m.load(std::memory_order_acquire);
        if (number == 0 || number == agent::kSlotBeingWritten) continue;
        const agent::HookMessageSlot copy = slot;
        std::string name = "UNKNOWN";
        for (auto& [n, s] : names)
          if (n == number) name = s;
        Log("RECORD %s hwnd=%08X lparam=%u window=%08X x=%d y=%d", name.c_str(), copy.wparam, copy.lparam, copy.window,
            copy.x, copy.y);
        m.store(0, std::memory_order_release);
      }
    }
    if (block) {
      const std::uint32_t beat = Load32(block->HeartbeatTick);
      if (beat != lastBeat) {
        Log("BEAT %lu installs=%lu", static_cast<unsigned long>(beat),
            static_cast<unsigned long>(Load32(block->reserved[agent::kReservedHookInstalls])));
        lastBeat = beat;
      }
      const std::uint32_t now = GetTickCount();
      if (reinstall && now >= beat && now - beat > 5000) {
        Log("REINSTALL age=%lu", static_cast<unsigned long>(now - beat));
        removeHook();
        block = install();
        Log("REINSTALLED %s", block ? "ok" : "null");
      }
    }
    if (TakeCommand(L"suspend.cmd")) Log("SUSPENDED %d", suspend ? suspend() : -1);
    if (TakeCommand(L"times.cmd")) LogTimes(times);
    if (TakeCommand(L"sync.cmd")) Log("SYNC");
    if (block && TakeCommand(L"menuopen.cmd")) {
      std::atomic_ref<std::uint32_t>(block->MenuOpenFlag).store(1);
      Log("MENU 1");
    }
    if (block && TakeCommand(L"menuclosed.cmd")) {
      std::atomic_ref<std::uint32_t>(block->MenuOpenFlag).store(0);
      Log("MENU 0");
    }
    if (block && TakeCommand(L"fill.cmd")) {
      held = true;
      int n = 0;
      for (auto& slot : block->slots) {
        std::uint32_t expected = 0;
        if (std::atomic_ref<std::uint32_t>(slot.message).compare_exchange_strong(expected, filler)) ++n;
      }
      Log("FILLED %d", n);
    }
    if (block && TakeCommand(L"unfill.cmd")) {
      for (auto& slot : block->slots) {
        std::uint32_t expected = filler;
        std::atomic_ref<std::uint32_t>(slot.message).compare_exchange_strong(expected, 0);
      }
      held = false;
      Log("UNFILLED dropped=%lu", static_cast<unsigned long>(Load32(block->reserved[agent::kReservedRecordsDropped])));
    }
    if (TakeCommand(L"quit.cmd")) {
      LogTimes(times);
      removeHook();
      Log("QUIT");
      break;
    }
  }
  return 0;
}
