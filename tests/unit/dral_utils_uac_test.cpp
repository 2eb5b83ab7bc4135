#include <gtest/gtest.h>

#include "infra/dral_utils.h"
#include "platform/registry.h"
#include "sim/sim_files.h"
#include "sim/sim_os_version.h"
#include "sim/sim_registry.h"
#include "sim/sim_system.h"
#include "sim/sim_world.h"
#include "platform/system.h"

using namespace infra;

namespace {
const std::wstring kPolicies = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";

class DralUtilsUacFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::ResetWorld();
    ResetDralUtilsCaches();
  }
  void TearDown() override {
    sim::ResetWorld();
    ResetDralUtilsCaches();
  }
};
}  // namespace

using DralUtilsUac = DralUtilsUacFixture;

TEST_F(DralUtilsUac, UacAnswerByVersionGroupTokenAndPolicy) {
  enum Lua { kNone, kZero, kOne, kText, kOnlyRedirected };
  struct Case {
    const char* what;
    bool vista;
    void (*user)();
    std::uint32_t elevation_type;
    Lua lua;
    bool wow64;
    std::int32_t want;
  } cases[] = {
      {"XP administrator", false, [] { sim::MakeElevatedAdmin(); }, 1, kOne, false, 0},
      {"standard user", true, [] { sim::MakeStandardUser(); }, 1, kOne, false, 0},
      {"filtered administrator", true, [] { sim::MakeFilteredAdmin(); }, 3, kZero, false, 1},
      {"elevated administrator", true, [] { sim::MakeElevatedAdmin(); }, 2, kZero, false, 1},
      {"administrator without split token, UAC on", true, [] { sim::MakeElevatedAdmin(); }, 1, kOne, false, 1},
      {"administrator without split token, UAC off", true, [] { sim::MakeElevatedAdmin(); }, 1, kZero, false, 0},
      {"no policy value", true, [] { sim::MakeElevatedAdmin(); }, 1, kNone, false, 0},
      {"policy value of the wrong type", true, [] { sim::MakeElevatedAdmin(); }, 1, kText, false, 0},
      {"WOW64 reads the 64-bit view", true, [] { sim::MakeElevatedAdmin(); }, 1, kOne, true, 1},
      {"WOW64 ignores the redirected copy", true, [] { sim::MakeElevatedAdmin(); }, 1, kOnlyRedirected, true, 0},
  };
  for (auto& c : cases) {
    SetUp();
    sim::SetOsVersion(c.vista ? plat::OsVersion{6, 1, 7601, plat::VER_PLATFORM_WIN32_NT}
                              : plat::OsVersion{5, 1, 2600, plat::VER_PLATFORM_WIN32_NT});
    c.user();
    sim::SetElevation(c.elevation_type == 2, c.elevation_type);
    sim::SetWow64(c.wow64);
    sim::RegCreateKey(plat::HKEY_LOCAL_MACHINE, kPolicies);
    switch (c.lua) {
      case kZero:
        sim::RegSetDword(plat::HKEY_LOCAL_MACHINE, kPolicies, L"EnableLUA", 0);
        break;
      case kOne:
        sim::RegSetDword(plat::HKEY_LOCAL_MACHINE, kPolicies, L"EnableLUA", 1);
        break;
      case kText:
        sim::RegSetString(plat::HKEY_LOCAL_MACHINE, kPolicies, L"EnableLUA", L"1");
        break;
      case kOnlyRedirected:
        sim::RegSetDword(plat::HKEY_LOCAL_MACHINE,
                         L"SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Policies\\System", L"EnableLUA",
                         1);
        break;
      case kNone:
        break;
    }
    EXPECT_EQ(IsUacEnabled(), c.want) << c.what;
    // Cached: a later change of the policy is not seen.
    sim::RegSetDword(plat::HKEY_LOCAL_MACHINE, kPolicies, L"EnableLUA", c.want ? 0 : 1);
    EXPECT_EQ(IsUacEnabled(), c.want) << c.what << " (cached)";
  }
}

TEST_F(DralUtilsUac, RealAdminNeedsMachineWriteAccessAndElevation) {
  struct Case {
    const char* what;
    bool vista;
    bool elevated;
    bool writable;
    bool want;
  } cases[] = {
      {"Vista elevated with write access", true, true, true, true},
      {"Vista not elevated", true, false, true, false},
      {"Vista elevated without write access", true, true, false, false},
      {"XP with write access", false, false, true, true},
      {"XP without write access", false, false, false, false},
  };
  for (auto& c : cases) {
    SetUp();
    sim::SetOsVersion(c.vista ? plat::OsVersion{6, 1, 7601, plat::VER_PLATFORM_WIN32_NT}
                              : plat::OsVersion{5, 1, 2600, plat::VER_PLATFORM_WIN32_NT});
    sim::SetElevation(c.elevated, c.elevated ? 2 : 1);
    sim::RegCreateKey(plat::HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft");
    if (!c.writable) sim::RegSetKeyAccess(plat::HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft", plat::KEY_READ);
    EXPECT_EQ(IsRealAdmin(), c.want) << c.what;
    EXPECT_EQ(sim::RegOpenHandles(), 0) << c.what;
  }
}
