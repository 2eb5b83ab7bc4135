#include "targets/follow_explorer.h"

#include <vector>

#include "infra/logger.h"
#include "infra/text.h"
#include "infra/utf16.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/window.h"
#include "targets/classify.h"
#include "targets/get_path.h"
#include "targets/locators.h"
#include "targets/remote_tree.h"
#include "targets/set_data.h"
#include "targets/target_state.h"

namespace targets {
namespace {

constexpr const wchar_t* kLog = L"FollowExplorer";
constexpr std::uint32_t kTimeoutMs = 200;
constexpr int kBoxBuffer = 260;
constexpr int kFolderChars = 1024;

std::optional<std::wstring> ReadBox(plat::Window box) {
  std::wstring text;
  if (!box || !plat::SendMessageTimeoutGetText(box, kBoxBuffer, &text, plat::SMTO_NORMAL, kTimeoutMs))
    return std::nullopt;
  return text;
}

std::optional<std::wstring> ReadFileNameBox(plat::Window dialog) { return ReadBox(FindFileNameEdit(dialog)); }

std::wstring Shown(const std::optional<std::wstring>& text) { return text ? L"\"" + *text + L"\"" : L"(unknown)"; }

bool SameFolder(std::wstring a, std::wstring b) {
  auto trim = [](std::wstring& s) {
    while (s.size() > 3 && s.back() == L'\\') s.pop_back();
  };
  trim(a);
  trim(b);
  return infra::SameText(a, b);
}

bool IsTopLevel(plat::Window w) { return !(plat::GetWindowLong(w, plat::GWL_STYLE) & plat::WS_CHILD); }

}  // namespace

std::optional<std::wstring> ReadDialogFolder(plat::Window dialog) {
  plat::OwnedProcess process(OpenWindowProcess(dialog));
  if (!process) return std::nullopt;
  RemoteBlock block(process.get(), kFolderChars * 2);
  const char zero[2] = {0, 0};
  if (!block || !block.Write(0, zero, sizeof zero)) return std::nullopt;
  plat::LResult length = 0;
  if (!plat::SendMessageTimeout(dialog, plat::CDM_GETFOLDERPATH, kFolderChars,
                                static_cast<plat::LParam>(block.Address()), plat::SMTO_NORMAL, kTimeoutMs, &length)) {
    // The dialog may still write there when it gets to the message.
    if (plat::LastError() == plat::ERROR_TIMEOUT) block.Keep();
    return std::nullopt;
  }
  if (length <= 1 || length > kFolderChars) return std::nullopt;
  std::string bytes(static_cast<size_t>(length - 1) * 2, '\0');
  if (!block.Read(0, bytes.data(), bytes.size())) return std::nullopt;
  return infra::FromUtf16Le(bytes);
}

plat::Window LatestExplorerWindow(plat::Window last_active) {
  auto explorer = [](plat::Window w) { return w && IsShellWindow(w).kind == Explorer; };
  if (explorer(last_active)) return last_active;
  for (plat::Window w : plat::EnumWindows())
    if (explorer(w)) return w;
  return 0;
}

bool TFollowExplorer::SetEnabled(bool on) {
  if (on == Enabled()) return true;
  if (!on) {
    plat::UnhookWinEvent(show_hook_);
    if (foreground_hook_) plat::UnhookWinEvent(foreground_hook_);
    show_hook_ = foreground_hook_ = 0;
    if (timer_) plat::KillTimer(timer_window_, kTimerId);
    timer_ = false;
    candidates_.clear();
    waiting_.clear();
    seen_.clear();
    last_explorer_ = 0;
    infra::LogMessage(kLog, L"off");
    return true;
  }
  auto proc = [this](const plat::WinEvent& e) { OnEvent(e); };
  show_hook_ = plat::SetWinEventHook(plat::EVENT_OBJECT_CREATE, plat::EVENT_OBJECT_HIDE, proc,
                                     plat::WINEVENT_OUTOFCONTEXT | plat::WINEVENT_SKIPOWNPROCESS);
  if (!show_hook_) {
    infra::LogError(kLog, L"Can't set the window-event hook", L"", plat::LastError(), true);
    return false;
  }
  foreground_hook_ = plat::SetWinEventHook(plat::EVENT_SYSTEM_FOREGROUND, plat::EVENT_SYSTEM_FOREGROUND, proc,
                                           plat::WINEVENT_OUTOFCONTEXT | plat::WINEVENT_SKIPOWNPROCESS);
  // Without it the Z order still tells which Explorer window is the latest.
  if (!foreground_hook_) infra::LogError(kLog, L"Can't set the foreground hook", L"", plat::LastError(), true);
  infra::LogMessage(kLog, L"on");
  return true;
}

void TFollowExplorer::OnEvent(const plat::WinEvent& e) {
  if (e.object != plat::OBJID_WINDOW || e.child != plat::CHILDID_SELF || !e.window) return;
  switch (e.event) {
    case plat::EVENT_SYSTEM_FOREGROUND:
      if (IsShellWindow(e.window).kind == Explorer) last_explorer_ = e.window;
      return;
    case plat::EVENT_OBJECT_CREATE:
    case plat::EVENT_OBJECT_SHOW:
      Consider(e.window);
      return;
    case plat::EVENT_OBJECT_HIDE:
    case plat::EVENT_OBJECT_DESTROY:
      if (auto it = waiting_.find(e.window); it != waiting_.end()) it->second.closing = true;
      candidates_.erase(e.window);
      if (e.event == plat::EVENT_OBJECT_DESTROY && !waiting_.count(e.window)) seen_.erase(e.window);
      return;
    default:
      return;
  }
}

void TFollowExplorer::Consider(plat::Window w) {
  // Only the queries that send nothing, until it is a file dialog.
  if (seen_.count(w) || !IsTopLevel(w)) return;
  const std::wstring cls = plat::GetClassName(w, 10);
  if (cls != L"#32770" && cls != L"bosa_sdm_") return;
  std::uint32_t process = 0;
  plat::GetWindowThreadProcessId(w, &process);
  if (process == plat::CurrentProcessId()) return;  // the agent's own dialogs
  seen_.insert(w);
  if (plat::IsWindowVisible(w) && IsFileDialog(w)) {
    Note(w);
    return;
  }
  candidates_[w] = plat::TickCount();
  RunTimer();
}

void TFollowExplorer::RunTimer() {
  if (!timer_) timer_ = plat::SetTimer(timer_window_, kTimerId, kCheckMs);
}

void TFollowExplorer::Note(plat::Window dialog) {
  Noted n;
  n.shown = plat::TickCount();
  n.file_name = ReadFileNameBox(dialog);
  n.folder = ReadDialogFolder(dialog);
  waiting_[dialog] = n;
  infra::LogMessage(kLog, L"a file dialog opened, Hwnd=" + HandleText(dialog) + L", File name=" + Shown(n.file_name) +
                              L", Folder=" + Shown(n.folder));
  RunTimer();
}

void TFollowExplorer::OnTimer() {
  const std::uint32_t now = plat::TickCount();
  // Dialog windows that were still being filled.
  for (auto it = candidates_.begin(); it != candidates_.end();) {
    const plat::Window w = it->first;
    if (!plat::IsWindow(w) || now - it->second >= kClassifyMs) {
      it = candidates_.erase(it);
    } else if (plat::IsWindowVisible(w) && IsFileDialog(w)) {
      it = candidates_.erase(it);
      Note(w);
    } else {
      ++it;
    }
  }
  std::vector<std::pair<plat::Window, Noted>> due;
  for (auto it = waiting_.begin(); it != waiting_.end();) {
    if (now - it->second.shown >= kSettleMs || it->second.closing) {
      due.emplace_back(it->first, it->second);
      it = waiting_.erase(it);
    } else {
      ++it;
    }
  }
  if (candidates_.empty() && waiting_.empty() && timer_) {
    plat::KillTimer(timer_window_, kTimerId);
    timer_ = false;
  }
  for (const auto& [dialog, noted] : due) Decide(dialog, noted);
  // Windows that are gone are forgotten (a new window may get their handle).
  for (auto it = seen_.begin(); it != seen_.end();) {
    if (!waiting_.count(*it) && !candidates_.count(*it) && !plat::IsWindow(*it))
      it = seen_.erase(it);
    else
      ++it;
  }
}

void TFollowExplorer::Decide(plat::Window dialog, const Noted& noted) {
  const std::wstring where = L"Hwnd=" + HandleText(dialog);
  auto not_switched = [&](const std::wstring& why) {
    infra::LogMessage(kLog, L"not switched: " + why + L", " + where);
  };
  if (noted.closing || !plat::IsWindow(dialog) || !plat::IsWindowVisible(dialog))
    return not_switched(L"the dialog is closing");
  const plat::Window explorer = LatestExplorerWindow(last_explorer_);
  if (!explorer) return not_switched(L"no Explorer window");
  const std::wstring folder = GetPathOf(explorer, Explorer);
  if (folder.empty() || !plat::DirectoryExists(folder))
    return not_switched(L"the Explorer window " + HandleText(explorer) + L" shows no folder");
  const std::optional<std::wstring> file_name = ReadFileNameBox(dialog);
  if (!noted.file_name || !file_name) return not_switched(L"its file name box does not answer");
  if (*file_name != *noted.file_name)
    return not_switched(L"the user typed into it (" + Shown(noted.file_name) + L" became " + Shown(file_name) + L")");
  const std::optional<std::wstring> now_in = ReadDialogFolder(dialog);
  if (noted.folder && now_in && !SameFolder(*noted.folder, *now_in))
    return not_switched(L"the user chose another folder (" + *now_in + L")");
  if (now_in && SameFolder(*now_in, folder)) return not_switched(L"it shows " + folder + L" already");

  // A path that ends in a backslash names a folder only: Enter opens it and
  // never opens or saves a file of that name.
  std::wstring text = folder;
  if (text.back() != L'\\') text += L'\\';
  infra::LogMessage(kLog,
                    L"switches " + where + L" to " + folder + L" (Explorer window " + HandleText(explorer) + L")");
  SetDataToDialog(dialog, text, PathMode, L"", 0);
  if (!plat::IsWindow(dialog)) infra::LogError(kLog, L"The dialog closed after the switch", where, 0, true);
}

}  // namespace targets
