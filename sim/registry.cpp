// The sim's registry: an ordered store with both views, access checks and
// scripted failures (see sim_registry.h).
#include <algorithm>
#include <cwctype>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/registry.h"
#include "sim/sim_registry.h"
#include "sim/sim_world.h"
#include "platform/wow64.h"

namespace sim {
namespace {

using plat::RegData;
using plat::RegKey;
using plat::RegStatus;

constexpr std::uint32_t kErrorBadPathname = 161;
constexpr std::uint32_t kAllRights = 0xFFFFFFFF;

std::wstring Upper(const std::wstring& s) {
  std::wstring out(s);
  for (auto& c : out) c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
  return out;
}

struct Value {
  std::wstring name;
  std::uint32_t type = plat::REG_NONE;
  RegData data;
};

// A key's values in the order first written, found by name through an index
// of upper-case names. A registry compares names in place (Wine searches its
// sorted names by halves); upper-casing a copy of every stored name on each
// call made a key of thousands of values, written or emptied one value at a
// time, cost the sim seconds that the program does not cost. A deleted value
// leaves a gap that the next positional access closes.
class ValueList {
 public:
  Value* Find(const std::wstring& name) {
    auto it = index_.find(Upper(name));
    return it == index_.end() ? nullptr : &slots_[it->second];
  }
  // Rewriting a value keeps its place; a new one goes last.
  void Set(const std::wstring& name, std::uint32_t type, const RegData& data) {
    ++changes_;
    auto [it, added] = index_.try_emplace(Upper(name), slots_.size());
    if (added) {
      slots_.push_back(Value{name, type, data});
      gone_.push_back(false);
      return;
    }
    Value& v = slots_[it->second];
    v.type = type;
    v.data = data;
  }
  bool Erase(const std::wstring& name) {
    auto it = index_.find(Upper(name));
    if (it == index_.end()) return false;
    slots_[it->second] = Value{};
    gone_[it->second] = true;
    ++gaps_;
    index_.erase(it);
    ++changes_;
    // A key emptied value by value starts afresh (its count of changes goes on).
    if (gaps_ == slots_.size()) {
      const std::uint64_t changes = changes_;
      *this = ValueList{};
      changes_ = changes;
    }
    return true;
  }
  std::size_t size() const { return slots_.size() - gaps_; }
  // Values written or deleted since the key was made (what a watch compares).
  std::uint64_t Changes() const { return changes_; }
  // The values in order (closing the gaps first).
  const std::vector<Value>& All() {
    Compact();
    return slots_;
  }

