// The registry seam over advapi32.
// Seam headers come before <windows.h>: its macros share the constants' names.
#include "platform/registry.h"

#include <memory>

#include <windows.h>

namespace plat {
namespace {

HKEY ToHkey(RegKey key) {
  // Predefined keys are sign-extended 32-bit numbers on 64-bit Windows.
  if (key >= 0x80000000ull && key <= 0x800000FFull)
    return reinterpret_cast<HKEY>(
        static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<LONG>(static_cast<DWORD>(key)))));
  return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(key));
}

RegKey FromHkey(HKEY key) { return static_cast<RegKey>(reinterpret_cast<ULONG_PTR>(key)); }

RegStatus WINAPI_DeleteKeyEx(RegKey key, const std::wstring& sub_key, std::uint32_t sam, std::uint32_t reserved);

using RegDeleteKeyExWProc = LONG(WINAPI*)(HKEY, LPCWSTR, REGSAM, DWORD);

RegDeleteKeyExWProc RealDeleteKeyEx() {
  // Looked up once; the answer cannot change while the process runs.
  static RegDeleteKeyExWProc proc = [] {
    HMODULE lib = ::GetModuleHandleW(L"advapi32.dll");
    if (!lib) lib = ::LoadLibraryW(L"advapi32.dll");
    return lib ? reinterpret_cast<RegDeleteKeyExWProc>(
                     reinterpret_cast<void*>(::GetProcAddress(lib, "RegDeleteKeyExW")))
               : nullptr;
  }();
  return proc;
}

RegStatus WINAPI_DeleteKeyEx(RegKey key, const std::wstring& sub_key, std::uint32_t sam, std::uint32_t reserved) {
  RegDeleteKeyExWProc proc = RealDeleteKeyEx();
  if (!proc) return ERROR_PROC_NOT_FOUND;
  return proc(ToHkey(key), sub_key.c_str(), sam, reserved);
}

}  // namespace

RegStatus RegOpenKeyExW(RegKey key, const std::wstring& sub_key, std::uint32_t options, std::uint32_t sam,
                        RegKey* result) {
  HKEY out = nullptr;
  LONG rc = ::RegOpenKeyExW(ToHkey(key), sub_key.c_str(), options, sam, &out);
  if (result) *result = rc == ERROR_SUCCESS ? FromHkey(out) : 0;
  return rc;
}

RegStatus RegCreateKeyExW(RegKey key, const std::wstring& sub_key, std::uint32_t options, std::uint32_t sam,
                          RegKey* result, std::uint32_t* disposition) {
  HKEY out = nullptr;
  DWORD disp = 0;
  LONG rc = ::RegCreateKeyExW(ToHkey(key), sub_key.c_str(), 0, nullptr, options, sam, nullptr, &out, &disp);
  if (result) *result = rc == ERROR_SUCCESS ? FromHkey(out) : 0;
  if (disposition) *disposition = disp;
  return rc;
}

RegStatus RegQueryValueExW(RegKey key, const std::wstring& name, std::uint32_t* type, RegData* data,
                           std::uint32_t* size) {
  DWORD t = 0;
  DWORD n = 0;
  LONG rc = ::RegQueryValueExW(ToHkey(key), name.c_str(), nullptr, &t, nullptr, &n);
  if (rc == ERROR_SUCCESS && data) {
    // The value may grow between the two calls: ask again until it fits.
    for (int attempt = 0; attempt < 8; ++attempt) {
      data->assign(n, 0);
      DWORD got = n;
      rc = ::RegQueryValueExW(ToHkey(key), name.c_str(), nullptr, &t, n ? data->data() : nullptr, &got);
      if (rc == ERROR_MORE_DATA) {
        n = got > n ? got : n * 2 + 16;
        continue;
      }
      if (rc == ERROR_SUCCESS) data->resize(got);
      n = got;
      break;
    }
  }
  if (rc != ERROR_SUCCESS && data) data->clear();
  if (type) *type = rc == ERROR_SUCCESS ? t : 0;
  if (size) *size = rc == ERROR_SUCCESS ? n : 0;
  return rc;
}

RegStatus RegSetValueExW(RegKey key, const std::wstring& name, std::uint32_t type, const RegData& data) {
  return ::RegSetValueExW(ToHkey(key), name.c_str(), 0, type, data.empty() ? nullptr : data.data(),
                          static_cast<DWORD>(data.size()));
}

RegStatus RegDeleteValueW(RegKey key, const std::wstring& name) { return ::RegDeleteValueW(ToHkey(key), name.c_str()); }

RegStatus RegDeleteKeyW(RegKey key, const std::wstring& sub_key) {
  return ::RegDeleteKeyW(ToHkey(key), sub_key.c_str());
}

RegDeleteKeyExWFunc LookupRegDeleteKeyExW() { return RealDeleteKeyEx() ? &WINAPI_DeleteKeyEx : nullptr; }

