#include <windows.h>
#include <shellapi.h>

#include "platform/process.h"
#include "platform/win32/unique.h"

namespace plat {

std::vector<std::wstring> CommandLineArgs() {
  std::vector<std::wstring> out;
  int argc = 0;
  LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  if (!argv) return out;
  win32::UniqueLocal owned(argv);
  for (int i = 1; i < argc; ++i) out.emplace_back(argv[i]);
  return out;
}

std::wstring ProgramPath() {
  std::wstring buf(32768, L'\0');
  DWORD n = ::GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
  buf.resize(n);
  return buf;
}

ThreadId CurrentThreadId() { return ::GetCurrentThreadId(); }

std::uint32_t CurrentProcessId() { return ::GetCurrentProcessId(); }

bool GetEnvironmentVariableW(const std::wstring& name, std::wstring& value) {
  wchar_t small[256];
  DWORD n = ::GetEnvironmentVariableW(name.c_str(), small, 256);
  if (n == 0) {
    if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return false;
    value.clear();  // set, but empty
    return true;
  }
  if (n < 256) {
    value.assign(small, n);
    return true;
  }
  std::wstring buf(n, L'\0');
  n = ::GetEnvironmentVariableW(name.c_str(), buf.data(), n);
  if (n == 0 || n >= buf.size()) return false;
  buf.resize(n);
  value = std::move(buf);
  return true;
}

}  // namespace plat