 private:
  void Compact() {
    if (!gaps_) return;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < slots_.size(); ++i) {
      if (gone_[i]) continue;
      if (kept != i) {
        slots_[kept] = std::move(slots_[i]);
        index_[Upper(slots_[kept].name)] = kept;
      }
      ++kept;
    }
    slots_.resize(kept);
    gone_.assign(kept, false);
    gaps_ = 0;
  }
  std::vector<Value> slots_;
  std::vector<bool> gone_;
  std::size_t gaps_ = 0;
  std::unordered_map<std::wstring, std::size_t> index_;  // upper-case name -> slot
  std::uint64_t changes_ = 0;
};

struct FailRule {
  int remaining = 0;  // kAlways: every time
  std::uint32_t error = 0;
  std::wstring name_upper;  // empty: any value
};

struct Key {
  std::wstring name;
  ValueList values;                                   // in the order first written
  std::map<std::wstring, std::shared_ptr<Key>> subs;  // by upper-case name: sorted
  std::uint32_t allowed = kAllRights;
  std::vector<FailRule> fails;
  bool deleted = false;
};

struct Handle {
  std::shared_ptr<Key> key;
  RegKey root = 0;
  std::vector<std::wstring> path;  // stored path below the root
  std::uint32_t granted = 0;
};

struct State {
  std::recursive_mutex m;
  std::map<RegKey, std::shared_ptr<Key>> roots;
  std::map<RegKey, Handle> handles;
  RegKey next = 0x100;
  bool wow64 = false;
  bool wow64_missing = false;
  bool delete_ex_missing = false;
  std::vector<std::wstring> journal;
  // Watches (plat::RegWatchKey): the key and its count of changes when made.
  std::map<plat::RegWatch, std::pair<std::shared_ptr<Key>, std::uint64_t>> watches;
};

State& S() {
  static State s;
  return s;
}

void ResetState() {
  State& s = S();
  std::lock_guard<std::recursive_mutex> g(s.m);
  s.roots.clear();
  s.handles.clear();
  s.next = 0x100;
  s.wow64 = false;
  s.wow64_missing = false;
  s.delete_ex_missing = false;
  s.journal.clear();
  s.watches.clear();
  for (RegKey r : {plat::HKEY_CLASSES_ROOT, plat::HKEY_CURRENT_USER, plat::HKEY_LOCAL_MACHINE, plat::HKEY_USERS,
                   plat::HKEY_CURRENT_CONFIG})
    s.roots[r] = std::make_shared<Key>();
  // The keys every Windows has.
  auto add = [&](RegKey root, const std::wstring& name) {
    auto k = std::make_shared<Key>();
    k->name = name;
    s.roots[root]->subs[Upper(name)] = k;
    return k;
  };
  add(plat::HKEY_CURRENT_USER, L"Software");
  auto sw = add(plat::HKEY_LOCAL_MACHINE, L"SOFTWARE");
  auto wow = std::make_shared<Key>();
  wow->name = L"WOW6432Node";
  sw->subs[Upper(wow->name)] = wow;
}

const bool kReset = (ResetState(), RegisterReset(ResetState));

bool IsPredefined(RegKey k) { return k >= 0x80000000ull && k <= 0x800000FFull; }

std::wstring RootName(RegKey root) {
  switch (root) {
    case plat::HKEY_CLASSES_ROOT:
      return L"HKEY_CLASSES_ROOT";
    case plat::HKEY_CURRENT_USER:
      return L"HKEY_CURRENT_USER";
    case plat::HKEY_LOCAL_MACHINE:
      return L"HKEY_LOCAL_MACHINE";
    case plat::HKEY_USERS:
      return L"HKEY_USERS";
    case plat::HKEY_CURRENT_CONFIG:
      return L"HKEY_CURRENT_CONFIG";
    default:
      return L"?";
  }
}

std::wstring Join(const std::vector<std::wstring>& parts) {
  std::wstring out;
  for (const auto& p : parts) {
    if (!out.empty()) out += L'\\';
    out += p;
  }
  return out;
}

// Splits a sub-key path. A trailing backslash is allowed; a leading one or an
// empty part in the middle is a bad path name.
bool Split(const std::wstring& path, std::vector<std::wstring>* out) {
  out->clear();
  if (path.empty()) return true;
  std::wstring p = path;
  if (!p.empty() && p.back() == L'\\') p.pop_back();
  std::size_t start = 0;
  while (true) {
    std::size_t bs = p.find(L'\\', start);
    std::wstring part = p.substr(start, bs == std::wstring::npos ? std::wstring::npos : bs - start);
    if (part.empty()) return false;
    out->push_back(part);
    if (bs == std::wstring::npos) break;
    start = bs + 1;
  }
  return true;
}

std::uint32_t MapGeneric(std::uint32_t sam) {
  std::uint32_t out = sam & 0x0FFFFFFF;
  if (sam & 0x80000000u) out |= plat::KEY_READ;
  if (sam & 0x40000000u) out |= plat::KEY_WRITE;
  if (sam & 0x20000000u) out |= plat::KEY_EXECUTE;
  if (sam & 0x10000000u) out |= plat::KEY_ALL_ACCESS;
  return out & ~(plat::KEY_WOW64_64KEY | plat::KEY_WOW64_32KEY);
}

// A handle's key: the key, its root, the rights it carries and (with_path)
// its stored path.
RegStatus Lookup(RegKey key, Handle* out, bool with_path = false) {
  State& s = S();
  if (IsPredefined(key)) {
    auto it = s.roots.find(key);
    if (it == s.roots.end()) return plat::ERROR_INVALID_HANDLE;
    out->key = it->second;
    out->root = key;
    out->path.clear();
    out->granted = kAllRights;
    return plat::ERROR_SUCCESS;
  }
  auto it = s.handles.find(key);
  if (it == s.handles.end()) return plat::ERROR_INVALID_HANDLE;
  if (it->second.key->deleted) return plat::ERROR_KEY_DELETED;
  out->key = it->second.key;
  out->root = it->second.root;
  out->granted = it->second.granted;
  if (with_path) out->path = it->second.path;
  return plat::ERROR_SUCCESS;
}

RegStatus LookupWith(RegKey key, std::uint32_t right, Handle* out) {
  RegStatus rc = Lookup(key, out);
  if (rc != plat::ERROR_SUCCESS) return rc;
  if ((out->granted & right) != right) return plat::ERROR_ACCESS_DENIED;
  return plat::ERROR_SUCCESS;
}

// The stored path that sub_key of base names, with the 32-bit view's
// redirection of HKLM\SOFTWARE applied.
RegStatus Resolve(RegKey base, const std::wstring& sub_key, std::uint32_t sam, Handle* base_out,
                  std::vector<std::wstring>* path) {
  RegStatus rc = Lookup(base, base_out, true);
  if (rc != plat::ERROR_SUCCESS) return rc;
  std::vector<std::wstring> parts;
  if (!Split(sub_key, &parts)) return kErrorBadPathname;
  *path = base_out->path;
  const bool from_root = path->empty();
  path->insert(path->end(), parts.begin(), parts.end());
  const bool view32 = (S().wow64 && !(sam & plat::KEY_WOW64_64KEY)) || (sam & plat::KEY_WOW64_32KEY);
  if (view32 && from_root && base_out->root == plat::HKEY_LOCAL_MACHINE && !path->empty() &&
      Upper((*path)[0]) == L"SOFTWARE" && !(path->size() > 1 && Upper((*path)[1]) == L"WOW6432NODE"))
    path->insert(path->begin() + 1, L"WOW6432Node");
  return plat::ERROR_SUCCESS;
}

// Walks a stored path; nodes[0] is the root key. Returns false when a key on
// the way is missing.
bool Walk(RegKey root, const std::vector<std::wstring>& path, std::vector<std::shared_ptr<Key>>* nodes) {
  nodes->clear();
  auto it = S().roots.find(root);
  if (it == S().roots.end()) return false;
  nodes->push_back(it->second);
  for (const auto& part : path) {
    auto& subs = nodes->back()->subs;
    auto sub = subs.find(Upper(part));
    if (sub == subs.end()) return false;
    nodes->push_back(sub->second);
  }
  return true;
}

// Creates the missing keys of a stored path (no access checks: the helpers).
std::shared_ptr<Key> MakePath(RegKey root, const std::wstring& path) {
  std::vector<std::wstring> parts;
  Split(path.size() && path[0] == L'\\' ? path.substr(1) : path, &parts);
  auto node = S().roots.at(root);
  for (const auto& part : parts) {
    auto& slot = node->subs[Upper(part)];
    if (!slot) {
      slot = std::make_shared<Key>();
      slot->name = part;
    }
    node = slot;
  }
  return node;
}

std::shared_ptr<Key> FindPath(RegKey root, const std::wstring& path) {
  std::vector<std::wstring> parts;
  if (!Split(path.size() && path[0] == L'\\' ? path.substr(1) : path, &parts)) return nullptr;
  std::vector<std::shared_ptr<Key>> nodes;
  if (!Walk(root, parts, &nodes)) return nullptr;
  return nodes.back();
}

Value* FindValue(Key& key, const std::wstring& name) { return key.values.Find(name); }

RegKey NewHandle(RegKey root, std::vector<std::wstring> path, std::shared_ptr<Key> key, std::uint32_t granted) {
  State& s = S();
  RegKey h = s.next;
  s.next += 4;
  s.handles[h] = Handle{std::move(key), root, std::move(path), granted};
  return h;
}

void Note(const std::wstring& what, RegStatus rc) {
  S().journal.push_back(rc == plat::ERROR_SUCCESS ? what : what + L" -> " + std::to_wstring(rc));
}

void MarkDeleted(Key& key) {
  key.deleted = true;
  for (auto& [name, sub] : key.subs) MarkDeleted(*sub);
}

RegStatus DeleteKey(RegKey key, const std::wstring& sub_key, std::uint32_t sam) {
  State& s = S();
  std::lock_guard<std::recursive_mutex> g(s.m);
  Handle base;
  std::vector<std::wstring> path;
  RegStatus rc = Resolve(key, sub_key, sam, &base, &path);
  std::vector<std::shared_ptr<Key>> nodes;
  if (rc == plat::ERROR_SUCCESS && !Walk(base.root, path, &nodes)) rc = plat::ERROR_FILE_NOT_FOUND;
  if (rc == plat::ERROR_SUCCESS) {
    Key& target = *nodes.back();
    if (nodes.size() < 2)
      rc = plat::ERROR_ACCESS_DENIED;  // a root key
    else if (sub_key.empty() && !(base.granted & plat::DELETE))
      rc = plat::ERROR_ACCESS_DENIED;
    else if (!(target.allowed & plat::DELETE) || !target.subs.empty())
      rc = plat::ERROR_ACCESS_DENIED;
    else {
      nodes[nodes.size() - 2]->subs.erase(Upper(path.back()));
      MarkDeleted(target);
    }
  }
  Note(L"deletekey " + Join(path), rc);
  return rc;
}

RegStatus DeleteKeyEx(RegKey key, const std::wstring& sub_key, std::uint32_t sam, std::uint32_t) {
  return DeleteKey(key, sub_key, sam);
}

RegStatus OpenOrCreate(RegKey key, const std::wstring& sub_key, std::uint32_t sam, bool create, RegKey* result,
                       std::uint32_t* disposition) {
  State& s = S();
  std::lock_guard<std::recursive_mutex> g(s.m);
  if (result) *result = 0;
  Handle base;
  std::vector<std::wstring> path;
  RegStatus rc = Resolve(key, sub_key, sam, &base, &path);
  if (rc != plat::ERROR_SUCCESS) return rc;
  auto it = s.roots.find(base.root);
  std::shared_ptr<Key> node = it->second;
  bool created = false;
  for (const auto& part : path) {
    auto sub = node->subs.find(Upper(part));
    if (sub != node->subs.end()) {
      node = sub->second;
      continue;
    }
    if (!create) return plat::ERROR_FILE_NOT_FOUND;
    if (!(node->allowed & plat::KEY_CREATE_SUB_KEY)) {
      Note(L"create " + Join(path), plat::ERROR_ACCESS_DENIED);
      return plat::ERROR_ACCESS_DENIED;
    }
    auto k = std::make_shared<Key>();
    k->name = part;
    node->subs[Upper(part)] = k;
    node = k;
    created = true;
  }
  if (created) Note(L"create " + Join(path), plat::ERROR_SUCCESS);
  if (disposition) *disposition = created ? plat::REG_CREATED_NEW_KEY : plat::REG_OPENED_EXISTING_KEY;
  const std::uint32_t wanted = MapGeneric(sam);
  if (sam & 0x02000000u) {  // MAXIMUM_ALLOWED
    if (result) *result = NewHandle(base.root, path, node, node->allowed);
    return plat::ERROR_SUCCESS;
  }
  if (wanted & ~node->allowed) return plat::ERROR_ACCESS_DENIED;
  if (result) *result = NewHandle(base.root, path, node, wanted);
  return plat::ERROR_SUCCESS;
}

std::wstring TypeName(std::uint32_t t) {
  switch (t) {
    case plat::REG_SZ:
      return L"REG_SZ";
    case plat::REG_EXPAND_SZ:
      return L"REG_EXPAND_SZ";
    case plat::REG_BINARY:
      return L"REG_BINARY";
    case plat::REG_DWORD:
      return L"REG_DWORD";
    case plat::REG_MULTI_SZ:
      return L"REG_MULTI_SZ";
    default:
      return L"type" + std::to_wstring(t);
  }
}

void DumpKey(Key& k, const std::wstring& path, std::wstring& out) {
  out += L"[" + path + L"]\n";
  for (const auto& v : k.values.All()) {
    out += L"  " + (v.name.empty() ? std::wstring(L"@") : v.name) + L" = " + TypeName(v.type) + L":";
    if (v.type == plat::REG_SZ || v.type == plat::REG_EXPAND_SZ)
      out += L"\"" + plat::RegDataString(v.data) + L"\"";
    else if (v.type == plat::REG_DWORD && v.data.size() == 4)
      out += std::to_wstring(plat::RegDataDword(v.data));
    else
      out += std::to_wstring(v.data.size()) + L" bytes";
    out += L"\n";
  }
  for (const auto& [u, sub] : k.subs) DumpKey(*sub, path.empty() ? sub->name : path + L"\\" + sub->name, out);
}

}  // namespace

