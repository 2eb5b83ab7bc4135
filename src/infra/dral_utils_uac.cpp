// DralUtils: the system facts that read the registry (User Account Control,
// real administrator).
#include <atomic>

#include "infra/dral_utils.h"
#include "infra/registry.h"
#include "infra/wow64.h"
#include "platform/system.h"

namespace infra {

namespace {
std::atomic<std::int32_t> g_uac{-1};
std::atomic<std::int32_t> g_real_admin{-1};
}  // namespace

// The caches of dral_utils.cpp.
void ResetSystemFactCaches();

void ResetDralUtilsCaches() {
  ResetSystemFactCaches();
  g_uac = -1;
  g_real_admin = -1;
}

std::int32_t IsUacEnabled() {
  std::int32_t cached = g_uac.load();
  if (cached != -1) return cached;
  std::int32_t answer = 0;
  if (IsVistaOrLater() && IsAdminGroupMember()) {
    std::uint32_t type = 0;
    if (plat::GetTokenElevationType(type) && type != plat::TokenElevationTypeDefault) answer = 1;
    if (answer != 1) {
      answer = 0;
      try {
        TDralRegistry reg;
        reg.SetRootKey(plat::HKEY_LOCAL_MACHINE);
        if (reg.OpenKeyReadOnly(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System", IsWow64()) &&
            reg.ValueExists(L"EnableLUA") && reg.GetDataType(L"EnableLUA") == TRegDataType::rdInteger)
          answer = reg.ReadInteger(L"EnableLUA");
      } catch (...) {
        answer = 0;
      }
    }
  }
  g_uac = answer;  // an "EnableLUA" of -1 is simply asked again next time
  return answer;
}

bool IsRealAdmin() {
  std::int32_t cached = g_real_admin.load();
  if (cached == -1) {
    bool ok = false;
    try {
      TDralRegistry reg;
      reg.SetRootKey(plat::HKEY_LOCAL_MACHINE);
      ok = reg.OpenKey(L"software\\microsoft", true);
    } catch (...) {
      ok = false;
    }
    if (ok && IsVistaOrLater()) ok = IsElevated();
    cached = ok ? 1 : 0;
    g_real_admin = cached;
  }
  return (cached & 0xFF) != 0;
}

}  // namespace infra
