// The registry layer (TRegistry, TDralRegistry) on the sim registry.
#include <gtest/gtest.h>

#include <functional>

#include "infra/registry.h"
#include "platform/clock.h"
#include "sim/sim_registry.h"
#include "sim/sim_world.h"

using infra::ERegistryException;
using infra::TDralRegistry;
using infra::TRegDataType;
using infra::TRegistry;
using plat::HKEY_CURRENT_USER;
using plat::HKEY_LOCAL_MACHINE;

namespace {

const std::wstring kApp = L"Software\\Quantrel\\Vorlune Folder";

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { sim::ResetWorld(); }
  // Every registry object lives for one operation: none leaves a handle open.
  void TearDown() override { EXPECT_EQ(sim::RegOpenHandles(), 0); }
};

// The message of the ERegistryException fn raises; empty when none.
std::wstring RaisedText(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const ERegistryException& e) {
    return e.Message();
  }
  return L"";
}

}  // namespace

using RegistryOrder = RegistryTest;

TEST_F(RegistryOrder, ValuesKeepTheOrderFirstWrittenAndARewrittenValueKeepsItsPlace) {
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(L"\\" + kApp + L"\\Path", true));
    reg.WriteString(L"Zeta", L"C:\\Z");
    reg.WriteString(L"Alpha", L"C:\\A");
    reg.WriteInteger(L"Mid", 7);
    reg.WriteString(L"Beta", L"C:\\B");
    reg.WriteString(L"Zeta", L"C:\\Z2");  // rewritten: stays first
    reg.WriteInteger(L"mid", 8);          // names ignore case
    EXPECT_EQ(reg.GetValueNames(), (std::vector<std::wstring>{L"Zeta", L"Alpha", L"Mid", L"Beta"}));
    EXPECT_EQ(reg.ReadString(L"Zeta"), L"C:\\Z2");
    EXPECT_EQ(reg.ReadInteger(L"MID"), 8);
    // A deleted and written again value goes to the end.
    EXPECT_TRUE(reg.DeleteValue(L"Alpha"));
    reg.WriteString(L"Alpha", L"C:\\A");
    EXPECT_EQ(reg.GetValueNames(), (std::vector<std::wstring>{L"Zeta", L"Mid", L"Beta", L"Alpha"}));
  }
  EXPECT_EQ(sim::RegValueNames(HKEY_CURRENT_USER, kApp + L"\\Path"),
            (std::vector<std::wstring>{L"Zeta", L"Mid", L"Beta", L"Alpha"}));

  // Sub-keys enumerate sorted by name, whatever the order of creation.
  sim::RegCreateKey(HKEY_CURRENT_USER, kApp + L"\\Path\\b");
  sim::RegCreateKey(HKEY_CURRENT_USER, kApp + L"\\Path\\C");
  sim::RegCreateKey(HKEY_CURRENT_USER, kApp + L"\\Path\\a");
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKeyReadOnly(kApp + L"\\Path"));
  EXPECT_EQ(reg.GetKeyNames(), (std::vector<std::wstring>{L"a", L"b", L"C"}));
  infra::TRegKeyInfo info;
  ASSERT_TRUE(reg.GetKeyInfo(info));
  EXPECT_EQ(info.NumSubKeys, 3u);
  EXPECT_EQ(info.NumValues, 4u);
  EXPECT_EQ(info.MaxValueLen, 5u);           // "Alpha"
  EXPECT_EQ(info.MaxDataLen, (5u + 1) * 2);  // "C:\Z2" with its zero
}

using RegistryPaths = RegistryTest;

