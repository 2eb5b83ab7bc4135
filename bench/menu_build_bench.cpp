// The folder menu's builders on the agent's UI thread: the favourites block
// and Filter submenu for 1,000 favourites and 100 filters, with the existence
// test of every folder made on a real local disk (the sim maps drive C: to a
// host folder), the recent submenus, and ShortenPathCaption per call.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "agent/program_settings.h"
#include "menu/folder_menu.h"
#include "menu/shorten_caption.h"
#include "platform/files.h"
#include "sim/sim_files.h"
#include "sim/sim_world.h"
#include "store/recent_lists.h"

namespace {

struct Store {
  std::vector<std::wstring> names, values, masks, filter_names;
};

// 1,000 entries: 50 submenus of 9 children each (one in nine missing), and
// 500 top-level folders (one in ten missing); 100 filters. Missing folders lie
// in a tree that was removed as a whole (the sim matches names without regard
// to case by listing the parent folder, which a missing parent keeps short,
// as the file system's own lookup is).
Store MakeStore(wchar_t drive) {
  sim::ResetWorld();
  sim::MapTempDrive(L'C');
  sim::MapTempDrive(L'N', 4 /* DRIVE_REMOTE */);
  Store s;
  int n = 0;
  for (int h = 0; h < 50; ++h) {
    s.names.push_back(L"Submenu" + std::to_wstring(h));
    s.values.push_back(L"Group " + std::to_wstring(h) + L"$5");
    ++n;
    for (int c = 0; c < 9; ++c, ++n) {
      const std::wstring path = std::wstring(1, drive) + (c == 4 ? L":\\Removed" : L":\\Favourites") + L"\\Group" +
                                std::to_wstring(h) + L"\\Child" + std::to_wstring(c);
      if (c != 4) plat::CreateDirectories(path);
      s.names.push_back(path + L"$2");
      s.values.push_back(L"Child " + std::to_wstring(c) + L"$0");
    }
  }
  for (; n < 1000; ++n) {
    const bool missing = n % 10 == 3;
    const std::wstring path = std::wstring(1, drive) + (missing ? L":\\Removed" : L":\\Favourites") +
                              L"\\Top\\Folder number " + std::to_wstring(n);
    if (!missing) plat::CreateDirectories(path);
    s.names.push_back(path);
    s.values.push_back(L"Folder " + std::to_wstring(n) + L"$" + std::to_wstring(n % 13));
  }
  for (int f = 0; f < 100; ++f) {
    s.masks.push_back(L"*.ext" + std::to_wstring(f) + L";*.alt" + std::to_wstring(f));
    s.filter_names.push_back(L"Filter " + std::to_wstring(f));
  }
  return s;
}

// Argument 0: the folders on local drive C:, each tested for existence;
// 1: the same folders on network drive N:, never tested (the builder's own cost).
void BM_BuildFavouritesMenu(benchmark::State& state) {
  const Store s = MakeStore(state.range(0) ? L'N' : L'C');
  plat::Menu m = menu::CreateFolderMenu({});
  for (auto _ : state) {
    menu::BuildFavouritesBlock(m, s.names, s.values, s.masks, s.filter_names);
    benchmark::DoNotOptimize(m.data());
  }
  state.counters["favourites"] = static_cast<double>(s.names.size());
  state.counters["items_top"] = static_cast<double>(m.size());
  sim::ResetWorld();
}
BENCHMARK(BM_BuildFavouritesMenu)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_BuildRecentMenus(benchmark::State& state) {
  sim::ResetWorld();
  sim::MapTempDrive(L'C');
  store::TRecentList files, folders;
  for (int i = 0; i < 200; ++i) {
    const std::wstring folder = L"C:\\Recent\\Folder " + std::to_wstring(i % 40);
    plat::CreateDirectories(folder);
    const std::wstring file = folder + L"\\Document number " + std::to_wstring(i) + L".txt";
    plat::WriteWholeFile(file, "x");
    files.Add(std::to_wstring(1000 + i) + L"@" + file, store::TStr{file, i % 7});
    if (i < 40) folders.Add(std::to_wstring(1000 + i) + L"@" + file, store::TStr{folder, 0});
  }
  agent::TProgramSettings settings;  // 20 entries each
  plat::Menu m = menu::CreateFolderMenu({});
  for (auto _ : state) {
    menu::BuildRecentBlock(m, true, true, settings, files, folders, {});
    benchmark::DoNotOptimize(m.data());
  }
  sim::ResetWorld();
}
BENCHMARK(BM_BuildRecentMenus)->Unit(benchmark::kMicrosecond);

void BM_ShortenPathCaption(benchmark::State& state) {
  const std::vector<std::wstring> paths = {
      L"C:\\Users\\Public\\Documents\\Projects\\2013\\Quarterly reports\\summary.txt",
      L"D:\\Archive\\Photos\\2012\\Summer holiday at the lake with the whole family\\IMG_0001.jpg",
      L"C:\\Docs\\A very long file name that goes on and on and on and on.docx",
      L"C:\\Short\\path.txt",
  };
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(menu::ShortenPathCaption(paths[i++ % paths.size()]));
  }
}
BENCHMARK(BM_ShortenPathCaption);

}  // namespace
