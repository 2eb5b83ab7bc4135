#include "errors/bug_report.h"

#include <algorithm>

#include "errors/file_tools.h"
#include "infra/config_folder.h"
#include "infra/logger.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/run_process.h"
#include "platform/system.h"

namespace errors {
namespace {

const wchar_t kBackupKeySource[] = L"BackupRegistry\\BackupRegistryKey";
const wchar_t kAddSource[] = L"BackupSystem\\AddToZip";

std::wstring Lower(std::wstring s) {
  std::transform(s.begin(), s.end(), s.begin(), [](wchar_t c) { return (c >= L'A' && c <= L'Z') ? c + 32 : c; });
  return s;
}

// base + ext when that name is free (an existing file is deleted), else the
// first base + n + ext that is free after deleting it.
std::wstring FreeName(const std::wstring& base, const std::wstring& ext) {
  std::wstring name = base + ext;
  if (!plat::FileExists(name) || plat::RemoveFile(name)) return name;
  for (int n = 1; n < 10000; ++n) {
    name = base;
    name += std::to_wstring(n);
    name += ext;
    if (plat::FileExists(name)) plat::RemoveFile(name);
    if (!plat::FileExists(name)) return name;
  }
  return name;
}

std::wstring WithoutTrailingBackslash(std::wstring s) {
  if (!s.empty() && s.back() == L'\\') s.pop_back();
  return s;
}

}  // namespace

void AddToZip(const std::wstring& folder, const std::wstring& mask, TZip& archive) {
  const std::wstring pattern = folder + L"\\" + mask;
  infra::LogMessage(kAddSource, L"Path=" + pattern);
  if (folder == L"\\" || folder.empty() || !plat::DirectoryExists(folder)) {
    infra::LogMessage(kAddSource, L"Incorrect path");
    return;
  }
  for (const plat::FindData& f : plat::FindFiles(pattern)) {
    if (f.IsDirectory() || f.name == L"." || f.name == L"..") continue;
    const std::wstring lower = Lower(f.name);
    if (lower == L"desktop.ini") continue;
    if (lower.size() >= 4 && lower.compare(lower.size() - 4, 4, L".exe") == 0) continue;
    const std::wstring path = folder + L"\\" + f.name;
    infra::LogMessage(kAddSource, L"Adding: Path=" + path);
    try {
      archive.AddFile(path);
    } catch (const std::exception&) {
      infra::LogError(kAddSource, L"Add fail", L"Path=" + path, plat::LastError(), true);
    }
  }
}

void BackupRegistryKey(const std::wstring& key, const std::wstring& target, bool current_user, bool use_64bit_view,
                       bool skip_fallback) {
  infra::LogMessage(kBackupKeySource, L"Key=" + key + L", SaveTo=" + target);
  if (key.empty() || target.empty()) return;
  const std::wstring file = FreeName(target, L".reg");
  const std::wstring root = current_user ? L"HKEY_CURRENT_USER\\" : L"HKEY_LOCAL_MACHINE\\";
  if (!use_64bit_view) {
    // The export tools live in the Windows and system folders, not in the
    // current directory.
    const std::wstring regedit = plat::WindowsFolder() + L"\\regedit.exe";
    const std::wstring reg = plat::SystemFolder() + L"\\reg.exe";
    std::wstring command = root;
    if (plat::FileExists(regedit)) {
      command = L"\"" + regedit + L"\" /s /e \"" + file + L"\" \"" + root + key + L"\"";
    } else if (plat::FileExists(reg)) {
      command = L"\"" + reg + L"\" export \"" + root + key + L"\" \"" + file + L"\" /y";
    } else {
      infra::LogMessage(kBackupKeySource, L"regedit not existregedit.exe");
    }
    infra::LogMessage(kBackupKeySource, L"regedit=" + command);
    if (command.size() > 20) {
      bool finished = false;
      if (!plat::RunProcess(command, 1000, finished)) {
        infra::LogError(kBackupKeySource, L"CreateProcess fail", L"", plat::LastError(), true);
      } else if (finished && plat::FileExists(file)) {
        infra::LogMessage(kBackupKeySource, L"All done");
        return;
      }
    }
  }
  if (skip_fallback) return;
  if (!plat::SetBackupPrivilege(true)) return;
  plat::RemoveFile(file);  // RegSaveKeyW does not overwrite
  if (plat::SaveRegistryKey(current_user ? plat::HKEY_CURRENT_USER : plat::HKEY_LOCAL_MACHINE, key, file,
                            use_64bit_view)) {
    infra::LogMessage(kBackupKeySource, use_64bit_view ? L"RegSaveKey x64" : L"RegSaveKey");
  }
  plat::SetBackupPrivilege(false);
}

void BackupRegistry() {
  const std::wstring log = infra::LogFolder();
  BackupRegistryKey(L"Software\\Quantrel", log + L"cur_opt", true, false, false);
  BackupRegistryKey(L"Software\\Quantrel", log + L"all_opt", false, false, false);
}

bool BackupSystem(std::wstring& report_file) {
  try {
    infra::LogMessage(L"BackupSystem", L"begin");
    const std::wstring config = infra::ConfigurationFolder();
    if (config.empty()) throw std::runtime_error("no configuration folder");
    plat::CreateDirectories(config);
    BackupRegistry();
    report_file = FreeName(config + L"bug-report", L".zip");
    {
      TZip zip(report_file, 1048576, config);
      infra::LogMessage(L"BackupSystem", L"PBase=" + config);
      const std::wstring log = WithoutTrailingBackslash(infra::LogFolder());
      AddToZip(log, L"*.reg", zip);
      AddToZip(log, L"*.jpg", zip);
      infra::SaveAllLogs(false);
      AddToZip(log, L"*.log", zip);
      zip.Close();
    }
    return true;
  } catch (...) {
    infra::LogError(L"BackupSystem", L"Common error", L"", plat::LastError(), true);
    return false;
  }
}

}  // namespace errors
