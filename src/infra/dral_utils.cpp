// DralUtils: system facts (cached) and path and text operations.
#include "infra/dral_utils.h"

#include <atomic>
#include <mutex>
#include <vector>

#include "infra/utf16.h"
#include "platform/files.h"
#include "platform/os_version.h"
#include "platform/process.h"
#include "platform/shell_execute.h"
#include "platform/system.h"
#include "platform/window.h"

namespace infra {

namespace {

constexpr wchar_t kAdministratorsSid[] = L"S-1-5-32-544";

// One process-wide cache per answer: -1 not yet known, else the answer.
std::atomic<std::int32_t> g_vista{-1};
std::atomic<std::int32_t> g_elevated{-1};
std::atomic<std::int32_t> g_admin_member{-1};
std::atomic<std::int32_t> g_power_user{-1};

std::mutex& VersionLock() {
  static auto* m = new std::mutex;
  return *m;
}
std::wstring& ProgramVersionCache() {
  static auto* s = new std::wstring;
  return *s;
}

template <typename Fn>
bool Cached(std::atomic<std::int32_t>& cache, Fn compute) {
  std::int32_t v = cache.load();
  if (v == -1) {
    v = compute() ? 1 : 0;
    cache.store(v);
  }
  return (v & 0xFF) != 0;
}

// GetVersionExW gives all zero when it fails.
bool AnyOsVersion(plat::OsVersion& v) {
  v = plat::GetOsVersion();
  return v.major != 0;
}

bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t'; }

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

}  // namespace

// The caches of this file; ResetDralUtilsCaches (dral_utils_uac.cpp) also
// resets those of the facts that read the registry. This file does not call
// into that one: the hook library links it without the registry layer.
void ResetSystemFactCaches() {
  g_vista = -1;
  g_elevated = -1;
  g_admin_member = -1;
  g_power_user = -1;
  std::lock_guard<std::mutex> g(VersionLock());
  ProgramVersionCache().clear();
}

bool IsVistaOrLater() {
  return Cached(g_vista, [] {
    plat::OsVersion v;
    return AnyOsVersion(v) && v.platform_id == plat::VER_PLATFORM_WIN32_NT && v.major > 5;
  });
}

bool IsElevated() {
  return Cached(g_elevated, [] {
    bool elevated = false;
    return plat::GetTokenElevation(elevated) && elevated;
  });
}

bool IsAdminGroupMember() {
  return Cached(g_admin_member, [] {
    std::vector<plat::TokenGroup> groups;
    if (!plat::GetTokenGroups(groups)) return false;
    for (auto& g : groups)
      if (g.sid == kAdministratorsSid) return true;  // whatever its attributes
    return false;
  });
}

bool IsBuiltinGroupMember(std::uint32_t rid) {
  plat::OsVersion v;
  if (!AnyOsVersion(v)) return false;
  if (v.platform_id != plat::VER_PLATFORM_WIN32_NT) return true;
  const std::wstring sid = L"S-1-5-32-" + std::to_wstring(rid);
  if (v.major >= 5) {
    bool member = false;
    if (plat::CheckTokenMembership(sid, member)) return member;
    if (plat::LastError() != plat::ERROR_PROC_NOT_FOUND) return false;
  }
  std::vector<plat::TokenGroup> groups;
  if (!plat::GetTokenGroups(groups)) return false;
  for (auto& g : groups)
    if (g.sid == sid && (g.attributes & plat::SE_GROUP_ENABLED) && !(g.attributes & plat::SE_GROUP_USE_FOR_DENY_ONLY))
      return true;
  return false;
}

bool IsPowerUser() {
  return Cached(g_power_user, [] { return IsBuiltinGroupMember(547); });
}

std::wstring GetSpecialFolderPath(int csidl) {
  std::wstring path;
  if (!plat::GetSpecialFolder(csidl | plat::CSIDL_FLAG_CREATE, path)) return {};
  return path;
}

std::wstring GetFileVersion(const std::wstring& file) {
  std::wstring result;
  try {
    std::string block;
    if (file.empty() || !plat::GetFileVersionBlock(file, block) || block.empty()) return result;
    std::string translation;
    std::wstring key;
    if (plat::QueryVersionValue(block, L"\\VarFileInfo\\Translation", translation) && translation.size() > 3) {
      auto word = [&](size_t at) {
        return static_cast<unsigned>(static_cast<unsigned char>(translation[at]) |
                                     (static_cast<unsigned char>(translation[at + 1]) << 8));
      };
      static const wchar_t kHex[] = L"0123456789ABCDEF";
      for (unsigned w : {word(0), word(2)})
        for (int shift = 12; shift >= 0; shift -= 4) key += kHex[(w >> shift) & 0xF];
    }
    std::string value;
    if (plat::QueryVersionValue(block, L"\\StringFileInfo\\" + key + L"\\FileVersion", value) && value.size() > 2) {
      result = FromUtf16Le(value);
      while (!result.empty() && result.back() == L'\0') result.pop_back();
    }
  } catch (...) {}
  return result;
}

std::wstring GetProgramVersion() {
  std::lock_guard<std::mutex> g(VersionLock());
  if (ProgramVersionCache().empty()) ProgramVersionCache() = GetFileVersion(plat::ProgramPath());
  return ProgramVersionCache();
}

std::wstring GetUserSidString(const std::wstring& user_name) {
  try {
    std::wstring name = TrimControls(user_name);
    if (name.empty()) return {};
    std::wstring sid;
    if (!plat::AccountSidString(plat::ComputerName() + L"\\" + name, sid)) return {};
    return sid;
  } catch (...) {
    return {};
  }
}

bool SetForegroundLock(std::uint32_t code) {
  plat::OsVersion v;
  if (!AnyOsVersion(v)) return false;
  const bool nt = v.platform_id == plat::VER_PLATFORM_WIN32_NT && v.major >= 4;
  const bool me = v.platform_id == plat::VER_PLATFORM_WIN32_WINDOWS && v.minor >= 90;
  if (!nt && !me) return false;
  return plat::LockSetForegroundWindow(code);
}

bool OpenWithShell(const std::wstring& target) {
  plat::ShellExecute(0, L"open", target, L"", L"", plat::SW_SHOWNORMAL);
  return true;
}

bool IsSlowPath(const std::wstring& path) {
  if (path.size() < 3) return false;
  if (path[0] == L'\\' && path[1] == L'\\') {
    // "\\?\" and "\\.\" name the local namespaces, not a server: a drive
    // behind them is judged as that drive, "UNC\" behind them is a server
    // again, and devices ("\\.\CON") or volumes are plain local names.
    if (path.size() >= 4 && (path[2] == L'?' || path[2] == L'.') && path[3] == L'\\') {
      const std::wstring rest = path.substr(4);
      if (rest.size() >= 4 && infra::UpperCaseText(rest.substr(0, 4)) == L"UNC\\") return true;
      if (rest.size() >= 3 && rest[1] == L':' && rest[2] == L'\\') return IsSlowPath(rest);
      return false;
    }
    return true;
  }
  if (path[2] != L'\\') return false;
  switch (plat::DriveType(path.substr(0, 3))) {
    case plat::DRIVE_REMOVABLE:
    case plat::DRIVE_REMOTE:
    case plat::DRIVE_CDROM:
    case plat::DRIVE_RAMDISK:
      return true;
    default:
      return false;
  }
}

bool FileExistsNotFolder(const std::wstring& path) {
  if (path.empty()) return false;
  auto found = plat::FindFiles(path);
  return !found.empty() && !found.front().IsDirectory();
}

std::wstring ExtractFolderPart(const std::wstring& path) {
  size_t p = path.find_last_of(L"\\:");
  return p == std::wstring::npos ? std::wstring() : path.substr(0, p + 1);
}

std::wstring ExtractFileNamePart(const std::wstring& path) {
  size_t p = path.find_last_of(L"\\:");
  return p == std::wstring::npos ? path : path.substr(p + 1);
}

std::wstring TextAfter(const std::wstring& text, int n) {
  if (n < 0) return text;
  if (static_cast<size_t>(n) > text.size()) return {};
  return text.substr(static_cast<size_t>(n));
}

std::wstring TextAfterOrWhole(const std::wstring& text, int n) {
  if (n < 0 || static_cast<size_t>(n) > text.size()) return text;
  return text.substr(static_cast<size_t>(n));
}

std::wstring TextWithoutLast(const std::wstring& text, int n) {
  if (n <= 0 || static_cast<size_t>(n) > text.size()) return {};
  return text.substr(0, text.size() - static_cast<size_t>(n));
}

std::wstring TextWithoutLastOrWhole(const std::wstring& text, int n) {
  if (n <= 0 || static_cast<size_t>(n) > text.size()) return text;
  return text.substr(0, text.size() - static_cast<size_t>(n));
}

std::int32_t TextToInt(const std::wstring& text) {
  size_t i = 0;
  const size_t n = text.size();
  while (i < n && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < n && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
  bool hex = false;
  if (i < n && text[i] == L'$') {
    hex = true;
    ++i;
  } else if (i + 1 < n && text[i] == L'0' && (text[i + 1] == L'x' || text[i + 1] == L'X')) {
    hex = true;
    i += 2;
  }
  std::uint64_t value = 0;
  if (hex) {
    for (; i < n; ++i) {
      int d = HexDigit(text[i]);
      if (d < 0) break;
      std::uint64_t next = value * 16 + static_cast<unsigned>(d);
      if (next > 0xFFFFFFFFull) break;
      value = next;
    }
    std::uint32_t bits = static_cast<std::uint32_t>(value);
    if (negative) bits = 0u - bits;
    return static_cast<std::int32_t>(bits);
  }
  const std::uint64_t limit = negative ? 2147483648ull : 2147483647ull;
  for (; i < n; ++i) {
    if (text[i] < L'0' || text[i] > L'9') break;
    std::uint64_t next = value * 10 + static_cast<unsigned>(text[i] - L'0');
    if (next > limit) break;
    value = next;
  }
  if (negative) return static_cast<std::int32_t>(-static_cast<std::int64_t>(value));
  return static_cast<std::int32_t>(value);
}

void CopyToCharArray(const std::wstring& text, wchar_t* array, std::size_t max) {
  if (!array) return;
  const std::size_t count = text.size() < max ? text.size() : max;
  for (std::size_t i = 0; i < count; ++i) array[i] = text[i];
  array[count] = L'\0';
}

}  // namespace infra
