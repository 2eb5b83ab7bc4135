// FileTools: the ZIP writer of the report archive and its copy thread.
//
// TZip creates an archive file, appends files one by one as deflated entries
// and writes the central directory when it is closed (at the latest when it is
// destroyed). Each file is read and compressed by a worker thread, TZipThread,
// while the calling thread keeps processing its window messages. Failures are
// raised as EZipError with a code and a fixed text.
//
// The archive is the classic ZIP format without data descriptors: every local
// header is written with CRC and sizes 0 and patched after its data; names are
// in the system's single-byte code page with general purpose flag 2.
#pragma once
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/types.h"

namespace errors {

// Result codes of a copy or compression run (the low 12 bits of a result).
constexpr std::uint32_t kCopyOk = 0;
constexpr std::uint32_t kCopyOpenError = 2;     // "Open file error"
constexpr std::uint32_t kCopyReadError = 4;     // "Read file error"
constexpr std::uint32_t kCopyWriteError = 5;    // "Write file error"
constexpr std::uint32_t kCopyLowDiskSpace = 7;  // "Low disk space"
constexpr std::uint32_t kCopyErrorMask = 0x0FFF;
// Operations (the high 4 bits of a result).
constexpr std::uint32_t kCopyOperation = 0x1000;
constexpr std::uint32_t kZipOperation = 0x4000;
// Codes of archive-level failures.
constexpr std::uint32_t kZipCreateError = 1;   // "Error creating " + path
constexpr std::uint32_t kZipBadEntryName = 8;  // "Invalid entry name"
constexpr std::uint32_t kZipArchiveFull = 9;   // "Archive is full"
constexpr std::uint32_t kZipArchiveBusy = 10;  // "Archive is busy"

// Files larger than this are left out of an archive.
constexpr std::uint64_t kZipMaxFileSize = 2000000;
// The copy buffer of this system: one block in memory at a time.
constexpr std::uint32_t kZipBufferSize = 1048576;
// THREAD_PRIORITY_NORMAL.
constexpr int kThreadPriorityNormal = 0;

class EZipError : public std::exception {
 public:
  EZipError(std::wstring message, std::uint32_t code);
  const std::wstring& Message() const { return message_; }
  std::uint32_t Code() const { return code_; }
  const char* what() const noexcept override { return what_.c_str(); }

 private:
  std::wstring message_;
  std::uint32_t code_;
  std::string what_;
};

// The text of the EZipError raised for a run's result code: "Open file error",
// "Read file error", "Write file error", "Low disk space", else "Unknown error".
std::wstring ZipErrorText(std::uint32_t result);

// A file opened through the platform, written, read and positioned as a
// stream. Failures are reported by the results, never raised.
class TFileStream {
 public:
  enum class Mode { Create, OpenRead };
  TFileStream(const std::wstring& path, Mode mode);
  virtual ~TFileStream() noexcept(false);
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  bool IsOpen() const { return handle_ != 0; }
  const std::wstring& FileName() const { return path_; }
  // Writes all of data: kCopyOk, kCopyWriteError when the write failed,
  // kCopyLowDiskSpace when fewer bytes were accepted than offered.
  std::uint32_t Write(const void* data, std::size_t size);
  // Reads up to size bytes; false on a read failure.
  bool Read(void* buffer, std::uint32_t size, std::uint32_t* read);
  bool Seek(std::int64_t position);
  bool SeekEnd();
  std::int64_t Position() const { return position_; }
  std::int64_t Size() const;
  // Cuts the file at the current position.
  bool Truncate();
  void Close();

 private:
  std::wstring path_;
  plat::Handle handle_ = 0;
  std::int64_t position_ = 0;
};

// One entry of the archive, as recorded in its central directory.
struct TPkHeader {
  std::uint32_t DosDateTime = 0;  // time in the low 16 bits, date in the high 16 bits
  std::uint32_t Crc32 = 0;
  std::uint16_t Flags = 2;
  std::uint16_t ExternalAttributes = 0;
  std::uint16_t Method = 8;
  std::uint64_t LocalHeaderOffset = 0;
  std::uint64_t CompressedSize = 0;
  std::uint64_t UncompressedSize = 0;
};

// Copies a file into a destination stream on a thread of its own, one block of
// the buffer size at a time, counting the bytes and their CRC-32. Derived
// classes change what is written (TZipThread deflates). Create it, call
// Start(), then wait with WaitFor; the destination belongs to the thread until
// it has finished.
class TCopyThread {
 public:
  TCopyThread(std::wstring source, int priority, std::uint32_t buffer_size, TFileStream& destination);
  virtual ~TCopyThread();
  TCopyThread(const TCopyThread&) = delete;
  TCopyThread& operator=(const TCopyThread&) = delete;

