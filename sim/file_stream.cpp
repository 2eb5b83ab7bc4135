// The sim's file streams: host files behind handle numbers, with scripted
// failures (sim_file_stream.h).
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>

#include "platform/code_page.h"
#include "platform/file_stream.h"
#include "platform/files.h"
#include "sim/sim_file_stream.h"
#include "sim/sim_files.h"
#include "sim/sim_world.h"
#include "platform/utf8.h"

namespace sim {
namespace {

struct OpenFile {
  int fd = -1;
  std::wstring path;
};

struct FileStreamState {
  std::mutex lock;
  std::map<plat::Handle, OpenFile> files;
  plat::Handle next = 0x5000;
  std::wstring fault_suffix;
  FileFault fault = FileFault::None;
  std::uint64_t fault_after = 0;
  std::uint64_t fault_counted = 0;
  std::function<void()> read_hook;
};
FileStreamState& S() {
  static FileStreamState s;
  return s;
}
const bool kReset = RegisterReset([] {
  std::lock_guard<std::mutex> g(S().lock);
  S().fault = FileFault::None;
  S().fault_suffix.clear();
  S().fault_after = S().fault_counted = 0;
  S().read_hook = nullptr;
});

bool EndsWith(const std::wstring& s, const std::wstring& suffix) {
  return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Caller holds the lock. True when a fault of `kind` applies to `path` now.
bool FaultMatches(const std::wstring& path, FileFault kind) {
  return S().fault == kind && EndsWith(path, S().fault_suffix);
}

void ClearFault() { S().fault = FileFault::None; }

}  // namespace

void SetFileFault(const std::wstring& path_suffix, FileFault fault, std::uint64_t after_bytes) {
  std::lock_guard<std::mutex> g(S().lock);
  S().fault_suffix = path_suffix;
  S().fault = fault;
  S().fault_after = after_bytes;
  S().fault_counted = 0;
}

void SetFileReadHook(std::function<void()> hook) {
  std::lock_guard<std::mutex> g(S().lock);
  S().read_hook = std::move(hook);
}

}  // namespace sim

namespace plat {
namespace {

// The host file of a path: a mapped drive's file, or a host path as it is.
// Empty when there is none.
std::string ToHost(const std::wstring& path) {
  if (!path.empty() && path[0] == L'/') return ToUtf8(path);
  return sim::HostPath(path);
}

Handle Open(const std::wstring& path, int flags) {
  const std::string host = ToHost(path);
  if (host.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return 0;
  }
  {
    std::lock_guard<std::mutex> g(sim::S().lock);
    if (sim::FaultMatches(path, sim::FileFault::OpenFails)) {
      sim::ClearFault();
      SetLastError(ERROR_ACCESS_DENIED);
      return 0;
    }
  }
  int fd = ::open(host.c_str(), flags | O_CLOEXEC, 0644);
  if (fd < 0) {
    SetLastError(errno == ENOENT ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED);
    return 0;
  }
  struct stat st;
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {  // CreateFileW does not open folders as files
    ::close(fd);
    SetLastError(ERROR_ACCESS_DENIED);
    return 0;
  }
  std::lock_guard<std::mutex> g(sim::S().lock);
  Handle h = ++sim::S().next;
  sim::S().files[h] = sim::OpenFile{fd, path};
  return h;
}

// The open file behind a handle, or fd -1.
sim::OpenFile Find(Handle file) {
  std::lock_guard<std::mutex> g(sim::S().lock);
  auto it = sim::S().files.find(file);
  return it == sim::S().files.end() ? sim::OpenFile{} : it->second;
}

}  // namespace

Handle FileStreamCreate(const std::wstring& path) { return Open(path, O_RDWR | O_CREAT | O_TRUNC); }

Handle FileStreamOpenRead(const std::wstring& path) { return Open(path, O_RDONLY); }

bool FileStreamRead(Handle file, void* buffer, std::uint32_t size, std::uint32_t* read) {
  *read = 0;
  sim::OpenFile f = Find(file);
  if (f.fd < 0) return false;
  std::function<void()> hook;
  std::uint32_t allowed = size;
  bool fail = false;
  {
    std::lock_guard<std::mutex> g(sim::S().lock);
    hook = sim::S().read_hook;
    bool fails = sim::FaultMatches(f.path, sim::FileFault::ReadFails);
    bool stops = sim::FaultMatches(f.path, sim::FileFault::ReadStopsShort);
    if (fails || stops) {
      std::uint64_t left = sim::S().fault_after - std::min(sim::S().fault_after, sim::S().fault_counted);
      if (left == 0) {
        fail = fails;
        allowed = 0;
        sim::ClearFault();
      } else if (left < size) {
        allowed = static_cast<std::uint32_t>(left);
      }
    }
  }
  if (hook) hook();
  if (fail) return false;
  std::uint32_t total = 0;
  auto* p = static_cast<char*>(buffer);
  while (total < allowed) {
    ssize_t n = ::read(f.fd, p + total, allowed - total);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    total += static_cast<std::uint32_t>(n);
  }
  *read = total;
  std::lock_guard<std::mutex> g(sim::S().lock);
  if (sim::EndsWith(f.path, sim::S().fault_suffix)) sim::S().fault_counted += total;
  return true;
}

bool FileStreamWrite(Handle file, const void* data, std::uint32_t size, std::uint32_t* written) {
  *written = 0;
  sim::OpenFile f = Find(file);
  if (f.fd < 0) return false;
  std::uint32_t allowed = size;
  bool fail = false;
  {
    std::lock_guard<std::mutex> g(sim::S().lock);
    bool fails = sim::FaultMatches(f.path, sim::FileFault::WriteFails);
    bool shorts = sim::FaultMatches(f.path, sim::FileFault::WriteShort);
    if (fails || shorts) {
      std::uint64_t left = sim::S().fault_after - std::min(sim::S().fault_after, sim::S().fault_counted);
      if (left < size) {
        allowed = static_cast<std::uint32_t>(left);
        fail = fails;
        sim::ClearFault();
      }
    }
  }
  std::uint32_t total = 0;
  auto* p = static_cast<const char*>(data);
  while (total < allowed) {
    ssize_t n = ::write(f.fd, p + total, allowed - total);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    total += static_cast<std::uint32_t>(n);
  }
  *written = total;
  std::lock_guard<std::mutex> g(sim::S().lock);
  if (sim::EndsWith(f.path, sim::S().fault_suffix)) sim::S().fault_counted += total;
  return !fail;
}

bool FileStreamSeek(Handle file, std::int64_t offset, SeekOrigin origin, std::int64_t* position) {
  sim::OpenFile f = Find(file);
  if (f.fd < 0) return false;
  int whence = origin == SeekOrigin::Begin ? SEEK_SET : origin == SeekOrigin::Current ? SEEK_CUR : SEEK_END;
  off_t r = ::lseek(f.fd, static_cast<off_t>(offset), whence);
  if (r < 0) return false;
  if (position) *position = r;
  return true;
}

bool FileStreamSize(Handle file, std::int64_t* size) {
  sim::OpenFile f = Find(file);
  struct stat st;
  if (f.fd < 0 || ::fstat(f.fd, &st) != 0) return false;
  *size = st.st_size;
  return true;
}

bool FileStreamTruncate(Handle file) {
  sim::OpenFile f = Find(file);
  if (f.fd < 0) return false;
  off_t here = ::lseek(f.fd, 0, SEEK_CUR);
  return here >= 0 && ::ftruncate(f.fd, here) == 0;
}

void FileStreamClose(Handle file) {
  int fd = -1;
  {
    std::lock_guard<std::mutex> g(sim::S().lock);
    auto it = sim::S().files.find(file);
    if (it == sim::S().files.end()) return;
    fd = it->second.fd;
    sim::S().files.erase(it);
  }
  ::close(fd);
}

bool FileStreamGetFacts(const std::wstring& path, FileStreamFacts* facts) {
  const std::string host = ToHost(path);
  struct stat st;
  if (host.empty() || ::stat(host.c_str(), &st) != 0) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return false;
  }
  if (S_ISDIR(st.st_mode)) {
    facts->attributes = FILE_ATTRIBUTE_DIRECTORY;
  } else {
    facts->attributes = FILE_ATTRIBUTE_ARCHIVE | ((st.st_mode & S_IWUSR) ? 0 : FILE_ATTRIBUTE_READONLY);
  }
  facts->size = S_ISDIR(st.st_mode) ? 0 : static_cast<std::uint64_t>(st.st_size);
  constexpr std::int64_t kEpochDelta = 11644473600LL;  // seconds from 1601 to 1970
  facts->last_write_time = static_cast<std::uint64_t>(st.st_mtim.tv_sec + kEpochDelta) * 10000000ULL +
                           static_cast<std::uint64_t>(st.st_mtim.tv_nsec / 100);
  return true;
}

bool FileTimeToLocalDosDateTime(std::uint64_t file_time, std::uint32_t* dos_date_time) {
  constexpr std::int64_t kEpochDelta = 11644473600LL;
  time_t t = static_cast<time_t>(static_cast<std::int64_t>(file_time / 10000000ULL) - kEpochDelta);
  struct tm lt;
  if (!::localtime_r(&t, &lt)) return false;
  int year = lt.tm_year + 1900;
  if (year < 1980 || year > 2107) return false;
  std::uint32_t date = (static_cast<std::uint32_t>(year - 1980) << 9) |
                       (static_cast<std::uint32_t>(lt.tm_mon + 1) << 5) | static_cast<std::uint32_t>(lt.tm_mday);
  std::uint32_t time = (static_cast<std::uint32_t>(lt.tm_hour) << 11) | (static_cast<std::uint32_t>(lt.tm_min) << 5) |
                       static_cast<std::uint32_t>(lt.tm_sec / 2);
  *dos_date_time = (date << 16) | time;
  return true;
}

std::string WideToAnsiCodePage(const std::wstring& text) {
  // The sim's system code page, with its best fit.
  return WideToMultiByte(CP_ACP, text);
}

void SetCurrentThreadPriority(int) {}  // host threads keep the default priority

}  // namespace plat
