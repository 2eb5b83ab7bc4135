#include <windows.h>
#include <shellapi.h>

#include "platform/process.h"

namespace plat {

std::vector<std::wstring> CommandLineArgs() {
  std::vector<std::wstring> out;
  int argc = 0;
  LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  if (!argv) return out;
  for (int i = 1; i < argc; ++i) out.emplace_back(argv[i]);
  ::LocalFree(argv);
  return out;
}

std::wstring ProgramPath() {
  std::wstring buf(32768, L'\0');
  DWORD n = ::GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
  buf.resize(n);
  return buf;
}

ThreadId CurrentThreadId() { return ::GetCurrentThreadId(); }

}  // namespace plat
