// Benchmark driver for the navigation of a real Open dialog (bench/e2e_navigation.sh).
//
// It shows an Open dialog ("Nav Bench") with the file name NAME typed in,
// stamps every folder change of the dialog (CDN_FOLDERCHANGE, GetTickCount on
// the dialog's thread), and from a second thread plays the user, with input
// injected as the mouse and keyboard would give it:
//
//   ours:  middle click on the file list -> the agent's menu on screen (stamp),
//          Down n times + Enter (stamp) -> folder change (stamp) -> the box
//          shows NAME again (stamp);
//   floor: another process (this program, "floor" mode) sets the box to the
//          folder and posts Enter; it stamps the moment before it does.
//
// The dialog is put on the other folder (unmeasured) before every measured
// switch. Each measurement prints one line:
//   ours FOLDER menu_ms nav_ms back_ms
//   floor FOLDER nav_ms
//   steps FOLDER emptied ms typed ms   (from the key: the agent emptied the box, put the folder in)
// (menu_ms -1 when the menu needed a second click; back_ms -1 when NAME never
// came back). The agent must run with favourites whose first entries are the
// folders given, in that order (Down n picks folder n).
//
// navbench.exe run ROUNDS NAME FOLDER1 FOLDER2
// navbench.exe floor EDIT_HWND_HEX FOLDER    (exit code: the tick of the set-text)
#include <windows.h>
#include <commdlg.h>

#include <atomic>
#include <cstdio>
#include <cwchar>
#include <string>
#include <thread>

namespace {

std::atomic<HWND> g_dialog{nullptr};
std::atomic<DWORD> g_folderTick{0};
std::atomic<unsigned> g_folderChanges{0};

UINT_PTR CALLBACK HookProc(HWND child, UINT msg, WPARAM, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    g_dialog = GetParent(child);
  } else if (msg == WM_NOTIFY) {
    const auto* n = reinterpret_cast<const OFNOTIFYW*>(lp);
    if (n->hdr.code == CDN_FOLDERCHANGE) {
      g_folderTick = GetTickCount();
      g_folderChanges.fetch_add(1);
    }
  }
  return 0;
}

std::wstring ClassOf(HWND h) {
  wchar_t buf[64] = {};
  GetClassNameW(h, buf, 64);
  return buf;
}

HWND FileNameBox(HWND dialog) {
  HWND cbx = FindWindowExW(dialog, nullptr, L"ComboBoxEx32", nullptr);
  HWND cb = cbx ? FindWindowExW(cbx, nullptr, L"ComboBox", nullptr) : nullptr;
  HWND edit = cb ? FindWindowExW(cb, nullptr, L"Edit", nullptr) : nullptr;
  if (edit) return edit;
  HWND combo = GetDlgItem(dialog, 0x47c);  // cmb13, the file name combo box (edt1 0x480 in old dialogs)
  return combo ? FindWindowExW(combo, nullptr, L"Edit", nullptr) : GetDlgItem(dialog, 0x480);
}

std::wstring BoxText(HWND box) {
  wchar_t buf[MAX_PATH] = {};
  DWORD_PTR r = 0;
  if (!SendMessageTimeoutW(box, WM_GETTEXT, MAX_PATH, reinterpret_cast<LPARAM>(buf), SMTO_NORMAL, 200, &r))
    return L"\x1";  // no answer: matches nothing
  return buf;
}

std::wstring Folder(HWND dialog) {
  wchar_t buf[MAX_PATH] = {};
  DWORD_PTR r = 0;
  SendMessageTimeoutW(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(buf), SMTO_NORMAL, 1000, &r);
  return buf;
}

void Key(WORD vk) {
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_KEYBOARD;
  in[0].ki.wVk = in[1].ki.wVk = vk;
  in[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, in, sizeof(INPUT));
}

void MiddleClick(POINT p) {
  SetCursorPos(p.x, p.y);
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_MOUSE;
  in[0].mi.dwFlags = MOUSEEVENTF_MIDDLEDOWN;
  in[1].mi.dwFlags = MOUSEEVENTF_MIDDLEUP;
  SendInput(2, in, sizeof(INPUT));
}

BOOL CALLBACK FindMenu(HWND w, LPARAM lp) {
  if (ClassOf(w) == L"#32768" && IsWindowVisible(w)) {
    *reinterpret_cast<bool*>(lp) = true;
    return FALSE;
  }
  return TRUE;
}

bool MenuOnScreen() {
  bool found = false;
  EnumWindows(FindMenu, reinterpret_cast<LPARAM>(&found));
  return found;
}

// Polls every millisecond until the condition holds or ms pass; the tick it held.
template <class F>
DWORD WaitFor(F cond, DWORD ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (cond()) return GetTickCount();
    if (GetTickCount() - start > ms) return 0;
    Sleep(1);
  }
}

// Another process sets the box and posts Enter; the tick it did so.
DWORD FloorSwitch(HWND box, const std::wstring& folder) {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  wchar_t cmd[3 * MAX_PATH];
  std::swprintf(cmd, sizeof cmd / sizeof cmd[0], L"\"%ls\" floor %llX \"%ls\"", self,
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(box)), folder.c_str());
  STARTUPINFOW si{sizeof si};
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, cmd, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 0;
  WaitForSingleObject(pi.hProcess, 20000);
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  return code;
}

bool SameFolder(const std::wstring& a, const std::wstring& b) { return lstrcmpiW(a.c_str(), b.c_str()) == 0; }

