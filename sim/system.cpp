// The sim's system facts.
#include <cwctype>
#include <map>
#include <mutex>

#include "platform/files.h"
#include "sim/sim_system.h"
#include "sim/sim_world.h"
#include "platform/system.h"

namespace sim {
namespace {

constexpr wchar_t kAdmins[] = L"S-1-5-32-544";
constexpr wchar_t kUsers[] = L"S-1-5-32-545";

struct SystemState {
  std::mutex lock;
  bool elevated = false;
  std::uint32_t elevation_type = plat::TokenElevationTypeDefault;
  bool token_fail = false;
  std::vector<plat::TokenGroup> groups;
  bool check_membership = true;
  std::wstring user, computer;
  std::map<std::wstring, std::wstring> accounts;  // lower-case account -> SID
  std::map<int, std::wstring> folders;
  std::map<std::wstring, std::pair<std::uint32_t, std::wstring>> versions;  // lower-case path
  std::map<std::wstring, std::wstring> env;                                 // upper-case name
  std::map<std::uint32_t, std::wstring> error_texts;                        // a localized system's texts
};
SystemState& S() {
  static SystemState s;
  return s;
}

std::wstring Lower(std::wstring s) {
  for (auto& c : s) c = static_cast<wchar_t>(std::towlower(c));
  return s;
}
std::wstring Upper(std::wstring s) {
  for (auto& c : s) c = static_cast<wchar_t>(std::towupper(c));
  return s;
}

void Init() {
  std::lock_guard<std::mutex> g(S().lock);
  auto& s = S();
  s.elevated = false;
  s.elevation_type = plat::TokenElevationTypeDefault;
  s.token_fail = false;
  s.groups = {{L"S-1-1-0", plat::SE_GROUP_ENABLED | plat::SE_GROUP_MANDATORY},
              {kUsers, plat::SE_GROUP_ENABLED | plat::SE_GROUP_MANDATORY}};
  s.check_membership = true;
  s.user = L"Ann";
  s.computer = L"PC";
  s.accounts = {{L"pc\\ann", L"S-1-5-21-1000-2000-3000-1001"}};
  s.folders = {
      {plat::CSIDL_DESKTOP, L"C:\\Users\\Ann\\Desktop"},
      {plat::CSIDL_PROGRAMS, L"C:\\Users\\Ann\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"},
      {plat::CSIDL_PERSONAL, L"C:\\Users\\Ann\\Documents"},
      {plat::CSIDL_RECENT, L"C:\\Users\\Ann\\AppData\\Roaming\\Microsoft\\Windows\\Recent"},
      {plat::CSIDL_APPDATA, L"C:\\Users\\Ann\\AppData\\Roaming"},
      {plat::CSIDL_LOCAL_APPDATA, L"C:\\Users\\Ann\\AppData\\Local"},
      {plat::CSIDL_COMMON_APPDATA, L"C:\\ProgramData"},
      {plat::CSIDL_PROFILE, L"C:\\Users\\Ann"},
  };
  s.versions.clear();
  s.error_texts.clear();
  s.env = {{L"USERPROFILE", L"C:\\Users\\Ann"},
           {L"APPDATA", L"C:\\Users\\Ann\\AppData\\Roaming"},
           {L"SYSTEMROOT", L"C:\\Windows"},
           {L"PROGRAMFILES", L"C:\\Program Files"},
           {L"SYSTEMDRIVE", L"C:"},
           {L"USERNAME", L"Ann"}};
}
const bool kReset = (Init(), RegisterReset(Init));

void PutU16(std::string& out, std::uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}

}  // namespace

void SetSystemErrorText(std::uint32_t code, const std::wstring& text) {
  std::lock_guard<std::mutex> g(S().lock);
  S().error_texts[code] = text;
}

void SetElevation(bool elevated, std::uint32_t elevation_type) {
  std::lock_guard<std::mutex> g(S().lock);
  S().elevated = elevated;
  S().elevation_type = elevation_type;
}
void SetTokenQueriesFail(bool fail) {
  std::lock_guard<std::mutex> g(S().lock);
  S().token_fail = fail;
}
void SetTokenGroups(std::vector<plat::TokenGroup> groups) {
  std::lock_guard<std::mutex> g(S().lock);
  S().groups = std::move(groups);
}
void SetCheckTokenMembershipAvailable(bool available) {
  std::lock_guard<std::mutex> g(S().lock);
  S().check_membership = available;
}
void MakeStandardUser() {
  SetTokenGroups({{L"S-1-1-0", plat::SE_GROUP_ENABLED}, {kUsers, plat::SE_GROUP_ENABLED}});
  SetElevation(false, plat::TokenElevationTypeDefault);
}
void MakeFilteredAdmin() {
  SetTokenGroups({{L"S-1-1-0", plat::SE_GROUP_ENABLED},
                  {kAdmins, plat::SE_GROUP_USE_FOR_DENY_ONLY},
                  {kUsers, plat::SE_GROUP_ENABLED}});
  SetElevation(false, plat::TokenElevationTypeLimited);
}
void MakeElevatedAdmin() {
  SetTokenGroups({{L"S-1-1-0", plat::SE_GROUP_ENABLED},
                  {kAdmins, plat::SE_GROUP_ENABLED | plat::SE_GROUP_ENABLED_BY_DEFAULT},
                  {kUsers, plat::SE_GROUP_ENABLED}});
  SetElevation(true, plat::TokenElevationTypeFull);
}
void SetUserName(const std::wstring& name) {
  std::lock_guard<std::mutex> g(S().lock);
  S().user = name;
}
void SetComputerName(const std::wstring& name) {
  std::lock_guard<std::mutex> g(S().lock);
  S().computer = name;
}
void SetAccountSid(const std::wstring& account, const std::wstring& sid) {
  std::lock_guard<std::mutex> g(S().lock);
  if (sid.empty())
    S().accounts.erase(Lower(account));
  else
    S().accounts[Lower(account)] = sid;
}
void SetSpecialFolder(int csidl, const std::wstring& path) {
  std::lock_guard<std::mutex> g(S().lock);
  if (path.empty())
    S().folders.erase(csidl);
  else
    S().folders[csidl] = path;
}
void SetFileVersion(const std::wstring& file, std::uint32_t translation, const std::wstring& version) {
  std::lock_guard<std::mutex> g(S().lock);
  S().versions[Lower(file)] = {translation, version};
}
}  // namespace sim

