// How long SetDataToDialog holds the agent's UI thread: virtual milliseconds
// of one request (sleeps, polls and send time-outs on the sim's clock) against
// dialogs that answer at once, answer slowly, ignore Enter, or never answer.
// The counter "virtual_ms" is the figure; real time is the cost of the logic.
#include <benchmark/benchmark.h>

#include "infra/logger.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/process.h"
#include "sim/sim_clock.h"
#include "sim/sim_files.h"
#include "sim/sim_window.h"
#include "sim/sim_world.h"
#include "targets/set_data.h"
#include "targets/target_state.h"

namespace {

enum Scenario { kAnswers, kSlow, kIgnoresEnter, kNeverAnswers, kSlowIgnoresEnter };

void Setup() {
  sim::ResetWorld();
  sim::MapTempDrive(L'C');
  plat::CreateDirectories(L"C:\\Projects");
  infra::SetLogFolder(L"C:\\Log\\");
  targets::AgentUiThreadId = plat::CurrentThreadId();
}

void BM_SetDataToDialog(benchmark::State& state) {
  const auto scenario = static_cast<Scenario>(state.range(0));
  Setup();
  double total_virtual = 0, worst = 0;
  for (auto _ : state) {
    state.PauseTiming();
    sim::FileDialogSpec spec;
    spec.user_text = L"notes.txt";
    const bool ignores = scenario == kIgnoresEnter || scenario == kSlowIgnoresEnter;
    spec.restores_user_text = !ignores;
    spec.enter = ignores ? sim::EnterBehaviour::Ignore : sim::EnterBehaviour::Navigate;
    spec.hung = scenario == kNeverAnswers;
    sim::FileDialog fd = sim::CreateFileDialog(spec);
    if (scenario == kSlow || scenario == kSlowIgnoresEnter) {
      sim::SetReplyDelay(fd.edit, 199);
      sim::SetReplyDelay(fd.dialog, 199);
    }
    state.ResumeTiming();
    const auto t0 = sim::Now();
    targets::SetDataToDialog(fd.dialog, L"C:\\Projects", targets::PathMode, L"", 0);
    const double spent = static_cast<double>(sim::Now() - t0);
    state.PauseTiming();
    total_virtual += spent;
    worst = std::max(worst, spent);
    plat::SleepMs(100);
    sim::DestroyWindow(fd.dialog);
    infra::SaveAllLogs(false);
    state.ResumeTiming();
  }
  state.counters["virtual_ms"] = total_virtual / static_cast<double>(state.iterations());
  state.counters["worst_virtual_ms"] = worst;
}

}  // namespace

BENCHMARK(BM_SetDataToDialog)
    // 0: answers at once, 1: every answer after 199 ms, 2: ignores Enter
    // (four runs), 3: never answers, 4: answers after 199 ms and ignores Enter
    // (the longest a dialog that answers can hold the agent).
    ->ArgName("dialog")
    ->DenseRange(kAnswers, kSlowIgnoresEnter)
    ->Iterations(20)
    ->Unit(benchmark::kMicrosecond);
