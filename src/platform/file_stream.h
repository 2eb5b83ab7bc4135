// Files read and written as streams in blocks, and the facts about a file that
// an archive entry records (size, attributes, last write time).
//
// These mirror CreateFileW / ReadFile / WriteFile / SetFilePointerEx /
// SetEndOfFile / GetFileAttributesExW / FileTimeToLocalFileTime +
// FileTimeToDosDateTime / WideCharToMultiByte(CP_ACP) closely; the names carry
// the "FileStream" prefix beside the whole-file operations of platform/files.h.
// Paths are Windows paths as there; the sim also takes host paths ("/tmp/x")
// so that host tools can use the archive writer.
#pragma once
#include "platform/types.h"

namespace plat {

// Where a seek counts from (FILE_BEGIN, FILE_CURRENT, FILE_END).
enum class SeekOrigin { Begin = 0, Current = 1, End = 2 };

// Creates a file for reading and writing; an existing file is overwritten
// (CREATE_ALWAYS). Others may read it meanwhile. Returns 0 on failure.
Handle FileStreamCreate(const std::wstring& path);

// Opens an existing file for reading, shared for reading, writing and deleting
// (a log file may be appended to while it is read). Returns 0 on failure.
Handle FileStreamOpenRead(const std::wstring& path);

// ReadFile: false on failure; *read is the byte count (0 at the end).
bool FileStreamRead(Handle file, void* buffer, std::uint32_t size, std::uint32_t* read);

// WriteFile: false on failure; *written may be less than size when the disk is full.
bool FileStreamWrite(Handle file, const void* data, std::uint32_t size, std::uint32_t* written);

// SetFilePointerEx: moves the position, returns the new one in *position.
bool FileStreamSeek(Handle file, std::int64_t offset, SeekOrigin origin, std::int64_t* position);

// GetFileSizeEx.
bool FileStreamSize(Handle file, std::int64_t* size);

// SetEndOfFile: cuts the file at the current position.
bool FileStreamTruncate(Handle file);

// CloseHandle.
void FileStreamClose(Handle file);

// GetFileAttributesExW: false when the path does not exist.
struct FileStreamFacts {
  std::uint32_t attributes = 0;  // FILE_ATTRIBUTE_* of platform/files.h
  std::uint64_t size = 0;
  std::uint64_t last_write_time = 0;  // FILETIME: 100 ns units since 1601-01-01 UTC
};
bool FileStreamGetFacts(const std::wstring& path, FileStreamFacts* facts);

// FileTimeToLocalFileTime followed by FileTimeToDosDateTime: time in the low
// 16 bits, date in the high 16 bits. False when the local time is outside the
// DOS range (1980..2107).
bool FileTimeToLocalDosDateTime(std::uint64_t file_time, std::uint32_t* dos_date_time);

// WideCharToMultiByte(CP_ACP): the text in the system's single-byte (ANSI)
// code page; characters it cannot hold become the code page's default char.
std::string WideToAnsiCodePage(const std::wstring& text);

// SetThreadPriority(GetCurrentThread(), priority); 0 is THREAD_PRIORITY_NORMAL.
void SetCurrentThreadPriority(int priority);

}  // namespace plat