namespace plat {
namespace {
thread_local std::uint32_t t_last_error = 0;
}

std::uint32_t LastError() { return t_last_error; }
void SetLastError(std::uint32_t code) { t_last_error = code; }

std::wstring SystemErrorMessage(std::uint32_t code) {
  {
    std::lock_guard<std::mutex> g(sim::S().lock);
    auto it = sim::S().error_texts.find(code);
    if (it != sim::S().error_texts.end()) return it->second;
  }
  // The texts of the codes the agent meets most, as Windows words them.
  static const std::map<std::uint32_t, std::wstring> kTexts = {
      {0, L"The operation completed successfully.\r\n"},
      {2, L"The system cannot find the file specified.\r\n"},
      {3, L"The system cannot find the path specified.\r\n"},
      {5, L"Access is denied.\r\n"},
      {6, L"The handle is invalid.\r\n"},
      {18, L"There are no more files.\r\n"},
      {21, L"The device is not ready.\r\n"},
      {32, L"The process cannot access the file because it is being used by another process.\r\n"},
      {80, L"The file exists.\r\n"},
      {87, L"The parameter is incorrect.\r\n"},
      {112, L"There is not enough space on the disk.\r\n"},
      {123, L"The filename, directory name, or volume label syntax is incorrect.\r\n"},
      {127, L"The specified procedure could not be found.\r\n"},
      {145, L"The directory is not empty.\r\n"},
      {183, L"Cannot create a file when that file already exists.\r\n"},
      {1008, L"An attempt was made to reference a token that does not exist.\r\n"},
      {1332, L"No mapping between account names and security IDs was done.\r\n"},
      {1400, L"Invalid window handle.\r\n"},
  };
  auto it = kTexts.find(code);
  return it == kTexts.end() ? std::wstring() : it->second;
}

bool GetTokenElevation(bool& elevated) {
  std::lock_guard<std::mutex> g(sim::S().lock);
  if (sim::S().token_fail) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  elevated = sim::S().elevated;
  return true;
}

bool GetTokenElevationType(std::uint32_t& type) {
  std::lock_guard<std::mutex> g(sim::S().lock);
  if (sim::S().token_fail) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  type = sim::S().elevation_type;
  return true;
}

bool GetTokenGroups(std::vector<TokenGroup>& groups) {
  std::lock_guard<std::mutex> g(sim::S().lock);
  if (sim::S().token_fail) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  groups = sim::S().groups;
  return true;
}

bool CheckTokenMembership(const std::wstring& sid, bool& is_member) {
  std::lock_guard<std::mutex> g(sim::S().lock);
  if (!sim::S().check_membership) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return false;
  }
  if (sim::S().token_fail) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  // Like Windows: only enabled groups that are not deny-only count.
  is_member = false;
  for (auto& gr : sim::S().groups)
    if (gr.sid == sid && (gr.attributes & SE_GROUP_ENABLED) && !(gr.attributes & SE_GROUP_USE_FOR_DENY_ONLY))
      is_member = true;
  return true;
}

std::wstring CurrentUserName() {
  std::lock_guard<std::mutex> g(sim::S().lock);
  return sim::S().user;
}

std::wstring ComputerName() {
  std::lock_guard<std::mutex> g(sim::S().lock);
  return sim::S().computer;
}

bool AccountSidString(const std::wstring& account, std::wstring& sid) {
  std::lock_guard<std::mutex> g(sim::S().lock);
  auto it = sim::S().accounts.find(sim::Lower(account));
  if (it == sim::S().accounts.end()) {
    SetLastError(ERROR_NONE_MAPPED);
    return false;
  }
  sid = it->second;
  return true;
}

