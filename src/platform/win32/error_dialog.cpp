// The error dialog box over user32: an empty dialog template made in memory;
// the controls are created in pixels when the dialog starts.
#include "platform/error_dialog.h"

#include <windows.h>

#include "platform/win32/unique.h"

#include <atomic>
#include <vector>

namespace plat {
namespace {

// Control identifiers (the e2e programs click them by these numbers).
constexpr int kIdCheckBox = 1001;
constexpr int kIdUpdates = 1002;
constexpr int kIdIgnore = 1003;
constexpr int kIdRestart = 1004;
constexpr int kIdTerminate = 1005;
constexpr int kIdMessage = 1006;
constexpr int kIdWait = 1007;

constexpr int kClientWidth = 361;
constexpr int kClientHeight = 219;

struct DialogRun {
  const ErrorDialogTexts* texts = nullptr;
  bool checked = true;
  const ErrorDialogClick* on_click = nullptr;
  plat::win32::UniqueFont normal, bold, big;
};

HWND g_dialog = nullptr;  // only the UI thread shows the dialog
std::atomic<bool> g_showing{false};

HWND AddControl(HWND dlg, const wchar_t* cls, const std::wstring& text, DWORD style, int x, int y, int w, int h, int id,
                HFONT font) {
  HWND c = ::CreateWindowExW(0, cls, text.c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style, x, y, w, h, dlg,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr), nullptr);
  if (c && font) ::SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return c;
}

HFONT MakeFont(int height, int weight) {
  return ::CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"MS Shell Dlg");
}

