// Control of the sim's registry.
//
// The simulated registry keeps a tree of keys per predefined root. Values
// enumerate in the order they were first written (rewriting a value keeps its
// place, as on Windows); sub-keys enumerate sorted by name; names compare
// without regard to case. Handles opened through platform/registry.h carry the
// access they were granted and are checked like the real ones (querying needs
// KEY_QUERY_VALUE, writing KEY_SET_VALUE, enumerating sub-keys
// KEY_ENUMERATE_SUB_KEYS); a key with sub-keys cannot be deleted.
//
// Views: when the simulated process runs under WOW64 (SetWow64), paths below
// HKEY_LOCAL_MACHINE\SOFTWARE opened without KEY_WOW64_64KEY land in
// HKEY_LOCAL_MACHINE\SOFTWARE\WOW6432Node, as on 64-bit Windows. The helpers
// below address the stored tree as it is (the 64-bit view): to reach what a
// redirected process sees, name "SOFTWARE\\WOW6432Node\\..." yourself.
//
// Paths of the helpers are relative to the root, backslash-separated.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace sim {

// --- the process -------------------------------------------------------------------
// The simulated process is a 32-bit process on 64-bit Windows (default false).
void SetWow64(bool wow64);
// The system lacks IsWow64Process (plat::IsWow64Process returns false).
void SetIsWow64ProcessMissing(bool missing);
// The system lacks RegDeleteKeyExW (plat::LookupRegDeleteKeyExW returns null).
void SetRegDeleteKeyExMissing(bool missing);

// --- building the registry -------------------------------------------------------
// Each writer creates the key and every missing key above it.
void RegCreateKey(plat::RegKey root, const std::wstring& path);
void RegSetString(plat::RegKey root, const std::wstring& path, const std::wstring& name, const std::wstring& text,
                  std::uint32_t type = plat::REG_SZ);
void RegSetDword(plat::RegKey root, const std::wstring& path, const std::wstring& name, std::uint32_t value);
void RegSetRaw(plat::RegKey root, const std::wstring& path, const std::wstring& name, std::uint32_t type,
               const plat::RegData& data);
// Removes the key with everything below it; false when it does not exist.
bool RegDeleteTree(plat::RegKey root, const std::wstring& path);
bool RegDeleteValue(plat::RegKey root, const std::wstring& path, const std::wstring& name);

// --- inspecting it ------------------------------------------------------------------
bool RegKeyExists(plat::RegKey root, const std::wstring& path);
bool RegValueExists(plat::RegKey root, const std::wstring& path, const std::wstring& name);
// The text of a REG_SZ/REG_EXPAND_SZ value; nothing when the value is missing
// or of another type.
std::optional<std::wstring> RegGetString(plat::RegKey root, const std::wstring& path, const std::wstring& name);
// The number of a REG_DWORD value; nothing when missing or of another type.
std::optional<std::uint32_t> RegGetDword(plat::RegKey root, const std::wstring& path, const std::wstring& name);
struct RegValue {
  std::wstring name;
  std::uint32_t type = plat::REG_NONE;
  plat::RegData data;
};
std::optional<RegValue> RegGetRaw(plat::RegKey root, const std::wstring& path, const std::wstring& name);
// Value names in enumeration order (the order first written).
std::vector<std::wstring> RegValueNames(plat::RegKey root, const std::wstring& path);
// Sub-key names in enumeration order (sorted by name).
std::vector<std::wstring> RegSubKeyNames(plat::RegKey root, const std::wstring& path);
// Handles opened through platform/registry.h and not closed yet (predefined
// keys do not count). A finished operation leaves none behind.
int RegOpenHandles();
// The registry calls that changed something or were asked to, oldest first:
// "set NAME", "delete NAME", "flush", "deletekey PATH", "create PATH", each
// with " -> CODE" when it failed. Reads are not recorded.
std::vector<std::wstring> RegJournal();
void RegClearJournal();

// --- restrictions and failures -----------------------------------------------------------
// The rights a handle of this key can be granted (default: all). An open that
// asks for more fails with ERROR_ACCESS_DENIED; e.g. plat::KEY_QUERY_VALUE
// makes a key that only grants reading values. Without plat::DELETE the key
// cannot be deleted; without plat::KEY_CREATE_SUB_KEY nothing can be created
// below it. Creates the key when missing.
void RegSetKeyAccess(plat::RegKey root, const std::wstring& path, std::uint32_t allowed);

// Scripted write failures: the next `count` RegSetValueExW calls on the key
// (for the value `name`, or any value when name is empty) fail with `error`
// and change nothing; count -1 fails every call. Creates the key when missing.
constexpr int kAlways = -1;
void RegFailWrites(plat::RegKey root, const std::wstring& path, int count, std::uint32_t error = plat::ERROR_CANTWRITE,
                   const std::wstring& name = L"");
// Shorthands: fail once (then writes succeed again), fail every time, and
// refuse every write with ERROR_ACCESS_DENIED.
inline void RegFailWriteOnce(plat::RegKey root, const std::wstring& path, const std::wstring& name = L"") {
  RegFailWrites(root, path, 1, plat::ERROR_CANTWRITE, name);
}
inline void RegFailWritesAlways(plat::RegKey root, const std::wstring& path, const std::wstring& name = L"") {
  RegFailWrites(root, path, kAlways, plat::ERROR_CANTWRITE, name);
}
inline void RegDenyWrites(plat::RegKey root, const std::wstring& path, const std::wstring& name = L"") {
  RegFailWrites(root, path, kAlways, plat::ERROR_ACCESS_DENIED, name);
}

// A readable listing of a key and everything below it, for failure messages:
// one line per key ("[path]") and per value ("name = type:data").
std::wstring RegDump(plat::RegKey root, const std::wstring& path = L"");

}  // namespace sim
