// Control of the sim's application side: message queues, the program's own
// windows (they live in the window tree of sim/sim_window.h), timers,
// hot keys and the UIPI filter.
//
// GetMessageW takes queued messages; with an empty queue it advances the
// virtual clock one millisecond at a time (timers post WM_TIMER from the clock)
// until a message arrives or the loop deadline passes, and then answers false
// as if WM_QUIT had come. The deadline is 0 after a reset, so a loop with
// nothing to do ends at once unless a test lets it run.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/app.h"
#include "platform/types.h"

namespace sim {

// Lets GetMessageW wait (in virtual time) until Now() + ms.
void SetLoopDeadline(std::uint64_t ms_from_now);

// Every PostThreadMessageW of the program, in order, with whether it reached
// a queue.
struct PostedMessage {
  plat::ThreadId thread = 0;
  std::uint32_t message = 0;
  std::uint64_t wparam = 0;
  std::int64_t lparam = 0;
  bool delivered = false;
};
std::vector<PostedMessage> PostedThreadMessages();

// A thread of another process with a message queue: PostThreadMessageW to it
// succeeds. (Windows of other programs are made with sim::CreateWindow.)
void AddForeignThread(plat::ThreadId thread);

// The hot key currently registered for modifiers + key, if any.
bool HotKeyRegistered(std::uint32_t modifiers, std::uint32_t virtual_key);
// Another program holds this combination: RegisterHotKey fails for it.
void TakeHotKey(std::uint32_t modifiers, std::uint32_t virtual_key);
// The user presses modifiers + key: WM_HOTKEY is posted to the window that
// registered it. False when no window registered the combination.
bool PressHotKey(std::uint32_t modifiers, std::uint32_t virtual_key);

// Whether the timer id of window is running, and its interval.
bool TimerRunning(plat::Window window, std::uint64_t id);
std::uint32_t TimerInterval(plat::Window window, std::uint64_t id);

// Messages let through the UIPI filter (window 0: process-wide).
std::vector<std::uint32_t> AllowedMessages(plat::Window window);

int WorkingSetTrims();

// Window events (SetWinEventHook): the window tree raises EVENT_OBJECT_CREATE,
// _SHOW, _HIDE and _DESTROY for top-level windows (a test may raise any
// event); each hook whose range holds the event gets it, out of context: its
// thread runs the procedure in its next GetMessageW or PeekMessageW, as the
// system does. WINEVENT_SKIPOWNPROCESS leaves out windows of the hook's own
// process (its thread's windows, in the sim).
void RaiseWinEvent(std::uint32_t event, plat::Window window);
// As Wine 8: of the object events only creation and destruction are raised
// (no show or hide).
void SetOnlyCreateAndDestroyEvents(bool only);
// Hooks set and not removed.
int WinEventHooks();

}  // namespace sim
