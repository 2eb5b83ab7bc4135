// DralRegistry: the registry objects every part of the agent uses.
//
// A registry object has a root key, at most one open key and typed values. It
// lives for one operation: create it, open a key, read or write, let it go
// (the destructor closes the key).
//
// TRegistry is the base object: paths that begin with a backslash are
// absolute (from the root key), others are relative to the open key when one
// is open, else to the root key. Opens and deletes report failure as false;
// reads and writes that fail raise ERegistryException.
//
// TDralRegistry adds the 64-bit view for a 32-bit process on 64-bit Windows,
// access masks with fall-backs, writes retried once after a failure, the
// hand-over of string writes that name %ProgramFiles% to the x64 extension
// window, and a recursive delete that respects the view.
#pragma once
#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace infra {

// A failed registry read or write. Message is the text shown and logged,
// e.g. "Failed to get data for 'Width'".
class ERegistryException : public std::exception {
 public:
  explicit ERegistryException(std::wstring message);
  const std::wstring& Message() const { return message_; }
  // The message in UTF-8.
  const char* what() const noexcept override { return what_.c_str(); }

 private:
  std::wstring message_;
  std::string what_;
};

enum class TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

struct TRegKeyInfo {
  std::uint32_t NumSubKeys = 0;
  std::uint32_t MaxSubKeyLen = 0;
  std::uint32_t NumValues = 0;
  std::uint32_t MaxValueLen = 0;  // longest value name, in characters
  std::uint32_t MaxDataLen = 0;   // longest data, in bytes
};

class TRegistry {
 public:
  // Root HKEY_CURRENT_USER, no key open, access KEY_READ | KEY_WRITE, lazy write.
  TRegistry();
  explicit TRegistry(std::uint32_t access);
  virtual ~TRegistry();
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  plat::RegKey RootKey() const { return root_key_; }
  // Closes the open key when the root changes; the same root changes nothing.
  void SetRootKey(plat::RegKey root);
  // The open key's handle, 0 when none is open.
  plat::RegKey CurrentKey() const { return current_key_; }
  // The open key's path relative to the root, without a leading backslash.
  const std::wstring& CurrentPath() const { return current_path_; }
  std::uint32_t Access() const { return access_; }
  void SetAccess(std::uint32_t access) { access_ = access; }
  // When false, closing the key flushes it first.
  bool LazyWrite() const { return lazy_write_; }
  void SetLazyWrite(bool lazy) { lazy_write_ = lazy; }

  // Opens the key, creating it (and the keys above it) when can_create is set.
  bool OpenKey(const std::wstring& key, bool can_create);
  // Opens without creating, with the first of KEY_READ, KEY_READ without
  // KEY_NOTIFY and KEY_QUERY_VALUE that the key grants; Access() becomes it.
  bool OpenKeyReadOnly(const std::wstring& key);
  void CloseKey();
  // True when the key can be opened for reading.
  bool KeyExists(const std::wstring& key);

  bool ValueExists(const std::wstring& name);
  TRegDataType GetDataType(const std::wstring& name);
  // Data size in bytes, -1 when the value cannot be queried.
  int GetDataSize(const std::wstring& name);

  // Empty when the value is missing; raises "Invalid data type for '%s'" for
  // a value that is not REG_SZ or REG_EXPAND_SZ.
  std::wstring ReadString(const std::wstring& name);
  void WriteString(const std::wstring& name, const std::wstring& text);
  void WriteExpandString(const std::wstring& name, const std::wstring& text);
  // Raises "Failed to get data for '%s'" when the value cannot be read and
  // "Invalid data type for '%s'" when it is not REG_DWORD.
  std::int32_t ReadInteger(const std::wstring& name);
  void WriteInteger(const std::wstring& name, std::int32_t value);
  // REG_DWORD 0 or 1; any value other than 0 reads as true.
  bool ReadBool(const std::wstring& name);
  void WriteBool(const std::wstring& name, bool value);
  // REG_BINARY (REG_NONE is accepted too when reading).
  plat::RegData ReadBinaryData(const std::wstring& name);
  void WriteBinaryData(const std::wstring& name, const plat::RegData& data);

  bool DeleteValue(const std::wstring& name);
  // Deletes the key with all its sub-keys; true when the key itself went.
  // An empty path (or a lone backslash) deletes nothing and returns false.
  bool DeleteKey(const std::wstring& key);

