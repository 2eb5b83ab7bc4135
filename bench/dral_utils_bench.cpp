// Text operations on typical paths and numbers.
#include <benchmark/benchmark.h>

#include "infra/dral_utils.h"

namespace {

void BM_TextToInt(benchmark::State& state) {
  const std::wstring texts[] = {L"42", L"  -1234567", L"$7FFF0000", L"0x1A2B", L"17 KB", L""};
  std::int64_t sum = 0;
  for (auto _ : state)
    for (auto& t : texts) sum += infra::TextToInt(t);
  benchmark::DoNotOptimize(sum);
  state.SetItemsProcessed(state.iterations() * 6);
}
BENCHMARK(BM_TextToInt);

void BM_TrimControls(benchmark::State& state) {
  const std::wstring paths[] = {
      L"  C:\\Users\\Ann\\Documents\\Projects\\Alpha\\  ",
      L"\t\\\\fileserver\\share\\Department\\Reports 2026\\Q4\r\n",
      L"D:\\Music",
      L"C:\\Program Files (x86)\\Some Vendor\\Some Product\\bin\\tool.exe",
  };
  size_t total = 0;
  for (auto _ : state)
    for (auto& p : paths) total += infra::TrimControls(p).size();
  benchmark::DoNotOptimize(total);
  state.SetItemsProcessed(state.iterations() * 4);
}
BENCHMARK(BM_TrimControls);

}  // namespace
