// common_logger: entries are composed and queued by the calling thread; the
// writer thread TLogThread moves them to a buffer and appends the buffer to the
// main log file in batches. Error entries also get an error block at once.
#include "infra/logger.h"

#include <algorithm>
#include <iterator>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "infra/logger_files.h"
#include "infra/text.h"
#include "infra/utf16.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/system.h"

namespace infra {

std::atomic<bool> LoggerIdle{true};
std::atomic<bool> SuppressExceptionTrace{false};
std::atomic<bool> ApplicationTerminated{false};

namespace {

// LoggerLock: guards the queue, the move to the buffer, the de-duplication
// state, reading the main log and every log file write. Re-entrant: a file
// append holds it while the rotation takes it again. It lives for the whole
// process, so no caller can ever meet a destroyed lock.
std::recursive_mutex& LoggerLock() {
  static auto* lock = new std::recursive_mutex;
  return *lock;
}

std::mutex& FolderLock() {
  static auto* lock = new std::mutex;
  return *lock;
}
std::wstring& FolderRef() {
  static auto* folder = new std::wstring;
  return *folder;
}

std::atomic<bool> g_stopped{false};
std::atomic<int> g_move_ms{500};
std::atomic<int> g_flush_ms{30000};

// De-duplication state, under LoggerLock.
struct Dedup {
  std::wstring last_log;
  std::int32_t log_count = 0;
  std::wstring last_error;
  std::int32_t error_count = 0;
};
Dedup& D() {
  static auto* d = new Dedup;
  return *d;
}

// Set while this thread reports a failure of the log writing itself, so that
// the report does not try to write (and fail, and report) again.
thread_local bool t_reporting_write_failure = false;

// Lines that could not be added to a log file that exists (another program
// holds it, the disk is full): kept for the next write of that file, the
// oldest dropped beyond kLogKeptLines. Under LoggerLock.
struct TUnwritten {
  std::vector<std::wstring> lines;
  std::size_t dropped = 0;
  std::uint32_t code = 0;  // of the first failed write
};
std::map<std::wstring, TUnwritten>& Unwritten() {
  static auto* m = new std::map<std::wstring, TUnwritten>;
  return *m;
}

void Put2(std::wstring& out, int v) {
  out += static_cast<wchar_t>(L'0' + (v / 10) % 10);
  out += static_cast<wchar_t>(L'0' + v % 10);
}

void AppendTime(std::wstring& out, const plat::LocalTime& t) {
  Put2(out, t.hour);
  out += L':';
  Put2(out, t.minute);
  out += L':';
  Put2(out, t.second);
}

bool EraseIntel() {
  auto args = plat::CommandLineArgs();
  if (args.empty()) return false;
  return SameText(args[0], L"/eraseintel");
}

// The system's text for an error code without trailing blanks, line breaks
// and full stops.
std::wstring CleanSystemText(std::wstring s) {
  while (!s.empty() &&
         (s.back() == L' ' || s.back() == L'\r' || s.back() == L'\n' || s.back() == L'.' || s.back() == L'\t'))
    s.pop_back();
  return s;
}

}  // namespace

// The writer thread. It waits on real time (a condition variable), never on
// the platform's sleep, so the sim's virtual clock does not drive it.
class TLogThread {
 public:
  explicit TLogThread(std::chrono::milliseconds move_interval, std::chrono::milliseconds flush_interval)
      : move_interval_(move_interval), flush_interval_(flush_interval) {
    queue_.reserve(256);
    thread_ = std::thread([this] { Execute(); });
  }

  ~TLogThread() {
    Terminate();
    if (thread_.joinable()) thread_.join();
  }

  // Caller holds LoggerLock (taking it again is cheap: it is re-entrant).
  void Enqueue(std::wstring&& text) {
    std::lock_guard<std::recursive_mutex> g(LoggerLock());
    queue_.push_back(std::move(text));
  }

  void MoveQueueToBuffer() {
    std::lock_guard<std::recursive_mutex> g(LoggerLock());
    if (queue_.empty()) return;
    if (buffer_.empty()) {
      buffer_.swap(queue_);
    } else {
      for (auto& s : queue_) buffer_.push_back(std::move(s));
      queue_.clear();
    }
  }

  std::size_t BufferedLines() {
    std::lock_guard<std::recursive_mutex> g(LoggerLock());
    return buffer_.size();
  }

  void FlushBuffer() {
    std::lock_guard<std::recursive_mutex> g(LoggerLock());
    std::wstring folder = GetLogFolder();
    if (folder.empty() || buffer_.empty()) return;
    AppendLinesToLogFile(folder + kMainLogName, buffer_);
  }

  void Terminate() {
    std::lock_guard<std::mutex> g(wake_lock_);
    terminated_ = true;
    wake_.notify_all();
  }

