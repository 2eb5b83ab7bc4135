// How long SetDataToDialog holds the agent's UI thread: virtual milliseconds
// of one request (waits, polls and send time-outs on the sim's clock) against
// dialogs that answer at once, answer slowly, ignore Enter, never answer, are
// slow to list the folder, rewrite their box late, or leave it empty (classic).
// Counters: "virtual_ms" per request; "text_back_ms" from the dialog showing
// the folder to the user's text back in its box (0: the dialog put it back
// itself; -1: never back). Real time is the cost of the logic.
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

enum Scenario {
  kAnswers,
  kSlow,
  kIgnoresEnter,
  kNeverAnswers,
  kSlowIgnoresEnter,
  kSlowToList,
  kRewritesLate,
  kClassic,
};

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
  double total_virtual = 0, worst = 0, total_back = 0;
  for (auto _ : state) {
    state.PauseTiming();
    sim::FileDialogSpec spec;
    spec.user_text = L"notes.txt";
    const bool ignores = scenario == kIgnoresEnter || scenario == kSlowIgnoresEnter;
    spec.restores_user_text = !ignores && scenario != kSlowToList && scenario != kRewritesLate && scenario != kClassic;
    if (scenario == kSlowToList) spec.list_busy_ms = 1500;
    if (scenario == kRewritesLate) spec.late_rewrite_ms = 300;
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
    plat::SleepMs(1000);
    if (scenario != kNeverAnswers) {
      // The last time the user's text went into the box, from the folder on.
      std::uint64_t back = 0;
      for (const sim::Msg& m : sim::Received(fd.edit))
        if (m.msg == plat::WM_SETTEXT && m.text == spec.user_text) back = m.time;
      const std::uint64_t folder = sim::FileDialogFolderTick(fd.dialog);
      double ms = -1;
      if (sim::Text(fd.edit) == spec.user_text) ms = back > folder ? static_cast<double>(back - folder) : 0;
      if (folder) total_back += ms;
    }
    sim::DestroyWindow(fd.dialog);
    infra::SaveAllLogs(false);
    state.ResumeTiming();
  }
  state.counters["virtual_ms"] = total_virtual / static_cast<double>(state.iterations());
  state.counters["worst_virtual_ms"] = worst;
  state.counters["text_back_ms"] = total_back / static_cast<double>(state.iterations());
}

}  // namespace

BENCHMARK(BM_SetDataToDialog)
    // 0: answers at once (and puts the user's text back itself), 1: every
    // answer after 199 ms, 2: ignores Enter (four runs), 3: never answers,
    // 4: answers after 199 ms and ignores Enter (the longest a dialog that
    // answers can hold the agent), 5: busy 1.5 s listing the folder, 6: empties
    // its box again 300 ms after showing the folder, 7: a classic dialog that
    // leaves its box empty after a folder (as Wine's).
    ->ArgName("dialog")
    ->DenseRange(kAnswers, kClassic)
    ->Iterations(20)
    ->Unit(benchmark::kMicrosecond);
