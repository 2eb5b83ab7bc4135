#include <cwctype>
#include <mutex>
#include <set>

#include "platform/dir_exists.h"
#include "platform/sim/sim_dir_exists.h"
#include "platform/sim/sim_world.h"

namespace sim {
namespace {
std::mutex lock;
std::set<std::wstring> dirs;
std::wstring current = L"C:\\";
const bool kReset = RegisterReset([] {
  std::lock_guard<std::mutex> g(lock);
  dirs.clear();
  current = L"C:\\";
});

bool IsAbsolute(const std::wstring& p) {
  return (p.size() >= 3 && p[1] == L':' && p[2] == L'\\') || (p.size() >= 2 && p[0] == L'\\' && p[1] == L'\\');
}

// Upper case, no trailing backslash except after a drive ("C:\").
std::wstring Key(std::wstring p) {
  for (auto& c : p) c = static_cast<wchar_t>(std::towupper(c));
  while (p.size() > 3 && p.back() == L'\\') p.pop_back();
  if (p.size() == 2 && p[1] == L':') p += L'\\';
  return p;
}
}  // namespace

void AddDirectory(const std::wstring& path) {
  std::lock_guard<std::mutex> g(lock);
  std::wstring k = Key(path);
  while (!k.empty()) {
    dirs.insert(k);
    size_t slash = k.find_last_of(L'\\');
    if (slash == std::wstring::npos || k.size() <= 3) break;
    k = Key(k.substr(0, slash == 2 ? 3 : slash));
  }
}

void RemoveDirectory(const std::wstring& path) {
  std::lock_guard<std::mutex> g(lock);
  dirs.erase(Key(path));
}

void SetCurrentDirectory(const std::wstring& path) {
  std::lock_guard<std::mutex> g(lock);
  current = path;
}
}  // namespace sim

namespace plat {
bool DirectoryExists(const std::wstring& path) {
  if (path.empty()) return false;
  std::lock_guard<std::mutex> g(sim::lock);
  std::wstring full = path;
  if (!sim::IsAbsolute(path)) {
    full = sim::current;
    if (!full.empty() && full.back() != L'\\') full += L'\\';
    full += path;
  }
  return sim::dirs.count(sim::Key(full)) > 0;
}
}  // namespace plat