// --- control ----------------------------------------------------------------------------

void SetWow64(bool wow64) {
  std::lock_guard<std::recursive_mutex> g(S().m);
  S().wow64 = wow64;
}

void SetIsWow64ProcessMissing(bool missing) {
  std::lock_guard<std::recursive_mutex> g(S().m);
  S().wow64_missing = missing;
}

void SetRegDeleteKeyExMissing(bool missing) {
  std::lock_guard<std::recursive_mutex> g(S().m);
  S().delete_ex_missing = missing;
}

void RegCreateKey(RegKey root, const std::wstring& path) {
  std::lock_guard<std::recursive_mutex> g(S().m);
  MakePath(root, path);
}

void RegSetRaw(RegKey root, const std::wstring& path, const std::wstring& name, std::uint32_t type,
               const RegData& data) {
  std::lock_guard<std::recursive_mutex> g(S().m);
  MakePath(root, path)->values.Set(name, type, data);
}

void RegSetString(RegKey root, const std::wstring& path, const std::wstring& name, const std::wstring& text,
                  std::uint32_t type) {
  RegSetRaw(root, path, name, type, plat::RegStringData(text));
}

void RegSetDword(RegKey root, const std::wstring& path, const std::wstring& name, std::uint32_t value) {
  RegSetRaw(root, path, name, plat::REG_DWORD, plat::RegDwordData(value));
}

