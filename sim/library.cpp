// The sim's libraries.
#include <cwctype>
#include <mutex>

#include "platform/library.h"
#include "sim/sim_library.h"
#include "sim/sim_world.h"

namespace sim {
namespace {
struct Library {
  std::map<std::string, void*> exports;
  int loads = 0;
};
struct LibState {
  std::mutex lock;
  std::map<std::wstring, Library> libs;  // upper-cased name
};
LibState& S() {
  static LibState s;
  return s;
}
const bool kReset = RegisterReset([] {
  std::lock_guard<std::mutex> g(S().lock);
  S().libs.clear();
});
std::wstring Key(std::wstring s) {
  for (auto& c : s) c = static_cast<wchar_t>(std::towupper(c));
  return s;
}
}  // namespace

void RegisterLibrary(const std::wstring& name, std::map<std::string, void*> exports) {
  std::lock_guard<std::mutex> g(S().lock);
  S().libs[Key(name)].exports = std::move(exports);
}

void UnregisterLibrary(const std::wstring& name) {
  std::lock_guard<std::mutex> g(S().lock);
  S().libs.erase(Key(name));
}

}  // namespace sim

namespace plat {

// A handle is the address of the library's entry in the table.
Handle LoadLibraryW(const std::wstring& name) {
  using sim::S;
  std::lock_guard<std::mutex> g(S().lock);
  auto it = S().libs.find(sim::Key(name));
  if (it == S().libs.end()) return 0;
  ++it->second.loads;
  return reinterpret_cast<Handle>(&it->second);
}

void* GetProcAddress(Handle library, const char* name) {
  using sim::S;
  std::lock_guard<std::mutex> g(S().lock);
  for (auto& [key, lib] : S().libs) {
    if (reinterpret_cast<Handle>(&lib) != library) continue;
    auto e = lib.exports.find(name);
    return e == lib.exports.end() ? nullptr : e->second;
  }
  return nullptr;
}

bool FreeLibrary(Handle library) {
  using sim::S;
  std::lock_guard<std::mutex> g(S().lock);
  for (auto& [key, lib] : S().libs) {
    if (reinterpret_cast<Handle>(&lib) == library && lib.loads > 0) {
      --lib.loads;
      return true;
    }
  }
  return false;
}

}  // namespace plat
