// Configuration folder and user profile paths.
#include "infra/config_folder.h"

#include <atomic>
#include <mutex>

#include "infra/dral_utils.h"
#include "infra/logger.h"
#include "infra/logger_files.h"
#include "infra/registry.h"
#include "platform/files.h"
#include "platform/system.h"

namespace infra {

namespace {

constexpr wchar_t kProfileListKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\";
constexpr wchar_t kUserShellFoldersKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr wchar_t kUserProfileRef[] = L"%USERPROFILE%";

std::mutex& Lock() {
  static auto* m = new std::mutex;
  return *m;
}
std::wstring& ConfigRef() {
  static auto* s = new std::wstring;
  return *s;
}
std::wstring& LogRef() {
  static auto* s = new std::wstring;
  return *s;
}
std::atomic<ErrorTraceFileSetter> g_trace_setter{nullptr};

// "C:\..." or "\\server\share...": folders the agent may create. A relative
// text would land in whatever the current directory happens to be.
bool IsAbsolutePath(const std::wstring& p) {
  if (p.size() >= 3 && p[1] == L':' && (p[2] == L'\\' || p[2] == L'/')) return true;
  return p.size() >= 3 && p[0] == L'\\' && p[1] == L'\\' && p[2] != L'\\';
}

// A candidate folder is usable when it is absolute and exists or can be made.
bool MakeFolder(const std::wstring& folder) { return IsAbsolutePath(folder) && plat::CreateDirectories(folder); }

}  // namespace

void AddTrailingBackslash(std::wstring& text) {
  if (!text.empty() && text.back() != L'\\') text += L'\\';
}

std::wstring GetCurrentUserDocSettingsPath() {
  static const wchar_t kFn[] = L"LoadCurrentStartupSettings:GetCurrentUserDocSettingsPath";
  const std::wstring sid = GetUserSidString(plat::CurrentUserName());
  const std::wstring key = std::wstring(kProfileListKey) + sid;
  std::wstring path;
  try {
    TRegistry reg;
    reg.SetRootKey(plat::HKEY_LOCAL_MACHINE);
    if (sid.empty() || !reg.OpenKeyReadOnly(key)) {
      // Without a SID the ProfileList key itself would be opened: no profile there.
      LogError(kFn, L"Can't open key", L"Key=" + key, sid.empty() ? plat::ERROR_NONE_MAPPED : plat::LastError(), true);
      return {};
    }
    try {
      const TRegDataType type = reg.GetDataType(L"ProfileImagePath");
      if ((type != TRegDataType::rdString && type != TRegDataType::rdExpandString) ||
          reg.GetDataSize(L"ProfileImagePath") < 2) {
        LogError(kFn, L"RegQueryValueEx fail", L"first", plat::LastError(), true);
        return {};
      }
      try {
        path = reg.ReadString(L"ProfileImagePath");
      } catch (...) {
        LogError(kFn, L"RegQueryValueEx fail", L"second", plat::LastError(), true);
        return {};
      }
      if (type == TRegDataType::rdExpandString) path = plat::ExpandEnvironmentText(path);
    } catch (...) {
      LogError(kFn, L"Common error", L"Key=" + key, plat::LastError(), false);
    }
  } catch (...) {
    return {};
  }
  AddTrailingBackslash(path);
  return path;
}

std::wstring GetUserShellFolder(const std::wstring& name) {
  static const wchar_t kFn[] = L"LoadCurrentStartupSettings:AdvCheck";
  std::wstring text;
  try {
    TRegistry reg;
    if (reg.OpenKeyReadOnly(kUserShellFoldersKey) && reg.ValueExists(name)) text = reg.ReadString(name);
  } catch (...) {
    text.clear();  // a value of another type counts as missing
  }
  if (text.empty()) {
    LogError(kFn, L"Can't get value", L"Item=" + name, plat::LastError(), true);
    return {};
  }
  const size_t at = FindText(text, kUserProfileRef);
  if (at == std::wstring::npos) return text;
  // The reference is replaced by the profile folder (which ends in a
  // backslash, so the one after the reference is dropped).
  const std::wstring profile = GetCurrentUserDocSettingsPath();
  if (profile.empty()) return {};  // no profile: no usable folder
  size_t rest = at + 13;
  if (rest < text.size() && text[rest] == L'\\') ++rest;
  std::wstring result = text.substr(0, at) + profile + text.substr(rest);
  if (!plat::CreateDirectories(result)) {
    LogError(kFn, L"Incorrect path", L"Path=" + result, plat::LastError(), true);
    return {};
  }
  return result;
}

std::wstring GetConfigurationFolder() {
  std::wstring folder;
  // 1. A folder prescribed by the sibling product.
  try {
    TRegistry reg;
    if (reg.OpenKeyReadOnly(kSiblingKey) && reg.ValueExists(kSaveDirValue)) {
      folder = TrimControls(reg.ReadString(kSaveDirValue));
      AddTrailingBackslash(folder);
      if (!folder.empty() && !MakeFolder(folder)) {
        LogMessage(L"GetConfigurationFolder", L"SaveDir unusable=" + folder);
        folder.clear();
      }
    }
  } catch (...) {
    folder.clear();
  }
  // 2. The candidates, each logged before it is tried.
  if (folder.empty() || !plat::DirectoryExists(folder)) {
    folder.clear();
    std::wstring base = GetSpecialFolderPath(plat::CSIDL_PERSONAL);
    AddTrailingBackslash(base);
    std::wstring candidate = base + kDocumentsSubfolder;
    LogMessage(L"GetConfigurationFolder", L"Folder 1=" + candidate);
    if (!base.empty() && MakeFolder(candidate)) folder = candidate;

    if (folder.empty()) {
      base = GetUserShellFolder(L"Personal");
      AddTrailingBackslash(base);
      candidate = base + kDocumentsSubfolder;
      LogMessage(L"GetConfigurationFolder", L"Folder 2=" + candidate);
      if (!base.empty() && MakeFolder(candidate)) folder = candidate;
    }
    if (folder.empty()) {
      base = GetSpecialFolderPath(plat::CSIDL_APPDATA);
      AddTrailingBackslash(base);
      folder = base + kAppDataSubfolder;
      LogMessage(L"GetConfigurationFolder", L"Folder 3=" + folder);
      MakeFolder(folder);  // stands whatever the outcome
    }
  }
  const bool exists = plat::DirectoryExists(folder);
  const std::uint32_t error = plat::LastError();

  // 4. The log folder; the logger writes what waited in memory at its next flush.
  const std::wstring log_folder = folder + L"Log\\";
  MakeFolder(log_folder);
  {
    std::lock_guard<std::mutex> g(Lock());
    ConfigRef() = folder;
    LogRef() = log_folder;
  }
  SetLogFolder(log_folder);
  // 3. Reported once the log folder is known, so the error block has a place.
  if (!exists) LogError(L"GetConfigurationFolder", L"ConfigurationFolder not exists", L"", error, false);
  // 5. The exception trace writes into the same error log as LogError.
  if (auto setter = g_trace_setter.load()) setter(log_folder + kErrorLogName);
  return folder;
}

std::wstring ConfigurationFolder() {
  std::lock_guard<std::mutex> g(Lock());
  return ConfigRef();
}

std::wstring LogFolder() {
  std::lock_guard<std::mutex> g(Lock());
  return LogRef();
}

void SetErrorTraceFileSetter(ErrorTraceFileSetter setter) { g_trace_setter = setter; }

void ResetConfigurationFolder() {
  std::lock_guard<std::mutex> g(Lock());
  ConfigRef().clear();
  LogRef().clear();
}

}  // namespace infra
