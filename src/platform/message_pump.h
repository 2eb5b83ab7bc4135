// Processing the calling thread's window messages while it waits for work
// done elsewhere (a dialog stays responsive).
#pragma once

namespace plat {

// Dispatches every message waiting in the calling thread's queue and returns
// (PeekMessage/TranslateMessage/DispatchMessage until the queue is empty).
// A WM_QUIT met on the way is posted again for the message loop and ends the
// pumping.
void ProcessMessages();

}  // namespace plat
