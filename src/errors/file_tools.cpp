#include "errors/file_tools.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <limits>

#include "platform/file_stream.h"
#include "platform/files.h"
#include "platform/message_pump.h"
#include "platform/utf8.h"

namespace errors {
namespace {

void Put16(std::string& out, std::uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

constexpr std::uint32_t kLocalHeaderSignature = 0x04034B50;
constexpr std::uint32_t kCentralHeaderSignature = 0x02014B50;
constexpr std::uint32_t kEndRecordSignature = 0x06054B50;
constexpr std::uint32_t kLocalHeaderSize = 30;
constexpr std::uint32_t kCentralHeaderSize = 46;
constexpr std::uint32_t kEndRecordSize = 22;
constexpr std::uint16_t kVersion = 20;
constexpr std::uint16_t kFlags = 2;
constexpr std::uint16_t kMethodDeflate = 8;
constexpr std::uint64_t kMaxArchiveOffset = 0xFFFFFFFFull;
constexpr std::size_t kMaxEntries = 0xFFFF;
constexpr std::size_t kMaxNameBytes = 0xFFFF;
// 1980-01-01 00:00:00, the earliest DOS time.
constexpr std::uint32_t kEarliestDosDateTime = ((0u << 9 | 1u << 5 | 1u) << 16);

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// Path components with "." dropped and ".." taking back the one before it.
std::vector<std::wstring> Components(const std::wstring& path) {
  std::vector<std::wstring> parts;
  std::wstring part;
  auto flush = [&] {
    if (part.empty() || part == L".") {
      // nothing
    } else if (part == L"..") {
      if (!parts.empty()) parts.pop_back();
    } else {
      parts.push_back(part);
    }
    part.clear();
  };
  for (wchar_t c : path) {
    if (IsSeparator(c)) {
      flush();
    } else {
      part += c;
    }
  }
  flush();
  return parts;
}

wchar_t Fold(wchar_t c) {
  if (c >= L'A' && c <= L'Z') return static_cast<wchar_t>(c - L'A' + L'a');
  return c;
}

bool SameComponent(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Fold(a[i]) != Fold(b[i])) return false;
  }
  return true;
}

}  // namespace

// ---------------------------------------------------------------- EZipError

EZipError::EZipError(std::wstring message, std::uint32_t code)
    : message_(std::move(message)), code_(code), what_(plat::ToUtf8(message_)) {}

std::wstring ZipErrorText(std::uint32_t result) {
  switch (result & kCopyErrorMask) {
    case kCopyOpenError:
      return L"Open file error";
    case kCopyReadError:
      return L"Read file error";
    case kCopyWriteError:
      return L"Write file error";
    case kCopyLowDiskSpace:
      return L"Low disk space";
    default:
      return L"Unknown error";
  }
}

// -------------------------------------------------------------- TFileStream

TFileStream::TFileStream(const std::wstring& path, Mode mode) : path_(path) {
  handle_ = mode == Mode::Create ? plat::FileStreamCreate(path) : plat::FileStreamOpenRead(path);
}

TFileStream::~TFileStream() noexcept(false) { Close(); }

std::uint32_t TFileStream::Write(const void* data, std::size_t size) {
  if (!handle_) return kCopyWriteError;
  const auto* p = static_cast<const std::uint8_t*>(data);
  while (size > 0) {
    auto chunk = static_cast<std::uint32_t>(std::min<std::size_t>(size, 0x40000000));
    std::uint32_t written = 0;
    bool ok = plat::FileStreamWrite(handle_, p, chunk, &written);
    position_ += written;
    if (!ok) return kCopyWriteError;
    if (written < chunk) return kCopyLowDiskSpace;
    p += written;
    size -= written;
  }
  return kCopyOk;
}

bool TFileStream::Read(void* buffer, std::uint32_t size, std::uint32_t* read) {
  *read = 0;
  if (!handle_) return false;
  bool ok = plat::FileStreamRead(handle_, buffer, size, read);
  position_ += *read;
  return ok;
}

bool TFileStream::Seek(std::int64_t position) {
  std::int64_t now = 0;
  if (!handle_ || !plat::FileStreamSeek(handle_, position, plat::SeekOrigin::Begin, &now)) return false;
  position_ = now;
  return true;
}

bool TFileStream::SeekEnd() {
  std::int64_t now = 0;
  if (!handle_ || !plat::FileStreamSeek(handle_, 0, plat::SeekOrigin::End, &now)) return false;
  position_ = now;
  return true;
}