TEST_F(RegistryPaths, RelativePathsComposeWithTheOpenKeyAndAbsoluteOnesIgnoreIt) {
  sim::RegCreateKey(HKEY_CURRENT_USER, L"Software\\Quantrel\\Other");
  struct Case {
    const wchar_t* first;   // opened first (nullptr: nothing open)
    const wchar_t* second;  // then this one
    bool can_create;
    bool ok;
    const wchar_t* path;  // CurrentPath afterwards
    const wchar_t* key;   // the key that exists afterwards (stored path)
  };
  const Case cases[] = {
      {nullptr, L"Software\\Quantrel", false, true, L"Software\\Quantrel", L"Software\\Quantrel"},
      {nullptr, L"\\Software\\Quantrel", false, true, L"Software\\Quantrel", L"Software\\Quantrel"},
      {L"Software", L"Quantrel\\New", true, true, L"Software\\Quantrel\\New", L"Software\\Quantrel\\New"},
      {L"Software\\Quantrel", L"\\Software\\Top", true, true, L"Software\\Top", L"Software\\Top"},
      {L"Software\\Quantrel", L"Other", false, true, L"Software\\Quantrel\\Other", L"Software\\Quantrel\\Other"},
      // A failed open leaves the previous key open.
      {L"Software\\Quantrel", L"Missing", false, false, L"Software\\Quantrel", L"Software\\Quantrel"},
      {L"Software\\Quantrel", L"\\Quantrel", false, false, L"Software\\Quantrel", L"Software\\Quantrel"},
      // A relative open from no open key starts at the root.
      {nullptr, L"Software\\Quantrel\\Deep\\Er", true, true, L"Software\\Quantrel\\Deep\\Er",
       L"Software\\Quantrel\\Deep\\Er"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.first ? c.first : L"-") << " then " << c.second);
    for (int dral = 0; dral < 2; ++dral) {
      TRegistry plain;
      TDralRegistry dral_reg;
      auto open = [&](const std::wstring& key, bool create) {
        return dral ? dral_reg.OpenKey(key, create) : plain.OpenKey(key, create);
      };
      TRegistry& reg = dral ? static_cast<TRegistry&>(dral_reg) : plain;
      if (c.first) ASSERT_TRUE(open(c.first, false));
      EXPECT_EQ(open(c.second, c.can_create), c.ok);
      EXPECT_EQ(reg.CurrentPath(), c.path);
      if (dral) EXPECT_EQ(dral_reg.FullPath(), c.path);
      EXPECT_TRUE(sim::RegKeyExists(HKEY_CURRENT_USER, c.key));
      // Writing lands in the open key.
      reg.WriteInteger(L"Probe", dral);
      EXPECT_EQ(sim::RegGetDword(HKEY_CURRENT_USER, c.path, L"Probe"), static_cast<std::uint32_t>(dral));
    }
  }
  // Opening without creation never creates.
  EXPECT_FALSE(sim::RegKeyExists(HKEY_CURRENT_USER, L"Software\\Quantrel\\Missing"));
  EXPECT_FALSE(sim::RegKeyExists(HKEY_CURRENT_USER, L"Quantrel"));
}

TEST_F(RegistryPaths, ChangingTheRootClosesTheOpenKeyAndTheSameRootChangesNothing) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(L"Software", false));
  reg.SetRootKey(HKEY_CURRENT_USER);
  EXPECT_NE(reg.CurrentKey(), 0u);
  reg.SetRootKey(HKEY_LOCAL_MACHINE);
  EXPECT_EQ(reg.CurrentKey(), 0u);
  EXPECT_EQ(reg.CurrentPath(), L"");
  ASSERT_TRUE(reg.OpenKey(L"SOFTWARE\\Vendor", true));
  EXPECT_TRUE(sim::RegKeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendor"));
  EXPECT_TRUE(reg.KeyExists(L"\\SOFTWARE"));
  EXPECT_FALSE(reg.KeyExists(L"Nope"));
}

using RegistryReadOnly = RegistryTest;

