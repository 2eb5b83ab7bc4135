// The registry (advapi32): one function per registry call the registry layer
// needs, with the same arguments and results (a LONG error code, 0 for
// success), keys as plain handle numbers.
//
// Values are raw bytes exactly as the system stores them: strings are
// UTF-16LE with their terminating zero, REG_DWORD is four little-endian bytes.
// RegStringData/RegDataString and RegDwordData/RegDataDword convert.
//
// In the sim build the registry is an ordered store (sim/sim_registry.h):
// values enumerate in the order they were first written (as
// on Windows), sub-keys sorted by name, both views of HKLM\SOFTWARE for a
// process under WOW64, per-key access restrictions and scripted failures.
//
// win32 sources include this header before <windows.h>, whose macros share
// the constants' names.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/system.h"  // ERROR_* codes shared by every area

namespace plat {

// A registry key handle as a number (HKEY on Windows); 0 is none.
using RegKey = std::uint64_t;
// The result of a registry call (LONG): ERROR_SUCCESS or a system error code.
using RegStatus = std::uint32_t;
using RegData = std::vector<std::uint8_t>;

// --- predefined keys -----------------------------------------------------------
constexpr RegKey HKEY_CLASSES_ROOT = 0x80000000;
constexpr RegKey HKEY_CURRENT_USER = 0x80000001;
constexpr RegKey HKEY_LOCAL_MACHINE = 0x80000002;
constexpr RegKey HKEY_USERS = 0x80000003;
constexpr RegKey HKEY_CURRENT_CONFIG = 0x80000005;

// --- value types ----------------------------------------------------------------
constexpr std::uint32_t REG_NONE = 0;
constexpr std::uint32_t REG_SZ = 1;
constexpr std::uint32_t REG_EXPAND_SZ = 2;
constexpr std::uint32_t REG_BINARY = 3;
constexpr std::uint32_t REG_DWORD = 4;
constexpr std::uint32_t REG_MULTI_SZ = 7;
constexpr std::uint32_t REG_QWORD = 11;

// --- access rights ----------------------------------------------------------------
constexpr std::uint32_t KEY_QUERY_VALUE = 0x0001;
constexpr std::uint32_t KEY_SET_VALUE = 0x0002;
constexpr std::uint32_t KEY_CREATE_SUB_KEY = 0x0004;
constexpr std::uint32_t KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr std::uint32_t KEY_NOTIFY = 0x0010;
constexpr std::uint32_t KEY_CREATE_LINK = 0x0020;
constexpr std::uint32_t KEY_WOW64_64KEY = 0x0100;
constexpr std::uint32_t KEY_WOW64_32KEY = 0x0200;
constexpr std::uint32_t DELETE = 0x00010000;
constexpr std::uint32_t READ_CONTROL = 0x00020000;
// READ_CONTROL | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY
constexpr std::uint32_t KEY_READ = 0x00020019;
// READ_CONTROL | KEY_SET_VALUE | KEY_CREATE_SUB_KEY
constexpr std::uint32_t KEY_WRITE = 0x00020006;
constexpr std::uint32_t KEY_EXECUTE = KEY_READ;
constexpr std::uint32_t KEY_ALL_ACCESS = 0x000F003F;

// --- RegCreateKeyEx options and dispositions ------------------------------------------
constexpr std::uint32_t REG_OPTION_NON_VOLATILE = 0;
constexpr std::uint32_t REG_OPTION_VOLATILE = 1;
constexpr std::uint32_t REG_CREATED_NEW_KEY = 1;
constexpr std::uint32_t REG_OPENED_EXISTING_KEY = 2;

// --- error codes of the registry calls (the common ones are in system.h) -----------------
constexpr std::uint32_t ERROR_MORE_DATA = 234;
constexpr std::uint32_t ERROR_NO_MORE_ITEMS = 259;
constexpr std::uint32_t ERROR_BADKEY = 1010;
constexpr std::uint32_t ERROR_CANTOPEN = 1011;
constexpr std::uint32_t ERROR_CANTREAD = 1012;
constexpr std::uint32_t ERROR_CANTWRITE = 1013;
constexpr std::uint32_t ERROR_KEY_DELETED = 1018;

// --- calls ----------------------------------------------------------------------------

// RegOpenKeyExW: opens sub_key of key (an empty sub_key opens key itself
// again) with the access mask sam; *result receives the new handle.
RegStatus RegOpenKeyExW(RegKey key, const std::wstring& sub_key, std::uint32_t options, std::uint32_t sam,
                        RegKey* result);

// RegCreateKeyExW without class and security attributes: opens sub_key,
// creating it and every missing key above it. *disposition (may be null)
// receives REG_CREATED_NEW_KEY or REG_OPENED_EXISTING_KEY.
RegStatus RegCreateKeyExW(RegKey key, const std::wstring& sub_key, std::uint32_t options, std::uint32_t sam,
                          RegKey* result, std::uint32_t* disposition);

// RegQueryValueExW: the value's type, its data and its size in bytes; each
// output may be null (a null data only asks for type and size). The whole
// data is returned however long it is.
RegStatus RegQueryValueExW(RegKey key, const std::wstring& name, std::uint32_t* type, RegData* data,
                           std::uint32_t* size);

// RegSetValueExW: writes the value with the given type and bytes.
RegStatus RegSetValueExW(RegKey key, const std::wstring& name, std::uint32_t type, const RegData& data);

// RegDeleteValueW.
RegStatus RegDeleteValueW(RegKey key, const std::wstring& name);

// RegDeleteKeyW: deletes sub_key of key; it must have no sub-keys.
RegStatus RegDeleteKeyW(RegKey key, const std::wstring& sub_key);

// RegDeleteKeyExW, which older systems lack: the registry layer looks it up
// at run time (GetProcAddress in advapi32). LookupRegDeleteKeyExW returns the
// function, or nullptr when the system does not have it. sam carries the view
// (KEY_WOW64_64KEY or KEY_WOW64_32KEY).
using RegDeleteKeyExWFunc = RegStatus (*)(RegKey key, const std::wstring& sub_key, std::uint32_t sam,
                                          std::uint32_t reserved);
RegDeleteKeyExWFunc LookupRegDeleteKeyExW();

// RegEnumKeyExW: the name of the sub-key at index; ERROR_NO_MORE_ITEMS past
// the last one.
RegStatus RegEnumKeyExW(RegKey key, std::uint32_t index, std::wstring* name);

// RegEnumValueW: name, type and data (each may be null) of the value at index;
// ERROR_NO_MORE_ITEMS past the last one.
RegStatus RegEnumValueW(RegKey key, std::uint32_t index, std::wstring* name, std::uint32_t* type, RegData* data);

// What RegQueryInfoKeyW tells about a key. Lengths of names are in UTF-16
// characters without the terminating zero, data lengths in bytes.
struct RegKeyInfo {
  std::uint32_t sub_keys = 0;
  std::uint32_t max_sub_key_len = 0;
  std::uint32_t values = 0;
  std::uint32_t max_value_name_len = 0;
  std::uint32_t max_value_len = 0;
  std::uint64_t last_write_time = 0;  // FILETIME as a number
};
RegStatus RegQueryInfoKeyW(RegKey key, RegKeyInfo* info);

// RegFlushKey.
RegStatus RegFlushKey(RegKey key);

// RegCloseKey (closing a predefined key succeeds and does nothing).
RegStatus RegCloseKey(RegKey key);

// --- watching a key ----------------------------------------------------------------

// A watch on the values of root\path: RegNotifyChangeKeyValue (asynchronous,
// one event of the watch's own) on that key for values added, written or
// deleted, and on its parent for sub-keys added or deleted, so that the key
// deleted and made anew counts as a change as well. The watch keeps its own
// handles. 0 when the key cannot be opened or watched.
using RegWatch = std::uint64_t;
RegWatch RegWatchKey(RegKey root, const std::wstring& path);
// True once something changed since the watch was made (and for 0 or a watch
// that is no more): what was read after making it may be out of date.
bool RegWatchFired(RegWatch watch);
// Ends the watch (0 is ignored).
void RegCloseWatch(RegWatch watch);

// --- value data ---------------------------------------------------------------------

// The bytes of a string value: UTF-16LE with the terminating zero, so the
// byte count is (length + 1) * 2.
RegData RegStringData(const std::wstring& text);
// The text of string value bytes, up to the first zero character (data
// without a terminating zero is taken whole; an odd last byte is ignored).
std::wstring RegDataString(const RegData& data);
// Four little-endian bytes.
RegData RegDwordData(std::uint32_t value);
// The REG_DWORD number of four or more bytes (the first four), 0 for fewer.
std::uint32_t RegDataDword(const RegData& data);
// The length of text in UTF-16 characters (surrogate pairs count two).
std::uint32_t Utf16Length(const std::wstring& text);

}  // namespace plat
