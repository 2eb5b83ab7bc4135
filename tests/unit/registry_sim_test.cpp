// The sim registry answers the advapi32 calls the way Windows does, so that
// code tested on it behaves the same on Windows.
#include <gtest/gtest.h>

#include <functional>

#include "platform/registry.h"
#include "sim/sim_registry.h"
#include "sim/sim_world.h"
#include "platform/wow64.h"

using namespace plat;

TEST(RegistrySim, CallsAnswerWithTheSystemsErrorCodes) {
  sim::ResetWorld();
  sim::RegSetString(HKEY_CURRENT_USER, L"Software\\A\\B", L"v", L"1");
  RegKey a = 0, b = 0, none = 0;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\A", 0, KEY_ALL_ACCESS, &a), ERROR_SUCCESS);
  ASSERT_EQ(RegOpenKeyExW(a, L"B", 0, KEY_READ, &b), ERROR_SUCCESS);
  struct Case {
    const char* what;
    RegStatus got;
    RegStatus want;
  };
  std::uint32_t disposition = 0;
  RegKey created = 0;
  const RegStatus create = RegCreateKeyExW(a, L"New\\Deeper", 0, KEY_READ, &created, &disposition);
  const Case cases[] = {
      {"open missing", RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Nope", 0, KEY_READ, &none), ERROR_FILE_NOT_FOUND},
      {"open with a leading backslash", RegOpenKeyExW(HKEY_CURRENT_USER, L"\\Software", 0, KEY_READ, &none), 161},
      {"create", create, ERROR_SUCCESS},
      {"query missing value", RegQueryValueExW(b, L"w", nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND},
      {"write through a read handle", RegSetValueExW(b, L"v", REG_SZ, RegStringData(L"2")), ERROR_ACCESS_DENIED},
      {"delete a key with sub-keys", RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\A"), ERROR_ACCESS_DENIED},
      {"delete a root", RegDeleteKeyW(HKEY_CURRENT_USER, L""), ERROR_ACCESS_DENIED},
      {"no handle", RegQueryValueExW(0, L"v", nullptr, nullptr, nullptr), ERROR_INVALID_HANDLE},
      {"enumerate past the end", RegEnumKeyExW(a, 2, nullptr), ERROR_NO_MORE_ITEMS},
      {"delete the leaf", RegDeleteKeyW(a, L"B"), ERROR_SUCCESS},
      {"use a handle of a deleted key", RegQueryValueExW(b, L"v", nullptr, nullptr, nullptr), ERROR_KEY_DELETED},
      {"close it", RegCloseKey(b), ERROR_SUCCESS},
      {"close it again", RegCloseKey(b), ERROR_INVALID_HANDLE},
      {"close a predefined key", RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.want) << c.what;
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  EXPECT_EQ(none, 0u);
  RegCloseKey(created);
  RegCloseKey(a);
  EXPECT_EQ(sim::RegOpenHandles(), 0);
  EXPECT_EQ(sim::RegSubKeyNames(HKEY_CURRENT_USER, L"Software\\A"), (std::vector<std::wstring>{L"New"}));
}

TEST(RegistrySim, TheRedirectedViewOfAWow64ProcessIsBelowWow6432Node) {
  struct Case {
    bool wow64;
    std::uint32_t view;
    const wchar_t* stored;
  };
  const Case cases[] = {
      {true, 0, L"SOFTWARE\\WOW6432Node\\V"},
      {true, KEY_WOW64_64KEY, L"SOFTWARE\\V"},
      {false, 0, L"SOFTWARE\\V"},
      {false, KEY_WOW64_32KEY, L"SOFTWARE\\WOW6432Node\\V"},
  };
  for (const Case& c : cases) {
    sim::ResetWorld();
    sim::SetWow64(c.wow64);
    bool wow64 = !c.wow64;
    EXPECT_TRUE(IsWow64Process(&wow64));
    EXPECT_EQ(wow64, c.wow64);
    RegKey k = 0;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"software\\V", 0, KEY_WRITE | c.view, &k, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(k, L"x", REG_DWORD, RegDwordData(7)), ERROR_SUCCESS);
    RegCloseKey(k);
    EXPECT_EQ(sim::RegGetDword(HKEY_LOCAL_MACHINE, c.stored, L"x"), 7u) << sim::RegDump(HKEY_LOCAL_MACHINE);
    // The user's keys have one view.
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\V", 0, KEY_WRITE | c.view, &k, nullptr), ERROR_SUCCESS);
    RegCloseKey(k);
    EXPECT_TRUE(sim::RegKeyExists(HKEY_CURRENT_USER, L"Software\\V"));
  }
  sim::SetIsWow64ProcessMissing(true);
  bool wow64 = false;
  EXPECT_FALSE(IsWow64Process(&wow64));
}

// The store's lists are the order of a key's values: deleting, rewriting and
// adding back (in any letter case) must leave that order as Windows does.
TEST(RegistrySim, ValuesKeepTheOrderFirstWrittenThroughDeletesAndRewrites) {
  sim::ResetWorld();
  RegKey k = 0;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\A", 0, KEY_ALL_ACCESS, &k, nullptr), ERROR_SUCCESS);
  auto names = [&] {
    std::vector<std::wstring> out;
    std::wstring name;
    for (std::uint32_t i = 0; RegEnumValueW(k, i, &name, nullptr, nullptr) == ERROR_SUCCESS; ++i) out.push_back(name);
    return out;
  };
  auto set = [&](const wchar_t* name, const wchar_t* text) {
    return RegSetValueExW(k, name, REG_SZ, RegStringData(text));
  };
  struct Step {
    const char* what;
    std::function<RegStatus()> act;
    RegStatus rc;
    std::vector<std::wstring> order;
  };
  const Step steps[] = {
      {"four values",
       [&] {
         set(L"a", L"1"), set(L"b", L"2"), set(L"c", L"3");
         return set(L"d", L"4");
       },
       ERROR_SUCCESS,
       {L"a", L"b", L"c", L"d"}},
      {"delete one in the middle", [&] { return RegDeleteValueW(k, L"B"); }, ERROR_SUCCESS, {L"a", L"c", L"d"}},
      {"delete it again", [&] { return RegDeleteValueW(k, L"b"); }, ERROR_FILE_NOT_FOUND, {L"a", L"c", L"d"}},
      {"rewrite in another case keeps place and name",
       [&] { return set(L"C", L"30"); },
       ERROR_SUCCESS,
       {L"a", L"c", L"d"}},
      {"a deleted name comes back last", [&] { return set(L"b", L"20"); }, ERROR_SUCCESS, {L"a", L"c", L"d", L"b"}},
      {"delete the first and the last",
       [&] {
         RegDeleteValueW(k, L"a");
         return RegDeleteValueW(k, L"b");
       },
       ERROR_SUCCESS,
       {L"c", L"d"}},
      {"empty it",
       [&] {
         RegDeleteValueW(k, L"c");
         return RegDeleteValueW(k, L"D");
       },
       ERROR_SUCCESS,
       {}},
      {"fill it again",
       [&] {
         set(L"d", L"4");
         return set(L"a", L"1");
       },
       ERROR_SUCCESS,
       {L"d", L"a"}},
  };
  for (const Step& s : steps) {
    EXPECT_EQ(s.act(), s.rc) << s.what;
    EXPECT_EQ(names(), s.order) << s.what;
    EXPECT_EQ(sim::RegValueNames(HKEY_CURRENT_USER, L"Software\\A"), s.order) << s.what;
  }
  RegData data;
  ASSERT_EQ(RegQueryValueExW(k, L"A", nullptr, &data, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(RegDataString(data), L"1");

  // Deleting while enumerating moves the later values down by one, as on Windows.
  set(L"b", L"2");
  set(L"c", L"3");
  std::wstring name;
  ASSERT_EQ(RegEnumValueW(k, 1, &name, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(name, L"a");
  ASSERT_EQ(RegDeleteValueW(k, name), ERROR_SUCCESS);
  ASSERT_EQ(RegEnumValueW(k, 1, &name, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(name, L"b");
  ASSERT_EQ(RegQueryValueExW(k, L"c", nullptr, &data, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(RegDataString(data), L"3");
  RegCloseKey(k);
}

TEST(RegistrySim, StringDataIsUtf16LeWithItsZero) {
  struct Case {
    std::wstring text;
    RegData data;
  };
  const Case cases[] = {
      {L"", {0, 0}},
      {L"A", {'A', 0, 0, 0}},
      {L"\u20AC", {0xAC, 0x20, 0, 0}},
      {L"\U0001F600", {0x3D, 0xD8, 0x00, 0xDE, 0, 0}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RegStringData(c.text), c.data);
    EXPECT_EQ(RegDataString(c.data), c.text);
  }
  // Data read stops at the first zero, and an odd byte or a missing zero is
  // tolerated.
  EXPECT_EQ(RegDataString({'a', 0, 0, 0, 'b', 0}), L"a");
  EXPECT_EQ(RegDataString({'a', 0, 'b'}), L"a");
  EXPECT_EQ(RegDataDword(RegDwordData(0xA1B2C3D4)), 0xA1B2C3D4u);
  EXPECT_EQ(RegDataDword({1, 2}), 0u);
}
