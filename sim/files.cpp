// The sim's file system: Windows paths on drive letters mapped to host folders.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <unordered_map>

#include "platform/files.h"
#include "sim/sim_files.h"
#include "sim/sim_world.h"
#include "platform/system.h"
#include "platform/utf8.h"

namespace fs = std::filesystem;

namespace sim {
namespace {

struct Drive {
  std::string host;
  std::uint32_t type = plat::DRIVE_FIXED;
  std::wstring label;
  bool ready = true;
  bool full = false;  // no byte more can be written
};

// The names of one host folder by their lower-case form, as read at the
// folder's modification time `mtime_ns`, which was then already further in
// the past than one step of the file system's clock: any later change of the
// folder gives it a new time.
struct Listing {
  std::int64_t mtime_ns = 0;
  std::unordered_map<std::wstring, std::string> names;  // lower-case name -> host name
};

struct FilesState {
  std::mutex lock;
  std::map<wchar_t, Drive> drives;
  std::vector<std::string> temp_dirs;
  std::set<std::wstring> locked;                      // normalized, lower-case Windows paths
  std::unordered_map<std::string, Listing> listings;  // host folder -> its names
  std::wstring current_dir;                           // the process's current directory; empty: none
};
FilesState& S() {
  static FilesState s;
  return s;
}

void ClearState() {
  std::lock_guard<std::mutex> g(S().lock);
  std::error_code ec;
  for (auto& d : S().temp_dirs) fs::remove_all(d, ec);
  S().temp_dirs.clear();
  S().drives.clear();
  S().locked.clear();
  S().listings.clear();
  S().current_dir.clear();
}
const bool kReset = RegisterReset(ClearState);

// Names compare by the system's case tables, as the file system's do.
std::wstring Lower(std::wstring s) {
  plat::CharLowerText(s);
  return s;
}

bool IsSlash(wchar_t c) { return c == L'\\' || c == L'/'; }

// A relative path ("config", "..\x", "\Windows", "C:x") taken from the
// process's current directory, as the system does; others as they are.
std::wstring FromCurrentDirectory(const std::wstring& path) {
  const std::wstring& cwd = S().current_dir;
  if (cwd.empty() || path.empty()) return path;
  const bool drive = path.size() >= 2 && path[1] == L':';
  if (drive) {
    const bool drive_relative = path.size() == 2 || !IsSlash(path[2]);
    if (drive_relative && std::towupper(path[0]) == std::towupper(cwd[0])) return cwd + L"\\" + path.substr(2);
    return path;
  }
  if (IsSlash(path[0])) return path.size() > 1 && IsSlash(path[1]) ? path : cwd.substr(0, 2) + path;
  return cwd + L"\\" + path;
}

// A Windows path split into its drive letter and its components, with "." and
// ".." resolved. Only drive-letter paths are known to the sim.
struct Parsed {
  bool ok = false;
  wchar_t drive = 0;
  std::vector<std::wstring> parts;
};

Parsed Parse(const std::wstring& given) {
  const std::wstring path = FromCurrentDirectory(given);
  Parsed p;
  if (path.size() < 2 || path[1] != L':' || !std::iswalpha(path[0])) return p;
  if (path.size() > 2 && path[2] != L'\\' && path[2] != L'/') return p;  // "C:rel" is relative
  p.drive = static_cast<wchar_t>(std::towupper(path[0]));
  std::wstring cur;
  auto push = [&] {
    if (cur.empty() || cur == L".") {
    } else if (cur == L"..") {
      if (!p.parts.empty()) p.parts.pop_back();
    } else {
      // Windows drops trailing blanks and dots of a component.
      while (!cur.empty() && (cur.back() == L' ' || cur.back() == L'.')) cur.pop_back();
      if (!cur.empty()) p.parts.push_back(cur);
    }
    cur.clear();
  };
  for (size_t i = 2; i < path.size(); ++i) {
    wchar_t c = path[i];
    if (c == L'\\' || c == L'/') {
      push();
    } else if (c == 0 || c == L'<' || c == L'>' || c == L'"' || c == L'|' || c == L'*' || c == L'?' || c == L':') {
      return Parsed{};
    } else {
      cur += c;
    }
  }
  push();
  p.ok = true;
  return p;
}

std::wstring NormalKey(const Parsed& p) {
  std::wstring k(1, p.drive);
  k += L":";
  for (auto& part : p.parts) k += L"\\" + part;
  return Lower(k);
}

// The host name of `want_lower` among the entries of the host folder `dir`,
// compared without regard to case; false when there is none. Folders of
// thousands of files are read once and then looked up by hash, until their
// modification time changes. Caller holds the lock.
bool FindNameIgnoringCase(const std::string& dir, const std::wstring& want_lower, std::string& name) {
  struct stat st;
  if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  const std::int64_t mtime = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  auto cached = S().listings.find(dir);
  if (cached == S().listings.end() || cached->second.mtime_ns != mtime) {
    // File times come from a clock that may lag the real one by a tick of a
    // few milliseconds: a folder changed within the last 50 ms may change
    // again without a new time, so it is read each time until it settles.
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const std::int64_t now_ns = static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
    if (now_ns - mtime <= 50000000) {
      if (cached != S().listings.end()) S().listings.erase(cached);
      std::error_code ec;
      for (auto& e : fs::directory_iterator(dir, ec)) {
        std::string host_name = e.path().filename().string();
        if (Lower(plat::FromUtf8(host_name)) == want_lower) {
          name = std::move(host_name);
          return true;
        }
      }
      return false;
    }
    Listing listing;
    listing.mtime_ns = mtime;
    std::error_code ec;
    for (auto& e : fs::directory_iterator(dir, ec)) {
      const std::string host_name = e.path().filename().string();
      listing.names.emplace(Lower(plat::FromUtf8(host_name)), host_name);  // the first of equal names wins
    }
    if (ec) return false;
    cached = S().listings.insert_or_assign(dir, std::move(listing)).first;
  }
  auto it = cached->second.names.find(want_lower);
  if (it == cached->second.names.end()) return false;
  name = it->second;
  return true;
}

// Host path for a parsed path; matches existing components case-insensitively.
// Caller holds the lock. Sets *ready false for a drive that is not ready.
std::string Resolve(const Parsed& p, bool* known = nullptr) {
  if (known) *known = false;
  if (!p.ok) return {};
  auto it = S().drives.find(p.drive);
  if (it == S().drives.end() || !it->second.ready) return {};
  if (known) *known = true;
  fs::path cur = it->second.host;
  // Most paths are spelled as they are stored: one look at the whole path.
  std::string whole = cur.string();
  for (auto& part : p.parts) {
    if (whole.empty() || whole.back() != '/') whole += '/';
    whole += plat::ToUtf8(part);
  }
  struct stat st;
  if (::lstat(whole.c_str(), &st) == 0) return whole;
  bool exact = true;
  std::error_code ec;
  for (auto& part : p.parts) {
    std::string name = plat::ToUtf8(part);
    if (exact && !fs::exists(cur / name, ec) && !FindNameIgnoringCase(cur.string(), Lower(part), name)) exact = false;
    cur /= name;
  }
  return cur.string();
}

std::string HostOf(const std::wstring& path, Parsed* parsed = nullptr) {
  Parsed p = Parse(path);
  if (parsed) *parsed = p;
  std::lock_guard<std::mutex> g(S().lock);
  return Resolve(p);
}

bool IsLocked(const Parsed& p) {
  std::lock_guard<std::mutex> g(S().lock);
  return S().locked.count(NormalKey(p)) != 0;
}

bool IsFull(const Parsed& p) {
  std::lock_guard<std::mutex> g(S().lock);
  auto it = S().drives.find(p.drive);
  return it != S().drives.end() && it->second.full;
}

bool Fail(std::uint32_t code) {
  plat::SetLastError(code);
  return false;
}

std::uint32_t MissingCode(const std::string& host) {
  std::error_code ec;
  if (host.empty()) return plat::ERROR_PATH_NOT_FOUND;
  return fs::is_directory(fs::path(host).parent_path(), ec) ? plat::ERROR_FILE_NOT_FOUND : plat::ERROR_PATH_NOT_FOUND;
}

bool WildMatch(const wchar_t* pat, const wchar_t* s) {
  // '*' any run, '?' one character; case-insensitive.
  const wchar_t* star = nullptr;
  const wchar_t* resume = nullptr;
  while (*s) {
    if (*pat == L'?' || (*pat != L'*' && std::towlower(*pat) == std::towlower(*s))) {
      ++pat;
      ++s;
    } else if (*pat == L'*') {
      star = pat++;
      resume = s;
    } else if (star) {
      pat = star + 1;
      s = ++resume;
    } else {
      return false;
    }
  }
  while (*pat == L'*') ++pat;
  return *pat == 0;
}

plat::FileTime ToFileTime(const timespec& t) {
  const std::int64_t ns = static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
  return static_cast<plat::FileTime>(ns / 100 + 116444736000000000LL);
}

plat::FileTime ToFileTime(fs::file_time_type t) {
  auto sys = std::chrono::file_clock::to_sys(t);
  auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(sys.time_since_epoch()).count();
  return static_cast<plat::FileTime>(ns / 100 + 116444736000000000LL);
}

}  // namespace

void MapDrive(wchar_t letter, const std::string& host_dir, std::uint32_t drive_type, const std::wstring& label) {
  std::lock_guard<std::mutex> g(S().lock);
  S().drives[static_cast<wchar_t>(std::towupper(letter))] = Drive{host_dir, drive_type, label, true};
}

std::string MapTempDrive(wchar_t letter, std::uint32_t drive_type, const std::wstring& label) {
  std::string tmpl = (fs::temp_directory_path() / "qbsim-XXXXXX").string();
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back(0);
  const char* made = ::mkdtemp(buf.data());
  std::string dir = made ? std::string(made) : tmpl;
  {
    std::lock_guard<std::mutex> g(S().lock);
    S().temp_dirs.push_back(dir);
  }
  MapDrive(letter, dir, drive_type, label);
  return dir;
}

void UnmapDrive(wchar_t letter) {
  std::lock_guard<std::mutex> g(S().lock);
  S().drives.erase(static_cast<wchar_t>(std::towupper(letter)));
}

void SetDriveReady(wchar_t letter, bool ready) {
  std::lock_guard<std::mutex> g(S().lock);
  auto it = S().drives.find(static_cast<wchar_t>(std::towupper(letter)));
  if (it != S().drives.end()) it->second.ready = ready;
}

std::string HostPath(const std::wstring& windows_path) { return HostOf(windows_path); }

void SetCurrentDirectory(const std::wstring& windows_path) {
  std::wstring dir = windows_path;
  while (dir.size() > 3 && IsSlash(dir.back())) dir.pop_back();
  S().current_dir = dir;
}

void SetDriveFull(wchar_t letter, bool full) {
  std::lock_guard<std::mutex> g(S().lock);
  auto it = S().drives.find(static_cast<wchar_t>(std::towupper(letter)));
  if (it != S().drives.end()) it->second.full = full;
}

void SetFileLocked(const std::wstring& windows_path, bool locked) {
  Parsed p = Parse(windows_path);
  std::lock_guard<std::mutex> g(S().lock);
  if (locked)
    S().locked.insert(NormalKey(p));
  else
    S().locked.erase(NormalKey(p));
}

}  // namespace sim

