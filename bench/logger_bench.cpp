// Cost of the logging calls on the caller's thread, and of a flush.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "infra/logger.h"
#include "infra/logger_files.h"
#include "sim/sim_files.h"
#include "sim/sim_world.h"

// Counts heap allocations so each benchmark can report allocations per call
// (the texts are built before the loop: what is counted is the logger's own).
namespace {
std::atomic<long long> g_allocs{0};
}
void* operator new(std::size_t n) {
  g_allocs.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

const std::wstring kFolder = L"C:\\Users\\Ann\\Documents\\Vorlune files\\Log\\";

void Fresh() {
  infra::ResetLogger();
  sim::ResetWorld();
  sim::MapTempDrive(L'C');
  infra::SetLogFolder(kFolder);
}

// A distinct entry each call (the usual case): composing, time stamp, queueing.
// The writer's flush interval is long, so no disk work lands in the loop;
// the queue is drained outside the timed region every 100000 calls.
void BM_LogMessage(benchmark::State& state) {
  Fresh();
  const std::wstring params[2] = {L"Dir=C:\\Users\\Ann\\Documents\\Projects\\Alpha",
                                  L"Dir=C:\\Users\\Ann\\Documents\\Projects\\Beta"};
  const std::wstring message = L"ShowPath";
  long long i = 0;
  infra::LogMessage(L"warm-up");
  long long allocs = 0, calls = 0;
  for (auto _ : state) {
    const long long before = g_allocs.load(std::memory_order_relaxed);
    infra::LogMessage(message, params[i & 1]);
    allocs += g_allocs.load(std::memory_order_relaxed) - before;
    ++calls;
    if (++i % 100000 == 0) {
      state.PauseTiming();
      infra::SaveAllLogs(false);
      state.ResumeTiming();
    }
  }
  state.counters["allocs_per_call"] = calls ? static_cast<double>(allocs) / calls : 0;
  infra::ResetLogger();
  sim::ResetWorld();
}
BENCHMARK(BM_LogMessage)->Repetitions(5)->ReportAggregatesOnly(true);

// The same entry again: only counted.
void BM_LogMessageRepeat(benchmark::State& state) {
  Fresh();
  const std::wstring message = L"Timer4Timer", params = L"Slot=3";
  infra::LogMessage(message, params);
  long long allocs = 0, calls = 0;
  for (auto _ : state) {
    const long long before = g_allocs.load(std::memory_order_relaxed);
    infra::LogMessage(message, params);
    allocs += g_allocs.load(std::memory_order_relaxed) - before;
    ++calls;
  }
  state.counters["allocs_per_call"] = calls ? static_cast<double>(allocs) / calls : 0;
  infra::ResetLogger();
  sim::ResetWorld();
}
BENCHMARK(BM_LogMessageRepeat)->Repetitions(5)->ReportAggregatesOnly(true);

// SaveAllLogs with 10,000 pending entries: move, encode, one append to the file.
void BM_SaveAllLogs10000(benchmark::State& state) {
  Fresh();
  for (auto _ : state) {
    state.PauseTiming();
    for (int i = 0; i < 10000; ++i) infra::LogMessage(L"Scan", std::to_wstring(i));
    state.ResumeTiming();
    infra::SaveAllLogs(false);
  }
  infra::ResetLogger();
  sim::ResetWorld();
}
BENCHMARK(BM_SaveAllLogs10000)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace
