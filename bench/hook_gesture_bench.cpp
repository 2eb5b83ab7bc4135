// The hook library's per-gesture work on the host build: classifying the
// window under the pointer (against the sim window tree), deciding the record
// and writing it into the shared block. The callback must stay far below the
// system's time-out for low-level hooks; every input that is no gesture costs
// only the switch in the callback.
#include <benchmark/benchmark.h>

#include <cstring>

#include "agent/hook_gesture.h"
#include "sim/sim_window.h"
#include "sim/sim_world.h"

namespace {

constexpr std::uint32_t kFrame = plat::WS_OVERLAPPEDWINDOW | plat::WS_VISIBLE | plat::WS_CLIPSIBLINGS;

struct Screen {
  plat::Window dialog = 0;
  Screen() {
    sim::ResetWorld();
    sim::WindowSpec desk;
    desk.class_name = L"Progman";
    desk.style = plat::WS_POPUP | plat::WS_VISIBLE;
    desk.rect = {0, 0, 1280, 1024};
    plat::Window d = sim::CreateWindow(desk);
    sim::AddChild(sim::AddChild(d, L"SHELLDLL_DefView", L"", desk.rect), L"SysListView32", L"", desk.rect);
    // A few ordinary programs, then an Explorer window and an Open dialog on top.
    for (int i = 0; i < 10; ++i) {
      sim::WindowSpec s;
      s.class_name = L"Notepad";
      s.style = kFrame;
      s.rect = {i * 20, i * 20, 600 + i * 20, 400 + i * 20};
      sim::AddChild(sim::CreateWindow(s), L"Edit", L"", s.rect);
    }
    sim::WindowSpec e;
    e.class_name = L"CabinetWClass";
    e.style = kFrame;
    e.ex_style = plat::WS_EX_WINDOWEDGE;
    e.rect = {600, 0, 1000, 400};
    plat::Window ex = sim::CreateWindow(e);
    sim::AddChild(sim::AddChild(ex, L"ShellTabWindowClass", L"", e.rect), L"DirectUIHWND", L"", e.rect);
    sim::FileDialogSpec fs;
    fs.rect = {100, 500, 700, 900};
    dialog = sim::CreateFileDialog(fs).dialog;
  }
};

void Gesture(benchmark::State& state, plat::Point p, agent::HookGesture g) {
  Screen screen;
  agent::HookSettings settings;
  settings.MouseWheel = 1;
  agent::HookSharedBlock block;
  std::memset(&block, 0, sizeof block);
  for (auto _ : state) {
    const agent::GestureTarget t = agent::ClassifyGesturePoint(p, g, agent::CaptionMetrics{});
    const agent::HookDecision d = agent::DecideGesture(g, settings, t);
    if (d.Reports()) {
      agent::PostHookRecord(block, {0, 0xC100, d.wparam, d.lparam, 0, p.x, p.y});
      block.slots[0].message = 0;  // the agent takes it at once
    }
    benchmark::DoNotOptimize(d);
  }
}

void BM_HookMiddleClickInFileDialog(benchmark::State& s) { Gesture(s, {400, 700}, agent::HookGesture::MiddleDown); }
void BM_HookMiddleClickInExplorer(benchmark::State& s) { Gesture(s, {800, 200}, agent::HookGesture::MiddleDown); }
void BM_HookMiddleClickInOrdinaryProgram(benchmark::State& s) {
  Gesture(s, {100, 100}, agent::HookGesture::MiddleDown);
}
void BM_HookWheelInFileDialog(benchmark::State& s) { Gesture(s, {400, 700}, agent::HookGesture::WheelForward); }
void BM_HookDecisionOnly(benchmark::State& state) {
  agent::HookSettings settings;
  agent::GestureTarget t{0x10, targets::FileDialog, 0x20};
  for (auto _ : state) benchmark::DoNotOptimize(agent::DecideGesture(agent::HookGesture::MiddleDown, settings, t));
}
void BM_HookSlotWriteWithBusySlots(benchmark::State& state) {
  agent::HookSharedBlock block;
  std::memset(&block, 0, sizeof block);
  for (int i = 0; i < agent::kHookSlotCount - 1; ++i) block.slots[i].message = 0xC100;  // waiting
  for (auto _ : state) {
    agent::PostHookRecord(block, {0, 0xC101, 1, 4, 0, 0, 0});
    block.slots[agent::kHookSlotCount - 1].message = 0;
  }
}

BENCHMARK(BM_HookMiddleClickInFileDialog);
BENCHMARK(BM_HookMiddleClickInExplorer);
BENCHMARK(BM_HookMiddleClickInOrdinaryProgram);
BENCHMARK(BM_HookWheelInFileDialog);
BENCHMARK(BM_HookDecisionOnly);
BENCHMARK(BM_HookSlotWriteWithBusySlots);

}  // namespace
