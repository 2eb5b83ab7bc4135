#include "infra/registry.h"

#include "infra/text.h"
#include "infra/wow64.h"
#include "platform/app.h"
#include "platform/atoms.h"
#include "platform/clock.h"
#include "platform/system.h"
#include "platform/window.h"
#include "platform/utf8.h"

namespace infra {
namespace {

// The system's text for an error code without the trailing full stop and
// line break it usually carries.
std::wstring ErrorText(std::uint32_t code) {
  std::wstring text = plat::SystemErrorMessage(code);
  while (!text.empty() && (text.back() <= L' ' || text.back() == L'.')) text.pop_back();
  return text;
}

constexpr std::uint32_t kReadOnlyMasks[] = {plat::KEY_READ, plat::KEY_READ & ~plat::KEY_NOTIFY, plat::KEY_QUERY_VALUE};
constexpr std::uint32_t kViewFlags = plat::KEY_WOW64_64KEY | plat::KEY_WOW64_32KEY;

const wchar_t kExtensionClass[] = L"KTR x64 extension";

// The registered message of the x64 extension. The system gives the same
// number for the same name for the whole session, so asking again is the
// same as keeping it.
std::uint32_t RegWrite2Message() { return plat::RegisterWindowMessageW(L"WM_REGWRITE2 by Vorlune StartUp Manager"); }

}  // namespace

ERegistryException::ERegistryException(std::wstring message)
    : message_(std::move(message)), what_(plat::ToUtf8(message_)) {}

// --- TRegistry -------------------------------------------------------------------

TRegistry::TRegistry() = default;

TRegistry::TRegistry(std::uint32_t access) : access_(access) {}

TRegistry::~TRegistry() { TRegistry::CloseKey(); }

void TRegistry::SetRootKey(plat::RegKey root) {
  if (root_key_ == root) return;
  root_key_ = root;
  TRegistry::CloseKey();
}

std::wstring TRegistry::StripLeadingBackslash(const std::wstring& key) { return IsRelative(key) ? key : key.substr(1); }

plat::RegKey TRegistry::GetBaseKey(bool relative) const {
  return (relative && current_key_ != 0) ? current_key_ : root_key_;
}

std::wstring TRegistry::ComposePath(const std::wstring& key) const {
  const bool relative = IsRelative(key);
  std::wstring s = StripLeadingBackslash(key);
  if (!relative || current_key_ == 0) return s;
  if (s.empty()) return current_path_;
  if (current_path_.empty()) return s;
  return current_path_ + L"\\" + s;
}

void TRegistry::ChangeKey(plat::RegKey key, const std::wstring& path) {
  TRegistry::CloseKey();
  current_key_ = key;
  current_path_ = path;
}

bool TRegistry::OpenKey(const std::wstring& key, bool can_create) {
  const bool relative = IsRelative(key);
  const std::wstring s = StripLeadingBackslash(key);
  plat::RegKey opened = 0;
  plat::RegStatus rc;
  if (!can_create || s.empty())
    rc = plat::RegOpenKeyExW(GetBaseKey(relative), s, 0, access_, &opened);
  else
    rc = plat::RegCreateKeyExW(GetBaseKey(relative), s, plat::REG_OPTION_NON_VOLATILE, access_, &opened, nullptr);
  if (rc != plat::ERROR_SUCCESS) return false;
  ChangeKey(opened, ComposePath(key));
  return true;
}

bool TRegistry::OpenKeyReadOnly(const std::wstring& key) {
  const bool relative = IsRelative(key);
  const std::wstring s = StripLeadingBackslash(key);
  const std::uint32_t view = access_ & kViewFlags;
  for (std::uint32_t mask : kReadOnlyMasks) {
    plat::RegKey opened = 0;
    if (plat::RegOpenKeyExW(GetBaseKey(relative), s, 0, mask | view, &opened) == plat::ERROR_SUCCESS) {
      access_ = mask | view;
      ChangeKey(opened, ComposePath(key));
      return true;
    }
  }
  return false;
}

void TRegistry::CloseKey() {
  if (current_key_ == 0) return;
  if (!lazy_write_) plat::RegFlushKey(current_key_);
  plat::RegCloseKey(current_key_);
  current_key_ = 0;
  current_path_.clear();
}

bool TRegistry::KeyExists(const std::wstring& key) {
  const bool relative = IsRelative(key);
  const std::wstring s = StripLeadingBackslash(key);
  const std::uint32_t view = access_ & kViewFlags;
  for (std::uint32_t mask : {plat::KEY_READ & ~plat::KEY_NOTIFY, plat::KEY_QUERY_VALUE}) {
    plat::RegKey opened = 0;
    if (plat::RegOpenKeyExW(GetBaseKey(relative), s, 0, mask | view, &opened) == plat::ERROR_SUCCESS) {
      plat::RegCloseKey(opened);
      return true;
    }
  }
  return false;
}

bool TRegistry::ValueExists(const std::wstring& name) {
  std::uint32_t type = 0;
  return plat::RegQueryValueExW(current_key_, name, &type, nullptr, nullptr) == plat::ERROR_SUCCESS;
}

TRegDataType TRegistry::GetDataType(const std::wstring& name) {
  std::uint32_t type = 0;
  if (plat::RegQueryValueExW(current_key_, name, &type, nullptr, nullptr) != plat::ERROR_SUCCESS)
    return TRegDataType::rdUnknown;
  switch (type) {
    case plat::REG_SZ:
      return TRegDataType::rdString;
    case plat::REG_EXPAND_SZ:
      return TRegDataType::rdExpandString;
    case plat::REG_DWORD:
      return TRegDataType::rdInteger;
    case plat::REG_BINARY:
      return TRegDataType::rdBinary;
    default:
      return TRegDataType::rdUnknown;
  }
}

int TRegistry::GetDataSize(const std::wstring& name) {
  std::uint32_t size = 0;
  if (plat::RegQueryValueExW(current_key_, name, nullptr, nullptr, &size) != plat::ERROR_SUCCESS) return -1;
  return static_cast<int>(size);
}

void TRegistry::ReadError(const std::wstring& name) {
  throw ERegistryException(L"Invalid data type for '" + name + L"'");
}

void TRegistry::GetDataError(const std::wstring& name) {
  throw ERegistryException(L"Failed to get data for '" + name + L"'");
}

std::wstring TRegistry::ReadString(const std::wstring& name) {
  std::uint32_t type = 0;
  plat::RegData data;
  // A value that cannot be queried reads as empty.
  if (plat::RegQueryValueExW(current_key_, name, &type, &data, nullptr) != plat::ERROR_SUCCESS) return L"";
  if (data.empty()) return L"";
  if (type != plat::REG_SZ && type != plat::REG_EXPAND_SZ) ReadError(name);
  return plat::RegDataString(data);
}

std::int32_t TRegistry::ReadInteger(const std::wstring& name) {
  std::uint32_t type = 0;
  plat::RegData data;
  if (plat::RegQueryValueExW(current_key_, name, &type, &data, nullptr) != plat::ERROR_SUCCESS) GetDataError(name);
  if (type != plat::REG_DWORD) ReadError(name);
  if (data.size() != 4) GetDataError(name);
  return static_cast<std::int32_t>(plat::RegDataDword(data));
}

bool TRegistry::ReadBool(const std::wstring& name) { return ReadInteger(name) != 0; }

plat::RegData TRegistry::ReadBinaryData(const std::wstring& name) {
  std::uint32_t type = 0;
  plat::RegData data;
  if (plat::RegQueryValueExW(current_key_, name, &type, &data, nullptr) != plat::ERROR_SUCCESS) GetDataError(name);
  if (type != plat::REG_BINARY && type != plat::REG_NONE) ReadError(name);
  return data;
}

void TRegistry::PutData(const std::wstring& name, std::uint32_t type, const plat::RegData& data) {
  if (plat::RegSetValueExW(current_key_, name, type, data) != plat::ERROR_SUCCESS)
    throw ERegistryException(L"Failed to set data for '" + name + L"'");
}

void TRegistry::WriteString(const std::wstring& name, const std::wstring& text) {
  PutData(name, plat::REG_SZ, plat::RegStringData(text));
}

void TRegistry::WriteExpandString(const std::wstring& name, const std::wstring& text) {
  PutData(name, plat::REG_EXPAND_SZ, plat::RegStringData(text));
}

void TRegistry::WriteInteger(const std::wstring& name, std::int32_t value) {
  PutData(name, plat::REG_DWORD, plat::RegDwordData(static_cast<std::uint32_t>(value)));
}

void TRegistry::WriteBool(const std::wstring& name, bool value) { WriteInteger(name, value ? 1 : 0); }

void TRegistry::WriteBinaryData(const std::wstring& name, const plat::RegData& data) {
  PutData(name, plat::REG_BINARY, data);
}

bool TRegistry::DeleteValue(const std::wstring& name) {
  return plat::RegDeleteValueW(current_key_, name) == plat::ERROR_SUCCESS;
}

bool TRegistry::DeleteKey(const std::wstring& key) {
  const bool relative = IsRelative(key);
  const std::wstring s = StripLeadingBackslash(key);
  // An empty name would name the open key (or the root) itself.
  if (s.empty()) return false;
  const plat::RegKey old = current_key_;
  plat::RegKey doomed = 0;
  if (plat::RegOpenKeyExW(GetBaseKey(relative), s, 0, access_, &doomed) == plat::ERROR_SUCCESS) {
    SetCurrentKey(doomed);
    TRegKeyInfo info;
    if (GetKeyInfo(info)) {
      // Depth first, from the last sub-key to the first, so the indexes of
      // the ones still to go do not move.
      for (std::int64_t i = static_cast<std::int64_t>(info.NumSubKeys) - 1; i >= 0; --i) {
        std::wstring name;
        if (plat::RegEnumKeyExW(doomed, static_cast<std::uint32_t>(i), &name) == plat::ERROR_SUCCESS && !name.empty())
          TRegistry::DeleteKey(name);
      }
    }
    SetCurrentKey(old);
    plat::RegCloseKey(doomed);
  }
  return plat::RegDeleteKeyW(GetBaseKey(relative), s) == plat::ERROR_SUCCESS;
}

std::vector<std::wstring> TRegistry::GetKeyNames() {
  std::vector<std::wstring> out;
  std::wstring name;
  for (std::uint32_t i = 0; plat::RegEnumKeyExW(current_key_, i, &name) == plat::ERROR_SUCCESS; ++i)
    out.push_back(name);
  return out;
}

std::vector<std::wstring> TRegistry::GetValueNames() {
  std::vector<std::wstring> out;
  std::wstring name;
  for (std::uint32_t i = 0; plat::RegEnumValueW(current_key_, i, &name, nullptr, nullptr) == plat::ERROR_SUCCESS; ++i)
    out.push_back(name);
  return out;
}

bool TRegistry::GetKeyInfo(TRegKeyInfo& info) {
  info = TRegKeyInfo{};
  plat::RegKeyInfo raw;
  if (plat::RegQueryInfoKeyW(current_key_, &raw) != plat::ERROR_SUCCESS) return false;
  info.NumSubKeys = raw.sub_keys;
  info.MaxSubKeyLen = raw.max_sub_key_len;
  info.NumValues = raw.values;
  info.MaxValueLen = raw.max_value_name_len;
  info.MaxDataLen = raw.max_value_len;
  return true;
}

// --- TDralRegistry ------------------------------------------------------------------

TDralRegistry::TDralRegistry() = default;

TDralRegistry::~TDralRegistry() { CloseKey(); }

std::uint32_t TDralRegistry::ViewFlag(bool use_64bit_view) {
  view_64_ = use_64bit_view && IsWow64();
  return view_64_ ? plat::KEY_WOW64_64KEY : 0;
}

void TDralRegistry::Commit(plat::RegKey key, const std::wstring& key_path) {
  const bool relative = IsRelative(key_path);
  const std::wstring s = StripLeadingBackslash(key_path);
  std::wstring path = s;
  if (relative && CurrentKey() != 0) {
    if (s.empty())
      path = full_path_;
    else if (!full_path_.empty())
      path = full_path_ + L"\\" + s;
  }
  ChangeKey(key, path);
  full_path_ = path;
}

bool TDralRegistry::OpenKey(const std::wstring& key, bool can_create, bool use_64bit_view) {
  own_access_ = plat::KEY_READ | plat::KEY_WRITE | ViewFlag(use_64bit_view);
  const bool relative = IsRelative(key);
  const std::wstring s = StripLeadingBackslash(key);
  plat::RegKey opened = 0;
  plat::RegStatus rc;
  if (can_create && !s.empty())
    rc = plat::RegCreateKeyExW(GetBaseKey(relative), s, plat::REG_OPTION_NON_VOLATILE, own_access_, &opened, nullptr);
  else
    rc = plat::RegOpenKeyExW(GetBaseKey(relative), s, 0, own_access_, &opened);
  key_open_ = rc == plat::ERROR_SUCCESS;
  if (key_open_) Commit(opened, key);
  return key_open_;
}

bool TDralRegistry::OpenKeyReadOnly(const std::wstring& key, bool use_64bit_view) {
  const std::uint32_t view = ViewFlag(use_64bit_view);
  const bool relative = IsRelative(key);
  const std::wstring s = StripLeadingBackslash(key);
  key_open_ = false;
  for (std::uint32_t mask : kReadOnlyMasks) {
    plat::RegKey opened = 0;
    if (plat::RegOpenKeyExW(GetBaseKey(relative), s, 0, mask | view, &opened) == plat::ERROR_SUCCESS) {
      own_access_ = mask | view;
      Commit(opened, key);
      key_open_ = true;
      break;
    }
  }
  return key_open_;
}

void TDralRegistry::CloseKey() {
  // The base object may hold a key opened by other means; close it as well.
  TRegistry::CloseKey();
  key_open_ = false;
}

plat::RegKey TDralRegistry::GetKey(const std::wstring& key) {
  const bool relative = IsRelative(key);
  plat::RegKey opened = 0;
  if (plat::RegOpenKeyExW(GetBaseKey(relative), StripLeadingBackslash(key), 0, own_access_, &opened) !=
      plat::ERROR_SUCCESS)
    return 0;
  return opened;
}

void TDralRegistry::SetDataError(const std::wstring& name, plat::RegStatus rc) {
  std::wstring message = L"Failed to set data for '" + name + L"'";
  const std::wstring text = ErrorText(static_cast<std::uint32_t>(rc));
  if (!text.empty()) message += L" " + text;
  throw ERegistryException(message);
}

void TDralRegistry::WriteInteger(const std::wstring& name, std::int32_t value) {
  const plat::RegData data = plat::RegDwordData(static_cast<std::uint32_t>(value));
  plat::RegStatus rc = plat::RegSetValueExW(CurrentKey(), name, plat::REG_DWORD, data);
  if (rc != plat::ERROR_SUCCESS && rc != plat::ERROR_ACCESS_DENIED) {
    plat::RegFlushKey(CurrentKey());
    plat::RegDeleteValueW(CurrentKey(), name);
    rc = plat::RegSetValueExW(CurrentKey(), name, plat::REG_DWORD, data);
  }
  if (rc != plat::ERROR_SUCCESS) SetDataError(name, rc);
}

void TDralRegistry::WriteString(const std::wstring& name, const std::wstring& text) {
  PutStringData(plat::REG_SZ, name, text);
}

void TDralRegistry::PutStringData(std::uint32_t type, const std::wstring& name, const std::wstring& text) {
  if (HandOverToExtension(name, text)) return;
  const plat::RegData data = plat::RegStringData(text);
  plat::RegStatus rc = plat::RegSetValueExW(CurrentKey(), name, type, data);
  if (rc != plat::ERROR_SUCCESS && rc != plat::ERROR_ACCESS_DENIED) {
    plat::SleepMs(50);
    plat::RegFlushKey(CurrentKey());
    plat::SleepMs(50);
    plat::RegDeleteValueW(CurrentKey(), name);
    plat::SleepMs(50);
    rc = plat::RegSetValueExW(CurrentKey(), name, type, data);
  }
  if (rc != plat::ERROR_SUCCESS) SetDataError(name, rc);
}

bool TDralRegistry::HandOverToExtension(const std::wstring& name, const std::wstring& text) {
  // Only a 32-bit process on 64-bit Windows needs the extension: it writes
  // texts naming the 64-bit program folders where 64-bit programs read them.
  if (!IsWow64()) return false;
  if (FindText(text, L"%programfiles%") == std::wstring::npos &&
      FindText(text, L"%commonprogramfiles%") == std::wstring::npos)
    return false;
  const plat::Window extension = plat::FindWindowEx(0, 0, kExtensionClass);
  if (extension == 0) return false;
  int root_index = 0;
  switch (RootKey()) {
    case plat::HKEY_CLASSES_ROOT:
      root_index = 1;
      break;
    case plat::HKEY_CURRENT_USER:
      root_index = 2;
      break;
    case plat::HKEY_LOCAL_MACHINE:
      root_index = 3;
      break;
    case plat::HKEY_USERS:
      root_index = 4;
      break;
    default:
      return false;  // the extension knows no other root: write directly
  }
  std::wstring key_text = full_path_;
  key_text += static_cast<wchar_t>(view_64_ ? 2 : 1);
  key_text += static_cast<wchar_t>(root_index);
  std::wstring value_text = name;
  value_text += static_cast<wchar_t>(1);
  value_text += text;
  // Texts longer than an atom holds (255 characters) get no atom.
  const std::uint16_t key_atom = plat::GlobalAddAtomW(key_text);
  if (key_atom == 0) return false;
  const std::uint16_t value_atom = plat::GlobalAddAtomW(value_text);
  if (value_atom == 0) return false;
  // The extension owns the atoms once it has the message; they are not
  // deleted here (a late answer after the time-out still reads them).
  plat::LResult answer = 0;
  if (!plat::SendMessageTimeout(extension, RegWrite2Message(), key_atom, value_atom, plat::SMTO_NORMAL, 200, &answer))
    return false;
  return ValueExists(name);
}

bool TDralRegistry::DeleteAllValues() {
  // Enumerate first, then delete: deleting while enumerating moves indexes.
  std::vector<std::wstring> names;
  std::wstring name;
  std::uint32_t i = 0;
  plat::RegStatus rc;
  while ((rc = plat::RegEnumValueW(CurrentKey(), i, &name, nullptr, nullptr)) == plat::ERROR_SUCCESS) {
    names.push_back(name);
    ++i;
  }
  // Values that cannot be listed cannot be deleted either.
  bool ok = rc == plat::ERROR_NO_MORE_ITEMS;
  for (const auto& n : names)
    if (!DeleteValue(n)) ok = false;
  return ok;
}

bool TDralRegistry::DeleteKey(const std::wstring& key, bool use_64bit_view) {
  const bool relative = IsRelative(key);
  const std::wstring s = StripLeadingBackslash(key);
  if (s.empty()) return false;
  const bool view = use_64bit_view && IsWow64();
  // The separate open uses the same view as the delete below, so the sub-keys
  // removed are those of the key that is deleted.
  const std::uint32_t mask = (own_access_ & ~kViewFlags) | (view ? plat::KEY_WOW64_64KEY : 0);
  const plat::RegKey old = CurrentKey();
  plat::RegKey doomed = 0;
  if (plat::RegOpenKeyExW(GetBaseKey(relative), s, 0, mask, &doomed) == plat::ERROR_SUCCESS) {
    SetCurrentKey(doomed);
    TRegKeyInfo info;
    if (GetKeyInfo(info)) {
      for (std::int64_t i = static_cast<std::int64_t>(info.NumSubKeys) - 1; i >= 0; --i) {
        std::wstring name;
        // Relative to the handle, which already carries the view.
        if (plat::RegEnumKeyExW(doomed, static_cast<std::uint32_t>(i), &name) == plat::ERROR_SUCCESS && !name.empty())
          DeleteKey(name, false);
      }
    }
    SetCurrentKey(old);
    plat::RegCloseKey(doomed);
  }
  if (view) {
    plat::RegDeleteKeyExWFunc delete_ex = plat::LookupRegDeleteKeyExW();
    return delete_ex && delete_ex(GetBaseKey(relative), s, plat::KEY_WOW64_64KEY, 0) == plat::ERROR_SUCCESS;
  }
  return plat::RegDeleteKeyW(GetBaseKey(relative), s) == plat::ERROR_SUCCESS;
}

bool TDralRegistry::OpenKeyInHive(TDralRegistry& reg, bool current_user, const std::wstring& key, bool use_64bit_view,
                                  bool writable) {
  reg.SetRootKey(current_user ? plat::HKEY_CURRENT_USER : plat::HKEY_LOCAL_MACHINE);
  const bool view = current_user ? false : use_64bit_view;
  return writable ? reg.OpenKey(key, true, view) : reg.OpenKeyReadOnly(key, view);
}

}  // namespace infra