bool RegDeleteTree(RegKey root, const std::wstring& path) {
  std::lock_guard<std::recursive_mutex> g(S().m);
  std::vector<std::wstring> parts;
  if (!Split(path.size() && path[0] == L'\\' ? path.substr(1) : path, &parts) || parts.empty()) return false;
  std::vector<std::shared_ptr<Key>> nodes;
  if (!Walk(root, parts, &nodes)) return false;
  MarkDeleted(*nodes.back());
  nodes[nodes.size() - 2]->subs.erase(Upper(parts.back()));
  return true;
}

bool RegDeleteValue(RegKey root, const std::wstring& path, const std::wstring& name) {
  std::lock_guard<std::recursive_mutex> g(S().m);
  auto key = FindPath(root, path);
  return key && key->values.Erase(name);
}

bool RegKeyExists(RegKey root, const std::wstring& path) {
  std::lock_guard<std::recursive_mutex> g(S().m);
  return FindPath(root, path) != nullptr;
}

std::optional<RegValue> RegGetRaw(RegKey root, const std::wstring& path, const std::wstring& name) {
  std::lock_guard<std::recursive_mutex> g(S().m);
  auto key = FindPath(root, path);
  if (!key) return std::nullopt;
  Value* v = FindValue(*key, name);
  if (!v) return std::nullopt;
  return RegValue{v->name, v->type, v->data};
}