  // Names of the open key's sub-keys (sorted by the system) and values (in
  // the system's order: the order first written on Windows).
  std::vector<std::wstring> GetKeyNames();
  void GetKeyNames(std::vector<std::wstring>& list) { list = GetKeyNames(); }
  std::vector<std::wstring> GetValueNames();
  void GetValueNames(std::vector<std::wstring>& list) { list = GetValueNames(); }
  bool GetKeyInfo(TRegKeyInfo& info);

 protected:
  static bool IsRelative(const std::wstring& key) { return key.empty() || key[0] != L'\\'; }
  static std::wstring StripLeadingBackslash(const std::wstring& key);
  // The key a path starts from: the open key for a relative path when one is
  // open, else the root key.
  plat::RegKey GetBaseKey(bool relative) const;
  // The path of a key opened by `key` from the current state.
  std::wstring ComposePath(const std::wstring& key) const;
  // Closes the open key and makes `key` the open key with that path.
  void ChangeKey(plat::RegKey key, const std::wstring& path);
  // Swaps the open key's handle without closing anything (recursive delete).
  void SetCurrentKey(plat::RegKey key) { current_key_ = key; }
  // Writes a value; raises "Failed to set data for '%s'" on failure.
  void PutData(const std::wstring& name, std::uint32_t type, const plat::RegData& data);
  [[noreturn]] static void ReadError(const std::wstring& name);
  [[noreturn]] static void GetDataError(const std::wstring& name);

 private:
  plat::RegKey root_key_ = plat::HKEY_CURRENT_USER;
  plat::RegKey current_key_ = 0;
  std::wstring current_path_;
  std::uint32_t access_ = plat::KEY_READ | plat::KEY_WRITE;
  bool lazy_write_ = true;
};

class TDralRegistry : public TRegistry {
 public:
  TDralRegistry();
  ~TDralRegistry() override;

  // Opens (with can_create: creates) the key with KEY_READ | KEY_WRITE; with
  // use_64bit_view in a process under WOW64, in the 64-bit view.
  bool OpenKey(const std::wstring& key, bool can_create, bool use_64bit_view = false);
  // Opens with the first of KEY_READ, 0x20009 and KEY_QUERY_VALUE that works.
  bool OpenKeyReadOnly(const std::wstring& key, bool use_64bit_view = false);
  void CloseKey();
  // A separately opened handle of the key (own access mask), 0 on failure;
  // the caller closes it with plat::RegCloseKey. The open key is unchanged.
  plat::RegKey GetKey(const std::wstring& key);

  // REG_DWORD; a failure other than access denied is retried once after
  // flushing the key and deleting the value. Raises "Failed to set data for
  // '%s'" with the system's text when the write does not succeed.
  void WriteInteger(const std::wstring& name, std::int32_t value);
  void WriteString(const std::wstring& name, const std::wstring& text);
  // REG_SZ or REG_EXPAND_SZ. Under WOW64 a text naming %ProgramFiles% or
  // %CommonProgramFiles% is first handed to the x64 extension window when it
  // runs; otherwise (or when that does not produce the value) it is written
  // directly, with one retry as WriteInteger.
  void PutStringData(std::uint32_t type, const std::wstring& name, const std::wstring& text);

  // Deletes every value of the open key; false when any deletion failed.
  bool DeleteAllValues();
  // Recursive delete in the chosen view; true when the key itself went. An
  // empty path deletes nothing.
  bool DeleteKey(const std::wstring& key, bool use_64bit_view = false);

  // Sets reg's root to HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE and opens the
  // key there: created when writable, read-only otherwise. The 64-bit view is
  // never asked for under HKEY_CURRENT_USER.
  static bool OpenKeyInHive(TDralRegistry& reg, bool current_user, const std::wstring& key, bool use_64bit_view,
                            bool writable);

  const std::wstring& FullPath() const { return full_path_; }
  std::uint32_t OwnAccess() const { return own_access_; }
  bool KeyOpen() const { return key_open_; }
  bool Uses64BitView() const { return view_64_; }

 private:
  std::uint32_t ViewFlag(bool use_64bit_view);
  void Commit(plat::RegKey key, const std::wstring& key_path);
  [[noreturn]] void SetDataError(const std::wstring& name, plat::RegStatus rc);
  bool HandOverToExtension(const std::wstring& name, const std::wstring& text);

  std::wstring full_path_;
  std::uint32_t own_access_ = plat::KEY_READ | plat::KEY_WRITE;
  bool key_open_ = false;
  bool view_64_ = false;
};

}  // namespace infra