TEST_F(RegistryReadOnly, OpenKeyReadOnlyFallsBackToTheMaskTheKeyGrants) {
  struct Case {
    std::uint32_t allowed;
    bool ok;
    std::uint32_t mask;
  };
  const Case cases[] = {
      {0xFFFFFFFF, true, plat::KEY_READ},
      {plat::KEY_READ & ~plat::KEY_NOTIFY, true, 0x20009},
      {plat::KEY_QUERY_VALUE, true, plat::KEY_QUERY_VALUE},
      {plat::KEY_QUERY_VALUE | plat::KEY_NOTIFY, true, plat::KEY_QUERY_VALUE},
      {plat::KEY_SET_VALUE, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.allowed);
    sim::ResetWorld();
    sim::RegSetString(HKEY_CURRENT_USER, kApp, L"Name", L"text");
    sim::RegSetKeyAccess(HKEY_CURRENT_USER, kApp, c.allowed);
    {
      TRegistry reg;
      EXPECT_EQ(reg.OpenKeyReadOnly(kApp), c.ok);
      if (c.ok) {
        EXPECT_EQ(reg.Access(), c.mask);
        EXPECT_EQ(reg.ReadString(L"Name"), L"text");
      } else {
        EXPECT_EQ(reg.Access(), plat::KEY_READ | plat::KEY_WRITE);  // unchanged
      }
      TDralRegistry dral;
      EXPECT_EQ(dral.OpenKeyReadOnly(kApp), c.ok);
      EXPECT_EQ(dral.KeyOpen(), c.ok);
      if (c.ok) {
        EXPECT_EQ(dral.OwnAccess(), c.mask);
        EXPECT_EQ(dral.ReadString(L"Name"), L"text");
        // A read-only key refuses writes with the stated text.
        EXPECT_EQ(RaisedText([&] { dral.WriteInteger(L"N", 1); }), L"Failed to set data for 'N' Access is denied");
      }
      // The full-access open fails on a restricted key.
      TDralRegistry writer;
      EXPECT_EQ(writer.OpenKey(kApp, false), c.allowed == 0xFFFFFFFF);
    }
    EXPECT_EQ(sim::RegOpenHandles(), 0);
  }
}

using RegistryValues = RegistryTest;

TEST_F(RegistryValues, MissingAndWrongTypedValuesGiveTheStatedResults) {
  sim::RegSetString(HKEY_CURRENT_USER, kApp, L"Text", L"hello");
  sim::RegSetString(HKEY_CURRENT_USER, kApp, L"Expand", L"%ProgramFiles%\\X", plat::REG_EXPAND_SZ);
  sim::RegSetDword(HKEY_CURRENT_USER, kApp, L"Number", 0xFFFFFFFE);
  sim::RegSetRaw(HKEY_CURRENT_USER, kApp, L"Blob", plat::REG_BINARY, {1, 2, 3});
  sim::RegSetRaw(HKEY_CURRENT_USER, kApp, L"Empty", plat::REG_BINARY, {});
  sim::RegSetRaw(HKEY_CURRENT_USER, kApp, L"Short", plat::REG_DWORD, {1, 2});
  sim::RegSetRaw(HKEY_CURRENT_USER, kApp, L"NoZero", plat::REG_SZ, {'a', 0, 'b', 0});

  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kApp, false));
  struct Case {
    const wchar_t* name;
    TRegDataType type;
    const wchar_t* read_string;   // ReadString result, or the raised text
    const wchar_t* read_integer;  // ReadInteger result as text, or the raised text
  };
  const Case cases[] = {
      {L"Text", TRegDataType::rdString, L"hello", L"Invalid data type for 'Text'"},
      {L"Expand", TRegDataType::rdExpandString, L"%ProgramFiles%\\X", L"Invalid data type for 'Expand'"},
      {L"Number", TRegDataType::rdInteger, L"Invalid data type for 'Number'", L"-2"},
      {L"Blob", TRegDataType::rdBinary, L"Invalid data type for 'Blob'", L"Invalid data type for 'Blob'"},
      {L"Empty", TRegDataType::rdBinary, L"", L"Invalid data type for 'Empty'"},
      {L"Short", TRegDataType::rdInteger, L"Invalid data type for 'Short'", L"Failed to get data for 'Short'"},
      {L"NoZero", TRegDataType::rdString, L"ab", L"Invalid data type for 'NoZero'"},
      {L"Missing", TRegDataType::rdUnknown, L"", L"Failed to get data for 'Missing'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.name);
    EXPECT_EQ(reg.GetDataType(c.name), c.type);
    EXPECT_EQ(reg.ValueExists(c.name), c.type != TRegDataType::rdUnknown);
    std::wstring s;
    try {
      s = reg.ReadString(c.name);
    } catch (const ERegistryException& e) {
      s = e.Message();
    }
    EXPECT_EQ(s, c.read_string);
    try {
      s = std::to_wstring(reg.ReadInteger(c.name));
    } catch (const ERegistryException& e) {
      s = e.Message();
    }
    EXPECT_EQ(s, c.read_integer);
  }
  // The exception's what() carries the same text in UTF-8.
  try {
    reg.ReadInteger(L"Größe");
    ADD_FAILURE();
  } catch (const std::exception& e) {
    EXPECT_STREQ(e.what(),
                 "Failed to get data for 'Gr\xC3\xB6\xC3\x9F"
                 "e'");
  }
}

