// e2e test program for the recent lists: the shell's recent documents and
// the directory change notification as the agent uses them.
//
//   recentprobe.exe recent            prints the user's Recent folder
//                                     (CSIDL_RECENT, created when missing)
//   recentprobe.exe add FILE...       SHAddToRecentDocs(SHARD_PATHW, FILE) each
//   recentprobe.exe adda FILE...      SHAddToRecentDocs(SHARD_PATHA, FILE) each (the
//                                     file name in the ANSI code page)
//   recentprobe.exe clear             SHAddToRecentDocs(SHARD_PATHW, NULL)
//   recentprobe.exe link LNK TARGET   writes the shortcut LNK to TARGET
//   recentprobe.exe target LNK        prints the target path of the shortcut LNK
//                                     (IShellLinkW::GetPath), "NONE" without one
//   recentprobe.exe watchtest DIR     an overlapped ReadDirectoryChangesW with no
//                                     buffer on DIR, a file made in DIR, then the
//                                     read's result: "complete=0|1 ok=0|1 error=N
//                                     bytes=N after=MS"
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <string>

namespace {

std::string Utf8(const std::wstring& w) {
  if (w.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
  return s;
}

int WriteLink(const wchar_t* lnk, const wchar_t* target) {
  CoInitialize(nullptr);
  IShellLinkW* link = nullptr;
  IPersistFile* file = nullptr;
  HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link));
  if (SUCCEEDED(hr)) hr = link->SetPath(target);
  if (SUCCEEDED(hr)) hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
  if (SUCCEEDED(hr)) hr = file->Save(lnk, TRUE);
  if (file) file->Release();
  if (link) link->Release();
  CoUninitialize();
  return SUCCEEDED(hr) ? 0 : 1;
}

int PrintTarget(const wchar_t* lnk) {
  CoInitialize(nullptr);
  IShellLinkW* link = nullptr;
  IPersistFile* file = nullptr;
  wchar_t target[MAX_PATH] = {};
  HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link));
  if (SUCCEEDED(hr)) hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
  if (SUCCEEDED(hr)) hr = file->Load(lnk, STGM_READ);
  if (SUCCEEDED(hr)) hr = link->GetPath(target, MAX_PATH, nullptr, 0);
  std::printf("%s\n", hr == S_OK && target[0] ? Utf8(target).c_str() : "NONE");
  if (file) file->Release();
  if (link) link->Release();
  CoUninitialize();
  return hr == S_OK ? 0 : 1;
}

int WatchTest(const wchar_t* dir) {
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE h = CreateFileW(dir, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    std::printf("open failed error=%lu\n", GetLastError());
    return 1;
  }
  OVERLAPPED ov{};
  ov.hEvent = event;
  if (!ReadDirectoryChangesW(h, nullptr, 0, FALSE, 0x51, nullptr, &ov, nullptr)) {
    std::printf("read failed error=%lu\n", GetLastError());
    return 1;
  }
  DWORD bytes = 0;
  BOOL early = GetOverlappedResult(h, &ov, &bytes, FALSE);
  std::printf("before change: ok=%d error=%lu\n", early ? 1 : 0, early ? 0 : GetLastError());
  const std::wstring file = std::wstring(dir) + L"\\watchtest.tmp";
  HANDLE f = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
  const DWORD t0 = GetTickCount();
  for (;;) {
    BOOL ok = GetOverlappedResult(h, &ov, &bytes, FALSE);
    DWORD error = ok ? 0 : GetLastError();
    if (ok || error != ERROR_IO_INCOMPLETE || GetTickCount() - t0 > 3000) {
      std::printf("complete=%d ok=%d error=%lu bytes=%lu after=%lu\n", ok || error != ERROR_IO_INCOMPLETE ? 1 : 0,
                  ok ? 1 : 0, error, bytes, GetTickCount() - t0);
      break;
    }
    Sleep(20);
  }
  DeleteFileW(file.c_str());
  CancelIo(h);
  CloseHandle(h);
  CloseHandle(event);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  const std::wstring cmd = argv[1];
  if (cmd == L"recent") {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_RECENT | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path)))
      return 1;
    std::printf("%s\n", Utf8(path).c_str());
    return 0;
  }
  if (cmd == L"add") {
    for (int i = 2; i < argc; ++i) SHAddToRecentDocs(SHARD_PATHW, argv[i]);
    return 0;
  }
  if (cmd == L"adda") {
    for (int i = 2; i < argc; ++i) {
      char path[MAX_PATH] = {};
      WideCharToMultiByte(CP_ACP, 0, argv[i], -1, path, MAX_PATH, nullptr, nullptr);
      SHAddToRecentDocs(SHARD_PATHA, path);
    }
    return 0;
  }
  if (cmd == L"clear") {
    SHAddToRecentDocs(SHARD_PATHW, nullptr);
    return 0;
  }
  if (cmd == L"link" && argc >= 4) return WriteLink(argv[2], argv[3]);
  if (cmd == L"target" && argc >= 3) return PrintTarget(argv[2]);
  if (cmd == L"watchtest" && argc >= 3) return WatchTest(argv[2]);
  return 2;
}
