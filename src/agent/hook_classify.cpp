// Classification of the window under a gesture, for the hook library. Built
// on the agent's own classifiers (targets/classify.h); what only a gesture
// needs (the real Desktop, browse-for-folder dialogs, the address bar, the '?'
// caption button) is decided here. Only queries that send no message.
#include "agent/hook_gesture.h"
#include "platform/window.h"
#include "targets/classify.h"

namespace agent {

namespace {

bool HasChild(plat::Window w, const wchar_t* cls) { return plat::FindWindowEx(w, 0, cls) != 0; }

// The Desktop itself: the shell's desktop window ("Progman", or the "WorkerW"
// that holds the icons behind a slide show) or the system's desktop window.
// Any other window of no known kind is no Desktop for a gesture: a middle
// click in an ordinary program stays that program's.
bool IsDesktopWindow(plat::Window w) {
  const std::wstring cls = plat::GetClassName(w, 16);
  if (cls == L"#32769") return true;
  return (cls == L"Progman" || cls == L"WorkerW") && HasChild(w, L"SHELLDLL_DefView");
}

// A browse-for-folder dialog: the new style holds the shell's name-space
// control, the classic one a folder tree (archivers' extraction dialogs, which
// hold one too, are recognised before this).
bool IsBrowseDialog(plat::Window w) {
  if (plat::GetClassName(w, 10) != L"#32770") return false;
  if (HasChild(w, L"SHBrowseForFolder ShellNameSpace Control")) return true;
  return HasChild(w, L"SysTreeView32") && !HasChild(w, L"SHELLDLL_DefView");
}

// Whether the window lies inside the address bar of the shell window `frame`:
// the classic bar is a "ComboBoxEx32" in the rebar, the newer one an
// "Address Band Root" with its breadcrumbs and edit box.
bool InAddressBar(plat::Window w, plat::Window frame) {
  for (int i = 0; w && w != frame && i < 16; ++i) {
    const std::wstring cls = plat::GetClassName(w, 32);
    if (cls == L"ComboBoxEx32" || cls == L"Address Band Root") return true;
    w = plat::GetParent(w);
  }
  return false;
}

bool OnHelpButton(plat::Window dialog, plat::Point p, const CaptionMetrics& m) {
  if (!(plat::GetWindowLong(dialog, plat::GWL_EXSTYLE) & plat::WS_EX_CONTEXTHELP)) return false;
  plat::Rect r;
  if (!plat::GetWindowRect(dialog, &r)) return false;
  return PointOnHelpButton(r, p, m.frame, m.captionHeight, m.buttonWidth);
}

}  // namespace

GestureTarget ClassifyGesturePoint(plat::Point p, HookGesture g, const CaptionMetrics& metrics) {
  GestureTarget t;
  const plat::Window dialog = targets::WindowUnderPoint(p, true);
  if (!dialog) return t;
  // The innermost window is asked for only where a record or a rule needs it:
  // every query costs a round trip to the window manager.
  auto control = [&] { return t.control ? t.control : (t.control = plat::WindowFromPoint(p)); };
  if (targets::IsFileDialog(dialog)) {
    t.window = dialog;
    t.kind = targets::FileDialog;
  } else if (targets::Classified a = targets::IsArchiverWindow(dialog); a.window) {
    t.window = a.window;
    t.kind = a.kind;
  } else if (IsBrowseDialog(dialog)) {
    t.window = dialog;
    t.kind = targets::BrowseDialog;
    control();
  } else {
    const plat::Window frame = targets::WindowUnderPoint(p, false);
    if (!frame) return t;
    if (targets::Classified s = targets::IsShellWindow(frame); s.window) {
      t.window = s.window;
      t.kind = s.kind;
      if (g == HookGesture::RightDown) t.onAddressBar = InAddressBar(control(), frame);
      return t;
    }
    if (IsDesktopWindow(frame)) {
      t.window = frame;
      t.kind = targets::Desktop;
    }
    return t;
  }
  if (g == HookGesture::RightDown) t.onHelpButton = OnHelpButton(t.window, p, metrics);
  return t;
}

}  // namespace agent