TEST_F(RegistryValues, WrittenValuesHaveTheSystemsTypesAndBytes) {
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kApp, true));
    reg.WriteString(L"S", L"Ab");
    reg.WriteExpandString(L"E", L"%TEMP%");
    reg.WriteInteger(L"I", -1);
    reg.WriteBool(L"T", true);
    reg.WriteBool(L"F", false);
    reg.WriteBinaryData(L"B", {9, 8});
    reg.WriteString(L"U", L"\u00e9\U0001F600");
    reg.WriteString(L"", L"default");
    EXPECT_EQ(reg.ReadString(L"U"), L"\u00e9\U0001F600");
    EXPECT_TRUE(reg.ReadBool(L"T"));
    EXPECT_FALSE(reg.ReadBool(L"F"));
    EXPECT_EQ(reg.ReadBinaryData(L"B"), (plat::RegData{9, 8}));
    EXPECT_EQ(reg.GetDataSize(L"S"), 6);
    EXPECT_EQ(reg.GetDataSize(L"none"), -1);
  }
  auto raw = [](const wchar_t* name) { return *sim::RegGetRaw(HKEY_CURRENT_USER, kApp, name); };
  EXPECT_EQ(raw(L"S").type, plat::REG_SZ);
  EXPECT_EQ(raw(L"S").data, (plat::RegData{'A', 0, 'b', 0, 0, 0}));  // (length + 1) * 2 bytes
  EXPECT_EQ(raw(L"E").type, plat::REG_EXPAND_SZ);
  EXPECT_EQ(raw(L"I").type, plat::REG_DWORD);
  EXPECT_EQ(raw(L"I").data, (plat::RegData{0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(sim::RegGetDword(HKEY_CURRENT_USER, kApp, L"T"), 1u);
  EXPECT_EQ(sim::RegGetDword(HKEY_CURRENT_USER, kApp, L"F"), 0u);
  EXPECT_EQ(raw(L"B").type, plat::REG_BINARY);
  // A character outside the basic plane is stored as a surrogate pair.
  EXPECT_EQ(raw(L"U").data, (plat::RegData{0xE9, 0, 0x3D, 0xD8, 0x00, 0xDE, 0, 0}));
  EXPECT_EQ(sim::RegGetString(HKEY_CURRENT_USER, kApp, L""), L"default");

  // A base object whose write fails raises at once, without a retry.
  sim::RegFailWriteOnce(HKEY_CURRENT_USER, kApp);
  sim::RegClearJournal();
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kApp, false));
  EXPECT_EQ(RaisedText([&] { reg.WriteString(L"S", L"x"); }), L"Failed to set data for 'S'");
  EXPECT_EQ(sim::RegJournal(), (std::vector<std::wstring>{L"set S -> 1013"}));
  EXPECT_EQ(sim::RegGetString(HKEY_CURRENT_USER, kApp, L"S"), L"Ab");
  // Without an open key nothing is read or written.
  TRegistry none;
  EXPECT_EQ(none.ReadString(L"S"), L"");
  EXPECT_FALSE(none.ValueExists(L"S"));
  EXPECT_EQ(RaisedText([&] { none.WriteString(L"S", L"x"); }), L"Failed to set data for 'S'");
}

