#include <mutex>

#include "platform/files.h"
#include "platform/run_process.h"
#include "sim/sim_run_process.h"
#include "sim/sim_world.h"

namespace sim {
namespace {
struct State {
  std::mutex lock;
  ProcessRunner runner;
  std::vector<std::wstring> run;
  bool privilege = true;
  std::vector<std::wstring> hives;
};
State& S() {
  static State s;
  return s;
}
const bool kReset = RegisterReset([] {
  std::lock_guard<std::mutex> g(S().lock);
  S().runner = nullptr;
  S().run.clear();
  S().privilege = true;
  S().hives.clear();
});
}  // namespace

void SetProcessRunner(ProcessRunner runner) {
  std::lock_guard<std::mutex> g(S().lock);
  S().runner = std::move(runner);
}
std::vector<std::wstring> ProcessesRun() {
  std::lock_guard<std::mutex> g(S().lock);
  return S().run;
}
void SetBackupPrivilegeAvailable(bool available) {
  std::lock_guard<std::mutex> g(S().lock);
  S().privilege = available;
}
std::vector<std::wstring> HivesSaved() {
  std::lock_guard<std::mutex> g(S().lock);
  return S().hives;
}

}  // namespace sim

namespace plat {

bool RunProcess(const std::wstring& command_line, std::uint32_t wait_ms, bool& finished) {
  sim::ProcessRunner runner;
  {
    std::lock_guard<std::mutex> g(sim::S().lock);
    sim::S().run.push_back(command_line);
    runner = sim::S().runner;
  }
  finished = true;
  if (!runner) return true;
  bool started = runner(command_line, finished);
  if (!started) SetLastError(ERROR_FILE_NOT_FOUND);
  return started;
}

std::wstring WindowsFolder() { return L"C:\\Windows"; }
std::wstring SystemFolder() { return L"C:\\Windows\\system32"; }

bool SetBackupPrivilege(bool enable) {
  std::lock_guard<std::mutex> g(sim::S().lock);
  return sim::S().privilege;
}

bool SaveRegistryKey(RegKey root, const std::wstring& key, const std::wstring& file, bool use_64bit_view) {
  {
    std::lock_guard<std::mutex> g(sim::S().lock);
    sim::S().hives.push_back((root == HKEY_LOCAL_MACHINE ? L"HKEY_LOCAL_MACHINE\\" : L"HKEY_CURRENT_USER\\") + key);
  }
  return WriteWholeFile(file, std::string("regf", 4));
}

}  // namespace plat
