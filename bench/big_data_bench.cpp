// Big data on the agent's UI thread, through the agent's own form as a user
// meets it: 10,000 favourites in 100 submenus (990 of them existing folders,
// the others in trees that were removed) - the first folder menu after another
// program changed the store, the next one, the options dialog opened and
// closed with OK (unchanged, and after one Up move, which rewrites the store),
// a configuration set saved and opened again; 1,000 folders handed over in a
// row; and a log flood of 10,000 entries a second for 10 s (memory and files).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "agent/vorl_folder.h"
#include "agent_fake_hook.h"
#include "infra/logger.h"
#include "infra/logger_files.h"
#include "menu/folder_menu.h"
#include "platform/app.h"
#include "platform/atoms.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "sim/sim_app.h"
#include "sim/sim_files.h"
#include "sim/sim_forms.h"
#include "sim/sim_menu.h"
#include "sim/sim_process.h"
#include "sim/sim_registry.h"
#include "sim/sim_window.h"
#include "sim/sim_world.h"
#include "store/config_files.h"
#include "store/favourites.h"
#include "targets/target_state.h"

namespace {

const std::wstring kLogFolder = L"C:\\Users\\Ann\\Documents\\Vorlune files\\Log\\";
const std::wstring kConfigFolder = L"C:\\Users\\Ann\\Documents\\Vorlune files\\";
constexpr plat::RegKey HKCU = plat::HKEY_CURRENT_USER;

// A fresh world with drive C: and the agent's main form, not on a first run.
struct Agent {
  std::unique_ptr<agent::TVorlFolder> form;
  Agent() {
    infra::ResetLogger();
    sim::ResetWorld();
    sim::MapTempDrive(L'C');
    plat::CreateDirectories(kLogFolder);
    plat::CreateDirectories(L"C:\\Program Files\\Vorlune Folder");
    infra::SetLogFolder(kLogFolder);
    sim::SetProgramPath(L"C:\\Program Files\\Vorlune Folder\\qorbin.exe");
    fake_hook::Install();
    sim::RegCreateKey(HKCU, store::kSettingsKey);
    targets::CurrentTargetWindow = 0;
    targets::CurrentTargetKind = targets::None;
    targets::AgentUiThreadId = 0;
  }
  void Start() {
    form = std::make_unique<agent::TVorlFolder>(L"", plat::RegisterWindowMessageW(L"WM_QXADDFOLDER by Vorlune Folder"));
    form->FormCreate();
  }
  ~Agent() {
    form.reset();
    infra::ResetLogger();
    sim::ResetWorld();
  }
};

// 100 submenus of 99 folders each; in each of the first 99 submenus the first
// ten folders exist (990), the others lie under a removed tree.
void WriteBigStore() {
  for (int g = 0; g < 100; ++g) {
    const std::wstring gs = std::to_wstring(g);
    sim::RegSetString(HKCU, store::kPathKey, L"Submenu" + gs, L"Group " + gs + L"$5");
    for (int f = 0; f < 99; ++f) {
      const bool exists = g < 99 && f < 10;
      const std::wstring path =
          std::wstring(exists ? L"C:\\Work\\" : L"C:\\Removed\\") + L"Group " + gs + L"\\Folder " + std::to_wstring(f);
      if (exists) plat::CreateDirectories(path);
      sim::RegSetString(HKCU, store::kPathKey, path + L"$2", L"Folder " + gs + L"-" + std::to_wstring(f) + L"$0");
    }
  }
  for (int i = 0; i < 40; ++i)
    sim::RegSetString(HKCU, store::kFilterKey, L"*.x" + std::to_wstring(i), L"Filter " + std::to_wstring(i));
}

plat::Window DesktopWindow() {
  sim::WindowSpec spec;
  spec.class_name = L"Progman";
  spec.rect = {0, 0, 800, 600};
  return sim::CreateWindow(spec);
}

// The folder menu over the Desktop; argument 1: another program changed the
// store first (the "Update" marker), so the menu loads it again.
void BM_BigStoreFolderMenu(benchmark::State& state) {
  Agent a;
  WriteBigStore();
  a.Start();
  const plat::Window desk = DesktopWindow();
  std::size_t items = 0;
  for (auto _ : state) {
    if (state.range(0)) sim::RegSetString(HKCU, store::kSettingsKey, L"Update", L"1");
    menu::ShowPath(*a.form, desk, targets::Desktop);
    items = a.form->PopupMenu2.size();
  }
  state.counters["favourites"] = static_cast<double>(store::FavouriteNames.size());
  state.counters["top_items"] = static_cast<double>(items);
}
// Fixed iterations: the sim keeps a copy of every menu shown.
BENCHMARK(BM_BigStoreFolderMenu)->ArgName("after_change")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(5);

// The options dialog opened and closed with OK; argument 1: the user moved the
// last row up first, so OK rewrites the whole store (with its kept copy).
void BM_BigStoreOptionsOpenOk(benchmark::State& state) {
  Agent a;
  WriteBigStore();
  a.Start();
  const bool move = state.range(0) != 0;
  sim::ScriptModal(L"TSett", [move](plat::Form f) {
    if (move) {
      sim::ClickRow(f, L"ListView1", plat::ListCount(f, L"ListView1") - 1);
      sim::Click(f, L"Button4");
    }
    sim::Click(f, L"Button11");
  });
  for (auto _ : state) a.form->Settings1Click();
  state.counters["favourites"] = static_cast<double>(store::FavouriteNames.size());
}
BENCHMARK(BM_BigStoreOptionsOpenOk)->ArgName("moved")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

// A configuration set of the big store written and read back, then put in
// place of the store as opening it does.
void BM_BigStoreConfigurationSaveOpen(benchmark::State& state) {
  Agent a;
  WriteBigStore();
  a.Start();
  plat::CreateDirectories(L"C:\\Sets");
  const store::TStoreContent content = store::ReadStoreFromRegistry();
  store::TStoreContent back;
  for (auto _ : state) {
    store::WriteConfigurationFiles(L"C:\\Sets\\Big.qxs", content);
    back = {};
    store::ReadConfigurationFiles(L"C:\\Sets\\Big.qxs", back);
    store::ReplaceStore(back, true, true, kConfigFolder);
    store::LoadFavourites();
  }
  state.counters["favourites"] = static_cast<double>(back.favourite_names.size());
  store::ResetRememberedEncodings();
}
BENCHMARK(BM_BigStoreConfigurationSaveOpen)->Unit(benchmark::kMillisecond)->Iterations(3);

// 1,000 folders handed over in a row by second instances (atoms in
// "WM_QXADDFOLDER by Vorlune Folder"), then the agent's loop runs them.
void BM_HandOvers1000(benchmark::State& state) {
  std::size_t stored = 0;
  for (auto _ : state) {
    state.PauseTiming();
    Agent a;
    for (int i = 0; i < 1000; ++i) plat::CreateDirectories(L"C:\\In\\Folder " + std::to_wstring(i));
    a.Start();
    const std::uint32_t msg = a.form->WM_QXADDFOLDER;
    const plat::ThreadId ui = plat::GetWindowThreadProcessId(a.form->Handle, nullptr);
    for (int i = 0; i < 1000; ++i)
      plat::PostThreadMessageW(ui, msg, plat::GlobalAddAtomW(L"C:\\In\\Folder " + std::to_wstring(i)), 0);
    state.ResumeTiming();
    sim::SetLoopDeadline(60000);
    plat::Msg m;
    while (!a.form->Terminated() && plat::GetMessageW(m)) {
      try {
        a.form->ProcessMessage(m);
      } catch (...) {}
    }
    stored = store::FavouriteNames.size();
  }
  state.counters["stored"] = static_cast<double>(stored);
}
BENCHMARK(BM_HandOvers1000)->Unit(benchmark::kMillisecond)->Iterations(1);

long ResidentKiB() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * 4;
}

