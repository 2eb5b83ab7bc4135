#include <map>
#include <mutex>
#include <stdexcept>

#include "infra/utf16.h"
#include "platform/files.h"
#include "platform/shell_link.h"
#include "sim/sim_shell_link.h"
#include "sim/sim_world.h"

namespace sim {
namespace {

constexpr wchar_t kHeader[] = L"[sim shortcut]\r\nTarget=";

struct LinkObject {
  std::wstring target;
  std::wstring description;
};

struct LinkState {
  std::mutex lock;
  std::map<plat::ShellLink, LinkObject> links;
  plat::ShellLink next = 1;
  bool unavailable = false;
  bool load_faults = false;
  int loads = 0;
};
LinkState& S() {
  static LinkState s;
  return s;
}
const bool kReset = RegisterReset([] {
  std::lock_guard<std::mutex> g(S().lock);
  S().links.clear();
  S().next = 1;
  S().unavailable = false;
  S().load_faults = false;
  S().loads = 0;
});

LinkObject* Find(plat::ShellLink link) {
  auto it = S().links.find(link);
  return it == S().links.end() ? nullptr : &it->second;
}

}  // namespace

std::string ShortcutFileBytes(const std::wstring& target) {
  return std::string(infra::kUtf16LeBom) + infra::ToUtf16Le(std::wstring(kHeader) + target);
}

int LiveShellLinks() {
  std::lock_guard<std::mutex> g(S().lock);
  return static_cast<int>(S().links.size());
}

int ShellLinkLoads() {
  std::lock_guard<std::mutex> g(S().lock);
  return S().loads;
}

void SetShellLinkUnavailable(bool unavailable) {
  std::lock_guard<std::mutex> g(S().lock);
  S().unavailable = unavailable;
}

void SetShellLinkLoadFaults(bool faults) {
  std::lock_guard<std::mutex> g(S().lock);
  S().load_faults = faults;
}

}  // namespace sim

namespace plat {

ShellLink CreateShellLink() {
  std::lock_guard<std::mutex> g(sim::S().lock);
  if (sim::S().unavailable) return 0;
  ShellLink id = sim::S().next++;
  sim::S().links[id] = {};
  return id;
}

void ReleaseShellLink(ShellLink link) {
  std::lock_guard<std::mutex> g(sim::S().lock);
  sim::S().links.erase(link);
}

bool ShellLinkLoad(ShellLink link, const std::wstring& path) {
  bool fault = false;
  {
    std::lock_guard<std::mutex> g(sim::S().lock);
    ++sim::S().loads;
    fault = sim::S().load_faults;
  }
  if (fault) throw std::runtime_error("Access violation in the shortcut handler");
  std::string bytes;
  if (!ReadWholeFile(path, bytes)) return false;
  std::wstring text = infra::FromUtf16Le(bytes);
  const std::wstring header = sim::kHeader;
  std::lock_guard<std::mutex> g(sim::S().lock);
  sim::LinkObject* obj = sim::Find(link);
  if (!obj) return false;
  if (bytes.size() < 2 || bytes.compare(0, 2, infra::kUtf16LeBom) != 0 || text.compare(0, header.size(), header) != 0) {
    SetLastError(0x80004005u);  // E_FAIL
    return false;
  }
  obj->target = text.substr(header.size());
  return true;
}

bool ShellLinkGetPath(ShellLink link, std::wstring& target) {
  target.clear();
  std::lock_guard<std::mutex> g(sim::S().lock);
  sim::LinkObject* obj = sim::Find(link);
  if (!obj || obj->target.empty()) return false;
  target = obj->target.substr(0, kShellLinkPathChars - 1);
  return true;
}

bool ShellLinkSetPath(ShellLink link, const std::wstring& target) {
  std::lock_guard<std::mutex> g(sim::S().lock);
  sim::LinkObject* obj = sim::Find(link);
  if (!obj) return false;
  obj->target = target;
  return true;
}

bool ShellLinkSetDescription(ShellLink link, const std::wstring& description) {
  std::lock_guard<std::mutex> g(sim::S().lock);
  sim::LinkObject* obj = sim::Find(link);
  if (!obj) return false;
  obj->description = description;
  return true;
}

bool ShellLinkSave(ShellLink link, const std::wstring& path) {
  std::wstring target;
  {
    std::lock_guard<std::mutex> g(sim::S().lock);
    sim::LinkObject* obj = sim::Find(link);
    if (!obj) return false;
    target = obj->target;
  }
  return WriteWholeFile(path, sim::ShortcutFileBytes(target));
}

}  // namespace plat