using RegistryDelete = RegistryTest;

TEST_F(RegistryDelete, RecursiveDeleteRemovesAKeyThreeLevelsDeepAndReportsAMissingKey) {
  auto build = [] {
    sim::ResetWorld();
    sim::RegSetString(HKEY_CURRENT_USER, kApp + L"\\Path", L"a", L"1");
    sim::RegSetString(HKEY_CURRENT_USER, kApp + L"\\Path\\One\\Two\\Three", L"b", L"2");
    sim::RegCreateKey(HKEY_CURRENT_USER, kApp + L"\\Path\\One\\Two\\Sibling");
    sim::RegCreateKey(HKEY_CURRENT_USER, kApp + L"\\Path\\One\\Alpha");
    sim::RegCreateKey(HKEY_CURRENT_USER, kApp + L"\\Path\\Zed");
    sim::RegSetString(HKEY_CURRENT_USER, kApp + L"\\Filter", L"keep", L"me");
  };
  struct Case {
    const wchar_t* open;  // opened first (nullptr: none)
    const wchar_t* del;
    bool result;
    bool path_gone;
  };
  const Case cases[] = {
      {nullptr, L"Software\\Quantrel\\Vorlune Folder\\Path", true, true},
      {nullptr, L"\\Software\\Quantrel\\Vorlune Folder\\Path", true, true},
      {L"Software\\Quantrel\\Vorlune Folder", L"Path", true, true},
      {L"Software\\Quantrel\\Vorlune Folder", L"\\Software\\Quantrel\\Vorlune Folder\\Path", true, true},
      {L"Software\\Quantrel\\Vorlune Folder", L"path\\one", true, false},
      {nullptr, L"Software\\Quantrel\\Vorlune Folder\\Missing", false, false},
      {L"Software\\Quantrel\\Vorlune Folder", L"Missing", false, false},
      // An empty name would be the open key itself: nothing is deleted.
      {L"Software\\Quantrel\\Vorlune Folder\\Path", L"", false, false},
      {L"Software\\Quantrel\\Vorlune Folder\\Path", L"\\", false, false},
  };
  for (const Case& c : cases) {
    for (int dral = 0; dral < 2; ++dral) {
      SCOPED_TRACE(testing::Message() << (c.open ? c.open : L"-") << " / " << c.del << " dral=" << dral);
      build();
      {
        TRegistry plain;
        TDralRegistry dral_reg;
        TRegistry& reg = dral ? static_cast<TRegistry&>(dral_reg) : plain;
        if (c.open) ASSERT_TRUE(dral ? dral_reg.OpenKey(c.open, false) : plain.OpenKey(c.open, false));
        const plat::RegKey before = reg.CurrentKey();
        EXPECT_EQ(dral ? dral_reg.DeleteKey(c.del) : plain.DeleteKey(c.del), c.result);
        // The open key is the same afterwards.
        EXPECT_EQ(reg.CurrentKey(), before);
      }
      EXPECT_EQ(sim::RegKeyExists(HKEY_CURRENT_USER, kApp + L"\\Path"), !c.path_gone)
          << sim::RegDump(HKEY_CURRENT_USER, kApp);
      EXPECT_EQ(sim::RegKeyExists(HKEY_CURRENT_USER, kApp + L"\\Path\\One\\Two\\Three"), !c.result);
      EXPECT_EQ(sim::RegGetString(HKEY_CURRENT_USER, kApp + L"\\Filter", L"keep"), L"me");
      EXPECT_EQ(sim::RegOpenHandles(), 0);
    }
  }
}

