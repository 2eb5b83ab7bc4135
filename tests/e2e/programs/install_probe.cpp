// install_probe: looks at what the installer made, for the e2e scenarios.
//
//   install_probe.exe version FILE   prints "FileVersion=V ProductVersion=V" read from
//                                    FILE's version resource; exit 1 when it has none
//   install_probe.exe agents         prints one line per running qorbin.exe with its
//                                    full path, then "COUNT=N"; exit 0
//   install_probe.exe shortcut LNK   prints the target of the shortcut LNK (the
//                                    shell's link object); exit 1 when it cannot be read
//   install_probe.exe window TITLE   prints "FOUND" and exits 0 when a visible top-level
//                                    window has the caption TITLE; "NONE", exit 1 otherwise
//   install_probe.exe tab TITLE      prints the selected page (TCM_GETCURSEL) of the first tab
//                                    control in the visible top-level window TITLE
//   install_probe.exe close TITLE    posts WM_CLOSE to the visible top-level window TITLE
//   install_probe.exe texts TITLE    prints the text of every child window of every visible
//                                    top-level window TITLE (a dialog and its message box;
//                                    blanks at the end of a caption do not count)
//   install_probe.exe press TITLE CAPTION
//                                    clicks (BM_CLICK) the enabled button CAPTION in a visible
//                                    top-level window TITLE; exit 1 when there is none
//   install_probe.exe record FILE ARGS...
//                                    writes ARGS, one per line, into FILE (a stand-in for the
//                                    web browser: what the program asked the shell to open)
//   install_probe.exe hold FILE SECS opens FILE without sharing for SECS seconds
//                                    (a file in use); prints "HELD" once it holds it
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

std::wstring VersionString(const std::vector<char>& block, const wchar_t* name) {
  struct Translation {
    WORD language, code_page;
  };
  Translation* t = nullptr;
  UINT size = 0;
  wchar_t key[64];
  if (VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&t), &size) &&
      size >= sizeof(Translation)) {
    swprintf(key, 64, L"\\StringFileInfo\\%04x%04x\\%ls", t->language, t->code_page, name);
  } else {
    swprintf(key, 64, L"\\StringFileInfo\\040904b0\\%ls", name);
  }
  wchar_t* value = nullptr;
  if (!VerQueryValueW(block.data(), key, reinterpret_cast<void**>(&value), &size) || !value) return L"";
  return value;
}

int Version(const wchar_t* file) {
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(file, &handle);
  if (size == 0) {
    std::printf("NONE error=%lu\n", GetLastError());
    return 1;
  }
  std::vector<char> block(size);
  if (!GetFileVersionInfoW(file, 0, size, block.data())) return 1;
  std::printf("FileVersion=%ls ProductVersion=%ls\n", VersionString(block, L"FileVersion").c_str(),
              VersionString(block, L"ProductVersion").c_str());
  return 0;
}

int Agents() {
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return 1;
  PROCESSENTRY32W e{};
  e.dwSize = sizeof e;
  int count = 0;
  for (BOOL ok = Process32FirstW(snap, &e); ok; ok = Process32NextW(snap, &e)) {
    if (_wcsicmp(e.szExeFile, L"qorbin.exe") != 0) continue;
    ++count;
    wchar_t path[MAX_PATH] = L"?";
    if (HANDLE p = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, e.th32ProcessID)) {
      DWORD n = MAX_PATH;
      if (!QueryFullProcessImageNameW(p, 0, path, &n)) wcscpy(path, L"?");
      CloseHandle(p);
    }
    std::printf("AGENT pid=%lu path=%ls\n", e.th32ProcessID, path);
  }
  CloseHandle(snap);
  std::printf("COUNT=%d\n", count);
  return 0;
}

int Shortcut(const wchar_t* lnk) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IShellLinkW* link = nullptr;
  int rc = 1;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                 reinterpret_cast<void**>(&link)))) {
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      wchar_t target[MAX_PATH] = {};
      if (SUCCEEDED(file->Load(lnk, STGM_READ)) && SUCCEEDED(link->GetPath(target, MAX_PATH, nullptr, 0))) {
        std::printf("%ls\n", target);
        rc = 0;
      }
      file->Release();
    }
    link->Release();
  }
  CoUninitialize();
  return rc;
}

