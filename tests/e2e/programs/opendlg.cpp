// e2e test program: shows a real Open dialog (GetOpenFileNameW, Explorer
// style) titled "Open Test" and, from a watcher thread, reports what it shows
// into a status file every 100 ms:
//   dialog=<hwnd hex>
//   folder=<the folder it lists>
//   filename=<the text of its file name box>
//   items=<the names it lists, separated by |>
//   tree=<class>|<style hex>|<ex-style hex>|<depth>  (the dialog's window tree)
//
// opendlg.exe STATUS_FILE INITIAL_FOLDER INITIAL_FILE_NAME [LATE_MS]
//
// With LATE_MS, the dialog is late to its queue once: when a path (a text with
// a backslash) is set into its file name box, its thread waits LATE_MS in a
// send to another thread. It answers sent messages meanwhile, but what was
// posted to it (the Enter) waits, as in a dialog busy with a call elsewhere.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <atomic>
#include <cstdio>
#include <cwchar>
#include <string>
#include <thread>

#include "window_dump.h"

namespace {

std::wstring g_status;
std::atomic<bool> g_done{false};

HWND FindDialog() {
  struct Ctx {
    DWORD pid;
    HWND found;
  } ctx{GetCurrentProcessId(), nullptr};
  EnumWindows(
      [](HWND h, LPARAM lp) -> BOOL {
        auto* c = reinterpret_cast<Ctx*>(lp);
        DWORD pid = 0;
        GetWindowThreadProcessId(h, &pid);
        wchar_t title[64] = {};
        GetWindowTextW(h, title, 64);
        if (pid == c->pid && std::wstring(title) == L"Open Test" && ClassOf(h) == L"#32770") {
          c->found = h;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&ctx));
  return ctx.found;
}

std::wstring Items(HWND dialog) {
  HWND view = FindWindowExW(dialog, nullptr, L"SHELLDLL_DefView", nullptr);
  HWND list = view ? FindWindowExW(view, nullptr, L"SysListView32", nullptr) : nullptr;
  if (!list) return L"";
  std::wstring out;
  int n = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    wchar_t buf[MAX_PATH] = {};
    LVITEMW item{};
    item.iSubItem = 0;
    item.pszText = buf;
    item.cchTextMax = MAX_PATH;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    if (!out.empty()) out += L"|";
    out += buf;
  }
  return out;
}

void Report(HWND dialog) {
  wchar_t folder[MAX_PATH] = {};
  SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder));
  wchar_t spec[MAX_PATH] = {};
  SendMessageW(dialog, CDM_GETSPEC, MAX_PATH, reinterpret_cast<LPARAM>(spec));
  char head[64];
  std::snprintf(head, sizeof head, "dialog=%llX\n",
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(dialog)));
  std::string text = head;
  text += "folder=" + Utf8(folder) + "\n";
  text += "filename=" + Utf8(spec) + "\n";
  text += "items=" + Utf8(Items(dialog)) + "\n";
  Tree(dialog, 0, text);
  std::wstring tmp = g_status + L".tmp";
  HANDLE f = CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(f);
  MoveFileExW(tmp.c_str(), g_status.c_str(), MOVEFILE_REPLACE_EXISTING);
}

// The late queue: a window of a helper thread that answers kLateSend after
// g_late_ms. A path set into an edit box of the dialog (the file name box)
// posts kLateWait to that box once; when the dialog's loop gets to it, the
// box's thread waits in the send. The text is set first, as the sender
// expects. The boxes' procedures are wrapped: a hook would see a text sent
// from another process still packed.
constexpr UINT kLateSend = WM_APP + 1;
constexpr UINT kLateWait = WM_APP + 2;
constexpr wchar_t kEditProc[] = L"OpenTestEditProc";
DWORD g_late_ms = 0;
HWND g_late_window = nullptr;
bool g_late_started = false;
bool g_edits_watched = false;

LRESULT CALLBACK LateWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kLateSend) {
    Sleep(g_late_ms);
    return 1;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT CALLBACK LateEditProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_SETTEXT && !g_late_started && lp && std::wcschr(reinterpret_cast<const wchar_t*>(lp), L'\\')) {
    g_late_started = true;
    PostMessageW(hwnd, kLateWait, 0, 0);
  }
  if (msg == kLateWait) {
    std::printf("late queue: waiting %lu ms\n", g_late_ms);
    std::fflush(stdout);
    SendMessageW(g_late_window, kLateSend, 0, 0);
    return 0;
  }
  return CallWindowProcW(reinterpret_cast<WNDPROC>(GetPropW(hwnd, kEditProc)), hwnd, msg, wp, lp);
}

void WatchEdits(HWND dialog) {
  if (!g_late_ms || g_edits_watched) return;
  g_edits_watched = true;
  EnumChildWindows(
      dialog,
      [](HWND h, LPARAM) -> BOOL {
        if (ClassOf(h) == L"Edit") {
          SetPropW(h, kEditProc, reinterpret_cast<HANDLE>(GetWindowLongPtrW(h, GWLP_WNDPROC)));
          SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&LateEditProc));
        }
        return TRUE;
      },
      0);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: opendlg STATUS_FILE INITIAL_FOLDER INITIAL_FILE_NAME\n");
    return 2;
  }
  g_status = argv[1];
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);

  std::thread late;
  if (argc >= 5 && (g_late_ms = static_cast<DWORD>(_wtoi(argv[4]))) > 0) {
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    late = std::thread([ready] {
      WNDCLASSW wc{};
      wc.lpfnWndProc = LateWindowProc;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.lpszClassName = L"OpenTestLate";
      RegisterClassW(&wc);
      g_late_window = CreateWindowW(L"OpenTestLate", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
      SetEvent(ready);
      MSG m;
      while (GetMessageW(&m, nullptr, 0, 0) > 0) DispatchMessageW(&m);
    });
    WaitForSingleObject(ready, INFINITE);
    CloseHandle(ready);
  }

  std::thread watcher([] {
    while (!g_done) {
      if (HWND d = FindDialog()) {
        WatchEdits(d);
        Report(d);
      }
      Sleep(100);
    }
  });

  wchar_t file[MAX_PATH] = {};
  lstrcpynW(file, argv[3], MAX_PATH);
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.lpstrFilter = L"All files\0*.*\0Text files\0*.txt\0";
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrInitialDir = argv[2];
  ofn.lpstrTitle = L"Open Test";
  ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  BOOL ok = GetOpenFileNameW(&ofn);
  g_done = true;
  watcher.join();
  if (late.joinable()) {
    PostMessageW(g_late_window, WM_QUIT, 0, 0);
    late.join();
  }
  std::printf("result=%d file=%s\n", ok ? 1 : 0, Utf8(file).c_str());
  return 0;
}