void Create(HWND dlg, DialogRun& run) {
  const ErrorDialogTexts& t = *run.texts;
  HDC dc = ::GetDC(dlg);
  const int dpi = dc ? ::GetDeviceCaps(dc, LOGPIXELSY) : 96;
  if (dc) ::ReleaseDC(dlg, dc);
  run.normal.reset(MakeFont(-MulDiv(8, dpi, 72), FW_NORMAL));
  run.bold.reset(MakeFont(-MulDiv(8, dpi, 72), FW_BOLD));
  run.big.reset(MakeFont(-MulDiv(20, dpi, 72), FW_BOLD));

  ::SetWindowTextW(dlg, t.caption.c_str());
  HWND icon = AddControl(dlg, L"STATIC", L"", SS_ICON, 10, 10, 32, 32, -1, nullptr);
  ::SendMessageW(icon, STM_SETICON, reinterpret_cast<WPARAM>(::LoadIconW(nullptr, IDI_ERROR)), 0);
  AddControl(dlg, L"STATIC", t.heading, SS_LEFT, 52, 18, 300, 16, -1, run.normal.get());
  AddControl(dlg, L"STATIC", t.message, SS_CENTER | SS_NOPREFIX, 10, 46, 341, 30, kIdMessage, run.bold.get());
  AddControl(dlg, L"STATIC", t.sorry, SS_LEFT, 10, 80, 341, 14, -1, run.normal.get());
  AddControl(dlg, L"STATIC", t.ask, SS_LEFT, 10, 96, 341, 14, -1, run.bold.get());
  AddControl(dlg, L"STATIC", t.report, SS_LEFT, 10, 112, 341, 42, -1, run.normal.get());
  HWND box = AddControl(dlg, L"BUTTON", t.check_box, BS_AUTOCHECKBOX | WS_TABSTOP, 10, 157, 250, 18, kIdCheckBox,
                        run.normal.get());
  ::SendMessageW(box, BM_SETCHECK, run.checked ? BST_CHECKED : BST_UNCHECKED, 0);
  AddControl(dlg, L"BUTTON", t.updates, BS_PUSHBUTTON | WS_TABSTOP, 10, 182, 110, 26, kIdUpdates, run.normal.get());
  AddControl(dlg, L"BUTTON", t.ignore, BS_DEFPUSHBUTTON | WS_TABSTOP, 130, 182, 70, 26, kIdIgnore, run.normal.get());
  AddControl(dlg, L"BUTTON", t.restart, BS_PUSHBUTTON | WS_TABSTOP, 205, 182, 70, 26, kIdRestart, run.normal.get());
  AddControl(dlg, L"BUTTON", t.terminate, BS_PUSHBUTTON | WS_TABSTOP, 280, 182, 72, 26, kIdTerminate, run.normal.get());
  HWND wait = AddControl(dlg, L"STATIC", t.wait, SS_CENTER | SS_CENTERIMAGE, 60, 70, 241, 44, kIdWait, run.big.get());
  ::ShowWindow(wait, SW_HIDE);

  // 361 x 219 client pixels, centred on the screen.
  RECT r{0, 0, kClientWidth, kClientHeight};
  ::AdjustWindowRectEx(&r, static_cast<DWORD>(::GetWindowLongW(dlg, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongW(dlg, GWL_EXSTYLE)));
  const int w = r.right - r.left, h = r.bottom - r.top;
  const int sx = ::GetSystemMetrics(SM_CXSCREEN), sy = ::GetSystemMetrics(SM_CYSCREEN);
  ::SetWindowPos(dlg, HWND_TOP, (sx - w) / 2, (sy - h) / 2, w, h, SWP_SHOWWINDOW);
  ::SetForegroundWindow(dlg);
  ::SetFocus(::GetDlgItem(dlg, kIdIgnore));
}

INT_PTR CALLBACK DialogProc(HWND dlg, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* run = reinterpret_cast<DialogRun*>(::GetWindowLongPtrW(dlg, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      ::SetWindowLongPtrW(dlg, DWLP_USER, lparam);
      g_dialog = dlg;
      Create(dlg, *reinterpret_cast<DialogRun*>(lparam));
      return FALSE;  // the focus is set
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lparam) == ::GetDlgItem(dlg, kIdWait)) {
        // "Please wait." is opaque over the texts below it.
        ::SetBkColor(reinterpret_cast<HDC>(wparam), ::GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<INT_PTR>(::GetSysColorBrush(COLOR_BTNFACE));
      }
      return FALSE;
    case WM_COMMAND: {
      if (HIWORD(wparam) != BN_CLICKED || !run) return FALSE;
      const int id = LOWORD(wparam);
      if (id == IDCANCEL) {
        ::EndDialog(dlg, IDCANCEL);
        return TRUE;
      }
      ErrorDialogButton button;
      switch (id) {
        case kIdUpdates:
          button = ErrorDialogButton::kCheckForUpdates;
          break;
        case kIdIgnore:
          button = ErrorDialogButton::kIgnore;
          break;
        case kIdRestart:
          button = ErrorDialogButton::kRestart;
          break;
        case kIdTerminate:
          button = ErrorDialogButton::kTerminate;
          break;
        default:
          return FALSE;
      }
      bool close = true;
      // No exception may unwind through the dialog manager's frames.
      try {
        close = (*run->on_click)(button);
      } catch (...) {
        close = true;
      }
      if (close) ::EndDialog(dlg, id);
      return TRUE;
    }
    case WM_CLOSE:
      ::EndDialog(dlg, IDCANCEL);
      return TRUE;
  }
  return FALSE;
}

}  // namespace

bool ShowErrorDialogModal(const ErrorDialogTexts& texts, bool checked, const ErrorDialogClick& on_click) {
  // An empty template: no controls, no font; the procedure adds the rest.
  alignas(4) WORD tmpl[16] = {};
  auto* dt = reinterpret_cast<DLGTEMPLATE*>(tmpl);
  dt->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;
  dt->dwExtendedStyle = WS_EX_TOPMOST;
  dt->cdit = 0;
  dt->cx = 240;
  dt->cy = 140;
  // Menu, class and title follow the fixed part as empty entries (zeros).
  DialogRun run;
  run.texts = &texts;
  run.checked = checked;
  run.on_click = &on_click;
  g_showing = true;
  const INT_PTR r =
      ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), dt, nullptr, DialogProc, reinterpret_cast<LPARAM>(&run));
  g_showing = false;
  g_dialog = nullptr;
  return r != -1 && r != 0;
}

bool ErrorDialogChecked() { return g_dialog && ::IsDlgButtonChecked(g_dialog, kIdCheckBox) == BST_CHECKED; }

void ShowErrorDialogWait(bool visible) {
  if (!g_dialog) return;
  HWND wait = ::GetDlgItem(g_dialog, kIdWait);
  ::SetWindowPos(wait, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | (visible ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
  ::UpdateWindow(g_dialog);
  ::RedrawWindow(g_dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

bool ErrorDialogShowing() { return g_showing; }

}  // namespace plat
