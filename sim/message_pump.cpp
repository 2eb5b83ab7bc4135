// The sim's message pump: no window messages, only a hook
// that tests use to act while the logic waits.
#include <mutex>

#include "platform/message_pump.h"
#include "sim/sim_message_pump.h"
#include "sim/sim_world.h"

namespace sim {
namespace {
struct PumpState {
  std::mutex lock;
  std::function<void()> hook;
};
PumpState& S() {
  static PumpState s;
  return s;
}
const bool kReset = RegisterReset([] {
  std::lock_guard<std::mutex> g(S().lock);
  S().hook = nullptr;
});
}  // namespace

void SetProcessMessagesHook(std::function<void()> hook) {
  std::lock_guard<std::mutex> g(S().lock);
  S().hook = std::move(hook);
}

}  // namespace sim

namespace plat {

void ProcessMessages() {
  std::function<void()> hook;
  {
    std::lock_guard<std::mutex> g(sim::S().lock);
    hook = sim::S().hook;
  }
  if (hook) hook();
}

}  // namespace plat