bool RegValueExists(RegKey root, const std::wstring& path, const std::wstring& name) {
  return RegGetRaw(root, path, name).has_value();
}

std::optional<std::wstring> RegGetString(RegKey root, const std::wstring& path, const std::wstring& name) {
  auto v = RegGetRaw(root, path, name);
  if (!v || (v->type != plat::REG_SZ && v->type != plat::REG_EXPAND_SZ)) return std::nullopt;
  return plat::RegDataString(v->data);
}

std::optional<std::uint32_t> RegGetDword(RegKey root, const std::wstring& path, const std::wstring& name) {
  auto v = RegGetRaw(root, path, name);
  if (!v || v->type != plat::REG_DWORD || v->data.size() != 4) return std::nullopt;
  return plat::RegDataDword(v->data);
}

std::vector<std::wstring> RegValueNames(RegKey root, const std::wstring& path) {
  std::lock_guard<std::recursive_mutex> g(S().m);
  std::vector<std::wstring> out;
  if (auto key = FindPath(root, path))
    for (const auto& v : key->values.All()) out.push_back(v.name);
  return out;
}

std::vector<std::wstring> RegSubKeyNames(RegKey root, const std::wstring& path) {
  std::lock_guard<std::recursive_mutex> g(S().m);
  std::vector<std::wstring> out;
  if (auto key = FindPath(root, path))
    for (const auto& [u, sub] : key->subs) out.push_back(sub->name);
  return out;
}

