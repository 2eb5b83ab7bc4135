// common_logger: the agent's logging.
//
// LogMessage and LogError never throw and never block a caller on disk: entries
// are de-duplicated, time-stamped and queued; the writer thread TLogThread moves
// them to a buffer about every second and appends the buffer to "folder.log" in
// the log folder every 30 seconds. LogError also appends an error block with an
// excerpt of the recent log to "folder_error.log" at once.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>

namespace infra {

// Posts " Log (common): " + message [+ " Parameters: " + parameters].
void LogMessage(const std::wstring& message, const std::wstring& parameters = L"");

// Posts an error entry and appends an error block to the error log.
// error_code is usually the thread's last system error (0 for none).
void LogError(const std::wstring& function_name, const std::wstring& message = L"",
              const std::wstring& parameters = L"", std::uint32_t error_code = 0, bool mark_busy = false);

// Writes every pending entry to the main log now; with stop the logger accepts
// nothing afterwards and the writer thread ends.
void SaveAllLogs(bool stop);

// The log folder: absolute, ending in a backslash; empty until the
// configuration folder is resolved. Entries wait in memory until it is set.
void SetLogFolder(const std::wstring& folder);
std::wstring GetLogFolder();

// False while a log call composes and posts an entry. Owned by the logger;
// written by any thread that logs (and by the global handler), read by the
// exception trace.
extern std::atomic<bool> LoggerIdle;
// While true, the raised-exception trace writer does nothing. Owned by the
// exception trace and the logger (their guard against tracing themselves);
// any thread.
extern std::atomic<bool> SuppressExceptionTrace;
// Set by the message loop once the application has been told to terminate:
// from then on new entries are dropped. Owned by the main form's loop (UI
// thread); read by the log writer thread.
extern std::atomic<bool> ApplicationTerminated;

}  // namespace infra
