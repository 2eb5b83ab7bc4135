#include "agent_fake_hook.h"

#include <atomic>
#include <map>
#include <string>

#include "agent/hook_api.h"
#include "platform/clock.h"
#include "platform/shared_memory.h"
#include "sim/sim_clock.h"
#include "sim/sim_library.h"
#include "sim/sim_world.h"

namespace fake_hook {
namespace {
struct State {
  std::vector<Call> calls;
  bool fails = false;
  bool stopped = false;
  plat::Handle mapping = 0;
  agent::HookSharedBlock* block = nullptr;
  int listener = 0;
};
State& S() {
  static State s;
  return s;
}
const bool kReset = sim::RegisterReset([] { S() = State{}; });

agent::HookSharedBlock* QX_CALL SetHook(std::uint32_t a1, std::uint32_t a2, std::uint32_t a3, std::uint32_t a4,
                                        std::uint32_t a5, std::uint32_t a6, std::uint32_t a7, std::uint32_t a8,
                                        std::uint32_t a9, std::uint32_t a10) {
  S().calls.push_back(Call{true, {a1, a2, a3, a4, a5, a6, a7, a8, a9, a10}});
  if (S().fails) return nullptr;
  if (!S().block) {
    S().mapping = plat::CreateFileMappingW(plat::PAGE_READWRITE, agent::kHookBlockSize, agent::kHookBlockName, nullptr);
    S().block = static_cast<agent::HookSharedBlock*>(
        plat::MapViewOfFile(S().mapping, plat::FILE_MAP_READ | plat::FILE_MAP_WRITE, agent::kHookBlockSize));
    S().listener = sim::AddClockListener([](std::uint64_t now) {
      if (S().block && !S().stopped && now % 1000 == 0) S().block->HeartbeatTick = static_cast<std::uint32_t>(now);
    });
  }
  S().block->AgentThreadId = a1;
  S().block->HeartbeatTick = plat::TickCount();
  return S().block;
}

std::int32_t QX_CALL RemoveHook() {
  S().calls.push_back(Call{false, {}});
  if (S().listener) sim::RemoveClockListener(S().listener);
  if (S().block) plat::UnmapViewOfFile(S().block);
  if (S().mapping) plat::CloseMappingHandle(S().mapping);
  S().listener = 0;
  S().block = nullptr;
  S().mapping = 0;
  return 1;
}
}  // namespace

void Install() {
  agent::SetHookFn set = &SetHook;
  agent::RemoveHookFn remove = &RemoveHook;
  sim::RegisterLibrary(agent::kHookLibraryName, {{agent::kSetHookExport, reinterpret_cast<void*>(set)},
                                                 {agent::kRemoveHookExport, reinterpret_cast<void*>(remove)}});
}

std::vector<Call> Calls() { return S().calls; }
agent::HookSharedBlock* Block() { return S().block; }
void SetFails(bool fails) { S().fails = fails; }
void StopHeartbeat(bool stopped) { S().stopped = stopped; }

void WriteSlot(int i, std::uint32_t message, std::uint32_t window, std::uint32_t lparam) {
  agent::HookMessageSlot& slot = S().block->slots[i];
  slot.window = window;
  slot.wparam = window;
  slot.lparam = lparam;
  slot.time = plat::TickCount();
  std::atomic_ref<std::uint32_t>(slot.message).store(message, std::memory_order_release);
}

}  // namespace fake_hook