std::int64_t TFileStream::Size() const {
  std::int64_t size = -1;
  if (!handle_ || !plat::FileStreamSize(handle_, &size)) return -1;
  return size;
}

bool TFileStream::Truncate() { return handle_ && plat::FileStreamTruncate(handle_); }

void TFileStream::Close() {
  if (handle_) plat::FileStreamClose(handle_);
  handle_ = 0;
}

// -------------------------------------------------------------- TCopyThread

TCopyThread::TCopyThread(std::wstring source, int priority, std::uint32_t buffer_size, TFileStream& destination)
    : source_(std::move(source)),
      priority_(priority),
      buffer_(std::max<std::uint32_t>(buffer_size, 1)),
      destination_(destination) {}

TCopyThread::~TCopyThread() { Join(); }

void TCopyThread::Start() {
  if (!thread_.joinable()) thread_ = std::thread([this] { Execute(); });
}

void TCopyThread::Join() {
  if (thread_.joinable()) thread_.join();
}

bool TCopyThread::WaitFor(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> g(lock_);
  return done_cv_.wait_for(g, timeout, [this] { return done_; });
}

bool TCopyThread::Finished() {
  std::lock_guard<std::mutex> g(lock_);
  return done_;
}

void TCopyThread::Execute() {
  plat::SetCurrentThreadPriority(priority_);
  std::uint32_t error = kCopyWriteError;
  try {
    error = Run();
  } catch (...) {
    // Nothing may escape a thread; a failed allocation counts as a failed write.
  }
  {
    std::lock_guard<std::mutex> g(lock_);
    result_ = error == kCopyOk ? kCopyOk : (Operation() | error);
    done_ = true;
  }
  done_cv_.notify_all();
}

std::uint32_t TCopyThread::Run() {
  TFileStream source(source_, TFileStream::Mode::OpenRead);
  if (!source.IsOpen()) return kCopyOpenError;
  crc_ = static_cast<std::uint32_t>(::crc32(0L, Z_NULL, 0));
  const auto block = static_cast<std::uint32_t>(buffer_.size());
  for (;;) {
    std::uint32_t got = 0;
    if (!source.Read(buffer_.data(), block, &got)) return kCopyReadError;
    bytes_read_ += got;
    crc_ = static_cast<std::uint32_t>(::crc32(crc_, buffer_.data(), got));
    if (got > 0) {
      std::uint32_t error = OutputBlock(buffer_.data(), got);
      if (error != kCopyOk) return error;
    }
    if (got < block) break;
  }
  std::uint32_t error = FinishOutput();
  if (error != kCopyOk) return error;
  if (source.Size() != static_cast<std::int64_t>(bytes_read_)) return kCopyReadError;
  return kCopyOk;
}

std::uint32_t TCopyThread::OutputBlock(const std::uint8_t* data, std::uint32_t size) { return WriteOut(data, size); }

std::uint32_t TCopyThread::WriteOut(const void* data, std::size_t size) {
  std::int64_t before = destination_.Position();
  std::uint32_t error = destination_.Write(data, size);
  bytes_written_ += static_cast<std::uint64_t>(destination_.Position() - before);
  return error;
}

// --------------------------------------------------------------- TZipThread

struct TZipThread::Deflater {
  z_stream stream{};
  bool ready = false;
  std::vector<std::uint8_t> out = std::vector<std::uint8_t>(256 * 1024);
  ~Deflater() {
    if (ready) deflateEnd(&stream);
  }
};

TZipThread::TZipThread(std::wstring source, int priority, std::uint32_t buffer_size, TFileStream& destination)
    : TCopyThread(std::move(source), priority, buffer_size, destination), deflater_(std::make_unique<Deflater>()) {
  deflater_->ready =
      deflateInit2(&deflater_->stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) == Z_OK;
  Start();
}

TZipThread::~TZipThread() { Join(); }

std::uint32_t TZipThread::Deflate(const std::uint8_t* data, std::uint32_t size, int flush) {
  if (!deflater_->ready) return kCopyWriteError;
  z_stream& z = deflater_->stream;
  z.next_in = const_cast<Bytef*>(data);
  z.avail_in = size;
  for (;;) {
    z.next_out = deflater_->out.data();
    z.avail_out = static_cast<uInt>(deflater_->out.size());
    int rc = deflate(&z, flush);
    if (rc == Z_STREAM_ERROR) return kCopyWriteError;
    std::size_t have = deflater_->out.size() - z.avail_out;
    if (have > 0) {
      std::uint32_t error = WriteOut(deflater_->out.data(), have);
      if (error != kCopyOk) return error;
    }
    if (flush == Z_FINISH ? rc == Z_STREAM_END : (z.avail_in == 0 && z.avail_out != 0)) break;
  }
  return kCopyOk;
}