  // Drops everything pending (used when the logger is reset).
  void Discard() {
    std::lock_guard<std::recursive_mutex> g(LoggerLock());
    queue_.clear();
    buffer_.clear();
  }

  bool IsWriterThread() const { return std::this_thread::get_id() == thread_.get_id(); }
  void Detach() { thread_.detach(); }

 private:
  void Execute() {
    using clock = std::chrono::steady_clock;
    auto next_move = clock::now() + move_interval_;
    auto next_flush = clock::now() + flush_interval_;
    const auto tick =
        std::min<std::chrono::milliseconds>(std::chrono::milliseconds(1000), std::min(move_interval_, flush_interval_));
    std::unique_lock<std::mutex> lk(wake_lock_);
    while (!terminated_) {
      lk.unlock();
      try {
        auto now = clock::now();
        if (now > next_move) {
          MoveQueueToBuffer();
          next_move = clock::now() + move_interval_;
        }
        // A flood of entries is written at once rather than held in memory
        // until the next flush.
        if (now > next_flush || BufferedLines() >= kLogFloodLines) {
          FlushBuffer();
          next_flush = clock::now() + flush_interval_;
        }
      } catch (...) {}
      lk.lock();
      wake_.wait_for(lk, tick, [this] { return terminated_; });
    }
    lk.unlock();
    try {
      MoveQueueToBuffer();
      FlushBuffer();
      Discard();
    } catch (...) {}
  }

