// The agent's 50 ms poll of the hook block: a pass over 101 free slots (the
// common case, which must stay cheap), and a pass that clears 101 records of
// unknown messages.
#include <benchmark/benchmark.h>

#include "agent/vorl_folder.h"
#include "platform/clock.h"
#include "sim/sim_world.h"

namespace {

void BM_Timer4TimerFreeSlots(benchmark::State& state) {
  sim::ResetWorld();
  agent::HookSharedBlock block{};
  agent::TVorlFolder form(L"", 0);
  form.HookMessages = agent::RegisterHookMessages();
  form.HookBlock = &block;
  for (auto _ : state) {
    block.HeartbeatTick = plat::TickCount();
    form.Timer4Timer();
  }
  form.HookBlock = nullptr;
  state.SetItemsProcessed(state.iterations() * agent::kHookSlotCount);
}
BENCHMARK(BM_Timer4TimerFreeSlots);

void BM_Timer4TimerClearsUnknownRecords(benchmark::State& state) {
  sim::ResetWorld();
  agent::HookSharedBlock block{};
  agent::TVorlFolder form(L"", 0);
  form.HookMessages = agent::RegisterHookMessages();
  form.HookBlock = &block;
  for (auto _ : state) {
    state.PauseTiming();
    for (auto& slot : block.slots) slot.message = 0xC0DE;
    block.HeartbeatTick = plat::TickCount();
    state.ResumeTiming();
    form.Timer4Timer();
  }
  form.HookBlock = nullptr;
  state.SetItemsProcessed(state.iterations() * agent::kHookSlotCount);
}
BENCHMARK(BM_Timer4TimerClearsUnknownRecords);

}  // namespace
