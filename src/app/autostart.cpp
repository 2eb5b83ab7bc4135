#include "app/autostart.h"

#include "infra/logger.h"
#include "infra/registry.h"
#include "platform/process.h"
#include "platform/system.h"

namespace app {

bool WriteAutostartEntry() {
  const std::wstring path = plat::ProgramPath();
  try {
    infra::TRegistry reg;
    if (!reg.OpenKey(kRunKeyPath, true)) {
      infra::LogError(L"WriteAutostartEntry", L"Can't open key", L"Key=" + std::wstring(kRunKeyPath),
                      plat::LastError());
      return false;
    }
    reg.WriteString(kAutostartValueName, path);
    return true;
  } catch (const infra::ERegistryException& e) {
    infra::LogError(L"WriteAutostartEntry", e.Message(), L"Value=" + std::wstring(kAutostartValueName),
                    plat::LastError());
  } catch (...) {
    infra::LogError(L"WriteAutostartEntry", L"Common error", L"", plat::LastError());
  }
  return false;
}

bool RemoveAutostartEntry() {
  try {
    infra::TRegistry reg;
    if (!reg.OpenKey(kRunKeyPath, false)) return true;  // no Run key, no value
    if (!reg.ValueExists(kAutostartValueName)) return true;
    if (reg.DeleteValue(kAutostartValueName)) return true;
    infra::LogError(L"RemoveAutostartEntry", L"Can't delete value", L"Value=" + std::wstring(kAutostartValueName),
                    plat::LastError());
  } catch (...) {
    infra::LogError(L"RemoveAutostartEntry", L"Common error", L"", plat::LastError());
  }
  return false;
}

bool SetAutostartEntry(bool enabled) { return enabled ? WriteAutostartEntry() : RemoveAutostartEntry(); }

bool AutostartEntryExists() {
  try {
    infra::TRegistry reg;
    return reg.OpenKeyReadOnly(kRunKeyPath) && reg.ValueExists(kAutostartValueName);
  } catch (...) {
    return false;
  }
}

std::wstring AutostartEntryPath() {
  try {
    infra::TRegistry reg;
    if (!reg.OpenKeyReadOnly(kRunKeyPath)) return std::wstring();
    return reg.ReadString(kAutostartValueName);
  } catch (...) {
    return std::wstring();
  }
}

}  // namespace app
