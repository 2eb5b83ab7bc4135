#include "targets/classify.h"

#include "infra/dral_utils.h"
#include "platform/window.h"
#include "targets/target_state.h"

namespace targets {
namespace {
bool HasChild(plat::Window w, const wchar_t* cls) { return plat::FindWindowEx(w, 0, cls) != 0; }
}  // namespace

plat::Window WindowUnderPoint(plat::Point p, bool stop_at_dialogs) {
  const plat::Window foreground = plat::GetForegroundWindow();
  plat::Window w = plat::WindowFromPoint(p);
  if (!w) return 0;
  for (int i = 0; i < 51; ++i) {
    if (w == foreground) break;
    if (stop_at_dialogs) {
      const std::wstring cls = plat::GetClassName(w, 10);
      if (cls == L"bosa_sdm_" || cls == L"#32770" || cls == L"WinRarWin" || cls == L"TTargetDl") break;
    }
    plat::Window parent = plat::GetParent(w);
    if (!parent) break;
    w = parent;
  }
  return w;
}

plat::Window WindowUnderCursor(bool stop_at_dialogs) {
  plat::Point p;
  if (!plat::GetCursorPos(&p)) return 0;
  return WindowUnderPoint(p, stop_at_dialogs);
}

plat::Window IsFileDialog(plat::Window w) {
  if (!w) w = WindowUnderCursor(true);
  if (!w) return 0;
  const std::wstring cls = plat::GetClassName(w, 10);
  if (cls == L"bosa_sdm_") return HasChild(w, L"Snake List") ? w : 0;
  const bool vista = infra::IsVistaOrLater();
  if (vista && HasChild(w, L"DUIViewWndClassName"))
    return (plat::GetWindowLong(w, plat::GWL_STYLE) & plat::DS_SETFOREGROUND) ? w : 0;
  if (!HasChild(w, L"ShellDll_DefView")) return 0;
  if (!vista) return (plat::GetWindowLong(w, plat::GWL_EXSTYLE) & plat::WS_EX_CONTEXTHELP) ? w : 0;
  if (HasChild(w, L"ComboBoxEx32")) return w;
  if (cls == L"#32770" && HasChild(w, L"ComboBox") && HasChild(w, L"Edit")) return w;
  return 0;
}

bool IsWineShellFrame(plat::Window w) {
  // 14 characters: read into a buffer of 16 so that the whole name counts.
  return w && plat::GetClassName(w, 16) == L"ExplorerWClass";
}

Classified IsShellWindow(plat::Window w) {
  if (!w) w = WindowUnderCursor(false);
  if (!w) return {};
  const std::wstring cls = plat::GetClassName(w, 14);
  if (cls != L"ExploreWClass" && cls != L"CabinetWClass" && cls != L"IEFrame" && !IsWineShellFrame(w)) return {};
  if (plat::GetWindowLong(w, plat::GWL_EXSTYLE) != plat::WS_EX_WINDOWEDGE) return {};
  constexpr std::uint32_t kFrame = plat::WS_OVERLAPPEDWINDOW | plat::WS_VISIBLE | plat::WS_CLIPSIBLINGS;
  constexpr std::uint32_t kOptional = plat::WS_CLIPCHILDREN | plat::WS_MAXIMIZE;
  if ((plat::GetWindowLong(w, plat::GWL_STYLE) & ~kOptional) != kFrame) return {};
  return {w, cls == L"IEFrame" ? InternetExplorer : Explorer};
}

Classified IsArchiverWindow(plat::Window w) {
  if (!w) w = WindowUnderCursor(true);
  if (!w) return {};
  const std::wstring cls = plat::GetClassName(w, 16);
  if (cls == L"WinRarWindow") return {w, RarWindow};
  if (cls == L"TTargetDlg") {
    plat::Window panel = plat::FindWindowEx(w, 0, L"TPanel");
    if (panel && HasChild(panel, L"TIEAddress")) return {w, AceExtractDialog};
    return {};
  }
  if (cls != L"#32770") return {};
  const std::wstring parent = plat::GetClassName(plat::GetParent(w), 16);
  if (parent != L"WinZipWClass" && parent != L"WinRarWindow") return {};
  if (!HasChild(w, L"SysTreeView32")) return {};
  return {w, parent == L"WinZipWClass" ? ZipExtractDialog : RarExtractDialog};
}

TargetKind ClassifyWindow(plat::Window w) {
  if (IsFileDialog(w)) return FileDialog;
  if (Classified c = IsShellWindow(w); c.window) return c.kind;
  if (Classified c = IsArchiverWindow(w); c.window) return c.kind;
  return Desktop;
}

Classified TargetAtPoint(plat::Point p) {
  const plat::Window dialog = WindowUnderPoint(p, true);
  if (!dialog) return {0, Desktop};
  if (IsFileDialog(dialog)) return {dialog, FileDialog};
  const plat::Window frame = WindowUnderPoint(p, false);
  if (frame) {
    if (Classified c = IsShellWindow(frame); c.window) return c;
  }
  if (Classified c = IsArchiverWindow(dialog); c.window) return c;
  return {frame, Desktop};
}

void ShowMenuForWindow(plat::Window w, const ShowPathFn& show_path) {
  if (!w) w = plat::GetForegroundWindow();
  const TargetKind kind = ClassifyWindow(w);
  if (show_path) show_path(w, kind);
}

}  // namespace targets
