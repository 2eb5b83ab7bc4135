#include "platform/run_process.h"

#include <windows.h>

#include "platform/win32/unique.h"

#include <vector>

namespace plat {

bool RunProcess(const std::wstring& command_line, std::uint32_t wait_ms, bool& finished) {
  finished = false;
  std::vector<wchar_t> cmd(command_line.begin(), command_line.end());
  cmd.push_back(L'\0');
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
    return false;
  win32::UniqueHandle thread(pi.hThread);
  win32::UniqueHandle process(pi.hProcess);
  finished = ::WaitForSingleObject(process.get(), wait_ms) == WAIT_OBJECT_0;
  return true;
}

std::wstring WindowsFolder() {
  wchar_t buf[MAX_PATH];
  UINT n = ::GetWindowsDirectoryW(buf, MAX_PATH);
  return n && n < MAX_PATH ? std::wstring(buf, n) : L"";
}

std::wstring SystemFolder() {
  wchar_t buf[MAX_PATH];
  UINT n = ::GetSystemDirectoryW(buf, MAX_PATH);
  return n && n < MAX_PATH ? std::wstring(buf, n) : L"";
}

bool SetBackupPrivilege(bool enable) {
  win32::UniqueHandle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.Out())) return false;
  TOKEN_PRIVILEGES tp{};
  tp.PrivilegeCount = 1;
  if (!::LookupPrivilegeValueW(nullptr, L"SeBackupPrivilege", &tp.Privileges[0].Luid)) return false;
  tp.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
  return ::AdjustTokenPrivileges(token.get(), FALSE, &tp, sizeof tp, nullptr, nullptr) != 0;
}

bool SaveRegistryKey(RegKey root, const std::wstring& key, const std::wstring& file, bool use_64bit_view) {
  win32::UniqueKey h;
  REGSAM sam = KEY_READ | (use_64bit_view ? KEY_WOW64_64KEY : 0);
  // The seam's root numbers are the predefined handles' values.
  HKEY base = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root)));
  if (::RegOpenKeyExW(base, key.c_str(), 0, sam, h.Out()) != ERROR_SUCCESS) return false;
  const LONG rc = ::RegSaveKeyW(h.get(), file.c_str(), nullptr);
  if (rc != ERROR_SUCCESS) ::SetLastError(static_cast<DWORD>(rc));
  return rc == ERROR_SUCCESS;
}

}  // namespace plat
