// Synchronous hand-over of work from a background thread to the agent's UI
// thread: the work runs on the UI thread, between its messages, and the
// background thread waits until it has run.
//
// On Windows the work travels as a message sent (SendMessageW) to a hidden
// window of the UI thread, so it also runs while the UI thread shows a menu
// or a dialog. In the sim it runs whenever the UI thread's virtual clock
// moves, or when a test lets it (sim/sim_ui_handover.h).
#pragma once
#include <functional>

namespace plat {

// Called on the UI thread: makes it the receiver of hand-overs.
void StartUiHandOver();

// Called on the UI thread: later hand-overs fail at once; one that waits is
// let go without running.
void StopUiHandOver();

// Runs work on the UI thread and waits until it has run. Called on the UI
// thread itself, it runs work at once. False (nothing run) when no UI thread
// receives hand-overs.
bool RunOnUiThread(const std::function<void()>& work);

}  // namespace plat
