#include "store/shell_extension.h"

#include "infra/dral_utils.h"
#include "infra/logger.h"
#include "infra/registry.h"
#include "platform/process.h"
#include "platform/shell_execute.h"
#include "platform/window.h"
#include "store/favourites.h"

namespace store {

std::wstring ShellExtensionPath() { return infra::ExtractFolderPart(plat::ProgramPath()) + kShellExtensionFile; }

void RegisterShellExtension(bool register_it) {
  const std::wstring parameters = std::wstring(register_it ? L"/s" : L"/s /u") + L" \"" + ShellExtensionPath() + L"\"";
  infra::LogMessage(L"RegisterShellExtension", L"Regsvr32 " + parameters);
  plat::ShellExecute(0, L"", L"Regsvr32", parameters, L"", plat::SW_SHOWNORMAL);
}

bool TakeUpdateMarker() {
  try {
    infra::TRegistry reg;
    if (!reg.OpenKey(kSettingsKey, false)) return false;
    if (!reg.ValueExists(kUpdateMarkerValue)) return false;
    reg.DeleteValue(kUpdateMarkerValue);
    return true;
  } catch (const std::exception&) {
    infra::LogError(L"TakeUpdateMarker", L"Common error", L"", plat::LastError());
    return false;
  }
}

}  // namespace store
