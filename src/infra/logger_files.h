// The logger's file side, for the raised-exception trace and the error dialog
// (which write their own blocks into the error logs) and for tests.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "platform/types.h"

namespace infra {

inline constexpr wchar_t kMainLogName[] = L"folder.log";
inline constexpr wchar_t kErrorLogName[] = L"folder_error.log";
inline constexpr wchar_t kGlobalErrorLogName[] = L"folder_global_error.log";
// A log file above this size is moved to its "_prev.log" copy before the next append.
inline constexpr long long kLogRotateSize = 300000;
// A batch is written in pieces of this many lines, each after the rotation
// check; the writer flushes early once this many lines wait.
inline constexpr std::size_t kLogPieceLines = 500;
inline constexpr std::size_t kLogFloodLines = 5000;
// Lines held back while a log file that exists cannot be written (another
// program holds it, the disk is full); older ones are dropped and counted.
inline constexpr std::size_t kLogKeptLines = 10000;

// Flushes the main log, then appends "Last log entries:" and up to 21 lines of
// the main log file (never its last line) to lines.
void AddLastLogEntries(std::vector<std::wstring>& lines);

// Appends lines (UTF-16LE, CR LF each; a new file starts with the byte-order
// mark) to the file, after rotating it. Empties lines when they were written or
// when the existing file could not be written: they are held back (at most
// kLogKeptLines, the oldest dropped) and written before the next lines of that
// file, followed by one "LogWriter" error line that tells how many were held
// back and dropped and why. Keeps them when a new file could not be written,
// for the next try. Does nothing while
// the log folder is unknown or the first argument is "/eraseintel".
void AppendLinesToLogFile(const std::wstring& file, std::vector<std::wstring>& lines);

// Moves a file above kLogRotateSize bytes to its "_prev.log" copy (its name
// without the last 4 characters + "_prev.log").
void RotateLogFile(const std::wstring& file);

// Appends an error block for the entry text to the error log: time stamp and
// text, the last-entries excerpt, two lines of 40 "=".
void AppendToErrorLog(const std::wstring& text);

// The fixed time formats of the logs: "hh:mm:ss" (main log lines) and
// "yyyy-mm-dd hh:mm:ss" (error blocks).
std::wstring FormatLogTime(const plat::LocalTime& t);
std::wstring FormatLogDateTime(const plat::LocalTime& t);

// Splits UTF-16LE log file bytes into lines (CR LF, LF or CR end a line).
std::vector<std::wstring> SplitLogLines(const std::string& bytes);

// For tests and benchmarks: whether the writer thread runs; the writer's
// intervals for threads started from now on; putting the logger back to its
// initial state (stops the writer, drops pending entries, forgets the folder).
bool LogWriterRunning();
void SetLogWriterIntervalsMs(int move_ms, int flush_ms);
void ResetLogger();

}  // namespace infra
