// Seam headers come before <windows.h>: its macros share the constants' names.
#include "platform/system.h"

#include <windows.h>
#include <algorithm>


namespace plat {

std::uint32_t LastError() { return ::GetLastError(); }
void SetLastError(std::uint32_t code) { ::SetLastError(code); }

std::wstring SystemErrorMessage(std::uint32_t code) {
  wchar_t* buf = nullptr;
  DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, 0, reinterpret_cast<LPWSTR>(&buf), 0, nullptr);
  std::wstring out;
  if (n && buf) out.assign(buf, n);
  if (buf) ::LocalFree(buf);
  return out;
}

}  // namespace plat
