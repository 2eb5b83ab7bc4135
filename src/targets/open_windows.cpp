#include "targets/open_windows.h"

#include <algorithm>

#include "infra/dral_utils.h"
#include "infra/logger.h"
#include "infra/text.h"
#include "infra/utf16.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/shell_windows.h"
#include "platform/window.h"
#include "targets/classify.h"
#include "targets/locators.h"
#include "targets/remote_tree.h"
#include "targets/target_state.h"

namespace targets {
namespace {

// Titles and address bars may hold paths longer than MAX_PATH.
constexpr int kTextBuffer = 32768;
// Once the list's time is spent, a window still gets this long: a window that
// answers at all answers within it, a busy one costs no more.
constexpr std::uint32_t kLateAnswerMs = 20;

// "C:\Data\" and "C:\Data" are one folder; a drive keeps its backslash.
std::wstring Normal(std::wstring path) {
  while (path.size() > 3 && path.back() == L'\\') path.pop_back();
  return path;
}

// A full path of a folder. A path on a slow drive (network, removable) is
// taken as it is, never asked about: the question may wait on the drive.
bool IsFolderPath(const std::wstring& text) {
  if (text.find(L'\\') == std::wstring::npos) return false;
  return infra::IsSlowPath(text) || plat::DirectoryExists(text);
}

// The folder windows of the list: the waits of all windows together are
// bounded by one time-out, so several busy windows hold the menu no longer
// than one.
class TAnswerBudget {
 public:
  TAnswerBudget() : start_(plat::TickCount()) {}
  std::uint32_t Next() const {
    const std::uint32_t spent = plat::TickCount() - start_;
    return spent + kLateAnswerMs >= kOpenWindowsTimeoutMs ? kLateAnswerMs : kOpenWindowsTimeoutMs - spent;
  }

