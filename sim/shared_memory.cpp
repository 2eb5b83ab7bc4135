// The sim's named shared memory: named byte blocks with reference counts.
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "platform/shared_memory.h"
#include "sim/sim_shared_memory.h"
#include "sim/sim_world.h"

namespace sim {
namespace {
struct Mapping {
  std::unique_ptr<std::uint8_t[]> bytes;
  std::uint32_t size = 0;
  int refs = 0;
  bool held = false;
  int release_after = -1;
};
struct MemState {
  std::recursive_mutex lock;
  std::map<std::wstring, Mapping> by_name;
  std::map<plat::Handle, std::wstring> handles;
  std::multimap<const void*, std::wstring> views;
  std::set<std::wstring> view_fails;
  std::map<std::wstring, int> create_calls;
  plat::Handle next = 0x400;
};
MemState& S() {
  static MemState s;
  return s;
}
const bool kReset = RegisterReset([] {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().by_name.clear();
  S().handles.clear();
  S().views.clear();
  S().view_fails.clear();
  S().create_calls.clear();
  S().next = 0x400;
});
void Drop(const std::wstring& name) {
  auto it = S().by_name.find(name);
  if (it == S().by_name.end()) return;
  if (--it->second.refs <= 0 && !it->second.held) S().by_name.erase(it);
}
}  // namespace

bool MappingExists(const std::wstring& name) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return S().by_name.count(name) != 0;
}

void* MappingData(const std::wstring& name) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  auto it = S().by_name.find(name);
  return it == S().by_name.end() ? nullptr : it->second.bytes.get();
}

void HoldMapping(const std::wstring& name, std::uint32_t size) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  auto& m = S().by_name[name];
  if (!m.bytes) {
    m.bytes = std::make_unique<std::uint8_t[]>(size);
    m.size = size;
  }
  m.held = true;
}

void ReleaseHeldMappingAfterChecks(const std::wstring& name, int checks) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  auto it = S().by_name.find(name);
  if (it != S().by_name.end()) it->second.release_after = checks;
}

void SetMapViewFails(const std::wstring& name, bool fails) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  if (fails)
    S().view_fails.insert(name);
  else
    S().view_fails.erase(name);
}

int MappingCreateCalls(const std::wstring& name) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return S().create_calls[name];
}

}  // namespace sim

namespace plat {

Handle CreateFileMappingW(std::uint32_t protect, std::uint32_t size, const std::wstring& name, bool* already_exists) {
  using sim::S;
  std::lock_guard<std::recursive_mutex> g(S().lock);
  if (already_exists) *already_exists = false;
  if (size == 0) return 0;
  ++S().create_calls[name];
  auto it = S().by_name.find(name);
  if (it != S().by_name.end() && it->second.held && it->second.release_after >= 0) {
    if (it->second.release_after-- == 0) {
      it->second.held = false;
      if (it->second.refs <= 0) {
        S().by_name.erase(it);
        it = S().by_name.end();
      }
    }
  }
  bool existed = it != S().by_name.end();
  auto& m = S().by_name[name];
  if (!existed) {
    m.bytes = std::make_unique<std::uint8_t[]>(size);
    m.size = size;
  }
  ++m.refs;
  Handle h = S().next++;
  S().handles[h] = name;
  if (already_exists) *already_exists = existed;
  return h;
}

void* MapViewOfFile(Handle mapping, std::uint32_t access, std::uint32_t size) {
  using sim::S;
  std::lock_guard<std::recursive_mutex> g(S().lock);
  auto h = S().handles.find(mapping);
  if (h == S().handles.end() || S().view_fails.count(h->second)) return nullptr;
  auto& m = S().by_name[h->second];
  if (size > m.size) return nullptr;
  ++m.refs;
  S().views.emplace(m.bytes.get(), h->second);
  return m.bytes.get();
}

bool UnmapViewOfFile(const void* view) {
  using sim::S;
  std::lock_guard<std::recursive_mutex> g(S().lock);
  auto v = S().views.find(view);
  if (v == S().views.end()) return false;
  std::wstring name = v->second;
  S().views.erase(v);
  sim::Drop(name);
  return true;
}

bool CloseMappingHandle(Handle mapping) {
  using sim::S;
  std::lock_guard<std::recursive_mutex> g(S().lock);
  auto h = S().handles.find(mapping);
  if (h == S().handles.end()) return false;
  std::wstring name = h->second;
  S().handles.erase(h);
  sim::Drop(name);
  return true;
}

}  // namespace plat
