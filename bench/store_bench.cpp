// The favourites store on the agent's UI thread: loading a large store from
// the (sim) registry, decoding entries, and writing and reading a
// configuration set.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/files.h"
#include "platform/registry.h"
#include "sim/sim_files.h"
#include "sim/sim_registry.h"
#include "sim/sim_world.h"
#include "store/config_files.h"
#include "store/favourites.h"

namespace {

// A store of `favourites` entries (a submenu header every tenth entry, the
// rest its children) and 40 filters.
void MakeStore(int favourites) {
  sim::ResetWorld();
  sim::MapTempDrive(L'C');
  for (int i = 0; i < favourites; ++i) {
    const std::wstring n = std::to_wstring(i);
    if (i % 10 == 0) {
      sim::RegSetString(plat::HKEY_CURRENT_USER, store::kPathKey, L"Submenu" + n, L"Group " + n + L"$5");
    } else {
      sim::RegSetString(plat::HKEY_CURRENT_USER, store::kPathKey, L"C:\\Projects\\Client " + n + L"\\Documents$2",
                        L"Client " + n + L"$0");
    }
  }
  for (int i = 0; i < 40; ++i)
    sim::RegSetString(plat::HKEY_CURRENT_USER, store::kFilterKey, L"*.x" + std::to_wstring(i),
                      L"Filter " + std::to_wstring(i));
}

void BM_LoadFavourites(benchmark::State& state) {
  MakeStore(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    store::LoadFavourites();
    benchmark::DoNotOptimize(store::FavouriteNames.data());
  }
  state.SetItemsProcessed(state.iterations() * (state.range(0) + 40));
  sim::ResetWorld();
}
BENCHMARK(BM_LoadFavourites)->Arg(50)->Arg(1000);

void BM_SplitEncoded(benchmark::State& state) {
  const std::wstring texts[] = {L"C:\\Projects\\Client 17\\Documents$2", L"Client 17$0", L"Submenu234",
                                L"My Computer$5", L"A$B$7"};
  std::int64_t sum = 0;
  for (auto _ : state)
    for (const auto& t : texts) sum += store::SplitEncoded(t).number;
  benchmark::DoNotOptimize(sum);
  state.SetItemsProcessed(state.iterations() * 5);
}
BENCHMARK(BM_SplitEncoded);

void BM_ConfigurationSetWriteRead(benchmark::State& state) {
  MakeStore(static_cast<int>(state.range(0)));
  plat::CreateDirectories(L"C:\\Sets");
  const store::TStoreContent content = store::ReadStoreFromRegistry();
  store::TStoreContent back;
  for (auto _ : state) {
    store::WriteConfigurationFiles(L"C:\\Sets\\Bench.qxs", content);
    store::ReadConfigurationFiles(L"C:\\Sets\\Bench.qxs", back);
    benchmark::DoNotOptimize(back.favourite_names.data());
  }
  state.SetItemsProcessed(state.iterations() * (state.range(0) + 40));
  store::ResetRememberedEncodings();
  sim::ResetWorld();
}
BENCHMARK(BM_ConfigurationSetWriteRead)->Arg(1000);

}  // namespace