  std::chrono::milliseconds move_interval_;
  std::chrono::milliseconds flush_interval_;
  std::vector<std::wstring> queue_;   // under LoggerLock
  std::vector<std::wstring> buffer_;  // under LoggerLock
  std::mutex wake_lock_;
  std::condition_variable wake_;
  bool terminated_ = false;
  std::thread thread_;
};

namespace {

TLogThread* g_thread = nullptr;  // under LoggerLock

// Ends a writer thread that nobody references any more.
void EndWriter(TLogThread* t) {
  if (!t) return;
  if (t->IsWriterThread()) {
    // Asked from inside the writer itself: let it run out on its own.
    t->Terminate();
    t->Detach();
    return;
  }
  delete t;  // terminates, joins: the final flush runs before this returns
}

// Composes the de-duplicated, time-stamped line and queues it.
void PostLogText(const std::wstring& text) {
  try {
    if (g_stopped.load(std::memory_order_relaxed) || ApplicationTerminated.load(std::memory_order_relaxed)) return;
    const bool is_error = text.compare(0, 5, L" Err ") == 0;
    std::lock_guard<std::recursive_mutex> g(LoggerLock());
    if (g_stopped.load()) return;
    if (!g_thread)
      g_thread =
          new TLogThread(std::chrono::milliseconds(g_move_ms.load()), std::chrono::milliseconds(g_flush_ms.load()));
    Dedup& d = D();
    if (is_error) {
      if (!d.last_error.empty() && d.last_error == text) {
        ++d.error_count;
        return;
      }
    } else if (!d.last_log.empty() && d.last_log == text) {
      ++d.log_count;
      return;
    }
    if (d.error_count > 0)
      g_thread->Enqueue(L"Multiple errors:" + d.last_error + L" Count: " + std::to_wstring(d.error_count));
    if (d.log_count > 0) g_thread->Enqueue(L"Multiple logs:" + d.last_log + L" Count: " + std::to_wstring(d.log_count));
    d.error_count = 0;
    d.log_count = 0;
    std::wstring line;
    line.reserve(8 + text.size());
    AppendTime(line, plat::LocalNow());
    line += text;
    g_thread->Enqueue(std::move(line));
    (is_error ? d.last_error : d.last_log).assign(text);
  } catch (...) {}
}

}  // namespace

void LogMessage(const std::wstring& message, const std::wstring& parameters) {
  LoggerIdle = false;
  try {
    // The entry is composed in a per-thread buffer, so a repeat that is only
    // counted allocates nothing.
    thread_local std::wstring text;
    text.clear();
    text += L" Log (common): ";
    text += message;
    if (!parameters.empty()) {
      text += L" Parameters: ";
      text += parameters;
    }
    PostLogText(text);
  } catch (...) {}
  LoggerIdle = true;
}

void LogError(const std::wstring& function_name, const std::wstring& message, const std::wstring& parameters,
              std::uint32_t error_code, bool mark_busy) {
  LoggerIdle = !mark_busy;
  try {
    std::wstring text = L" Err (common): Function: " + function_name;
    if (!message.empty()) text += L" Message: " + message;
    if (!parameters.empty()) text += L" Parameters: " + parameters;
    if (error_code != 0)
      text += L" Last error (" + std::to_wstring(error_code) + L"):" +
              CleanSystemText(plat::SystemErrorMessage(error_code));
    LoggerIdle = false;
    PostLogText(text);
    LoggerIdle = true;
    AppendToErrorLog(text);
  } catch (...) {}
  LoggerIdle = true;
}

void SaveAllLogs(bool stop) {
  try {
    LogMessage(L"SaveAllLogs begin");
    TLogThread* ending = nullptr;
    {
      std::lock_guard<std::recursive_mutex> g(LoggerLock());
      if (stop) g_stopped = true;
      if (g_thread) {
        g_thread->MoveQueueToBuffer();
        g_thread->FlushBuffer();
        if (stop) {
          ending = g_thread;
          g_thread = nullptr;
        }
      }
    }
    EndWriter(ending);
  } catch (...) {}
}

void SetLogFolder(const std::wstring& folder) {
  std::lock_guard<std::mutex> g(FolderLock());
  FolderRef() = folder;
}

std::wstring GetLogFolder() {
  std::lock_guard<std::mutex> g(FolderLock());
  return FolderRef();
}

std::wstring FormatLogTime(const plat::LocalTime& t) {
  std::wstring s;
  AppendTime(s, t);
  return s;
}

std::wstring FormatLogDateTime(const plat::LocalTime& t) {
  std::wstring s = std::to_wstring(t.year);
  while (s.size() < 4) s.insert(s.begin(), L'0');
  s += L'-';
  Put2(s, t.month);
  s += L'-';
  Put2(s, t.day);
  s += L' ';
  AppendTime(s, t);
  return s;
}

std::vector<std::wstring> SplitLogLines(const std::string& bytes) {
  std::vector<std::wstring> lines;
  std::wstring text = FromUtf16Le(bytes);
  std::wstring cur;
  for (size_t i = 0; i < text.size(); ++i) {
    wchar_t c = text[i];
    if (c == L'\r' || c == L'\n') {
      lines.push_back(std::move(cur));
      cur.clear();
      if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) lines.push_back(std::move(cur));
  return lines;
}

void RotateLogFile(const std::wstring& file) {
  try {
    if (!plat::FileExists(file)) return;
    std::lock_guard<std::recursive_mutex> g(LoggerLock());
    std::int64_t size = plat::FileSize(file);
    if (size <= kLogRotateSize) return;  // an unopenable file counts as 0
    std::wstring copy = (file.size() >= 4 ? file.substr(0, file.size() - 4) : file) + L"_prev.log";
    // The log goes only once its copy is made: a copy that cannot be made
    // (the old copy held open by a viewer, say) leaves the log growing until
    // a later rotation works.
    bool copied = false;
    if (plat::FileExists(copy)) {
      if (plat::RemoveFile(copy)) copied = plat::CopyFileTo(file, copy, false);
    } else {
      copied = plat::CopyFileTo(file, copy, false);
    }
    if (copied) plat::RemoveFile(file);
  } catch (...) {}
}

namespace {
void AppendLinesPiece(const std::wstring& file, std::vector<std::wstring>& lines);
}  // namespace

void AppendLinesToLogFile(const std::wstring& file, std::vector<std::wstring>& lines) {
  // Written in pieces, each after the rotation check: a flood leaves at most
  // two generations on disk, neither far past the rotation size.
  if (lines.size() <= kLogPieceLines) {
    AppendLinesPiece(file, lines);
    return;
  }
  std::lock_guard<std::recursive_mutex> g(LoggerLock());
  std::size_t done = 0;
  while (done < lines.size()) {
    const std::size_t end = std::min(lines.size(), done + kLogPieceLines);
    std::vector<std::wstring> piece(std::make_move_iterator(lines.begin() + static_cast<std::ptrdiff_t>(done)),
                                    std::make_move_iterator(lines.begin() + static_cast<std::ptrdiff_t>(end)));
    AppendLinesPiece(file, piece);
    if (!piece.empty()) {
      // Kept for the next try, with everything after it.
      for (std::size_t i = 0; i < piece.size(); ++i) lines[done + i] = std::move(piece[i]);
      lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(done));
      return;
    }
    done = end;
  }
  lines.clear();
}

namespace {
void AppendLinesPiece(const std::wstring& file, std::vector<std::wstring>& lines) {
  try {
    if (EraseIntel()) return;
    const std::wstring folder = GetLogFolder();
    if (folder.empty() || lines.empty()) return;
    std::lock_guard<std::recursive_mutex> g(LoggerLock());
    RotateLogFile(file);
    // A file made empty by a full disk has no byte-order mark yet.
    if (!plat::FileExists(file) || plat::FileSize(file) == 0) {
      if (!plat::CreateDirectories(folder) && !t_reporting_write_failure) {
        const std::uint32_t code = plat::LastError();
        t_reporting_write_failure = true;
        LogError(L"ForceDirectories", L"General fail", L"Dir=" + folder, code, true);
        t_reporting_write_failure = false;
      }
      std::string data(kUtf16LeBom);
      for (const auto& l : lines) {
        AppendUtf16Le(data, l);
        AppendUtf16Le(data, L"\r\n");
      }
      // A new file that cannot be written keeps the lines for the next try.
      if (plat::AppendToFile(file, data, {})) lines.clear();
    } else {
      std::string data;
      auto held = Unwritten().find(file);
      if (held != Unwritten().end()) {
        // The lines held back come first, then one line that tells of the gap.
        for (const auto& l : held->second.lines) {
          AppendUtf16Le(data, l);
          AppendUtf16Le(data, L"\r\n");
        }
        const TUnwritten& u = held->second;
        std::wstring notice = FormatLogTime(plat::LocalNow()) +
                              L" Err (common): Function: LogWriter Message: The log could not be written for a while"
                              L" Parameters: File=" +
                              file.substr(file.find_last_of(L'\\') + 1) + L", held back=" +
                              std::to_wstring(u.lines.size()) + L", dropped=" + std::to_wstring(u.dropped);
        if (u.code != 0)
          notice +=
              L" Last error (" + std::to_wstring(u.code) + L"):" + CleanSystemText(plat::SystemErrorMessage(u.code));
        AppendUtf16Le(data, notice);
        AppendUtf16Le(data, L"\r\n");
      }
      for (const auto& l : lines) {
        AppendUtf16Le(data, l);
        AppendUtf16Le(data, L"\r\n");
      }
      if (plat::AppendToFile(file, data, std::string(kUtf16LeBom))) {
        if (held != Unwritten().end()) Unwritten().erase(held);
      } else {
        // Held back for the next write of this file (a program holding the
        // log, a full disk); memory stays bounded.
        TUnwritten& u = Unwritten()[file];
        if (u.lines.empty() && u.dropped == 0) u.code = plat::LastError();
        for (auto& l : lines) u.lines.push_back(std::move(l));
        if (u.lines.size() > kLogKeptLines) {
          const std::size_t excess = u.lines.size() - kLogKeptLines;
          u.lines.erase(u.lines.begin(), u.lines.begin() + static_cast<std::ptrdiff_t>(excess));
          u.dropped += excess;
        }
      }
      lines.clear();
    }
  } catch (...) {
    t_reporting_write_failure = false;
  }
}
}  // namespace

void AddLastLogEntries(std::vector<std::wstring>& lines) {
  try {
    SaveAllLogs(false);
    std::vector<std::wstring> read;
    const std::wstring folder = GetLogFolder();
    const std::wstring file = folder + kMainLogName;
    if (!folder.empty() && plat::FileExists(file)) {
      std::lock_guard<std::recursive_mutex> g(LoggerLock());
      SuppressExceptionTrace = true;
      std::string bytes;
      if (plat::ReadWholeFile(file, bytes)) read = SplitLogLines(bytes);
      SuppressExceptionTrace = false;
    }
    lines.push_back(L"Last log entries:");
    const long long n = static_cast<long long>(read.size());
    for (long long i = n - 22; i <= n - 2; ++i)
      if (i >= 0) lines.push_back(read[static_cast<size_t>(i)]);
  } catch (...) {}
  SuppressExceptionTrace = false;
}

void AppendToErrorLog(const std::wstring& text) {
  try {
    std::vector<std::wstring> lines;
    lines.push_back(FormatLogDateTime(plat::LocalNow()) + L": " + text);
    AddLastLogEntries(lines);
    lines.emplace_back(40, L'=');
    lines.emplace_back(40, L'=');
    const std::wstring folder = GetLogFolder();
    if (!folder.empty()) AppendLinesToLogFile(folder + kErrorLogName, lines);
  } catch (...) {}
}

bool LogWriterRunning() {
  std::lock_guard<std::recursive_mutex> g(LoggerLock());
  return g_thread != nullptr;
}

void SetLogWriterIntervalsMs(int move_ms, int flush_ms) {
  g_move_ms = move_ms;
  g_flush_ms = flush_ms;
}

void ResetLogger() {
  TLogThread* t = nullptr;
  {
    std::lock_guard<std::recursive_mutex> g(LoggerLock());
    t = g_thread;
    g_thread = nullptr;
    if (t) t->Discard();
    D() = Dedup{};
    Unwritten().clear();
    g_stopped = false;
  }
  EndWriter(t);
  SetLogFolder(L"");
  g_move_ms = 500;
  g_flush_ms = 30000;
  LoggerIdle = true;
  SuppressExceptionTrace = false;
  ApplicationTerminated = false;
}

}  // namespace infra
