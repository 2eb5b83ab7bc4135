// Seam headers come before <windows.h>: its macros share the constants' names.
#include "platform/system.h"

#include <windows.h>
#include <sddl.h>
#include <shlobj.h>

#include "platform/win32/unique.h"

#include <vector>

namespace plat {
namespace {

template <typename Fn>
Fn Lookup(const wchar_t* module, const char* name) {
  HMODULE m = ::GetModuleHandleW(module);
  if (!m) m = ::LoadLibraryW(module);
  return m ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(m, name))) : nullptr;
}

std::wstring SidToString(PSID sid) {
  using Fn = BOOL(WINAPI*)(PSID, LPWSTR*);
  static Fn convert = Lookup<Fn>(L"advapi32.dll", "ConvertSidToStringSidW");
  if (!convert || !sid || !::IsValidSid(sid)) return {};
  LPWSTR text = nullptr;
  if (!convert(sid, &text) || !text) return {};
  win32::UniqueLocal owned(text);
  return text;
}

// The thread token, or the process token when the thread has none.
win32::UniqueHandle OpenQueryToken() {
  win32::UniqueHandle token;
  if (::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, token.Out())) return token;
  if (::GetLastError() != ERROR_NO_TOKEN) return {};
  if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.Out())) return token;
  return {};
}

}  // namespace

std::uint32_t LastError() { return ::GetLastError(); }
void SetLastError(std::uint32_t code) { ::SetLastError(code); }

std::wstring SystemErrorMessage(std::uint32_t code) {
  wchar_t* buf = nullptr;
  DWORD n =
      ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<LPWSTR>(&buf), 0, nullptr);
  win32::UniqueLocal owned(buf);
  std::wstring out;
  if (n && buf) out.assign(buf, n);
  return out;
}

bool GetTokenElevation(bool& elevated) {
  win32::UniqueHandle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.Out())) return false;
  TOKEN_ELEVATION e{};
  DWORD got = 0;
  if (!::GetTokenInformation(token.get(), TokenElevation, &e, sizeof e, &got)) return false;
  elevated = e.TokenIsElevated != 0;
  return true;
}

bool GetTokenElevationType(std::uint32_t& type) {
  win32::UniqueHandle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.Out())) return false;
  TOKEN_ELEVATION_TYPE t{};
  DWORD got = 0;
  if (!::GetTokenInformation(token.get(), TokenElevationType, &t, sizeof t, &got)) return false;
  type = static_cast<std::uint32_t>(t);
  return true;
}

bool GetTokenGroups(std::vector<TokenGroup>& groups) {
  groups.clear();
  win32::UniqueHandle token = OpenQueryToken();
  if (!token) return false;
  DWORD need = 0;
  ::GetTokenInformation(token.get(), TokenGroups, nullptr, 0, &need);
  std::vector<unsigned char> buf(need ? need : 1024);
  if (!::GetTokenInformation(token.get(), TokenGroups, buf.data(), static_cast<DWORD>(buf.size()), &need)) return false;
  auto* tg = reinterpret_cast<TOKEN_GROUPS*>(buf.data());
  for (DWORD i = 0; i < tg->GroupCount; ++i)
    groups.push_back(TokenGroup{SidToString(tg->Groups[i].Sid), tg->Groups[i].Attributes});
  return true;
}

bool CheckTokenMembership(const std::wstring& sid, bool& is_member) {
  using Check = BOOL(WINAPI*)(HANDLE, PSID, PBOOL);
  using FromString = BOOL(WINAPI*)(LPCWSTR, PSID*);
  static Check check = Lookup<Check>(L"advapi32.dll", "CheckTokenMembership");
  static FromString from = Lookup<FromString>(L"advapi32.dll", "ConvertStringSidToSidW");
  if (!check || !from) {
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return false;
  }
  PSID psid = nullptr;
  if (!from(sid.c_str(), &psid)) return false;
  win32::UniqueLocal owned(psid);
  BOOL member = FALSE;
  if (!check(nullptr, psid, &member)) return false;
  is_member = member != FALSE;
  return true;
}

std::wstring CurrentUserName() {
  wchar_t buf[257];
  DWORD n = 257;
  if (!::GetUserNameW(buf, &n)) return {};
  return std::wstring(buf);
}

std::wstring ComputerName() {
  wchar_t buf[MAX_COMPUTERNAME_LENGTH + 2];
  DWORD n = MAX_COMPUTERNAME_LENGTH + 2;
  if (!::GetComputerNameW(buf, &n)) return {};
  return std::wstring(buf, n);
}

bool AccountSidString(const std::wstring& account, std::wstring& sid) {
  DWORD sid_size = 0, domain_size = 0;
  SID_NAME_USE use;
  ::LookupAccountNameW(nullptr, account.c_str(), nullptr, &sid_size, nullptr, &domain_size, &use);
  if (sid_size == 0) return false;
  std::vector<unsigned char> sid_buf(sid_size);
  std::vector<wchar_t> domain(domain_size + 1);
  if (!::LookupAccountNameW(nullptr, account.c_str(), sid_buf.data(), &sid_size, domain.data(), &domain_size, &use))
    return false;
  if (!::IsValidSid(sid_buf.data())) return false;
  sid = SidToString(sid_buf.data());
  return !sid.empty();
}

bool GetSpecialFolder(int csidl, std::wstring& path) {
  wchar_t buf[MAX_PATH + 1] = {};
  HRESULT hr = ::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buf);
  if (FAILED(hr)) {
    ::SetLastError(static_cast<DWORD>(hr));
    return false;
  }
  path = buf;
  return !path.empty();
}

bool GetFileVersionBlock(const std::wstring& file, std::string& block) {
  DWORD handle = 0;
  DWORD size = ::GetFileVersionInfoSizeW(file.c_str(), &handle);
  if (size == 0) return false;
  block.assign(size, '\0');
  return ::GetFileVersionInfoW(file.c_str(), 0, size, block.data()) != 0;
}

bool QueryVersionValue(const std::string& block, const std::wstring& sub_block, std::string& value) {
  value.clear();
  if (block.empty()) return false;
  void* ptr = nullptr;
  UINT len = 0;
  std::string copy = block;  // VerQueryValueW wants a writable block
  if (!::VerQueryValueW(copy.data(), sub_block.c_str(), &ptr, &len) || !ptr) return false;
  // String values report their length in characters, other values in bytes.
  const bool is_string = sub_block.find(L"StringFileInfo") != std::wstring::npos;
  size_t bytes = is_string ? static_cast<size_t>(len) * 2 : len;
  const char* p = static_cast<const char*>(ptr);
  if (p < copy.data() || p + bytes > copy.data() + copy.size()) return false;
  value.assign(p, bytes);
  return true;
}

std::wstring ExpandEnvironmentText(const std::wstring& text) {
  DWORD need = ::ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
  if (need == 0) return text;
  std::wstring out(need, L'\0');
  DWORD got = ::ExpandEnvironmentStringsW(text.c_str(), out.data(), need);
  if (got == 0 || got > need) return text;
  out.resize(got - 1);
  return out;
}

void CharUpperText(std::wstring& text) {
  if (!text.empty()) ::CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
}

void CharLowerText(std::wstring& text) {
  if (!text.empty()) ::CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
}

}  // namespace plat
