// regprobe: writes and reads registry values under HKEY_CURRENT_USER through
// the registry layer and prints what it saw, one "name=value" line each, for
// the registry e2e scenario to compare with `reg query`.
//
//   regprobe write    writes the probe values under Software\Quantrel\RegProbe
//   regprobe read     reads them back (and a value the scenario put there)
//   regprobe delete   deletes the key tree Deep (three levels) and a missing key
#include <cstdio>
#include <functional>
#include <string>

#include "infra/registry.h"
#include "infra/wow64.h"
#include "platform/registry.h"

namespace {

const wchar_t kKey[] = L"\\Software\\Quantrel\\RegProbe";

// Non-ASCII characters as \uXXXX so the output stays plain ASCII.
std::string Ascii(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned>(c));
      out += buf;
    }
  }
  return out;
}

void Print(const char* name, const std::wstring& value) {
  std::printf("%s=%s\n", name, Ascii(value).c_str());
  std::fflush(stdout);
}

std::wstring Try(const std::function<std::wstring()>& fn) {
  try {
    return fn();
  } catch (const infra::ERegistryException& e) {
    return L"raised:" + e.Message();
  }
}

int Write() {
  infra::TRegistry reg;
  if (!reg.OpenKey(kKey, true)) return 2;
  reg.WriteString(L"A_Text", L"first value");
  reg.WriteInteger(L"B_Number", 42);
  reg.WriteExpandString(L"C_Expand", L"%ProgramFiles%\\Tool");
  reg.WriteBool(L"D_Bool", true);
  reg.WriteString(L"E_Unicode", L"Gr\u00fc\u00dfe \u2603");
  reg.WriteString(L"A_Text", L"rewritten");
  // Longer than the first buffer a listing reads data into.
  reg.WriteString(L"B0_Long", std::wstring(3000, L'l'));
  // A tree three levels deep, reached relative to the open key.
  if (!reg.OpenKey(L"Deep\\One\\Two\\Three", true)) return 3;
  reg.WriteString(L"Leaf", L"x");
  Print("DeepPath", reg.CurrentPath());
  infra::TDralRegistry dral;
  if (!dral.OpenKey(kKey, false, true)) return 4;
  dral.WriteInteger(L"F_Dral", -5);
  dral.PutStringData(plat::REG_EXPAND_SZ, L"G_Program", L"%PROGRAMFILES%\\Dral");
  Print("Wow64", infra::IsWow64() ? L"1" : L"0");
  Print("Write", L"ok");
  return 0;
}

int Read() {
  infra::TRegistry reg;
  if (!reg.OpenKeyReadOnly(kKey)) return 2;
  Print("A_Text", reg.ReadString(L"A_Text"));
  Print("B_Number", std::to_wstring(reg.ReadInteger(L"B_Number")));
  Print("C_Expand", reg.ReadString(L"C_Expand"));
  Print("C_Type", std::to_wstring(static_cast<int>(reg.GetDataType(L"C_Expand"))));
  Print("D_Bool", reg.ReadBool(L"D_Bool") ? L"true" : L"false");
  Print("E_Unicode", reg.ReadString(L"E_Unicode"));
  Print("F_Dral", std::to_wstring(reg.ReadInteger(L"F_Dral")));
  Print("G_Program", reg.ReadString(L"G_Program"));
  Print("H_Outside", Try([&] { return reg.ReadString(L"H_Outside"); }));
  Print("MissingString", Try([&] { return L"[" + reg.ReadString(L"Missing") + L"]"; }));
  Print("MissingInteger", Try([&] { return std::to_wstring(reg.ReadInteger(L"Missing")); }));
  Print("WrongType", Try([&] { return std::to_wstring(reg.ReadInteger(L"A_Text")); }));
  std::wstring names;
  for (const auto& n : reg.GetValueNames()) names += (names.empty() ? L"" : L",") + n;
  Print("Names", names);
  // The listing with data through one buffer, as the store reads its keys:
  // the long value comes whole and the shorter ones after it at their sizes.
  std::wstring listed, long_text;
  std::wstring name;
  std::uint32_t type = 0;
  plat::RegData data;
  for (std::uint32_t i = 0; plat::RegEnumValueW(reg.CurrentKey(), i, &name, &type, &data) == plat::ERROR_SUCCESS; ++i) {
    listed += (listed.empty() ? L"" : L",") + name + L":" + std::to_wstring(type) + L":" + std::to_wstring(data.size());
    if (name == L"B0_Long") long_text = plat::RegDataString(data);
  }
  Print("Listed", listed);
  Print("LongWhole", long_text == std::wstring(3000, L'l') ? L"1" : L"0");
  std::wstring keys;
  for (const auto& n : reg.GetKeyNames()) keys += (keys.empty() ? L"" : L",") + n;
  Print("Keys", keys);
  // A machine key opens read-only for an unelevated program.
  infra::TDralRegistry machine;
  machine.SetRootKey(plat::HKEY_LOCAL_MACHINE);
  Print("Machine", machine.OpenKeyReadOnly(L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", true) &&
                           !machine.ReadString(L"CurrentVersion").empty()
                       ? L"ok"
                       : L"failed");
  return 0;
}

int Delete() {
  infra::TDralRegistry reg;
  Print("DeleteDeep", reg.DeleteKey(std::wstring(kKey) + L"\\Deep") ? L"1" : L"0");
  Print("DeleteMissing", reg.DeleteKey(std::wstring(kKey) + L"\\Deep") ? L"1" : L"0");
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring cmd = argc > 1 ? argv[1] : L"";
  try {
    if (cmd == L"write") return Write();
    if (cmd == L"read") return Read();
    if (cmd == L"delete") return Delete();
  } catch (const infra::ERegistryException& e) {
    Print("Error", e.Message());
    return 1;
  }
  std::fprintf(stderr, "usage: regprobe write|read|delete\n");
  return 2;
}
