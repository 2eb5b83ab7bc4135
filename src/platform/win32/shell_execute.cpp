// The seam header comes first: its constants carry the names that <windows.h>
// later defines as macros.
#include "platform/shell_execute.h"

#include <windows.h>
#include <shellapi.h>

#undef ShellExecute
#undef ShellExecuteEx

namespace plat {
bool ShellExecute(Window owner, const std::wstring& verb, const std::wstring& file, const std::wstring& parameters,
                  const std::wstring& directory, int show) {
  HINSTANCE r = ::ShellExecuteW(
      reinterpret_cast<HWND>(static_cast<std::uintptr_t>(owner)), verb.empty() ? nullptr : verb.c_str(), file.c_str(),
      parameters.empty() ? nullptr : parameters.c_str(), directory.empty() ? nullptr : directory.c_str(), show);
  return reinterpret_cast<std::intptr_t>(r) > 32;
}
}  // namespace plat

namespace plat {
bool ShellExecuteEx(const std::wstring& verb, const std::wstring& file, const std::wstring& parameters, int show) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  info.lpVerb = verb.empty() ? nullptr : verb.c_str();
  info.lpFile = file.c_str();
  info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
  info.nShow = show;
  return ::ShellExecuteExW(&info) != 0;
}
}  // namespace plat