namespace plat {
using sim::Fail;
using sim::HostOf;
using sim::MissingCode;

bool FileExists(const std::wstring& path) {
  std::error_code ec;
  std::string h = HostOf(path);
  return !h.empty() && fs::is_regular_file(h, ec);
}

bool DirectoryExists(const std::wstring& path) {
  std::error_code ec;
  std::string h = HostOf(path);
  return !h.empty() && fs::is_directory(h, ec);
}

bool CreateDirectories(const std::wstring& path) {
  sim::Parsed p;
  std::string h = HostOf(path, &p);
  if (h.empty()) return Fail(p.ok ? ERROR_PATH_NOT_FOUND : ERROR_INVALID_NAME);
  std::error_code ec;
  if (fs::is_directory(h, ec)) return true;
  // Create one component at a time, so that a file in the way fails cleanly.
  sim::Parsed part = p;
  for (size_t n = 1; n <= p.parts.size(); ++n) {
    part.parts.assign(p.parts.begin(), p.parts.begin() + static_cast<long>(n));
    std::string hp;
    {
      std::lock_guard<std::mutex> g(sim::S().lock);
      hp = sim::Resolve(part);
    }
    if (fs::is_directory(hp, ec)) continue;
    if (fs::exists(hp, ec)) return Fail(ERROR_ALREADY_EXISTS);
    if (!fs::create_directory(hp, ec)) return Fail(ERROR_ACCESS_DENIED);
  }
  return true;
}

bool RemoveFolder(const std::wstring& path) {
  std::string h = HostOf(path);
  std::error_code ec;
  if (h.empty() || !fs::is_directory(h, ec)) return Fail(ERROR_PATH_NOT_FOUND);
  if (!fs::is_empty(h, ec)) return Fail(145 /* ERROR_DIR_NOT_EMPTY */);
  return fs::remove(h, ec) ? true : Fail(ERROR_ACCESS_DENIED);
}

std::int64_t FileSize(const std::wstring& path) {
  std::string h = HostOf(path);
  std::error_code ec;
  if (h.empty() || !fs::is_regular_file(h, ec)) {
    SetLastError(MissingCode(h));
    return -1;
  }
  auto n = fs::file_size(h, ec);
  return ec ? -1 : static_cast<std::int64_t>(n);
}

bool AppendToFile(const std::wstring& path, const std::string& data, const std::string& prefix_if_new, bool* created) {
  if (created) *created = false;
  sim::Parsed p;
  std::string h = HostOf(path, &p);
  std::error_code ec;
  if (h.empty() || !fs::is_directory(fs::path(h).parent_path(), ec)) return Fail(ERROR_PATH_NOT_FOUND);
  if (fs::is_directory(h, ec)) return Fail(ERROR_ACCESS_DENIED);
  if (sim::IsLocked(p)) return Fail(ERROR_SHARING_VIOLATION);
  bool is_new = !fs::exists(h, ec);
  std::ofstream f(h, std::ios::binary | std::ios::app);
  if (!f) return Fail(ERROR_ACCESS_DENIED);
  if (created) *created = is_new;
  // A full disk: the file is opened (a new one made, empty), no byte lands.
  if (sim::IsFull(p) && !(data.empty() && (!is_new || prefix_if_new.empty()))) return Fail(112 /* ERROR_DISK_FULL */);
  if (is_new) f.write(prefix_if_new.data(), static_cast<std::streamsize>(prefix_if_new.size()));
  f.write(data.data(), static_cast<std::streamsize>(data.size()));
  f.close();
  if (!f) return Fail(112 /* ERROR_DISK_FULL */);
  return true;
}

bool WriteWholeFile(const std::wstring& path, const std::string& data) {
  sim::Parsed p;
  std::string h = HostOf(path, &p);
  std::error_code ec;
  if (h.empty() || !fs::is_directory(fs::path(h).parent_path(), ec)) return Fail(ERROR_PATH_NOT_FOUND);
  if (fs::is_directory(h, ec)) return Fail(ERROR_ACCESS_DENIED);
  if (sim::IsLocked(p)) return Fail(ERROR_SHARING_VIOLATION);
  std::ofstream f(h, std::ios::binary | std::ios::trunc);
  if (!f) return Fail(ERROR_ACCESS_DENIED);
  // A full disk: the file was emptied by its opening, and the write fails.
  if (sim::IsFull(p) && !data.empty()) return Fail(112 /* ERROR_DISK_FULL */);
  f.write(data.data(), static_cast<std::streamsize>(data.size()));
  f.close();
  return f ? true : Fail(112 /* ERROR_DISK_FULL */);
}

bool ReadWholeFile(const std::wstring& path, std::string& out) {
  out.clear();
  std::string h = HostOf(path);
  std::error_code ec;
  if (h.empty() || !fs::is_regular_file(h, ec)) return Fail(MissingCode(h));
  std::ifstream f(h, std::ios::binary);
  if (!f) return Fail(ERROR_ACCESS_DENIED);
  out.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  return true;
}

bool CopyFileTo(const std::wstring& from, const std::wstring& to, bool fail_if_exists) {
  std::string hf = HostOf(from);
  sim::Parsed pt;
  std::string ht = HostOf(to, &pt);
  std::error_code ec;
  if (hf.empty() || !fs::is_regular_file(hf, ec)) return Fail(MissingCode(hf));
  if (ht.empty() || !fs::is_directory(fs::path(ht).parent_path(), ec)) return Fail(ERROR_PATH_NOT_FOUND);
  if (fs::exists(ht, ec)) {
    if (fail_if_exists) return Fail(ERROR_FILE_EXISTS);
    if (sim::IsLocked(pt) || fs::is_directory(ht, ec)) return Fail(ERROR_ACCESS_DENIED);
  }
  // A full disk: the copy fails and what it began is deleted (the old file
  // it replaced is gone too).
  if (sim::IsFull(pt) && fs::file_size(hf, ec) > 0) {
    fs::remove(ht, ec);
    return Fail(112 /* ERROR_DISK_FULL */);
  }
  fs::copy_file(hf, ht, fs::copy_options::overwrite_existing, ec);
  return ec ? Fail(ERROR_ACCESS_DENIED) : true;
}

bool RemoveFile(const std::wstring& path) {
  sim::Parsed p;
  std::string h = HostOf(path, &p);
  std::error_code ec;
  if (h.empty() || !fs::exists(h, ec)) return Fail(MissingCode(h));
  if (fs::is_directory(h, ec)) return Fail(ERROR_ACCESS_DENIED);
  if (sim::IsLocked(p)) return Fail(ERROR_SHARING_VIOLATION);
  return fs::remove(h, ec) ? true : Fail(ERROR_ACCESS_DENIED);
}

bool MoveFileTo(const std::wstring& from, const std::wstring& to, bool replace) {
  sim::Parsed pf, pt;
  std::string hf = HostOf(from, &pf);
  std::string ht = HostOf(to, &pt);
  std::error_code ec;
  if (hf.empty() || !fs::exists(hf, ec)) return Fail(MissingCode(hf));
  if (sim::IsLocked(pf)) return Fail(ERROR_SHARING_VIOLATION);
  if (ht.empty() || !fs::is_directory(fs::path(ht).parent_path(), ec)) return Fail(ERROR_PATH_NOT_FOUND);
  if (fs::exists(ht, ec)) {
    if (!replace) return Fail(ERROR_ALREADY_EXISTS);
    if (sim::IsLocked(pt) || fs::is_directory(ht, ec)) return Fail(ERROR_ACCESS_DENIED);
  }
  fs::rename(hf, ht, ec);
  if (ec) {  // across host file systems
    fs::copy(hf, ht, fs::copy_options::overwrite_existing | fs::copy_options::recursive, ec);
    if (ec) return Fail(ERROR_ACCESS_DENIED);
    fs::remove_all(hf, ec);
  }
  return true;
}

std::vector<FindData> FindFiles(const std::wstring& pattern) {
  std::vector<FindData> out;
  size_t slash = pattern.find_last_of(L"\\/");
  if (slash == std::wstring::npos) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return out;
  }
  std::wstring folder = pattern.substr(0, slash + 1);
  std::wstring mask = pattern.substr(slash + 1);
  if (mask.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);  // FindFirstFileW("C:\\Dir\\") finds nothing
    return out;
  }
  if (mask == L"*.*") mask = L"*";
  std::string h = HostOf(folder);
  std::error_code ec;
  if (h.empty() || !fs::is_directory(h, ec)) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return out;
  }
  DIR* listing = ::opendir(h.c_str());
  if (listing == nullptr) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return out;
  }
  while (const dirent* e = ::readdir(listing)) {
    if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
    std::wstring name = FromUtf8(e->d_name);
    if (!sim::WildMatch(mask.c_str(), name.c_str())) continue;
    // The entry's own facts, as FileAttributes and FileLastWriteTime give
    // them, from one look at the entry within its open folder (folders of
    // thousands of files).
    struct stat st;
    if (::fstatat(::dirfd(listing), e->d_name, &st, 0) != 0 &&
        ::fstatat(::dirfd(listing), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
      continue;  // gone since the listing
    }
    FindData d;
    d.name = std::move(name);
    if (S_ISDIR(st.st_mode)) {
      d.attributes = FILE_ATTRIBUTE_DIRECTORY;
    } else {
      d.attributes = FILE_ATTRIBUTE_ARCHIVE;
      if ((st.st_mode & S_IWUSR) == 0) d.attributes |= FILE_ATTRIBUTE_READONLY;
      d.size = static_cast<std::uint64_t>(st.st_size);
    }
    d.last_write = sim::ToFileTime(st.st_mtim);
    out.push_back(std::move(d));
  }
  ::closedir(listing);
  std::sort(out.begin(), out.end(), [](const FindData& a, const FindData& b) { return a.name < b.name; });
  SetLastError(out.empty() ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS);
  return out;
}

