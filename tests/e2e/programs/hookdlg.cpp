// hookdlg: shows a real Open dialog and logs the mouse input that reaches it,
// so an e2e scenario can tell whether a click was swallowed by the hook.
//
//   hookdlg.exe LOG
//     DIALOG hwnd=XXXXXXXX        the dialog, once it is activated
//     INPUT <message> hwnd=XXXXXXXX   each button or wheel message the
//                                 dialog's thread takes from its queue
//     CLOSED rc=N                 when the dialog has been closed
// The dialog's title is "Hook Test Open".
#include <windows.h>
#include <commdlg.h>

#include <cstdio>

namespace {

FILE* g_log = nullptr;
HHOOK g_getMessage = nullptr;
HHOOK g_cbt = nullptr;
bool g_dialogLogged = false;

LRESULT CALLBACK GetMessageProc(int code, WPARAM wp, LPARAM lp) {
  if (code == HC_ACTION && wp == PM_REMOVE) {
    const MSG* m = reinterpret_cast<const MSG*>(lp);
    const char* name = nullptr;
    switch (m->message) {
      case WM_LBUTTONDOWN:
        name = "WM_LBUTTONDOWN";
        break;
      case WM_LBUTTONDBLCLK:
        name = "WM_LBUTTONDBLCLK";
        break;
      case WM_MBUTTONDOWN:
        name = "WM_MBUTTONDOWN";
        break;
      case WM_MBUTTONUP:
        name = "WM_MBUTTONUP";
        break;
      case WM_MBUTTONDBLCLK:
        name = "WM_MBUTTONDBLCLK";
        break;
      case WM_RBUTTONDOWN:
        name = "WM_RBUTTONDOWN";
        break;
      case WM_RBUTTONUP:
        name = "WM_RBUTTONUP";
        break;
      case WM_NCMBUTTONDOWN:
        name = "WM_NCMBUTTONDOWN";
        break;
      case WM_NCRBUTTONDOWN:
        name = "WM_NCRBUTTONDOWN";
        break;
      case WM_MOUSEWHEEL:
        name = "WM_MOUSEWHEEL";
        break;
    }
    if (name) {
      fprintf(g_log, "INPUT %s hwnd=%08X\n", name, static_cast<unsigned>(reinterpret_cast<UINT_PTR>(m->hwnd)));
      fflush(g_log);
    }
  }
  return CallNextHookEx(g_getMessage, code, wp, lp);
}

LRESULT CALLBACK CbtProc(int code, WPARAM wp, LPARAM lp) {
  if (code == HCBT_ACTIVATE && !g_dialogLogged) {
    HWND w = reinterpret_cast<HWND>(wp);
    wchar_t cls[64] = {};
    GetClassNameW(w, cls, 64);
    if (lstrcmpW(cls, L"#32770") == 0) {
      g_dialogLogged = true;
      fprintf(g_log, "DIALOG hwnd=%08X\n", static_cast<unsigned>(reinterpret_cast<UINT_PTR>(w)));
      fflush(g_log);
    }
  }
  return CallNextHookEx(g_cbt, code, wp, lp);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  g_log = _wfopen(argv[1], L"ab");
  if (!g_log) return 2;
  g_getMessage = SetWindowsHookExW(WH_GETMESSAGE, GetMessageProc, nullptr, GetCurrentThreadId());
  g_cbt = SetWindowsHookExW(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());

  wchar_t file[MAX_PATH] = {};
  OPENFILENAMEW ofn = {};
  ofn.lStructSize = sizeof(ofn);
  ofn.lpstrFile = file;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrFilter = L"All files\0*.*\0";
  ofn.lpstrTitle = L"Hook Test Open";
  ofn.lpstrInitialDir = L"C:\\";
  ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  const BOOL rc = GetOpenFileNameW(&ofn);
  fprintf(g_log, "CLOSED rc=%d\n", rc);
  fflush(g_log);
  return 0;
}