RegStatus RegEnumKeyExW(RegKey key, std::uint32_t index, std::wstring* name) {
  wchar_t buf[256];  // key names have at most 255 characters
  DWORD len = 256;
  LONG rc = ::RegEnumKeyExW(ToHkey(key), index, buf, &len, nullptr, nullptr, nullptr, nullptr);
  if (name) {
    if (rc == ERROR_SUCCESS)
      name->assign(buf, len);
    else
      name->clear();
  }
  return rc;
}

RegStatus RegEnumValueW(RegKey key, std::uint32_t index, std::wstring* name, std::uint32_t* type, RegData* data) {
  // Value names have at most 16383 characters; the buffer is made once per
  // thread, not for every value of a long key.
  thread_local std::wstring buf(16384, L'\0');
  DWORD len = static_cast<DWORD>(buf.size());
  DWORD t = 0;
  LONG rc = ERROR_SUCCESS;
  if (!data) {
    rc = ::RegEnumValueW(ToHkey(key), index, buf.data(), &len, nullptr, &t, nullptr, nullptr);
  } else {
    // One call for the name and data that fit a first buffer (each call is a
    // round trip to the registry's keeper); longer data is asked for again
    // with the size the first call gave.
    DWORD n = 1024;
    for (int attempt = 0; attempt < 8; ++attempt) {
      data->resize(n);
      DWORD got = n;
      len = static_cast<DWORD>(buf.size());
      rc = ::RegEnumValueW(ToHkey(key), index, buf.data(), &len, nullptr, &t, data->data(), &got);
      if (rc == ERROR_MORE_DATA) {
        n = got > n ? got : n * 2 + 16;
        continue;
      }
      if (rc == ERROR_SUCCESS) data->resize(got);
      break;
    }
  }
  if (rc != ERROR_SUCCESS && data) data->clear();
  if (name) {
    if (rc == ERROR_SUCCESS)
      name->assign(buf.data(), len);
    else
      name->clear();
  }
  if (type) *type = rc == ERROR_SUCCESS ? t : 0;
  return rc;
}

RegStatus RegQueryInfoKeyW(RegKey key, RegKeyInfo* info) {
  DWORD sub_keys = 0, max_sub = 0, values = 0, max_name = 0, max_data = 0;
  FILETIME written{};
  LONG rc = ::RegQueryInfoKeyW(ToHkey(key), nullptr, nullptr, nullptr, &sub_keys, &max_sub, nullptr, &values, &max_name,
                               &max_data, nullptr, &written);
  if (info) {
    *info = RegKeyInfo{};
    if (rc == ERROR_SUCCESS) {
      info->sub_keys = sub_keys;
      info->max_sub_key_len = max_sub;
      info->values = values;
      info->max_value_name_len = max_name;
      info->max_value_len = max_data;
      info->last_write_time = (static_cast<std::uint64_t>(written.dwHighDateTime) << 32) | written.dwLowDateTime;
    }
  }
  return rc;
}

namespace {

struct KeyWatch {
  HKEY key = nullptr;
  HKEY parent = nullptr;
  HANDLE event = nullptr;
  ~KeyWatch() {
    // Closing a key ends the notifications asked for on it.
    if (key) ::RegCloseKey(key);
    if (parent) ::RegCloseKey(parent);
    if (event) CloseHandle(event);
  }
};

}  // namespace

RegWatch RegWatchKey(RegKey root, const std::wstring& path) {
  auto w = std::make_unique<KeyWatch>();
  w->event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!w->event) return 0;
  const std::size_t slash = path.rfind(L'\\');
  const std::wstring parent = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
  const bool watched =
      ::RegOpenKeyExW(ToHkey(root), path.c_str(), 0, KEY_NOTIFY, &w->key) == ERROR_SUCCESS &&
      ::RegNotifyChangeKeyValue(w->key, FALSE, REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET, w->event, TRUE) ==
          ERROR_SUCCESS &&
      ::RegOpenKeyExW(ToHkey(root), parent.c_str(), 0, KEY_NOTIFY, &w->parent) == ERROR_SUCCESS &&
      ::RegNotifyChangeKeyValue(w->parent, FALSE, REG_NOTIFY_CHANGE_NAME, w->event, TRUE) == ERROR_SUCCESS;
  if (!watched) return 0;
  return static_cast<RegWatch>(reinterpret_cast<std::uintptr_t>(w.release()));
}

bool RegWatchFired(RegWatch watch) {
  if (!watch) return true;
  const auto* w = reinterpret_cast<const KeyWatch*>(static_cast<std::uintptr_t>(watch));
  return WaitForSingleObject(w->event, 0) != WAIT_TIMEOUT;
}

void RegCloseWatch(RegWatch watch) { delete reinterpret_cast<KeyWatch*>(static_cast<std::uintptr_t>(watch)); }

RegStatus RegFlushKey(RegKey key) { return ::RegFlushKey(ToHkey(key)); }

RegStatus RegCloseKey(RegKey key) { return ::RegCloseKey(ToHkey(key)); }

}  // namespace plat