int Window(const wchar_t* title) {
  HWND w = FindWindowW(nullptr, title);
  if (w && IsWindowVisible(w)) {
    std::printf("FOUND\n");
    return 0;
  }
  std::printf("NONE\n");
  return 1;
}

int Tab(const wchar_t* title) {
  HWND w = FindWindowW(nullptr, title);
  HWND tabs = w ? FindWindowExW(w, nullptr, WC_TABCONTROLW, nullptr) : nullptr;
  if (!tabs) return 1;
  std::printf("%d\n", static_cast<int>(SendMessageW(tabs, TCM_GETCURSEL, 0, 0)));
  return 0;
}

int Close(const wchar_t* title) {
  HWND w = FindWindowW(nullptr, title);
  return w && PostMessageW(w, WM_CLOSE, 0, 0) ? 0 : 1;
}

std::vector<HWND> TopLevel(const std::wstring& title) {
  struct S {
    const std::wstring* title;
    std::vector<HWND> found;
  } s{&title, {}};
  EnumWindows(
      [](HWND w, LPARAM lp) -> BOOL {
        auto* s = reinterpret_cast<S*>(lp);
        wchar_t text[256] = {};
        GetWindowTextW(w, text, 256);
        // The setup's pages add a blank subtitle to the caption.
        std::wstring caption = text;
        while (!caption.empty() && caption.back() == L' ') caption.pop_back();
        if (IsWindowVisible(w) && *s->title == caption) s->found.push_back(w);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&s));
  return s.found;
}

std::vector<HWND> Descendants(HWND parent) {
  std::vector<HWND> all;
  EnumChildWindows(
      parent,
      [](HWND w, LPARAM lp) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&all));
  return all;
}

std::wstring TextOf(HWND w) {
  wchar_t text[1024] = {};
  SendMessageTimeoutW(w, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, nullptr);
  return text;
}

int Texts(const wchar_t* title) {
  for (HWND top : TopLevel(title)) {
    for (HWND w : Descendants(top)) {
      if (IsWindowVisible(w)) std::printf("%ls\n", TextOf(w).c_str());
    }
  }
  return 0;
}

int Press(const wchar_t* title, const wchar_t* caption) {
  for (HWND top : TopLevel(title)) {
    for (HWND w : Descendants(top)) {
      wchar_t cls[32] = {};
      GetClassNameW(w, cls, 32);
      if (_wcsicmp(cls, L"Button") == 0 && IsWindowVisible(w) && IsWindowEnabled(w) && TextOf(w) == caption) {
        return PostMessageW(w, BM_CLICK, 0, 0) ? 0 : 1;
      }
    }
  }
  return 1;
}

int Record(const wchar_t* file, int argc, wchar_t** argv) {
  FILE* f = _wfopen(file, L"w");
  if (!f) return 1;
  for (int i = 0; i < argc; ++i) std::fprintf(f, "%ls\n", argv[i]);
  std::fclose(f);
  return 0;
}

int Hold(const wchar_t* file, int seconds) {
  HANDLE h = CreateFileW(file, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    std::printf("FAILED error=%lu\n", GetLastError());
    return 1;
  }
  std::printf("HELD\n");
  std::fflush(stdout);
  Sleep(static_cast<DWORD>(seconds) * 1000);
  CloseHandle(h);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  const std::wstring cmd = argv[1];
  if (cmd == L"version" && argc >= 3) return Version(argv[2]);
  if (cmd == L"agents") return Agents();
  if (cmd == L"shortcut" && argc >= 3) return Shortcut(argv[2]);
  if (cmd == L"window" && argc >= 3) return Window(argv[2]);
  if (cmd == L"tab" && argc >= 3) return Tab(argv[2]);
  if (cmd == L"close" && argc >= 3) return Close(argv[2]);
  if (cmd == L"texts" && argc >= 3) return Texts(argv[2]);
  if (cmd == L"press" && argc >= 4) return Press(argv[2], argv[3]);
  if (cmd == L"record" && argc >= 3) return Record(argv[2], argc - 3, argv + 3);
  if (cmd == L"hold" && argc >= 4) return Hold(argv[2], static_cast<int>(std::wcstol(argv[3], nullptr, 10)));
  return 2;
}
