#include <deque>
#include <mutex>

#include "platform/file_dialog.h"
#include "sim/sim_file_dialog.h"
#include "sim/sim_world.h"
#include "platform/system.h"

namespace sim {
namespace {
struct DialogState {
  std::mutex lock;
  std::vector<FileDialogShown> shown;
  std::deque<std::wstring> answers;
};
DialogState& S() {
  static DialogState s;
  return s;
}
const bool kReset = RegisterReset([] {
  std::lock_guard<std::mutex> g(S().lock);
  S().shown.clear();
  S().answers.clear();
});

bool Show(plat::OpenFileName& ofn, bool save) {
  std::lock_guard<std::mutex> g(S().lock);
  S().shown.push_back({save, ofn});
  std::wstring answer;
  if (!S().answers.empty()) {
    answer = S().answers.front();
    S().answers.pop_front();
  }
  plat::SetLastError(0);  // CommDlgExtendedError: a plain cancel
  if (answer.empty()) return false;
  const auto slash = answer.find_last_of(L"\\/");
  const auto name = slash == std::wstring::npos ? answer : answer.substr(slash + 1);
  if (name.find(L'.') == std::wstring::npos && !ofn.default_ext.empty()) answer += L"." + ofn.default_ext;
  ofn.file = answer;
  return true;
}
}  // namespace

std::vector<FileDialogShown> FileDialogs() {
  std::lock_guard<std::mutex> g(S().lock);
  return S().shown;
}

void ScriptFileDialogAnswer(const std::wstring& path) {
  std::lock_guard<std::mutex> g(S().lock);
  S().answers.push_back(path);
}

void ScriptFileDialogCancel() { ScriptFileDialogAnswer(L""); }

}  // namespace sim

namespace plat {
bool GetOpenFileName(OpenFileName& ofn) { return sim::Show(ofn, false); }
bool GetSaveFileName(OpenFileName& ofn) { return sim::Show(ofn, true); }
}  // namespace plat
