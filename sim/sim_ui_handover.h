// Control of the sim's hand-over to the UI thread.
//
// Work handed over by a background thread waits in a queue. It runs on the UI
// thread (the thread that called plat::StartUiHandOver) whenever that thread
// moves the virtual clock (SleepMs, the message loop waiting), or when the
// test running on the UI thread calls one of these.
#pragma once
#include <cstdint>

namespace sim {

// Runs the work waiting now; returns how many ran. UI thread only.
int RunUiHandOvers();

}  // namespace sim
