#include "store/shell_registration.h"

#include <exception>

#include "infra/dral_utils.h"
#include "infra/registry.h"
#include "platform/registry.h"

namespace store {
namespace {

const std::wstring kClasses = L"Software\\Classes\\";
const std::wstring kApprovedKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";

std::wstring ClassKey() { return kClasses + L"CLSID\\" + kShellExtensionClsid; }
std::wstring HandlerKey(const wchar_t* cls) {
  return kClasses + cls + L"\\shellex\\ContextMenuHandlers\\" + kShellExtensionHandlerName;
}

bool WriteDefault(infra::TRegistry& reg, const std::wstring& key, const std::wstring& name, const std::wstring& data) {
  if (!reg.OpenKey(key, true)) return false;
  reg.WriteString(name, data);
  reg.CloseKey();
  return true;
}

}  // namespace

plat::RegKey RegistrationRoot(TRegistrationScope scope) {
  return scope == TRegistrationScope::Machine ? plat::HKEY_LOCAL_MACHINE : plat::HKEY_CURRENT_USER;
}

bool RegisterContextMenuHandler(TRegistrationScope scope, const std::wstring& dll_path) {
  try {
    infra::TRegistry reg;
    reg.SetRootKey(RegistrationRoot(scope));
    bool ok = WriteDefault(reg, ClassKey(), L"", kShellExtensionDescription);
    ok = ok && WriteDefault(reg, ClassKey() + L"\\InprocServer32", L"", dll_path);
    ok = ok && WriteDefault(reg, ClassKey() + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
    for (const wchar_t* cls : kShellExtensionClasses)
      ok = ok && WriteDefault(reg, HandlerKey(cls), L"", kShellExtensionClsid);
    // Read only where a policy lets Explorer load approved extensions alone.
    if (ok) WriteDefault(reg, kApprovedKey, kShellExtensionClsid, kShellExtensionDescription);
    return ok;
  } catch (const std::exception&) {
    return false;
  }
}

bool UnregisterContextMenuHandler(TRegistrationScope scope) {
  const plat::RegKey root = RegistrationRoot(scope);
  bool clean = true;
  try {
    infra::TRegistry reg;
    reg.SetRootKey(root);
    for (const wchar_t* cls : kShellExtensionClasses) {
      const std::wstring key = HandlerKey(cls);
      if (!reg.KeyExists(key)) continue;
      std::wstring names;
      infra::TRegistry reader;  // (a read-only open would narrow reg's access)
      reader.SetRootKey(root);
      if (reader.OpenKeyReadOnly(key)) {
        try {
          names = reader.ReadString(L"");
        } catch (const std::exception&) {}
      }
      // Another program's handler under our name stays.
      if (infra::UpperCaseText(names) != kShellExtensionClsid) continue;
      if (!reg.DeleteKey(key)) clean = false;
    }
    if (reg.KeyExists(ClassKey()) && !reg.DeleteKey(ClassKey())) clean = false;
    if (reg.OpenKey(kApprovedKey, false)) {
      if (reg.ValueExists(kShellExtensionClsid) && !reg.DeleteValue(kShellExtensionClsid)) clean = false;
      reg.CloseKey();
    }
  } catch (const std::exception&) {
    return false;
  }
  return clean;
}

}  // namespace store