std::uint32_t TZipThread::OutputBlock(const std::uint8_t* data, std::uint32_t size) {
  return Deflate(data, size, Z_NO_FLUSH);
}

std::uint32_t TZipThread::FinishOutput() { return Deflate(nullptr, 0, Z_FINISH); }

// ------------------------------------------------------------- entry names

std::wstring ZipRelativeName(const std::wstring& base_path, const std::wstring& path) {
  std::vector<std::wstring> base = Components(base_path);
  std::vector<std::wstring> file = Components(path);
  std::size_t common = 0;
  while (common < base.size() && common < file.size() && SameComponent(base[common], file[common])) ++common;
  std::wstring name;
  for (std::size_t i = common; i < file.size(); ++i) {
    if (!name.empty()) name += L'\\';
    for (wchar_t c : file[i]) {
      // A drive ("D:") of a file outside the base stays in the name without its colon.
      name += (c >= 0x0402 || c == L':') ? L'_' : c;
    }
  }
  return name;
}

std::string ZipEntryName(const std::wstring& base_path, const std::wstring& path) {
  std::wstring relative = ZipRelativeName(base_path, path);
  std::string name = plat::WideToAnsiCodePage(relative);
  if (name.empty() || name.size() > kMaxNameBytes) {
    throw EZipError(L"Invalid entry name", kZipOperation | kZipBadEntryName);
  }
  return name;
}

// --------------------------------------------------------------------- TZip

TZip::TZip(const std::wstring& archive_path, std::uint32_t buffer_size, const std::wstring& base_path)
    : TFileStream(archive_path, Mode::Create),
      archive_path_(archive_path),
      base_path_(base_path),
      buffer_size_(buffer_size == 0 ? kZipBufferSize : buffer_size) {
  if (!IsOpen()) throw EZipError(L"Error creating " + archive_path, kZipOperation | kZipCreateError);
}

TZip::~TZip() noexcept(false) {
  if (closed_) return;
  if (std::uncaught_exceptions() > 0) {
    try {
      Close();
    } catch (...) {}
    return;
  }
  Close();
}

void TZip::AddFile(const std::wstring& path) {
  if (current_thread_) {
    // Called again from a message handler while a file is compressed.
    throw EZipError(L"Archive is busy", kZipOperation | kZipArchiveBusy);
  }
  if (closed_) throw EZipError(ZipErrorText(kCopyWriteError), kZipOperation | kCopyWriteError);
  plat::FileStreamFacts facts;
  if (!plat::FileStreamGetFacts(path, &facts)) return;  // vanished: nothing to add
  if (facts.attributes & plat::FILE_ATTRIBUTE_DIRECTORY) {
    throw EZipError(ZipErrorText(kCopyReadError), kZipOperation | kCopyReadError);
  }
  if (facts.size > kZipMaxFileSize) return;
  std::string name = ZipEntryName(base_path_, path);

  // Everything this entry adds must stay addressable by 32-bit offsets and
  // counts, directory and end record included.
  const std::uint64_t offset = static_cast<std::uint64_t>(Position());
  const std::uint64_t worst = offset + kLocalHeaderSize + name.size() + compressBound(static_cast<uLong>(facts.size)) +
                              directory_size_ + kCentralHeaderSize + name.size() + kEndRecordSize;
  if (entries_.size() >= kMaxEntries || worst > kMaxArchiveOffset) {
    throw EZipError(L"Archive is full", kZipOperation | kZipArchiveFull);
  }

  TPkHeader header;
  if (!plat::FileTimeToLocalDosDateTime(facts.last_write_time, &header.DosDateTime)) {
    header.DosDateTime = kEarliestDosDateTime;
  }
  header.ExternalAttributes = static_cast<std::uint16_t>(facts.attributes & 0xFFFF);
  header.Method = kMethodDeflate;
  header.Flags = kFlags;
  header.LocalHeaderOffset = offset;

  std::string local;
  local.reserve(kLocalHeaderSize + name.size());
  Put32(local, kLocalHeaderSignature);
  Put16(local, kVersion);
  Put16(local, kFlags);
  Put16(local, kMethodDeflate);
  Put32(local, header.DosDateTime);
  Put32(local, 0);  // CRC-32, patched
  Put32(local, 0);  // compressed size, patched
  Put32(local, 0);  // uncompressed size, patched
  Put16(local, static_cast<std::uint32_t>(name.size()));
  Put16(local, 0);
  local += name;

  bool vanished = false;
  std::uint32_t error = Write(local.data(), local.size());
  if (error == kCopyOk) error = AddEntryData(path, header, &vanished);
  if (error == kCopyOk) {
    std::string patch;
    Put32(patch, header.Crc32);
    Put32(patch, static_cast<std::uint32_t>(header.CompressedSize));
    Put32(patch, static_cast<std::uint32_t>(header.UncompressedSize));
    if (!Seek(static_cast<std::int64_t>(offset + 14))) error = kCopyWriteError;
    if (error == kCopyOk) error = Write(patch.data(), patch.size());
    if (!SeekEnd() && error == kCopyOk) error = kCopyWriteError;
  }
  if (error != kCopyOk) {
    // Take the broken entry back out so that nothing but whole entries
    // precede the directory; when that fails it stays, outside the directory.
    if (!(Seek(static_cast<std::int64_t>(offset)) && Truncate())) SeekEnd();
    if (vanished) return;
    throw EZipError(ZipErrorText(error), kZipOperation | (error & kCopyErrorMask));
  }
  entries_.push_back(Entry{std::move(name), header});
  directory_size_ += kCentralHeaderSize + entries_.back().Name.size();
}

