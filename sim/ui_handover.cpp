// The sim's hand-over to the UI thread: a queue drained on the UI thread.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "sim/sim_clock.h"
#include "sim/sim_ui_handover.h"
#include "sim/sim_world.h"
#include "platform/ui_handover.h"

namespace sim {
namespace {

struct Job {
  const std::function<void()>* work = nullptr;
  bool done = false;
  bool ran = false;
};

struct HandOverState {
  std::mutex lock;
  std::condition_variable changed;
  std::deque<Job*> queue;
  bool active = false;
  std::thread::id ui_thread;
  int listener = 0;
};
HandOverState& S() {
  static HandOverState s;
  return s;
}

// Lets every waiting sender go without running its work.
void ReleaseAll(std::unique_lock<std::mutex>&) {
  for (Job* j : S().queue) j->done = true;
  S().queue.clear();
  S().changed.notify_all();
}

const bool kReset = RegisterReset([] {
  std::unique_lock<std::mutex> g(S().lock);
  S().active = false;
  S().listener = 0;  // the clock's own reset drops its listeners
  ReleaseAll(g);
});

bool OnUiThread() {
  std::lock_guard<std::mutex> g(S().lock);
  return S().active && S().ui_thread == std::this_thread::get_id();
}

}  // namespace

int RunUiHandOvers() {
  if (!OnUiThread()) return 0;
  int n = 0;
  for (;;) {
    Job* job;
    {
      std::lock_guard<std::mutex> g(S().lock);
      if (S().queue.empty()) break;
      job = S().queue.front();
      S().queue.pop_front();
    }
    (*job->work)();
    ++n;
    std::lock_guard<std::mutex> g(S().lock);
    job->ran = true;
    job->done = true;
    S().changed.notify_all();
  }
  return n;
}

}  // namespace sim

namespace plat {

void StartUiHandOver() {
  int old_listener;
  {
    std::lock_guard<std::mutex> g(sim::S().lock);
    sim::S().active = true;
    sim::S().ui_thread = std::this_thread::get_id();
    old_listener = sim::S().listener;
  }
  if (old_listener) sim::RemoveClockListener(old_listener);
  const int id = sim::AddClockListener([](std::uint64_t) { sim::RunUiHandOvers(); });
  std::lock_guard<std::mutex> g(sim::S().lock);
  sim::S().listener = id;
}

void StopUiHandOver() {
  int listener;
  {
    std::unique_lock<std::mutex> g(sim::S().lock);
    sim::S().active = false;
    listener = sim::S().listener;
    sim::S().listener = 0;
    sim::ReleaseAll(g);
  }
  if (listener) sim::RemoveClockListener(listener);
}

bool RunOnUiThread(const std::function<void()>& work) {
  if (sim::OnUiThread()) {
    work();
    return true;
  }
  sim::Job job;
  job.work = &work;
  std::unique_lock<std::mutex> g(sim::S().lock);
  if (!sim::S().active) return false;
  sim::S().queue.push_back(&job);
  sim::S().changed.notify_all();
  sim::S().changed.wait(g, [&] { return job.done; });
  return job.ran;
}

}  // namespace plat