// 10,000 distinct entries a second for 10 s of real time (the writer thread
// runs on real time): the memory the process grew by, the log files left on
// disk and their size.
void BM_LogFlood(benchmark::State& state) {
  long grown = 0, peak_grown = 0;
  double files = 0, bytes = 0;
  for (auto _ : state) {
    Agent a;
    const long before = ResidentKiB();
    const auto start = std::chrono::steady_clock::now();
    long n = 0;
    for (int tick = 0; tick < 1000; ++tick) {
      for (int i = 0; i < 100; ++i, ++n)
        infra::LogMessage(L"Flood entry " + std::to_wstring(n), L"Dir=C:\\Users\\Ann\\Documents\\Projects\\Alpha");
      std::this_thread::sleep_until(start + std::chrono::milliseconds(10 * (tick + 1)));
      if (tick % 100 == 99) peak_grown = std::max(peak_grown, ResidentKiB() - before);
    }
    infra::SaveAllLogs(false);
    grown = ResidentKiB() - before;
    files = 0;
    bytes = 0;
    for (const auto& f : plat::FindFiles(kLogFolder + L"*.log")) {
      files += 1;
      bytes += static_cast<double>(f.size);
    }
  }
  state.counters["entries"] = 100000;
  state.counters["rss_grown_KiB"] = static_cast<double>(grown);
  state.counters["rss_peak_grown_KiB"] = static_cast<double>(peak_grown);
  state.counters["log_files"] = files;
  state.counters["log_bytes"] = bytes;
}
BENCHMARK(BM_LogFlood)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

}  // namespace
