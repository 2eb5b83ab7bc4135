// hook_late_probe: a hook thread that starts too late for SetHook. SetHook
// gives up on it (nullptr) and the thread is left behind; when it wakes it
// still signals its start event. The probe then makes an event of its own,
// which Windows gives the lowest free handle: were the start event closed
// already, the late thread would signal the probe's event.
//
// Prints "sethook=<0|1>" and "foreign_signal=<0|1>"; exits 0 when SetHook
// failed and nothing signalled the probe's event.
#include <windows.h>

#include <cstdio>

#include "agent/hook_api.h"

int wmain() {
  HMODULE qx = LoadLibraryW(agent::kHookLibraryName);
  if (!qx) {
    std::printf("no qx.dll\n");
    return 2;
  }
  auto set_hook =
      reinterpret_cast<agent::SetHookFn>(reinterpret_cast<void*>(GetProcAddress(qx, agent::kSetHookExport)));
  auto delay = reinterpret_cast<agent::TestDelayStartFn>(
      reinterpret_cast<void*>(GetProcAddress(qx, agent::kTestDelayStartExport)));
  if (!set_hook || !delay) {
    std::printf("exports missing\n");
    return 2;
  }
  // Longer than SetHook waits for the start and then for the stop (6.5 s).
  delay(8000);
  agent::HookSharedBlock* block = set_hook(GetCurrentThreadId(), 0, 1, 0, 1, 1, 1, 1, 1, 1);
  std::printf("sethook=%d\n", block ? 1 : 0);
  HANDLE mine = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  // The late thread wakes about 1.5 s from now.
  const bool signalled = WaitForSingleObject(mine, 5000) == WAIT_OBJECT_0;
  std::printf("foreign_signal=%d\n", signalled ? 1 : 0);
  std::fflush(stdout);
  CloseHandle(mine);
  // The thread left behind holds a hook of this process: end without waiting for it.
  ExitProcess(!block && !signalled ? 0 : 1);
}
