// The sim's shell icons and its list of recent documents.
#include <cwctype>
#include <map>
#include <mutex>

#include "platform/file_icon.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "sim/sim_registry.h"
#include "platform/shell_recent.h"
#include "sim/sim_file_icon.h"
#include "sim/sim_world.h"

namespace sim {
namespace {

struct Size {
  int width = 16, height = 16;
};
struct IconState {
  std::mutex lock;
  std::map<std::wstring, Size> rules;  // lower-case key
  std::vector<std::wstring> requests;
  std::map<plat::Handle, std::pair<std::wstring, Size>> live;
  plat::Handle next = 0x7000;
  int clears = 0;
  bool clear_keeps_files = false;
};
IconState& S() {
  static IconState s;
  return s;
}
const bool kReset = RegisterReset([] {
  std::lock_guard<std::mutex> g(S().lock);
  S().rules.clear();
  S().requests.clear();
  S().live.clear();
  S().clears = 0;
  S().clear_keeps_files = false;
});

std::wstring Lower(const std::wstring& s) {
  std::wstring out(s);
  for (auto& c : out) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
  return out;
}

std::wstring Extension(const std::wstring& path) {
  const std::size_t dot = path.find_last_of(L".\\:");
  return dot == std::wstring::npos || path[dot] != L'.' ? std::wstring() : path.substr(dot);
}

plat::Handle Make(const std::wstring& source, Size size) {
  const plat::Handle h = ++S().next;
  S().live[h] = {source, size};
  return h;
}

}  // namespace

void SetShellIcon(const std::wstring& key, int width, int height) {
  std::lock_guard<std::mutex> g(S().lock);
  S().rules[Lower(key)] = Size{width, height};
}

std::vector<std::wstring> ShellIconRequests() {
  std::lock_guard<std::mutex> g(S().lock);
  return S().requests;
}

int LiveIcons() {
  std::lock_guard<std::mutex> g(S().lock);
  return static_cast<int>(S().live.size());
}

std::wstring IconSource(unsigned long long icon) {
  std::lock_guard<std::mutex> g(S().lock);
  auto it = S().live.find(icon);
  return it == S().live.end() ? std::wstring() : it->second.first;
}

int RecentDocsClears() {
  std::lock_guard<std::mutex> g(S().lock);
  return S().clears;
}

void SetRecentDocsClearKeepsFiles(bool keep) {
  std::lock_guard<std::mutex> g(S().lock);
  S().clear_keeps_files = keep;
}

}  // namespace sim

namespace plat {

Handle SHGetFileInfoSmallIcon(const std::wstring& path) {
  const bool exists = FileExists(path) || DirectoryExists(path);
  std::lock_guard<std::mutex> g(sim::S().lock);
  sim::S().requests.push_back(path);
  auto rule = sim::S().rules.find(sim::Lower(path));
  std::wstring source = sim::Lower(path);
  if (rule == sim::S().rules.end()) {
    source = sim::Lower(sim::Extension(path));
    rule = sim::S().rules.find(source);
  }
  if (rule == sim::S().rules.end()) return exists ? sim::Make(source, sim::Size{}) : 0;
  if (rule->second.width == 0) return 0;
  return sim::Make(source, rule->second);
}

bool GetIconSize(Handle icon, int& width, int& height) {
  std::lock_guard<std::mutex> g(sim::S().lock);
  auto it = sim::S().live.find(icon);
  if (it == sim::S().live.end()) return false;
  width = it->second.second.width;
  height = it->second.second.height;
  return true;
}

void DestroyIcon(Handle icon) {
  std::lock_guard<std::mutex> g(sim::S().lock);
  sim::S().live.erase(icon);
}

Handle CopyIcon(Handle icon) {
  std::lock_guard<std::mutex> g(sim::S().lock);
  auto it = sim::S().live.find(icon);
  if (it == sim::S().live.end()) return 0;
  const auto copy = it->second;
  return sim::Make(copy.first, copy.second);
}

Handle DefaultDocumentIcon() {
  std::lock_guard<std::mutex> g(sim::S().lock);
  return sim::Make(L"default", sim::Size{});
}

void ClearRecentDocs() {
  {
    std::lock_guard<std::mutex> g(sim::S().lock);
    ++sim::S().clears;
    if (sim::S().clear_keeps_files) return;
  }
  // The shell's own idea of the Recent folder: the user's Shell Folders value.
  const std::wstring folder =
      sim::RegGetString(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                        L"Recent")
          .value_or(L"");
  if (folder.empty()) return;
  const std::wstring dir = folder.back() == L'\\' ? folder : folder + L'\\';
  for (const auto& f : FindFiles(dir + L"*")) {
    if (!f.IsDirectory()) RemoveFile(dir + f.name);
  }
}

}  // namespace plat