std::uint32_t TZip::AddEntryData(const std::wstring& path, TPkHeader& header, bool* vanished) {
  const std::int64_t data_start = Position();
  std::uint32_t result;
  {
    TZipThread worker(path, priority_, buffer_size_, *this);
    current_thread_ = &worker;
    struct Clear {
      TZip* zip;
      ~Clear() { zip->current_thread_ = nullptr; }
    } clear{this};
    for (;;) {
      plat::ProcessMessages();
      if (worker.WaitFor(std::chrono::milliseconds(10))) break;
    }
    result = worker.Result();
    header.Crc32 = worker.Crc32();
    header.UncompressedSize = worker.BytesRead();
  }
  // The data written by the worker end where the archive's position is now.
  header.CompressedSize = static_cast<std::uint64_t>(Position() - data_start);
  std::uint32_t error = result & kCopyErrorMask;
  if (error == kCopyOpenError) {
    plat::FileStreamFacts facts;
    *vanished = !plat::FileStreamGetFacts(path, &facts);
  }
  return error;
}

void TZip::Close() {
  if (closed_) return;
  if (current_thread_) throw EZipError(L"Archive is busy", kZipOperation | kZipArchiveBusy);
  closed_ = true;
  bool ok = SeekEnd();
  const auto directory_offset = static_cast<std::uint32_t>(Position());
  std::string directory;
  directory.reserve(directory_size_ + kEndRecordSize);
  for (const Entry& e : entries_) {
    const TPkHeader& h = e.Header;
    Put32(directory, kCentralHeaderSignature);
    Put16(directory, kVersion);  // version made by
    Put16(directory, kVersion);  // version needed
    Put16(directory, h.Flags);
    Put16(directory, h.Method);
    Put32(directory, h.DosDateTime);
    Put32(directory, h.Crc32);
    Put32(directory, static_cast<std::uint32_t>(h.CompressedSize));
    Put32(directory, static_cast<std::uint32_t>(h.UncompressedSize));
    Put16(directory, static_cast<std::uint32_t>(e.Name.size()));
    Put16(directory, 0);  // extra field length
    Put16(directory, 0);  // comment length
    Put16(directory, 0);  // disk number start
    Put16(directory, 0);  // internal attributes
    Put32(directory, h.ExternalAttributes);
    Put32(directory, static_cast<std::uint32_t>(h.LocalHeaderOffset));
    directory += e.Name;
  }
  const auto directory_size = static_cast<std::uint32_t>(directory.size());
  Put32(directory, kEndRecordSignature);
  Put16(directory, 0);  // number of this disk
  Put16(directory, 0);  // disk with the directory
  Put16(directory, static_cast<std::uint32_t>(entries_.size()));
  Put16(directory, static_cast<std::uint32_t>(entries_.size()));
  Put32(directory, directory_size);
  Put32(directory, directory_offset);
  Put16(directory, 0);  // comment length
  if (ok) ok = Write(directory.data(), directory.size()) == kCopyOk;
  TFileStream::Close();
  if (!ok) throw EZipError(L"Error writing " + archive_path_, kZipOperation | kCopyWriteError);
}

}  // namespace errors