 private:
  std::uint32_t start_;
};

// A window that does not take a message within the time-out is hung or busy:
// it is left out, and a window the system already knows as hung costs nothing.
bool Answers(plat::Window w, const TAnswerBudget& budget) {
  if (plat::SendMessageTimeout(w, plat::WM_NULL, 0, 0, plat::SMTO_ABORTIFHUNG, budget.Next(), nullptr)) return true;
  infra::LogMessage(L"OpenWindows", L"not answering, left out: Hwnd=" + HandleText(w));
  return false;
}

// The address bar's edit box of a folder window, when reading it changes
// nothing the user sees: Wine's frame is given the full path by a WM_SETFOCUS
// to the box (the focus does not move); a Windows frame showing breadcrumb
// buttons would have to be clicked, so it is read from its title alone.
plat::Window QuietAddressEdit(plat::Window frame) {
  if (IsWineShellFrame(frame)) return FindExplorerAddressEdit(frame);
  auto child = [](plat::Window parent, const wchar_t* cls) { return parent ? plat::FindWindowEx(parent, 0, cls) : 0; };
  plat::Window rebar = child(child(frame, L"WorkerW"), L"ReBarWindow32");
  plat::Window combo = child(rebar, L"ComboBoxEx32");
  if (!combo) combo = child(child(child(rebar, L"Address Band Root"), L"msctls_progress32"), L"ComboBoxEx32");
  return child(child(combo, L"ComboBox"), L"Edit");
}

}  // namespace

std::wstring ExplorerWindowFolder(plat::Window frame) {
  std::wstring title = plat::GetWindowText(frame, kTextBuffer);
  if (IsFolderPath(title)) return title;
  if (plat::Window edit = QuietAddressEdit(frame)) {
    std::wstring text;
    if (plat::SendMessageTimeoutGetText(edit, kTextBuffer, &text, plat::SMTO_ABORTIFHUNG, kOpenWindowsTimeoutMs) &&
        IsFolderPath(text))
      return text;
  }
  return L"";
}

std::wstring FileDialogFolder(plat::Window dialog) {
  plat::OwnedProcess process(OpenWindowProcess(dialog));
  if (!process) return L"";
  constexpr std::size_t kChars = 32768;
  RemoteBlock block(process.get(), kChars * 2);
  if (!block) return L"";
  plat::LResult needed = 0;
  if (!plat::SendMessageTimeout(dialog, plat::CDM_GETFOLDERPATH, kChars, static_cast<plat::LParam>(block.Address()),
                                plat::SMTO_ABORTIFHUNG, kOpenWindowsTimeoutMs, &needed)) {
    // The dialog may still write into the block when it gets to the message.
    if (plat::LastError() == plat::ERROR_TIMEOUT) block.Keep();
    return L"";
  }
  if (needed <= 1 || needed > static_cast<plat::LResult>(kChars)) return L"";
  std::string bytes(static_cast<std::size_t>(needed - 1) * 2, '\0');
  if (!block.Read(0, bytes.data(), bytes.size())) return L"";
  return infra::FromUtf16Le(bytes);
}

void LeaveOutFolder(std::vector<std::wstring>& folders, const std::wstring& folder) {
  const std::wstring f = Normal(folder);
  if (f.empty()) return;
  folders.erase(std::remove_if(folders.begin(), folders.end(),
                               [&](const std::wstring& x) { return infra::SameText(Normal(x), f); }),
                folders.end());
}

std::vector<std::wstring> OpenExplorerFolders(plat::Window target, const std::wstring& own_folder) {
  std::vector<std::wstring> out;
  const std::wstring own = Normal(own_folder);
  auto add = [&](const std::wstring& folder) {
    const std::wstring f = Normal(folder);
    if (f.empty() || (!own.empty() && infra::SameText(f, own))) return;
    if (std::any_of(out.begin(), out.end(), [&](const std::wstring& x) { return infra::SameText(x, f); })) return;
    out.push_back(f);
  };

  // The shell's list is asked only when one of its own folder windows is open
  // (Wine's folder windows are never in it): the menu opens without its cost.
  // Each window's class is read once: the menu waits on this pass, and a
  // desktop has a hundred or more top-level windows, nearly all of them no
  // folder window at all.
  const TAnswerBudget budget;
  std::vector<plat::Window> frames;
  bool shell_frames = false;
  for (plat::Window w : plat::EnumWindows()) {
    const std::wstring cls = plat::GetClassName(w, 16);
    const std::wstring head = cls.substr(0, 13);  // the names the shell's classes are told by
    const bool shell = head == L"CabinetWClass" || head == L"ExploreWClass";
    shell_frames = shell_frames || shell;
    if (shell || cls == L"IEFrame" || cls == L"ExplorerWClass") frames.push_back(w);
  }
  std::vector<plat::ShellWindowView> views;
  const bool listed = shell_frames && plat::GetShellWindowViews(&views, kOpenWindowsTimeoutMs);
  for (plat::Window w : frames) {
    const bool in_list =
        listed && std::any_of(views.begin(), views.end(), [w](const plat::ShellWindowView& v) { return v.frame == w; });
    if (in_list) {
      // The selected tab first, then the others; the target's own view is
      // left out, its other tabs are other folders.
      std::vector<const plat::ShellWindowView*> mine;
      for (const auto& v : views) {
        if (v.frame == w && v.selected && w != target) mine.push_back(&v);
      }
      for (const auto& v : views) {
        if (v.frame == w && !v.selected) mine.push_back(&v);
      }
      if (mine.empty() || !Answers(w, budget)) continue;
      for (const auto* v : mine) {
        if (IsFolderPath(v->folder)) add(v->folder);
      }
      continue;
    }
    // Not in the shell's list (Wine's folder windows): the window itself is read.
    if (w == target) continue;
    const Classified c = IsShellWindow(w);
    if (!c.window || c.kind != Explorer || !Answers(w, budget)) continue;
    add(ExplorerWindowFolder(w));
  }
  return out;
}

}  // namespace targets
