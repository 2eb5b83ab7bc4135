#include <map>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "platform/process.h"
#include "sim/sim_process.h"
#include "sim/sim_world.h"

namespace sim {
namespace {
struct ProcessState {
  std::mutex lock;
  std::vector<std::wstring> args;
  std::wstring program = L"C:\\Program Files\\Vorlune Folder\\qorbin.exe";
  std::map<std::wstring, std::wstring> environment;
};
ProcessState& S() {
  static ProcessState s;
  return s;
}
const bool kReset = RegisterReset([] {
  std::lock_guard<std::mutex> g(S().lock);
  S().args.clear();
  S().environment.clear();
  S().program = L"C:\\Program Files\\Vorlune Folder\\qorbin.exe";
});
}  // namespace

void SetCommandLine(std::vector<std::wstring> args) {
  std::lock_guard<std::mutex> g(S().lock);
  S().args = std::move(args);
}

void SetProgramPath(std::wstring path) {
  std::lock_guard<std::mutex> g(S().lock);
  S().program = std::move(path);
}

void SetEnvironmentVariable(const std::wstring& name, const wchar_t* value) {
  std::lock_guard<std::mutex> g(S().lock);
  if (value)
    S().environment[name] = value;
  else
    S().environment.erase(name);
}

}  // namespace sim

namespace plat {

std::vector<std::wstring> CommandLineArgs() {
  std::lock_guard<std::mutex> g(sim::S().lock);
  return sim::S().args;
}

std::wstring ProgramPath() {
  std::lock_guard<std::mutex> g(sim::S().lock);
  return sim::S().program;
}

bool GetEnvironmentVariableW(const std::wstring& name, std::wstring& value) {
  std::lock_guard<std::mutex> g(sim::S().lock);
  auto it = sim::S().environment.find(name);
  if (it == sim::S().environment.end()) return false;
  value = it->second;
  return true;
}

ThreadId CurrentThreadId() {
  // Stable small numbers per host thread.
  static std::mutex m;
  static std::unordered_map<std::thread::id, ThreadId> ids;
  std::lock_guard<std::mutex> g(m);
  auto [it, added] = ids.try_emplace(std::this_thread::get_id(), static_cast<ThreadId>(ids.size() + 100));
  return it->second;
}

std::uint32_t CurrentProcessId() { return CurrentThreadId() + 1000000; }

}  // namespace plat