bool GetSpecialFolder(int csidl, std::wstring& path) {
  std::wstring p;
  {
    std::lock_guard<std::mutex> g(sim::S().lock);
    auto it = sim::S().folders.find(csidl & ~CSIDL_FLAG_CREATE);
    if (it == sim::S().folders.end()) {
      SetLastError(ERROR_FILE_NOT_FOUND);
      return false;
    }
    p = it->second;
  }
  if (!DirectoryExists(p)) {
    if (!(csidl & CSIDL_FLAG_CREATE) || !CreateDirectories(p)) {
      SetLastError(ERROR_FILE_NOT_FOUND);
      return false;
    }
  }
  path = p;
  return true;
}

// The sim's version block: "QBVI", the translation as two 16-bit words, then
// the FileVersion text as UTF-16LE with its terminating zero.
bool GetFileVersionBlock(const std::wstring& file, std::string& block) {
  if (!FileExists(file)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return false;
  }
  std::lock_guard<std::mutex> g(sim::S().lock);
  auto it = sim::S().versions.find(sim::Lower(file));
  if (it == sim::S().versions.end()) {
    SetLastError(1813 /* ERROR_RESOURCE_TYPE_NOT_FOUND */);
    return false;
  }
  block = "QBVI";
  sim::PutU16(block, it->second.first >> 16);
  sim::PutU16(block, it->second.first & 0xFFFF);
  if (!it->second.second.empty()) {
    for (wchar_t c : it->second.second) sim::PutU16(block, static_cast<std::uint32_t>(c));
    sim::PutU16(block, 0);
  }
  return true;
}

bool QueryVersionValue(const std::string& block, const std::wstring& sub_block, std::string& value) {
  value.clear();
  if (block.size() < 8 || block.compare(0, 4, "QBVI") != 0) return false;
  if (sub_block == L"\\VarFileInfo\\Translation") {
    value = block.substr(4, 4);
    return true;
  }
  auto u16 = [&](size_t at) {
    return static_cast<unsigned>(static_cast<unsigned char>(block[at]) |
                                 (static_cast<unsigned char>(block[at + 1]) << 8));
  };
  wchar_t key[9];
  swprintf(key, 9, L"%04X%04X", u16(4), u16(6));
  if (block.size() > 8 &&
      sim::Upper(sub_block) == sim::Upper(std::wstring(L"\\StringFileInfo\\") + key + L"\\FileVersion")) {
    value = block.substr(8);
    return true;
  }
  return false;
}

std::wstring ExpandEnvironmentText(const std::wstring& text) {
  std::lock_guard<std::mutex> g(sim::S().lock);
  std::wstring out;
  size_t i = 0;
  while (i < text.size()) {
    size_t a = text.find(L'%', i);
    if (a == std::wstring::npos) break;
    size_t b = text.find(L'%', a + 1);
    if (b == std::wstring::npos) break;
    auto it = sim::S().env.find(sim::Upper(text.substr(a + 1, b - a - 1)));
    if (it == sim::S().env.end()) {  // unknown references stay as they are
      out += text.substr(i, b - i);
      i = b;
      continue;
    }
    out += text.substr(i, a - i) + it->second;
    i = b + 1;
  }
  out += text.substr(i);
  return out;
}

namespace {
// The system tables for the scripts the tests use: Latin-1, Latin
// Extended-A, Greek, Cyrillic (towupper of the "C" locale knows only ASCII).
std::uint32_t UpperOf(std::uint32_t c) {
  if (c >= 'a' && c <= 'z') return c - 32;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x137 && (c & 1)) return c - 1;
  if (c >= 0x139 && c <= 0x148 && !(c & 1)) return c - 1;
  if (c >= 0x14A && c <= 0x177 && (c & 1)) return c - 1;
  if (c == 0x17A || c == 0x17C || c == 0x17E) return c - 1;
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 32;
  if (c >= 0x430 && c <= 0x44F) return c - 32;
  if (c >= 0x450 && c <= 0x45F) return c - 80;
  return c;
}

std::uint32_t LowerOf(std::uint32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
  if (c == 0x178) return 0xFF;
  if (c >= 0x100 && c <= 0x137 && !(c & 1)) return c + 1;
  if (c >= 0x139 && c <= 0x148 && (c & 1)) return c + 1;
  if (c >= 0x14A && c <= 0x177 && !(c & 1)) return c + 1;
  if (c == 0x179 || c == 0x17B || c == 0x17D) return c + 1;
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 32;
  if (c >= 0x410 && c <= 0x42F) return c + 32;
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  return c;
}
}  // namespace

void CharUpperText(std::wstring& text) {
  for (auto& wc : text) wc = static_cast<wchar_t>(UpperOf(static_cast<std::uint32_t>(wc)));
}

void CharLowerText(std::wstring& text) {
  for (auto& wc : text) wc = static_cast<wchar_t>(LowerOf(static_cast<std::uint32_t>(wc)));
}

}  // namespace plat
