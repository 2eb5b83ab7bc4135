#include "targets/open_windows.h"

#include <algorithm>
#include <cwctype>

#include "infra/logger.h"
#include "platform/files.h"
#include "platform/shell_windows.h"
#include "platform/window.h"
#include "targets/classify.h"
#include "targets/locators.h"
#include "targets/target_state.h"

namespace targets {
namespace {

constexpr int kTextBuffer = 261;

bool EqualNoCase(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::towupper(static_cast<wint_t>(a[i])) != std::towupper(static_cast<wint_t>(b[i]))) return false;
  }
  return true;
}

// "C:\Data\" and "C:\Data" are one folder; a drive keeps its backslash.
std::wstring Normal(std::wstring path) {
  while (path.size() > 3 && path.back() == L'\\') path.pop_back();
  return path;
}

bool IsFolderPath(const std::wstring& text) {
  return text.find(L'\\') != std::wstring::npos && plat::DirectoryExists(text);
}

// A window that does not take a message within the time-out is hung or busy:
// it is left out, and a window the system already knows as hung costs nothing.
bool Answers(plat::Window w) {
  return plat::SendMessageTimeout(w, plat::WM_NULL, 0, 0, plat::SMTO_ABORTIFHUNG, kOpenWindowsTimeoutMs, nullptr);
}

}  // namespace

std::wstring ExplorerWindowFolder(plat::Window frame) {
  const std::wstring title = plat::GetWindowText(frame, kTextBuffer);
  if (IsFolderPath(title)) return title;
  if (plat::Window edit = FindExplorerAddressEdit(frame)) {
    std::wstring text;
    if (plat::SendMessageTimeoutGetText(edit, kTextBuffer, &text, plat::SMTO_ABORTIFHUNG, kOpenWindowsTimeoutMs) &&
        IsFolderPath(text))
      return text;
  }
  return L"";
}

std::vector<std::wstring> OpenExplorerFolders(plat::Window target, const std::wstring& own_folder) {
  std::vector<std::wstring> out;
  const std::wstring own = Normal(own_folder);
  auto add = [&](const std::wstring& folder) {
    const std::wstring f = Normal(folder);
    if (f.empty() || (!own.empty() && EqualNoCase(f, own))) return;
    if (std::any_of(out.begin(), out.end(), [&](const std::wstring& x) { return EqualNoCase(x, f); })) return;
    out.push_back(f);
  };

  // The shell's list is asked only when one of its own folder windows is open
  // (Wine's folder windows are never in it): the menu opens without its cost.
  const std::vector<plat::Window> windows = plat::EnumWindows();
  const bool shell_frames = std::any_of(windows.begin(), windows.end(), [](plat::Window w) {
    const std::wstring cls = plat::GetClassName(w, 14);
    return cls == L"CabinetWClass" || cls == L"ExploreWClass";
  });
  std::vector<plat::ShellWindowView> views;
  const bool listed = shell_frames && plat::GetShellWindowViews(&views, kOpenWindowsTimeoutMs);
  for (plat::Window w : windows) {
    // The target's own view is left out; its other tabs are other folders.
    std::vector<const plat::ShellWindowView*> mine;
    if (listed) {
      for (const auto& v : views) {
        if (v.frame == w && v.selected && w != target) mine.push_back(&v);
      }
      for (const auto& v : views) {
        if (v.frame == w && !v.selected) mine.push_back(&v);
      }
    }
    if (!mine.empty()) {
      if (!Answers(w)) {
        infra::LogMessage(L"OpenWindows", L"not answering, left out: Hwnd=" + HandleText(w));
        continue;
      }
      for (const auto* v : mine) {
        if (IsFolderPath(v->folder)) add(v->folder);
      }
      continue;
    }
    // Not in the shell's list (Wine's folder windows): the window itself is read.
    if (w == target) continue;
    const Classified c = IsShellWindow(w);
    if (!c.window || c.kind != Explorer) continue;
    if (!Answers(w)) {
      infra::LogMessage(L"OpenWindows", L"not answering, left out: Hwnd=" + HandleText(w));
      continue;
    }
    add(ExplorerWindowFolder(w));
  }
  return out;
}

}  // namespace targets
