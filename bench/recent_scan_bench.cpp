// ScanRecentFull over a large Recent folder: 10,000 shortcuts, most of them
// broken (the file they point at is gone, or the shortcut cannot be loaded),
// as a Recent folder looks after years without trimming. Measured with
// ClearLink off (the start-up case once the folder has been trimmed is the
// same walk without deletions), and the incremental scan with nothing new.
#include <benchmark/benchmark.h>

#include <sys/stat.h>
#include <utime.h>

#include <ctime>
#include <fstream>
#include <string>

#include "platform/files.h"
#include "sim/sim_files.h"
#include "sim/sim_shell_link.h"
#include "sim/sim_world.h"
#include "store/recent_lists.h"
#include "store/recent_scan.h"

namespace {

const std::wstring kRecent = L"C:\\Users\\Ann\\Recent";

// n shortcuts, one written a second apart; every `usable_every`-th points at
// an existing file, every 7th is damaged, the rest point at files that are gone.
void MakeRecentFolder(int n, int usable_every) {
  sim::ResetWorld();
  store::ResetRecentState();
  sim::MapTempDrive(L'C');
  plat::CreateDirectories(kRecent);
  plat::CreateDirectories(L"C:\\Docs");
  const std::time_t base = 1767225600;  // 2026-01-01
  // Written straight into the host folders: the set-up is not measured.
  const std::string recent_host = sim::HostPath(kRecent);
  const std::string docs_host = sim::HostPath(L"C:\\Docs");
  for (int i = 0; i < n; ++i) {
    const std::string name = "file" + std::to_string(i) + ".txt";
    const std::wstring target = L"C:\\Docs\\" + std::wstring(name.begin(), name.end());
    if (i % usable_every == 0) std::ofstream(docs_host + "/" + name, std::ios::binary) << "x";
    const std::string host = recent_host + "/" + name + ".lnk";
    std::ofstream(host, std::ios::binary) << (i % 7 == 3 ? std::string("damaged") : sim::ShortcutFileBytes(target));
    struct utimbuf t {
      base + 2 * i, base + 2 * i
    };
    ::utime(host.c_str(), &t);
  }
}

void BM_ScanRecentFull_10000(benchmark::State& state) {
  const int usable_every = static_cast<int>(state.range(0));
  MakeRecentFolder(10000, usable_every);
  store::TRecentScanSettings settings;
  settings.ClearLink = false;
  for (auto _ : state) {
    store::ScanRecentFull(kRecent, settings);
    benchmark::DoNotOptimize(store::RecentFiles.Count());
  }
  state.counters["files_listed"] = store::RecentFiles.Count();
  state.counters["shortcuts_seen"] = store::SeenLinks.Count();
  store::ResetRecentState();
  sim::ResetWorld();
}
// Every 10th usable (9 in 10 broken) and every 50th usable.
BENCHMARK(BM_ScanRecentFull_10000)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ScanRecentChanges_NothingNew_10000(benchmark::State& state) {
  MakeRecentFolder(10000, 10);
  store::TRecentScanSettings settings;
  settings.ClearLink = false;
  store::ScanRecentFull(kRecent, settings);
  for (auto _ : state) benchmark::DoNotOptimize(store::ScanRecentChanges(kRecent, settings));
  store::ResetRecentState();
  sim::ResetWorld();
}
BENCHMARK(BM_ScanRecentChanges_NothingNew_10000)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
