// zip_probe ARCHIVE BASE FILE...: writes ARCHIVE with the agent's ZIP writer
// under Windows (Wine). "{cyr}" in a FILE stands for a Cyrillic file name; the
// probe creates that file itself (command lines under Wine may not carry it).
// Prints one line per EZipError ("error 0x4004: Read file error"), then
// "pumped" when a message posted to the probe's window before the first file
// was dispatched while the files were compressed. Exit status 1 when a file failed.
#include <windows.h>

#include <cstdio>
#include <string>

#include "errors/file_tools.h"

namespace {
constexpr UINT kProbeMessage = WM_APP + 7;
bool g_pumped = false;

LRESULT CALLBACK ProbeProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == kProbeMessage) {
    g_pumped = true;
    return 0;
  }
  return ::DefWindowProcW(w, m, wp, lp);
}

std::wstring Expand(std::wstring arg, bool* made) {
  const std::wstring key = L"{cyr}";
  auto at = arg.find(key);
  if (at == std::wstring::npos) return arg;
  arg.replace(at, key.size(), L"\x043E\x0442\x0447\x0451\x0442");
  HANDLE h = ::CreateFileW(arg.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    DWORD n = 0;
    ::WriteFile(h, "report of the day\r\n", 19, &n, nullptr);
    ::CloseHandle(h);
    *made = true;
  }
  return arg;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::printf("usage: zip_probe ARCHIVE BASE FILE...\n");
    return 2;
  }
  // A message-only window: the pump dispatches window messages (thread
  // messages are kept for the main loop and posted again).
  WNDCLASSW wc{};
  wc.lpfnWndProc = ProbeProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"ZipProbeWindow";
  ::RegisterClassW(&wc);
  HWND probe = ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  ::PostMessageW(probe, kProbeMessage, 0, 0);
  int failures = 0;
  try {
    errors::TZip zip(argv[1], errors::kZipBufferSize, argv[2]);
    for (int i = 3; i < argc; ++i) {
      bool made = false;
      std::wstring file = Expand(argv[i], &made);
      try {
        zip.AddFile(file);
      } catch (const errors::EZipError& e) {
        std::printf("error 0x%04X: %s\n", e.Code(), e.what());
        ++failures;
      }
    }
    zip.Close();
  } catch (const errors::EZipError& e) {
    std::printf("error 0x%04X: %s\n", e.Code(), e.what());
    ++failures;
  }
  if (g_pumped) std::printf("pumped\n");
  std::fflush(stdout);
  return failures == 0 ? 0 : 1;
}
