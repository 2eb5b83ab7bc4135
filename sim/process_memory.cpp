#include <algorithm>
#include <map>
#include <mutex>

#include "platform/process_memory.h"
#include "sim/sim_process_memory.h"
#include "sim/sim_world.h"

namespace sim {
namespace {

struct Process {
  bool wow64 = false;
  bool refused = false;
  std::map<plat::RemoteAddress, std::vector<std::uint8_t>> blocks;
  int made = 0;
  plat::RemoteAddress next = 0;
};

struct MemoryState {
  std::recursive_mutex lock;
  std::map<std::uint32_t, Process> processes;
  std::map<plat::ProcessHandle, std::uint32_t> handles;
  plat::ProcessHandle next_handle = 0x7700;
};

MemoryState& S() {
  static MemoryState s;
  return s;
}

const bool kReset = RegisterReset([] {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().processes.clear();
  S().handles.clear();
  S().next_handle = 0x7700;
});

// The block holding [address, address + size), or null.
std::vector<std::uint8_t>* Block(Process& p, plat::RemoteAddress address, std::size_t size, plat::RemoteAddress* base) {
  auto it = p.blocks.upper_bound(address);
  if (it == p.blocks.begin()) return nullptr;
  --it;
  if (address + size > it->first + it->second.size()) return nullptr;
  *base = it->first;
  return &it->second;
}

Process* ByHandle(plat::ProcessHandle h) {
  auto it = S().handles.find(h);
  if (it == S().handles.end()) {
    plat::SetLastError(plat::ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return &S().processes[it->second];
}

}  // namespace

void SetProcessWow64(std::uint32_t process_id, bool wow64) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().processes[process_id].wow64 = wow64;
}

bool ProcessWow64(std::uint32_t process_id) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return S().processes[process_id].wow64;
}

void SetProcessOpenRefused(std::uint32_t process_id, bool refused) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().processes[process_id].refused = refused;
}

bool ReadBytes(std::uint32_t process_id, plat::RemoteAddress address, std::size_t size,
               std::vector<std::uint8_t>* out) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  plat::RemoteAddress base = 0;
  auto* block = Block(S().processes[process_id], address, size, &base);
  if (!block) return false;
  out->assign(block->begin() + static_cast<std::ptrdiff_t>(address - base),
              block->begin() + static_cast<std::ptrdiff_t>(address - base + size));
  return true;
}

bool WriteBytes(std::uint32_t process_id, plat::RemoteAddress address, const std::vector<std::uint8_t>& bytes) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  plat::RemoteAddress base = 0;
  auto* block = Block(S().processes[process_id], address, bytes.size(), &base);
  if (!block) return false;
  std::copy(bytes.begin(), bytes.end(), block->begin() + static_cast<std::ptrdiff_t>(address - base));
  return true;
}

int LiveAllocations(std::uint32_t process_id) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return static_cast<int>(S().processes[process_id].blocks.size());
}

int AllocationsMade(std::uint32_t process_id) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return S().processes[process_id].made;
}

int OpenProcessHandles() {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return static_cast<int>(S().handles.size());
}

}  // namespace sim

namespace plat {

ProcessHandle OpenProcess(std::uint32_t access, bool inherit, std::uint32_t process_id) {
  std::lock_guard<std::recursive_mutex> g(sim::S().lock);
  if (process_id == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (sim::S().processes[process_id].refused) {
    SetLastError(ERROR_ACCESS_DENIED);
    return 0;
  }
  const ProcessHandle h = sim::S().next_handle++;
  sim::S().handles[h] = process_id;
  return h;
}

void CloseProcess(ProcessHandle process) {
  std::lock_guard<std::recursive_mutex> g(sim::S().lock);
  sim::S().handles.erase(process);
}

bool IsWow64Process(ProcessHandle process, bool* wow64) {
  std::lock_guard<std::recursive_mutex> g(sim::S().lock);
  sim::Process* p = sim::ByHandle(process);
  if (!p) return false;
  if (wow64) *wow64 = p->wow64;
  return true;
}

RemoteAddress VirtualAllocEx(ProcessHandle process, RemoteAddress address, std::size_t size, std::uint32_t type,
                             std::uint32_t protect) {
  std::lock_guard<std::recursive_mutex> g(sim::S().lock);
  sim::Process* p = sim::ByHandle(process);
  if (!p) return 0;
  if (address != 0 || size == 0 || !(type & MEM_COMMIT)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (p->next == 0) p->next = p->wow64 ? 0x00410000 : 0x000001F000000000;
  const RemoteAddress at = p->next;
  const std::size_t pages = (size + 0xFFFF) / 0x10000;  // the allocation granularity
  p->next += pages * 0x10000;
  p->blocks[at].assign(size, 0);
  p->made++;
  return at;
}

bool VirtualFreeEx(ProcessHandle process, RemoteAddress address, std::size_t size, std::uint32_t type) {
  std::lock_guard<std::recursive_mutex> g(sim::S().lock);
  sim::Process* p = sim::ByHandle(process);
  if (!p) return false;
  auto it = p->blocks.find(address);
  if (it == p->blocks.end() || type != MEM_RELEASE || size != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  p->blocks.erase(it);
  return true;
}

bool WriteProcessMemory(ProcessHandle process, RemoteAddress address, const void* data, std::size_t size,
                        std::size_t* done) {
  std::lock_guard<std::recursive_mutex> g(sim::S().lock);
  if (done) *done = 0;
  sim::Process* p = sim::ByHandle(process);
  if (!p) return false;
  RemoteAddress base = 0;
  auto* block = sim::Block(*p, address, size, &base);
  if (!block) {
    SetLastError(ERROR_PARTIAL_COPY);
    return false;
  }
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  std::copy(bytes, bytes + size, block->begin() + static_cast<std::ptrdiff_t>(address - base));
  if (done) *done = size;
  return true;
}

bool ReadProcessMemory(ProcessHandle process, RemoteAddress address, void* data, std::size_t size, std::size_t* done) {
  std::lock_guard<std::recursive_mutex> g(sim::S().lock);
  if (done) *done = 0;
  sim::Process* p = sim::ByHandle(process);
  if (!p) return false;
  RemoteAddress base = 0;
  auto* block = sim::Block(*p, address, size, &base);
  if (!block) {
    SetLastError(ERROR_PARTIAL_COPY);
    return false;
  }
  std::copy(block->begin() + static_cast<std::ptrdiff_t>(address - base),
            block->begin() + static_cast<std::ptrdiff_t>(address - base + size), static_cast<std::uint8_t*>(data));
  if (done) *done = size;
  return true;
}

}  // namespace plat