  void Start();
  // Waits up to timeout for the run to end; true when it has ended.
  bool WaitFor(std::chrono::milliseconds timeout);
  bool Finished();

  // Valid once finished: operation | error code (error 0: success).
  std::uint32_t Result() const { return result_; }
  std::uint64_t BytesRead() const { return bytes_read_; }
  std::uint64_t BytesWritten() const { return bytes_written_; }
  std::uint32_t Crc32() const { return crc_; }
  const std::wstring& SourceFile() const { return source_; }

 protected:
  virtual std::uint32_t Operation() const { return kCopyOperation; }
  // Hands one block read from the source to the destination.
  virtual std::uint32_t OutputBlock(const std::uint8_t* data, std::uint32_t size);
  // Called after the last block: flushes what is still pending.
  virtual std::uint32_t FinishOutput() { return kCopyOk; }
  // Writes bytes to the destination and counts them.
  std::uint32_t WriteOut(const void* data, std::size_t size);
  // Waits for the thread; derived destructors call it before their members go.
  void Join();

 private:
  void Execute();
  std::uint32_t Run();

  std::wstring source_;
  int priority_;
  std::vector<std::uint8_t> buffer_;
  TFileStream& destination_;
  std::uint32_t result_ = 0;
  std::uint64_t bytes_read_ = 0;
  std::uint64_t bytes_written_ = 0;
  std::uint32_t crc_ = 0;
  std::mutex lock_;
  std::condition_variable done_cv_;
  bool done_ = false;
  std::thread thread_;
};

// Deflates a file into the archive: raw deflate (window bits -15, memory
// level 8, default level and strategy). Starts at once.
class TZipThread : public TCopyThread {
 public:
  TZipThread(std::wstring source, int priority, std::uint32_t buffer_size, TFileStream& destination);
  ~TZipThread() override;

 protected:
  std::uint32_t Operation() const override { return kZipOperation; }
  std::uint32_t OutputBlock(const std::uint8_t* data, std::uint32_t size) override;
  std::uint32_t FinishOutput() override;

 private:
  std::uint32_t Deflate(const std::uint8_t* data, std::uint32_t size, int flush);
  struct Deflater;
  std::unique_ptr<Deflater> deflater_;
};

// The entry name of path in an archive whose base folder is base_path: the
// path relative to the base with backslashes, "." and ".." resolved and never
// leading out of the base, every character from U+0402 up replaced by "_".
std::wstring ZipRelativeName(const std::wstring& base_path, const std::wstring& path);

// The entry name as stored: ZipRelativeName in the system's single-byte code
// page. Raises EZipError "Invalid entry name" when it is empty or longer than
// 65535 bytes.
std::string ZipEntryName(const std::wstring& base_path, const std::wstring& path);

class TZip : public TFileStream {
 public:
  struct Entry {
    std::string Name;  // in the system's single-byte code page
    TPkHeader Header;
  };

  // Creates the archive (an existing file is overwritten); raises EZipError
  // "Error creating " + path (code 1) when it cannot.
  TZip(const std::wstring& archive_path, std::uint32_t buffer_size, const std::wstring& base_path);
  // Closes the archive when Close was not called. Raises like Close, unless
  // an exception is already on its way (the archive then stays incomplete).
  ~TZip() noexcept(false) override;

  // Appends one file; a path that does not exist and a file larger than
  // 2,000,000 bytes are left out silently. Raises EZipError on failure; the
  // failed entry leaves nothing behind and later files can still be added.
  // While a file is compressed the calling thread processes its window
  // messages; a handler that calls AddFile or Close meanwhile gets "Archive is
  // busy". After Close it raises "Write file error".
  void AddFile(const std::wstring& path);

  // Writes the central directory and the end record and closes the file.
  // Raises EZipError "Error writing " + path (code 5) when a write fails.
  void Close();

  const std::vector<Entry>& Entries() const { return entries_; }

 private:
  std::uint32_t AddEntryData(const std::wstring& path, TPkHeader& header, bool* vanished);

  std::wstring archive_path_;
  std::wstring base_path_;
  std::vector<Entry> entries_;
  std::uint64_t directory_size_ = 0;
  int priority_ = kThreadPriorityNormal;
  std::uint32_t buffer_size_;
  TZipThread* current_thread_ = nullptr;
  bool closed_ = false;
};

}  // namespace errors