TEST_F(RegistryDelete, AKeyThatCannotGoKeepsItsParentAndDeleteAllValuesEmptiesAKey) {
  sim::RegCreateKey(HKEY_CURRENT_USER, kApp + L"\\Path\\Sub\\Locked");
  sim::RegCreateKey(HKEY_CURRENT_USER, kApp + L"\\Path\\Other");
  sim::RegSetKeyAccess(HKEY_CURRENT_USER, kApp + L"\\Path\\Sub\\Locked", plat::KEY_READ);  // no DELETE
  {
    TDralRegistry reg;
    EXPECT_FALSE(reg.DeleteKey(L"\\" + kApp + L"\\Path"));
  }
  EXPECT_TRUE(sim::RegKeyExists(HKEY_CURRENT_USER, kApp + L"\\Path\\Sub\\Locked"));
  EXPECT_FALSE(sim::RegKeyExists(HKEY_CURRENT_USER, kApp + L"\\Path\\Other"));

  sim::RegSetString(HKEY_CURRENT_USER, kApp + L"\\Filter", L"a", L"1");
  sim::RegSetDword(HKEY_CURRENT_USER, kApp + L"\\Filter", L"b", 2);
  sim::RegSetString(HKEY_CURRENT_USER, kApp + L"\\Filter", L"c", L"3");
  sim::RegCreateKey(HKEY_CURRENT_USER, kApp + L"\\Filter\\Child");
  {
    TDralRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kApp + L"\\Filter", false));
    EXPECT_TRUE(reg.DeleteAllValues());
    EXPECT_TRUE(reg.GetValueNames().empty());
    EXPECT_TRUE(reg.DeleteAllValues());  // nothing left: still fine
  }
  EXPECT_TRUE(sim::RegKeyExists(HKEY_CURRENT_USER, kApp + L"\\Filter\\Child"));
  // Values of a key opened read-only cannot be deleted.
  sim::RegSetString(HKEY_CURRENT_USER, kApp + L"\\Filter", L"a", L"1");
  TDralRegistry reg;
  ASSERT_TRUE(reg.OpenKeyReadOnly(kApp + L"\\Filter"));
  EXPECT_FALSE(reg.DeleteAllValues());
  EXPECT_EQ(sim::RegValueNames(HKEY_CURRENT_USER, kApp + L"\\Filter"), (std::vector<std::wstring>{L"a"}));
}

using RegistryRetry = RegistryTest;

TEST_F(RegistryRetry, FailedWritesAreRetriedOnceAndAccessDeniedIsFinal) {
  enum class Failure { None, Once, Always, Denied };
  struct Case {
    Failure failure;
    bool string_write;
    const wchar_t* raised;  // empty: the write succeeds
    std::vector<std::wstring> journal;
    std::uint32_t waited_ms;
  };
  const std::vector<Case> cases = {
      {Failure::None, false, L"", {L"set N"}, 0},
      {Failure::Once, false, L"", {L"set N -> 1013", L"flush", L"delete N", L"set N"}, 0},
      {Failure::Always,
       false,
       L"Failed to set data for 'N'",
       {L"set N -> 1013", L"flush", L"delete N", L"set N -> 1013"},
       0},
      {Failure::Denied, false, L"Failed to set data for 'N' Access is denied", {L"set N -> 5"}, 0},
      {Failure::None, true, L"", {L"set N"}, 0},
      {Failure::Once, true, L"", {L"set N -> 1013", L"flush", L"delete N", L"set N"}, 150},
      {Failure::Always,
       true,
       L"Failed to set data for 'N'",
       {L"set N -> 1013", L"flush", L"delete N", L"set N -> 1013"},
       150},
      {Failure::Denied, true, L"Failed to set data for 'N' Access is denied", {L"set N -> 5"}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(c.failure) << " string=" << c.string_write);
    sim::ResetWorld();
    sim::RegSetDword(HKEY_CURRENT_USER, kApp, L"N", 1);
    sim::RegSetDword(HKEY_CURRENT_USER, kApp, L"Other", 2);
    switch (c.failure) {
      case Failure::None:
        break;
      case Failure::Once:
        sim::RegFailWriteOnce(HKEY_CURRENT_USER, kApp, L"N");
        break;
      case Failure::Always:
        sim::RegFailWritesAlways(HKEY_CURRENT_USER, kApp);
        break;
      case Failure::Denied:
        sim::RegDenyWrites(HKEY_CURRENT_USER, kApp, L"N");
        break;
    }
    TDralRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kApp, false));
    sim::RegClearJournal();
    const std::uint32_t start = plat::TickCount();
    EXPECT_EQ(RaisedText([&] {
                if (c.string_write)
                  reg.WriteString(L"N", L"%ProgramFiles%\\Tool");  // not under WOW64: written directly
                else
                  reg.WriteInteger(L"N", 5);
              }),
              c.raised);
    EXPECT_EQ(plat::TickCount() - start, c.waited_ms);
    EXPECT_EQ(sim::RegJournal(), c.journal);
    if (!*c.raised) {
      if (c.string_write)
        EXPECT_EQ(sim::RegGetString(HKEY_CURRENT_USER, kApp, L"N"), L"%ProgramFiles%\\Tool");
      else
        EXPECT_EQ(sim::RegGetDword(HKEY_CURRENT_USER, kApp, L"N"), 5u);
    }
    EXPECT_EQ(sim::RegGetDword(HKEY_CURRENT_USER, kApp, L"Other"), 2u);
  }
}