// Brings the dialog to FOLDER by the floor's way (unmeasured) and puts NAME back.
bool Prepare(HWND dialog, HWND box, const std::wstring& folder, const std::wstring& name) {
  if (!SameFolder(Folder(dialog), folder)) {
    FloorSwitch(box, folder);
    if (!WaitFor([&] { return SameFolder(Folder(dialog), folder); }, 10000)) return false;
  }
  Sleep(300);
  SendMessageTimeoutW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()), SMTO_NORMAL, 1000, nullptr);
  SetForegroundWindow(dialog);
  Sleep(300);
  return true;
}

void Run(int rounds, const std::wstring& name, const std::wstring folders[2]) {
  HWND dialog = nullptr;
  WaitFor([&] { return (dialog = g_dialog.load()) != nullptr && IsWindowVisible(dialog); }, 30000);
  if (!dialog) {
    std::printf("error no dialog\n");
    return;
  }
  HWND box = FileNameBox(dialog);
  HWND view = FindWindowExW(dialog, nullptr, L"SHELLDLL_DefView", nullptr);
  RECT r{};
  GetWindowRect(view ? view : dialog, &r);
  const POINT middle{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  WaitFor([&] { return !Folder(dialog).empty(); }, 10000);
  Sleep(500);

  for (int round = 0; round < rounds; ++round) {
    for (int f = 0; f < 2; ++f) {
      const std::wstring& to = folders[f];
      const std::wstring& from = folders[1 - f];
      // Ours.
      if (!Prepare(dialog, box, from, name)) {
        std::printf("error prepare\n");
        return;
      }
      int menuMs = -1;
      bool up = false;
      for (int attempt = 0; attempt < 6 && !up; ++attempt) {
        const DWORD click = GetTickCount();
        MiddleClick(middle);
        const DWORD shown = WaitFor(MenuOnScreen, 5000);
        up = shown != 0;
        if (up && attempt == 0) menuMs = static_cast<int>(shown - click);
      }
      if (!up) {
        std::printf("error no menu\n");
        return;
      }
      Sleep(200);  // the menu painted, as a user would see it
      for (int i = 0; i <= f; ++i) Key(VK_DOWN);
      Sleep(50);
      const unsigned changes = g_folderChanges.load();
      const DWORD key = GetTickCount();
      Key(VK_RETURN);
      // Where the time goes: the box emptied by the agent, then holding the folder.
      DWORD emptied = 0, typed = 0;
      const bool moved = WaitFor(
                             [&] {
                               if (g_folderChanges.load() != changes) return true;
                               const std::wstring t = BoxText(box);
                               if (!emptied && t.empty()) emptied = GetTickCount();
                               if (!typed && lstrcmpiW(t.c_str(), to.c_str()) == 0) typed = GetTickCount();
                               return false;
                             },
                             10000) != 0;
      const DWORD changed = g_folderTick.load();
      const DWORD back = WaitFor([&] { return BoxText(box) == name; }, 10000);
      if (!moved || !SameFolder(Folder(dialog), to)) {
        std::printf("error ours did not reach %ls\n", to.c_str());
        return;
      }
      std::printf("ours %ls %d %d %d\n", to.c_str(), menuMs, static_cast<int>(changed - key),
                  back ? static_cast<int>(back - changed) : -1);
      std::printf("steps %ls emptied %d typed %d\n", to.c_str(), emptied ? static_cast<int>(emptied - key) : -1,
                  typed ? static_cast<int>(typed - key) : -1);
      std::fflush(stdout);
      // Let the agent finish its request before the next one.
      Sleep(1500);

      // The floor.
      if (!Prepare(dialog, box, from, name)) {
        std::printf("error prepare\n");
        return;
      }
      const unsigned before = g_folderChanges.load();
      const DWORD set = FloorSwitch(box, to);
      const bool floorMoved = WaitFor([&] { return g_folderChanges.load() != before; }, 10000) != 0;
      if (!floorMoved || !set) {
        std::printf("error floor did not reach %ls\n", to.c_str());
        return;
      }
      std::printf("floor %ls %d\n", to.c_str(), static_cast<int>(g_folderTick.load() - set));
      std::fflush(stdout);
    }
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc >= 4 && std::wcscmp(argv[1], L"floor") == 0) {
    HWND box = reinterpret_cast<HWND>(static_cast<uintptr_t>(std::wcstoull(argv[2], nullptr, 16)));
    const DWORD tick = GetTickCount();
    SendMessageTimeoutW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[3]), SMTO_NORMAL, 200, nullptr);
    PostMessageW(box, WM_KEYDOWN, VK_RETURN, 0);
    PostMessageW(box, WM_KEYUP, VK_RETURN, 0);
    return static_cast<int>(tick);
  }
  if (argc < 6 || std::wcscmp(argv[1], L"run") != 0) {
    std::fprintf(stderr, "usage: navbench run ROUNDS NAME FOLDER1 FOLDER2 | navbench floor EDIT FOLDER\n");
    return 2;
  }
  const int rounds = static_cast<int>(std::wcstol(argv[2], nullptr, 10));
  const std::wstring name = argv[3];
  const std::wstring folders[2] = {argv[4], argv[5]};

  std::thread driver([&] {
    Run(rounds, name, folders);
    if (HWND d = g_dialog.load()) PostMessageW(d, WM_COMMAND, IDCANCEL, 0);
  });
  wchar_t file[MAX_PATH] = {};
  lstrcpynW(file, name.c_str(), MAX_PATH);
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.lpstrFilter = L"All files\0*.*\0";
  ofn.lpstrFile = file;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrInitialDir = folders[1].c_str();
  ofn.lpstrTitle = L"Nav Bench";
  ofn.lpfnHook = HookProc;
  ofn.Flags = OFN_EXPLORER | OFN_ENABLEHOOK | OFN_HIDEREADONLY;
  GetOpenFileNameW(&ofn);
  driver.join();
  return 0;
}
