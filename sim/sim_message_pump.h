// Control of the sim's message pumping: how often the logic processed its
// messages, and work to run when it does.
#pragma once
#include <functional>

namespace sim {

// Runs on every plat::ProcessMessages call (the "messages" of the test).
void SetProcessMessagesHook(std::function<void()> hook);

}  // namespace sim