TEST_F(RegistryRetry, PutStringDataWritesTheGivenStringType) {
  TDralRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kApp, true));
  reg.PutStringData(plat::REG_EXPAND_SZ, L"Cmd", L"%SystemRoot%\\x.exe");
  reg.PutStringData(plat::REG_SZ, L"Plain", L"y");
  EXPECT_EQ(reg.GetDataType(L"Cmd"), TRegDataType::rdExpandString);
  EXPECT_EQ(reg.ReadString(L"Cmd"), L"%SystemRoot%\\x.exe");
  EXPECT_EQ(reg.GetDataType(L"Plain"), TRegDataType::rdString);
}

using RegistryWow64 = RegistryTest;

TEST_F(RegistryWow64, The64BitViewIsUsedOnlyWhenAskedForUnderWow64) {
  const std::wstring k64 = L"SOFTWARE\\Vendor\\Tool";
  const std::wstring k32 = L"SOFTWARE\\WOW6432Node\\Vendor\\Tool";
  struct Case {
    bool wow64;
    bool ask;
    bool read_only;
    const wchar_t* seen;  // the value read
    bool flag;            // Uses64BitView afterwards
  };
  const Case cases[] = {
      {true, true, false, L"64", true},  {true, false, false, L"32", false}, {true, true, true, L"64", true},
      {true, false, true, L"32", false}, {false, true, false, L"64", false}, {false, false, true, L"64", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "wow64=" << c.wow64 << " ask=" << c.ask << " ro=" << c.read_only);
    sim::ResetWorld();
    sim::SetWow64(c.wow64);
    sim::RegSetString(HKEY_LOCAL_MACHINE, k64, L"Bits", L"64");
    sim::RegSetString(HKEY_LOCAL_MACHINE, k32, L"Bits", L"32");
    {
      TDralRegistry reg;
      reg.SetRootKey(HKEY_LOCAL_MACHINE);
      ASSERT_TRUE(c.read_only ? reg.OpenKeyReadOnly(L"SOFTWARE\\Vendor\\Tool", c.ask)
                              : reg.OpenKey(L"SOFTWARE\\Vendor\\Tool", false, c.ask));
      EXPECT_EQ(reg.ReadString(L"Bits"), c.seen);
      EXPECT_EQ(reg.Uses64BitView(), c.flag);
      EXPECT_EQ((reg.OwnAccess() & plat::KEY_WOW64_64KEY) != 0, c.flag);
      // A relative open below it stays in the same view.
      if (!c.read_only) {
        ASSERT_TRUE(reg.OpenKey(L"Sub", true));
        EXPECT_EQ(reg.CurrentPath(), L"SOFTWARE\\Vendor\\Tool\\Sub");
      }
    }
    if (!c.read_only)
      EXPECT_TRUE(sim::RegKeyExists(HKEY_LOCAL_MACHINE, (std::wstring(c.seen) == L"64" ? k64 : k32) + L"\\Sub"));
    EXPECT_EQ(sim::RegOpenHandles(), 0);
  }
}

