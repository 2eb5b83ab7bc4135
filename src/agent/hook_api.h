// The interface of the hook library qx.dll, as the agent calls it.
//
// Loading: qx.dll lies beside qorbin.exe. Load it by name and take the two
// exports by their plain, undecorated names (qx.def fixes them, also for a
// 32-bit build):
//
//   HMODULE qx = LoadLibraryW(agent::kHookLibraryName);
//   auto set = reinterpret_cast<agent::SetHookFn>(GetProcAddress(qx, agent::kSetHookExport));
//   auto remove = reinterpret_cast<agent::RemoveHookFn>(GetProcAddress(qx, agent::kRemoveHookExport));
//
// Linking the import library libqx.dll.a and declaring the functions with
// QX_CALL works as well.
//
// Calling convention: WINAPI (__stdcall) for a 32-bit build; a 64-bit build
// has a single convention, so the types below carry no attribute there.
//
// SetHook(threadId, 0, MouseWheel, 0, Help, RExplorer, MExplorer, MIExplorer,
//         MDesktop, MouseMButton)
//   Ten 32-bit arguments, in this order:
//     1 threadId      the agent's UI thread (GetCurrentThreadId); stored in
//                     AgentThreadId of the block
//     2 (unused)      pass 0
//     3 MouseWheel    0 off, 1 either direction, 2 forward only, 3 backward only
//     4 (unused)      pass 0 (false)
//     5 Help          0/1: right click on a dialog's '?' caption button
//     6 RExplorer     0/1: right click on the address bar of Explorer or the browser
//     7 MExplorer     0/1: middle click in Explorer
//     8 MIExplorer    0/1: middle click in a browser frame
//     9 MDesktop      0/1: middle click on the Desktop
//    10 MouseMButton  0/1: middle click in Open/Save As dialogs, archivers'
//                     dialogs and browse-for-folder dialogs
//   Creates (or opens) the named block kHookBlockName of kHookBlockSize
//   bytes, writes AgentThreadId, starts the low-level mouse hook on a thread
//   of the library's own and returns the block's address; null when the block
//   or the hook cannot be made (nothing is left running then). Calling it again
//   without RemoveHook applies the new settings and returns the same block.
//   HeartbeatTick is written at once and then about every second while the
//   hook works.
//
// RemoveHook()
//   No arguments. Stops the hook and its thread, unmaps and closes the block
//   and returns nonzero. It waits at most 1.5 s for the thread; a thread that
//   does not end in time (suspended, starved) has its hook taken out and is
//   left behind with its view of the block, never touched again. The block pointer is invalid afterwards; SetHook may
//   be called again (the agent does so after a stale heartbeat and after the
//   options are saved) and returns the new address. Call both from the same
//   thread (the agent's UI thread); neither waits on another program.
//
// What the library writes into a slot: window = the window under the pointer,
// message = the registered number of one of kHookMessageNames (always written
// last, with a release barrier), wParam = the target window, lParam = its
// TargetKind (for WM_QXMBROWSE: the control under the pointer), time = the
// input's time stamp, x/y = the pointer in screen coordinates. The click it
// reports (down and matching up) or the wheel step is swallowed.
#pragma once
#include <cstdint>

#include "agent/hook_block.h"

#if defined(_WIN32) && !defined(_WIN64)
#define QX_CALL __stdcall
#else
#define QX_CALL
#endif

namespace agent {

inline constexpr wchar_t kHookLibraryName[] = L"qx.dll";
inline constexpr char kSetHookExport[] = "SetHook";
inline constexpr char kRemoveHookExport[] = "RemoveHook";

using SetHookFn = HookSharedBlock*(QX_CALL*)(std::uint32_t threadId, std::uint32_t unused1, std::uint32_t mouseWheel,
                                             std::uint32_t unused2, std::uint32_t help, std::uint32_t rExplorer,
                                             std::uint32_t mExplorer, std::uint32_t mIExplorer, std::uint32_t mDesktop,
                                             std::uint32_t mouseMButton);
using RemoveHookFn = std::int32_t(QX_CALL*)();

// The library's use of HookSharedBlock::reserved (diagnostics; the agent
// needs none of them).
inline constexpr int kReservedLibraryProcess = 0;  // process id of the hooking process
inline constexpr int kReservedRecordsWritten = 1;  // records written since the block was made
inline constexpr int kReservedRecordsDropped = 2;  // gestures dropped: every slot was busy
inline constexpr int kReservedHookInstalls = 3;    // times the mouse hook was installed
inline constexpr int kReservedHookThread = 4;      // thread identifier of the hook thread

// Test-only exports of qx.dll (used by the e2e probe, never by the agent).
//   QxTestSuspend(): removes the mouse hook and stops the heartbeat while the
//     hook thread keeps running, as a hook that Windows dropped would look.
//   QxTestCallbackTimes(kind, out, max): copies up to max of the most recent
//     callback durations in nanoseconds; kind 0 = gestures that were
//     classified, 1 = every other input (passed through untouched).
//   QxTestDelayStart(ms): the next hook thread sleeps ms before it installs
//     the hook, as a thread starved at its start would.
inline constexpr char kTestSuspendExport[] = "QxTestSuspend";
inline constexpr char kTestDelayStartExport[] = "QxTestDelayStart";
using TestDelayStartFn = std::int32_t(QX_CALL*)(std::uint32_t ms);
inline constexpr char kTestCallbackTimesExport[] = "QxTestCallbackTimes";
using TestSuspendFn = std::int32_t(QX_CALL*)();
using TestCallbackTimesFn = std::uint32_t(QX_CALL*)(std::uint32_t kind, std::uint32_t* out, std::uint32_t max);

}  // namespace agent
