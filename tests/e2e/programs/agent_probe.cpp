// agent_probe: looks at and talks to a running agent in e2e runs.
//
//   agent_probe.exe find        prints "FOUND thread=N visible=0|1" and exits 0
//                               when the window "TVorlFolder" / "Vorlune Folder
//                               1.X" exists; prints "NONE" and exits 1 otherwise
//   agent_probe.exe post MSG    posts the thread message MSG (hexadecimal) to
//                               the agent's UI thread; exit 0 when posted
//   agent_probe.exe send MSG    sends the message MSG (hexadecimal) to the
//                               agent's window (5 s time-out); exit 0 when
//                               the window procedure returned
//   agent_probe.exe post-named NAME WPARAM
//                               registers the window message NAME and posts
//                               it with WPARAM (hexadecimal) to the agent's UI
//                               thread; exit 0 when posted
//   agent_probe.exe dialog [ID [CHECK]]
//                               exit 0 when the error dialog ("#32770",
//                               "Vorlune Folder") is on screen; with ID, sets
//                               the send box (id 1001) to CHECK (0 or 1) and
//                               clicks the button ID (1003 Ignore, 1004
//                               Restart, 1005 Terminate)
//   agent_probe.exe menu-open   exit 0 when a popup menu of the agent's thread
//                               is on screen
//   agent_probe.exe nothing     exits 0 at once (a baseline for start times)
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

HWND AgentWindow() { return FindWindowW(L"TVorlFolder", L"Vorlune Folder 1.X"); }

struct MenuSearch {
  DWORD thread;
  bool found;
};

BOOL CALLBACK FindMenu(HWND w, LPARAM lp) {
  auto* s = reinterpret_cast<MenuSearch*>(lp);
  wchar_t cls[16] = {};
  GetClassNameW(w, cls, 16);
  if (wcscmp(cls, L"#32768") == 0 && IsWindowVisible(w) && GetWindowThreadProcessId(w, nullptr) == s->thread) {
    s->found = true;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  const std::wstring cmd = argv[1];
  if (cmd == L"nothing") return 0;
  if (cmd == L"dialog") {
    HWND d = FindWindowW(L"#32770", L"Vorlune Folder");
    if (!d || !IsWindowVisible(d)) return 1;
    if (argc >= 3) {
      const int id = static_cast<int>(std::wcstol(argv[2], nullptr, 10));
      if (argc >= 4) {
        SendDlgItemMessageW(d, 1001, BM_SETCHECK, std::wcstol(argv[3], nullptr, 10) ? BST_CHECKED : BST_UNCHECKED, 0);
      }
      return PostMessageW(d, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(d, id))) ? 0
                                                                                                                  : 1;
    }
    return 0;
  }
  HWND w = AgentWindow();
  if (cmd == L"find") {
    if (!w) {
      std::puts("NONE");
      return 1;
    }
    std::printf("FOUND thread=%lu visible=%d\n", GetWindowThreadProcessId(w, nullptr), IsWindowVisible(w) ? 1 : 0);
    return 0;
  }
  if (!w) return 1;
  const DWORD thread = GetWindowThreadProcessId(w, nullptr);
  if (cmd == L"post" && argc >= 3) {
    const UINT msg = static_cast<UINT>(std::wcstoul(argv[2], nullptr, 16));
    return PostThreadMessageW(thread, msg, 0, 0) ? 0 : 1;
  }
  if (cmd == L"send" && argc >= 3) {
    const UINT msg = static_cast<UINT>(std::wcstoul(argv[2], nullptr, 16));
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(w, msg, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) ? 0 : 1;
  }
  if (cmd == L"post-named" && argc >= 4) {
    const UINT msg = RegisterWindowMessageW(argv[2]);
    const WPARAM wparam = static_cast<WPARAM>(std::wcstoull(argv[3], nullptr, 16));
    return msg && PostThreadMessageW(thread, msg, wparam, 0) ? 0 : 1;
  }
  if (cmd == L"menu-open") {
    MenuSearch s{thread, false};
    EnumWindows(FindMenu, reinterpret_cast<LPARAM>(&s));
    return s.found ? 0 : 1;
  }
  return 2;
}