std::uint32_t DriveType(const std::wstring& root) {
  if (root.size() < 2 || root[1] != L':') return DRIVE_NO_ROOT_DIR;
  std::lock_guard<std::mutex> g(sim::S().lock);
  auto it = sim::S().drives.find(static_cast<wchar_t>(std::towupper(root[0])));
  return it == sim::S().drives.end() ? DRIVE_NO_ROOT_DIR : it->second.type;
}

std::uint32_t GetLogicalDriveStrings(std::uint32_t buffer_chars, std::wstring& buffer) {
  buffer.clear();
  std::wstring roots;
  {
    std::lock_guard<std::mutex> g(sim::S().lock);
    for (const auto& [letter, drive] : sim::S().drives) {  // sorted by letter, like the system's list
      roots += letter;
      roots += L":\\";
      roots += L'\0';
    }
  }
  const auto length = static_cast<std::uint32_t>(roots.size());
  if (length + 1 > buffer_chars) return length + 1;
  buffer = roots;
  buffer += L'\0';
  buffer.resize(buffer_chars, L'\0');
  SetLastError(ERROR_SUCCESS);
  return length;
}

bool VolumeLabel(const std::wstring& root, std::wstring& label) {
  label.clear();
  if (root.size() < 2 || root[1] != L':') return Fail(ERROR_PATH_NOT_FOUND);
  std::lock_guard<std::mutex> g(sim::S().lock);
  auto it = sim::S().drives.find(static_cast<wchar_t>(std::towupper(root[0])));
  if (it == sim::S().drives.end()) return Fail(ERROR_PATH_NOT_FOUND);
  if (!it->second.ready) return Fail(21 /* ERROR_NOT_READY */);
  label = it->second.label;
  return true;
}

std::uint32_t FileAttributes(const std::wstring& path) {
  std::string h = HostOf(path);
  std::error_code ec;
  if (h.empty() || !fs::exists(h, ec)) {
    SetLastError(MissingCode(h));
    return INVALID_FILE_ATTRIBUTES;
  }
  if (fs::is_directory(h, ec)) return FILE_ATTRIBUTE_DIRECTORY;
  auto perms = fs::status(h, ec).permissions();
  std::uint32_t a = FILE_ATTRIBUTE_ARCHIVE;
  if ((perms & fs::perms::owner_write) == fs::perms::none) a |= FILE_ATTRIBUTE_READONLY;
  return a;
}

bool FileLastWriteTime(const std::wstring& path, FileTime& time) {
  std::string h = HostOf(path);
  std::error_code ec;
  if (h.empty() || !fs::exists(h, ec)) return Fail(MissingCode(h));
  auto t = fs::last_write_time(h, ec);
  if (ec) return Fail(ERROR_ACCESS_DENIED);
  time = sim::ToFileTime(t);
  return true;
}

}  // namespace plat
