#include "targets/classify.h"

#include <initializer_list>

#include "infra/dral_utils.h"
#include "platform/window.h"
#include "targets/target_state.h"

namespace targets {
namespace {
bool HasChild(plat::Window w, const wchar_t* cls) { return plat::FindWindowEx(w, 0, cls) != 0; }

// The common dialogs' file name controls: the combo box (cmb13) and the edit
// box (edt1).
constexpr int kFileNameComboId = 1148;
constexpr int kFileNameEditId = 1152;
constexpr int kDefaultButtonId = 1;  // IDOK
constexpr std::uint32_t kButtonTypeMask = 0x0F;
constexpr std::uint32_t kDefPushButton = 0x01;

bool IsTextControl(const std::wstring& cls) { return cls == L"Edit" || cls == L"ComboBox" || cls == L"ComboBoxEx32"; }

// A shell view as a direct child or one level further down.
bool HasShellView(plat::Window w) {
  if (HasChild(w, L"SHELLDLL_DefView")) return true;
  for (plat::Window c = plat::FindWindowEx(w, 0, L""); c; c = plat::FindWindowEx(w, c, L"")) {
    if (HasChild(c, L"SHELLDLL_DefView")) return true;
  }
  return false;
}

plat::Window ControlWithFileNameId(plat::Window w) {
  for (plat::Window c = plat::FindWindowEx(w, 0, L""); c; c = plat::FindWindowEx(w, c, L"")) {
    const int id = plat::GetDlgCtrlID(c);
    if ((id == kFileNameEditId || id == kFileNameComboId) && IsTextControl(plat::GetClassName(c, 16))) return c;
  }
  return 0;
}

// Captions are matched by the window manager without regard to case.
plat::Window ChildWithCaption(plat::Window w, const wchar_t* cls, std::initializer_list<const wchar_t*> captions) {
  for (const wchar_t* caption : captions) {
    const std::wstring text = caption;
    if (plat::Window c = plat::FindWindowEx(w, 0, cls, &text)) return c;
  }
  return 0;
}

bool HasOpenSaveDefaultButton(plat::Window w) {
  for (const wchar_t* caption : {L"&Open", L"Open", L"&Save", L"Save", L"O&pen", L"S&ave"}) {
    const std::wstring text = caption;
    for (plat::Window b = plat::FindWindowEx(w, 0, L"Button", &text); b;
         b = plat::FindWindowEx(w, b, L"Button", &text)) {
      const bool default_style = (plat::GetWindowLong(b, plat::GWL_STYLE) & kButtonTypeMask) == kDefPushButton;
      if (default_style || plat::GetDlgCtrlID(b) == kDefaultButtonId) return true;
    }
  }
  return false;
}

plat::Window LabelledFileNameControl(plat::Window w) {
  const plat::Window label =
      ChildWithCaption(w, L"Static", {L"File &name:", L"File name:", L"&File name:", L"File na&me:"});
  if (!label) return 0;
  const plat::Window next = plat::FindWindowEx(w, label, L"");
  if (!next || !IsTextControl(plat::GetClassName(next, 16))) return 0;
  return HasOpenSaveDefaultButton(w) ? next : 0;
}
}  // namespace

plat::Window FindFallbackFileNameControl(plat::Window dialog) {
  if (!dialog) return 0;
  if (plat::GetClassName(dialog, 10) == L"#32770") {
    if (plat::Window c = ControlWithFileNameId(dialog); c && HasShellView(dialog)) return c;
  }
  return LabelledFileNameControl(dialog);
}

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

namespace {
// The known layouts: 1 = a file dialog, 0 = none of them, -1 = a layout that
// is known not to be one (an Office window without its file list).
int KnownFileDialog(plat::Window w) {
  const std::wstring cls = plat::GetClassName(w, 10);
  if (cls == L"bosa_sdm_") return HasChild(w, L"Snake List") ? 1 : -1;
  const bool vista = infra::IsVistaOrLater();
  if (vista && HasChild(w, L"DUIViewWndClassName"))
    return (plat::GetWindowLong(w, plat::GWL_STYLE) & plat::DS_SETFOREGROUND) ? 1 : -1;
  if (!HasChild(w, L"ShellDll_DefView")) return 0;
  if (!vista) return (plat::GetWindowLong(w, plat::GWL_EXSTYLE) & plat::WS_EX_CONTEXTHELP) ? 1 : 0;
  if (HasChild(w, L"ComboBoxEx32")) return 1;
  if (cls == L"#32770" && HasChild(w, L"ComboBox") && HasChild(w, L"Edit")) return 1;
  return 0;
}
}  // namespace

plat::Window IsFileDialog(plat::Window w) {
  if (!w) w = WindowUnderCursor(true);
  if (!w) return 0;
  const int known = KnownFileDialog(w);
  if (known != 0) return known > 0 ? w : 0;
  return FindFallbackFileNameControl(w) ? w : 0;
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