int RegOpenHandles() {
  std::lock_guard<std::recursive_mutex> g(S().m);
  return static_cast<int>(S().handles.size());
}

std::vector<std::wstring> RegJournal() {
  std::lock_guard<std::recursive_mutex> g(S().m);
  return S().journal;
}

void RegClearJournal() {
  std::lock_guard<std::recursive_mutex> g(S().m);
  S().journal.clear();
}

void RegSetKeyAccess(RegKey root, const std::wstring& path, std::uint32_t allowed) {
  std::lock_guard<std::recursive_mutex> g(S().m);
  MakePath(root, path)->allowed = allowed;
}

void RegFailWrites(RegKey root, const std::wstring& path, int count, std::uint32_t error, const std::wstring& name) {
  std::lock_guard<std::recursive_mutex> g(S().m);
  MakePath(root, path)->fails.push_back(FailRule{count, error, Upper(name)});
}

std::wstring RegDump(RegKey root, const std::wstring& path) {
  std::lock_guard<std::recursive_mutex> g(S().m);
  auto key = FindPath(root, path);
  if (!key) return L"(no key " + RootName(root) + L"\\" + path + L")\n";
  std::wstring out;
  DumpKey(*key, path, out);
  return out;
}

}  // namespace sim

// --- the seam ------------------------------------------------------------------------------