TEST_F(RegistryWow64, RecursiveDeleteInThe64BitViewLeavesThe32BitKeys) {
  struct Case {
    bool ask;
    bool delete_ex_missing;
    bool result;
    bool gone64;
    bool gone32;
  };
  const Case cases[] = {
      {true, false, true, true, false},
      {false, false, true, false, true},
      // Without RegDeleteKeyExW the key itself stays (its sub-keys went).
      {true, true, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "ask=" << c.ask << " missing=" << c.delete_ex_missing);
    sim::ResetWorld();
    sim::SetWow64(true);
    sim::SetRegDeleteKeyExMissing(c.delete_ex_missing);
    for (const wchar_t* base : {L"SOFTWARE\\Vendor", L"SOFTWARE\\WOW6432Node\\Vendor"}) {
      sim::RegSetString(HKEY_LOCAL_MACHINE, std::wstring(base) + L"\\App\\A\\B\\C", L"v", L"1");
      sim::RegCreateKey(HKEY_LOCAL_MACHINE, std::wstring(base) + L"\\App\\D");
    }
    {
      TDralRegistry reg;
      reg.SetRootKey(HKEY_LOCAL_MACHINE);
      EXPECT_EQ(reg.DeleteKey(L"\\SOFTWARE\\Vendor\\App", c.ask), c.result);
    }
    EXPECT_EQ(sim::RegKeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendor\\App"), !c.gone64);
    EXPECT_EQ(sim::RegKeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\WOW6432Node\\Vendor\\App"), !c.gone32);
    // Whatever happened, the other view's tree is whole.
    if (c.ask)
      EXPECT_TRUE(sim::RegKeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\WOW6432Node\\Vendor\\App\\A\\B\\C"));
    else
      EXPECT_TRUE(sim::RegKeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendor\\App\\A\\B\\C"));
  }
}

TEST_F(RegistryWow64, OpenKeyInHiveChoosesTheRootAndNeverThe64BitViewForTheUser) {
  sim::SetWow64(true);
  sim::RegSetString(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendor", L"Bits", L"64");
  sim::RegSetString(HKEY_LOCAL_MACHINE, L"SOFTWARE\\WOW6432Node\\Vendor", L"Bits", L"32");
  struct Case {
    bool current_user;
    bool ask;
    bool writable;
    const wchar_t* key;
    bool ok;
    const wchar_t* bits;
  };
  const Case cases[] = {
      {false, true, false, L"SOFTWARE\\Vendor", true, L"64"},
      {false, false, false, L"SOFTWARE\\Vendor", true, L"32"},
      {false, true, true, L"SOFTWARE\\Vendor", true, L"64"},
      {true, true, true, L"Software\\Vendor", true, L""},  // created under the user
      {true, true, false, L"Software\\Nothing", false, L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.key << " user=" << c.current_user << " ask=" << c.ask);
    TDralRegistry reg;
    EXPECT_EQ(TDralRegistry::OpenKeyInHive(reg, c.current_user, c.key, c.ask, c.writable), c.ok);
    EXPECT_EQ(reg.RootKey(), c.current_user ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE);
    if (c.ok) EXPECT_EQ(reg.ReadString(L"Bits"), c.bits);
    if (c.current_user) EXPECT_FALSE(reg.Uses64BitView());
  }
  EXPECT_TRUE(sim::RegKeyExists(HKEY_CURRENT_USER, L"Software\\Vendor"));
  EXPECT_FALSE(sim::RegKeyExists(HKEY_CURRENT_USER, L"Software\\Nothing"));
}