namespace plat {

using sim::S;

bool IsWow64Process(bool* wow64) {
  std::lock_guard<std::recursive_mutex> g(S().m);
  if (S().wow64_missing) return false;
  if (wow64) *wow64 = S().wow64;
  return true;
}

RegStatus RegOpenKeyExW(RegKey key, const std::wstring& sub_key, std::uint32_t, std::uint32_t sam, RegKey* result) {
  return sim::OpenOrCreate(key, sub_key, sam, false, result, nullptr);
}

RegStatus RegCreateKeyExW(RegKey key, const std::wstring& sub_key, std::uint32_t, std::uint32_t sam, RegKey* result,
                          std::uint32_t* disposition) {
  return sim::OpenOrCreate(key, sub_key, sam, true, result, disposition);
}

RegStatus RegQueryValueExW(RegKey key, const std::wstring& name, std::uint32_t* type, RegData* data,
                           std::uint32_t* size) {
  std::lock_guard<std::recursive_mutex> g(S().m);
  if (type) *type = 0;
  if (size) *size = 0;
  if (data) data->clear();
  sim::Handle h;
  RegStatus rc = sim::LookupWith(key, KEY_QUERY_VALUE, &h);
  if (rc != ERROR_SUCCESS) return rc;
  sim::Value* v = sim::FindValue(*h.key, name);
  if (!v) return ERROR_FILE_NOT_FOUND;
  if (type) *type = v->type;
  if (size) *size = static_cast<std::uint32_t>(v->data.size());
  if (data) *data = v->data;
  return ERROR_SUCCESS;
}

RegStatus RegSetValueExW(RegKey key, const std::wstring& name, std::uint32_t type, const RegData& data) {
  std::lock_guard<std::recursive_mutex> g(S().m);
  sim::Handle h;
  RegStatus rc = sim::LookupWith(key, KEY_SET_VALUE, &h);
  if (rc == ERROR_SUCCESS && !h.key->fails.empty()) {
    const std::wstring u = sim::Upper(name);
    for (auto& rule : h.key->fails) {
      if (rule.remaining == 0 || (!rule.name_upper.empty() && rule.name_upper != u)) continue;
      if (rule.remaining > 0) --rule.remaining;
      rc = rule.error;
      break;
    }
  }
  if (rc == ERROR_SUCCESS) h.key->values.Set(name, type, data);
  sim::Note(L"set " + name, rc);
  return rc;
}

RegStatus RegDeleteValueW(RegKey key, const std::wstring& name) {
  std::lock_guard<std::recursive_mutex> g(S().m);
  sim::Handle h;
  RegStatus rc = sim::LookupWith(key, KEY_SET_VALUE, &h);
  if (rc == ERROR_SUCCESS && !h.key->values.Erase(name)) rc = ERROR_FILE_NOT_FOUND;
  sim::Note(L"delete " + name, rc);
  return rc;
}

RegStatus RegDeleteKeyW(RegKey key, const std::wstring& sub_key) { return sim::DeleteKey(key, sub_key, 0); }

RegDeleteKeyExWFunc LookupRegDeleteKeyExW() {
  std::lock_guard<std::recursive_mutex> g(S().m);
  return S().delete_ex_missing ? nullptr : &sim::DeleteKeyEx;
}

RegStatus RegEnumKeyExW(RegKey key, std::uint32_t index, std::wstring* name) {
  std::lock_guard<std::recursive_mutex> g(S().m);
  if (name) name->clear();
  sim::Handle h;
  RegStatus rc = sim::LookupWith(key, KEY_ENUMERATE_SUB_KEYS, &h);
  if (rc != ERROR_SUCCESS) return rc;
  if (index >= h.key->subs.size()) return ERROR_NO_MORE_ITEMS;
  auto it = h.key->subs.begin();
  std::advance(it, index);
  if (name) *name = it->second->name;
  return ERROR_SUCCESS;
}

RegStatus RegEnumValueW(RegKey key, std::uint32_t index, std::wstring* name, std::uint32_t* type, RegData* data) {
  std::lock_guard<std::recursive_mutex> g(S().m);
  if (name) name->clear();
  if (type) *type = 0;
  if (data) data->clear();
  sim::Handle h;
  RegStatus rc = sim::LookupWith(key, KEY_QUERY_VALUE, &h);
  if (rc != ERROR_SUCCESS) return rc;
  const auto& values = h.key->values.All();
  if (index >= values.size()) return ERROR_NO_MORE_ITEMS;
  const sim::Value& v = values[index];
  if (name) *name = v.name;
  if (type) *type = v.type;
  if (data) *data = v.data;
  return ERROR_SUCCESS;
}

RegStatus RegQueryInfoKeyW(RegKey key, RegKeyInfo* info) {
  std::lock_guard<std::recursive_mutex> g(S().m);
  if (info) *info = RegKeyInfo{};
  sim::Handle h;
  RegStatus rc = sim::LookupWith(key, KEY_QUERY_VALUE, &h);
  if (rc != ERROR_SUCCESS || !info) return rc;
  info->sub_keys = static_cast<std::uint32_t>(h.key->subs.size());
  for (const auto& [u, sub] : h.key->subs)
    info->max_sub_key_len = std::max(info->max_sub_key_len, Utf16Length(sub->name));
  info->values = static_cast<std::uint32_t>(h.key->values.size());
  for (const auto& v : h.key->values.All()) {
    info->max_value_name_len = std::max(info->max_value_name_len, Utf16Length(v.name));
    info->max_value_len = std::max(info->max_value_len, static_cast<std::uint32_t>(v.data.size()));
  }
  return ERROR_SUCCESS;
}

RegWatch RegWatchKey(RegKey root, const std::wstring& path) {
  // Numbers go on across resets of the world: a watch of an earlier test is
  // no watch of this one.
  static RegWatch next = 0;
  std::lock_guard<std::recursive_mutex> g(S().m);
  auto key = sim::FindPath(root, path);
  if (!key) return 0;
  S().watches[++next] = {key, key->values.Changes()};
  return next;
}

bool RegWatchFired(RegWatch watch) {
  std::lock_guard<std::recursive_mutex> g(S().m);
  auto it = S().watches.find(watch);
  if (it == S().watches.end()) return true;
  const auto& [key, changes] = it->second;
  return key->deleted || key->values.Changes() != changes;
}

void RegCloseWatch(RegWatch watch) {
  std::lock_guard<std::recursive_mutex> g(S().m);
  S().watches.erase(watch);
}

RegStatus RegFlushKey(RegKey key) {
  std::lock_guard<std::recursive_mutex> g(S().m);
  sim::Handle h;
  RegStatus rc = sim::Lookup(key, &h);
  sim::Note(L"flush", rc);
  return rc;
}

RegStatus RegCloseKey(RegKey key) {
  std::lock_guard<std::recursive_mutex> g(S().m);
  if (sim::IsPredefined(key)) return ERROR_SUCCESS;
  auto it = S().handles.find(key);
  if (it == S().handles.end()) return ERROR_INVALID_HANDLE;
  S().handles.erase(it);
  return ERROR_SUCCESS;
}

}  // namespace plat
