// The report archive's ZIP writer: archive bytes, limits, names, failures,
// and every archive checked by Debian's unzip and Python's zipfile.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#include "errors/file_tools.h"
#include "sim/sim_file_stream.h"
#include "sim/sim_files.h"
#include "sim/sim_message_pump.h"
#include "sim/sim_world.h"

namespace fs = std::filesystem;
using errors::EZipError;
using errors::TZip;

namespace {

// Drive C: of the sim on a fresh host folder: W() names a file as the agent
// sees it ("C:\Log\folder.log"), Path() as the host and the readers see it.
class ZipDir {
 public:
  ZipDir() : root_(sim::MapTempDrive(L'C')) {}
  std::string Path(const std::string& rel) const { return root_ + "/" + rel; }
  std::wstring W(const std::string& rel) const {
    std::wstring out = L"C:\\";
    for (char c : rel) out += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    return out;
  }
  std::string Write(const std::string& rel, const std::string& bytes) const {
    fs::create_directories(fs::path(Path(rel)).parent_path());
    std::ofstream(Path(rel), std::ios::binary) << bytes;
    return Path(rel);
  }
  static std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

 private:
  std::string root_;
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::string LogText(std::size_t size, unsigned seed = 1) {
  std::mt19937 rng(seed);
  std::string out;
  while (out.size() < size) {
    out += "12.09.2026 10:00:0" + std::to_string(rng() % 10) +
           " Log (common): WM_QXMDIALOG recive: Hwnd=" + std::to_string(100000 + rng() % 900000) + " kind 4\r\n";
  }
  out.resize(size);
  return out;
}

std::string Noise(std::size_t size, unsigned seed = 7) {
  std::mt19937 rng(seed);
  std::string out(size, '\0');
  for (auto& c : out) c = static_cast<char>(rng());
  return out;
}

std::uint32_t U16(const std::string& b, std::size_t at) {
  return static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8;
}
std::uint32_t U32(const std::string& b, std::size_t at) { return U16(b, at) | U16(b, at + 2) << 16; }

std::string RawInflate(const std::string& data, std::size_t expected) {
  z_stream z{};
  EXPECT_EQ(inflateInit2(&z, -15), Z_OK);
  std::string out(expected + 16, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  int rc = inflate(&z, Z_FINISH);
  EXPECT_EQ(rc, Z_STREAM_END);
  EXPECT_EQ(z.avail_in, 0u) << "bytes after the end of the deflate stream";
  out.resize(z.total_out);
  inflateEnd(&z);
  return out;
}

std::string Hex(const std::string& s) {
  static const char* d = "0123456789abcdef";
  std::string out;
  for (unsigned char c : s) {
    out += d[c >> 4];
    out += d[c & 15];
  }
  return out;
}

// Checks the archive with Python's zipfile (names exactly as expected, every
// entry's CRC, every entry's bytes equal to its source file) and with unzip -t.
// expected: stored name bytes -> host file with the original bytes.
void ExpectReadersAccept(const std::string& archive, const std::vector<std::pair<std::string, std::string>>& expected) {
  struct Script {
    std::string path;
    ~Script() { std::remove(path.c_str()); }
  };
  static const Script checker{[] {
    // One copy per test process: ctest runs the cases in parallel processes.
    std::string path = (fs::temp_directory_path() / ("zipwriter-check-" + std::to_string(::getpid()) + ".py")).string();
    std::ofstream(path) << R"PY(
import sys, zipfile
archive = sys.argv[1]
want = {}
for arg in sys.argv[2:]:
    name, src = arg.split('=', 1)
    want[bytes.fromhex(name)] = src
with zipfile.ZipFile(archive) as z:
    bad = z.testzip()
    if bad is not None:
        sys.exit('bad CRC in ' + bad)
    infos = z.infolist()
    got = [i.filename.encode('cp437') for i in infos]
    if sorted(got) != sorted(want):
        sys.exit('names %r, expected %r' % (got, sorted(want)))
    for i in infos:
        if z.read(i) != open(want[i.filename.encode('cp437')], 'rb').read():
            sys.exit('content differs: %r' % i.filename)
)PY";
    return path;
  }()};
  const std::string& script = checker.path;
  std::string cmd = "python3 " + script + " '" + archive + "'";
  for (const auto& [name, src] : expected) cmd += " '" + Hex(name) + "=" + src + "'";
  EXPECT_EQ(std::system(cmd.c_str()), 0) << "python zipfile rejects " << archive;
  std::string unzip = "unzip -tq '" + archive + "' > '" + archive + ".unzip' 2>&1";
  int rc = std::system(unzip.c_str());
  std::string said = ReadAll(archive + ".unzip");
  if (expected.empty()) {
    EXPECT_NE(said.find("zipfile is empty"), std::string::npos) << said;
  } else {
    EXPECT_EQ(rc, 0) << said;
    EXPECT_NE(said.find("No errors detected"), std::string::npos) << said;
  }
}

struct Parsed {
  struct Entry {
    std::string name;
    std::uint32_t version_made = 0, version = 0, flags = 0, method = 0, dos = 0, crc = 0, csize = 0, usize = 0,
                  attrs = 0, offset = 0;
  };
  std::vector<Entry> entries;
  std::uint32_t directory_offset = 0, directory_size = 0;
};

// Reads the end record and the central directory; checks each local header
// against its directory entry.
Parsed ParseArchive(const std::string& b) {
  Parsed p;
  EXPECT_GE(b.size(), 22u);
  if (b.size() < 22) return p;
  std::size_t end = b.size() - 22;
  EXPECT_EQ(U32(b, end), 0x06054B50u);
  std::uint32_t count = U16(b, end + 10);
  EXPECT_EQ(U16(b, end + 8), count);
  p.directory_size = U32(b, end + 12);
  p.directory_offset = U32(b, end + 16);
  EXPECT_EQ(p.directory_offset + p.directory_size, end) << "directory must end where the end record starts";
  std::size_t at = p.directory_offset;
  for (std::uint32_t i = 0; i < count; ++i) {
    Parsed::Entry e;
    EXPECT_EQ(U32(b, at), 0x02014B50u);
    e.version_made = U16(b, at + 4);
    e.version = U16(b, at + 6);
    e.flags = U16(b, at + 8);
    e.method = U16(b, at + 10);
    e.dos = U32(b, at + 12);
    e.crc = U32(b, at + 16);
    e.csize = U32(b, at + 20);
    e.usize = U32(b, at + 24);
    std::uint32_t n = U16(b, at + 28);
    EXPECT_EQ(U16(b, at + 30), 0u);
    EXPECT_EQ(U16(b, at + 32), 0u);
    e.attrs = U32(b, at + 38);
    e.offset = U32(b, at + 42);
    e.name = b.substr(at + 46, n);
    at += 46 + n;
    // The local header repeats what the directory says.
    std::size_t l = e.offset;
    EXPECT_EQ(U32(b, l), 0x04034B50u);
    EXPECT_EQ(U16(b, l + 4), e.version);
    EXPECT_EQ(U16(b, l + 6), e.flags);
    EXPECT_EQ(U16(b, l + 8), e.method);
    EXPECT_EQ(U32(b, l + 10), e.dos);
    EXPECT_EQ(U32(b, l + 14), e.crc);
    EXPECT_EQ(U32(b, l + 18), e.csize);
    EXPECT_EQ(U32(b, l + 22), e.usize);
    EXPECT_EQ(U16(b, l + 26), n);
    EXPECT_EQ(U16(b, l + 28), 0u);
    EXPECT_EQ(b.substr(l + 30, n), e.name);
    p.entries.push_back(e);
  }
  EXPECT_EQ(at, p.directory_offset + p.directory_size);
  return p;
}

std::string EntryData(const std::string& archive, const Parsed::Entry& e) {
  return archive.substr(e.offset + 30 + e.name.size(), e.csize);
}

}  // namespace

TEST(ZipWriter, FolderLogUnderLogFolderGivesMatchingHeadersAndRestorableData) {
  sim::ResetWorld();
  ZipDir dir;
  const std::string text = LogText(1000);
  const std::string src = dir.Write("cfg/Log/folder.log", text);
  {
    TZip zip(dir.W("bug-report.zip"), errors::kZipBufferSize, dir.W("cfg/"));
    zip.AddFile(dir.W("cfg/Log/folder.log"));
  }
  const std::string bytes = ReadAll(dir.Path("bug-report.zip"));
  Parsed p = ParseArchive(bytes);
  ASSERT_EQ(p.entries.size(), 1u);
  const auto& e = p.entries[0];
  EXPECT_EQ(e.name, "Log\\folder.log");
  EXPECT_EQ(e.method, 8u);
  EXPECT_EQ(e.version, 20u);
  EXPECT_EQ(e.version_made, 20u);
  EXPECT_EQ(e.flags, 2u);
  EXPECT_EQ(e.offset, 0u);
  EXPECT_EQ(e.usize, 1000u);
  EXPECT_EQ(e.crc, crc32(0, reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size())));
  EXPECT_LT(e.csize, 1000u);
  EXPECT_EQ(p.directory_offset, 30 + e.name.size() + e.csize) << "nothing between the data and the directory";
  EXPECT_EQ(RawInflate(EntryData(bytes, e), 1000), text);
  ExpectReadersAccept(dir.Path("bug-report.zip"), {{"Log\\folder.log", src}});
}

TEST(ZipWriter, SizeLimitEmptyFilesMissingPathsAndEmptyArchive) {
  sim::ResetWorld();
  struct Case {
    std::size_t size;
    bool added;
  };
  const Case cases[] = {{2000001, false}, {2000000, true}, {0, true}, {1048576, true}, {1048577, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    ZipDir dir;
    const std::string text = LogText(c.size, static_cast<unsigned>(c.size));
    const std::string src = dir.Write("big.log", text);
    {
      TZip zip(dir.W("out.zip"), errors::kZipBufferSize, dir.W(""));
      zip.AddFile(dir.W("big.log"));
      EXPECT_EQ(zip.Entries().size(), c.added ? 1u : 0u);
    }
    const std::string bytes = ReadAll(dir.Path("out.zip"));
    Parsed p = ParseArchive(bytes);
    ASSERT_EQ(p.entries.size(), c.added ? 1u : 0u);
    if (c.added) {
      EXPECT_EQ(p.entries[0].usize, c.size);
      EXPECT_EQ(RawInflate(EntryData(bytes, p.entries[0]), c.size), text);
      ExpectReadersAccept(dir.Path("out.zip"), {{"big.log", src}});
    } else {
      EXPECT_EQ(bytes.size(), 22u);
    }
  }

  // An archive without files is the bare end record; missing paths change nothing.
  ZipDir dir;
  {
    TZip zip(dir.W("empty.zip"), errors::kZipBufferSize, dir.W(""));
    EXPECT_NO_THROW(zip.AddFile(dir.W("no-such.log")));
    EXPECT_NO_THROW(zip.AddFile(dir.W("no-such-folder/x.log")));
    EXPECT_EQ(zip.Position(), 0);
  }
  EXPECT_EQ(ReadAll(dir.Path("empty.zip")), std::string("PK\x05\x06", 4) + std::string(18, '\0'));
  ExpectReadersAccept(dir.Path("empty.zip"), {});
}

TEST(ZipWriter, FailedEntryStaysOutAndLeavesItsNeighboursIntact) {
  struct Case {
    const char* what;
    sim::FileFault fault;
    const char* suffix;  // which file fails: the source "b.log" or the archive
    std::uint64_t after;
    std::size_t size_of_b;
    std::uint32_t code;
    const wchar_t* text;
  };
  const Case cases[] = {
      {"source cannot be opened", sim::FileFault::OpenFails, "b.log", 0, 5000, 0x4002, L"Open file error"},
      {"first read fails", sim::FileFault::ReadFails, "b.log", 0, 5000, 0x4004, L"Read file error"},
      {"second block fails", sim::FileFault::ReadFails, "b.log", 1048576, 1500000, 0x4004, L"Read file error"},
      {"file ends early", sim::FileFault::ReadStopsShort, "b.log", 3000, 5000, 0x4004, L"Read file error"},
      {"archive write fails", sim::FileFault::WriteFails, "out.zip", 100, 5000, 0x4005, L"Write file error"},
      {"disk is full", sim::FileFault::WriteShort, "out.zip", 100, 5000, 0x4007, L"Low disk space"},
      {"header write fails", sim::FileFault::WriteFails, "out.zip", 10, 5000, 0x4005, L"Write file error"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    sim::ResetWorld();
    ZipDir dir;
    const std::string a = dir.Write("a.log", LogText(3000, 1));
    dir.Write("b.log", Noise(c.size_of_b));
    const std::string cc = dir.Write("sub/c.log", LogText(4000, 2));
    std::int64_t size_after_a = 0;
    {
      TZip zip(dir.W("out.zip"), errors::kZipBufferSize, dir.W(""));
      zip.AddFile(dir.W("a.log"));
      size_after_a = zip.Position();
      sim::SetFileFault(ZipDir::Wide(c.suffix), c.fault, c.after);
      try {
        zip.AddFile(dir.W("b.log"));
        ADD_FAILURE() << "no EZipError";
      } catch (const EZipError& e) {
        EXPECT_EQ(e.Code(), c.code);
        EXPECT_EQ(e.Message(), c.text);
      }
      EXPECT_EQ(zip.Position(), size_after_a) << "the failed entry left bytes behind";
      zip.AddFile(dir.W("sub/c.log"));
      EXPECT_EQ(zip.Entries().size(), 2u);
    }
    ExpectReadersAccept(dir.Path("out.zip"), {{"a.log", a}, {"sub\\c.log", cc}});
  }

  // A folder is refused as unreadable, and the archive goes on.
  sim::ResetWorld();
  ZipDir dir;
  dir.Write("Log/x.log", "x");
  const std::string y = dir.Write("y.log", "yy");
  {
    TZip zip(dir.W("out.zip"), errors::kZipBufferSize, dir.W(""));
    try {
      zip.AddFile(dir.W("Log"));
      ADD_FAILURE() << "no EZipError for a folder";
    } catch (const EZipError& e) {
      EXPECT_EQ(e.Code(), 0x4004u);
      EXPECT_EQ(e.Message(), L"Read file error");
    }
    zip.AddFile(dir.W("y.log"));
  }
  ExpectReadersAccept(dir.Path("out.zip"), {{"y.log", y}});
}

TEST(ZipWriter, ArchiveThatCannotBeCreatedOrWrittenRaisesWithItsPath) {
  sim::ResetWorld();
  ZipDir dir;
  try {
    TZip zip(dir.W("no-such-folder/out.zip"), errors::kZipBufferSize, dir.W(""));
    ADD_FAILURE() << "created an archive in a missing folder";
  } catch (const EZipError& e) {
    EXPECT_EQ(e.Code(), 0x4001u);
    EXPECT_EQ(e.Message(), L"Error creating " + dir.W("no-such-folder/out.zip"));
  }

  dir.Write("a.log", LogText(2000));
  TZip zip(dir.W("out.zip"), errors::kZipBufferSize, dir.W(""));
  zip.AddFile(dir.W("a.log"));
  sim::SetFileFault(L"out.zip", sim::FileFault::WriteFails, 0);
  try {
    zip.Close();
    ADD_FAILURE() << "directory write failure not reported";
  } catch (const EZipError& e) {
    EXPECT_EQ(e.Code(), 0x4005u);
    EXPECT_EQ(e.Message(), L"Error writing " + dir.W("out.zip"));
  }
  try {
    zip.AddFile(dir.W("a.log"));
    ADD_FAILURE() << "a closed archive took another file";
  } catch (const EZipError& e) {
    EXPECT_EQ(e.Code(), 0x4005u);
  }
}

TEST(ZipWriterNames, RelativeSafeNamesInTheSingleByteCodePage) {
  struct Case {
    const wchar_t* base;
    const wchar_t* path;
    const char* stored;  // nullptr: refused
  };
  const std::wstring cyrillic = L"C:\\cfg\\\x043E\x0448\x0438\x0431\x043A\x0430.log";
  const Case cases[] = {
      {L"C:\\Users\\Ann\\AppData\\Vorlune Folder\\", L"C:\\Users\\Ann\\AppData\\Vorlune Folder\\Log\\folder.log",
       "Log\\folder.log"},
      {L"C:\\cfg", L"C:\\cfg\\Log\\folder.log", "Log\\folder.log"},
      {L"/tmp/cfg/", L"/tmp/cfg/Log/folder.log", "Log\\folder.log"},
      {L"C:\\CFG\\", L"c:\\cfg\\Folder.log", "Folder.log"},
      {L"C:\\cfg\\", L"C:\\cfg\\.\\Log\\..\\a.log", "a.log"},
      {L"C:\\cfg\\Log\\", L"C:\\cfg\\b.log", "b.log"},
      {L"C:\\cfg\\", L"C:\\other\\b.log", "other\\b.log"},
      {L"C:\\cfg\\", L"D:\\x\\b.log", "D_\\x\\b.log"},
      {L"C:\\cfg\\", cyrillic.c_str(), "______.log"},
      {L"C:\\cfg\\", L"C:\\cfg\\caf\x00E9 \x0152.log", "caf\xE9 \x8C.log"},
      {L"C:\\cfg\\", L"C:\\cfg\\\x0100.log", "A.log"},  // the system's look-alike
      {L"C:\\cfg\\", L"C:\\cfg\\\x0132.log", "?.log"},  // none
      {L"C:\\cfg\\", L"C:\\cfg\\", nullptr},
      {L"C:\\cfg\\", L"C:\\cfg\\..", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.stored);
    if (c.stored) {
      EXPECT_EQ(errors::ZipEntryName(c.base, c.path), std::string(c.stored));
    } else {
      try {
        errors::ZipEntryName(c.base, c.path);
        ADD_FAILURE() << "accepted an empty name";
      } catch (const EZipError& e) {
        EXPECT_EQ(e.Code(), 0x4008u);
        EXPECT_EQ(e.Message(), L"Invalid entry name");
      }
    }
  }
  // The name length field has 16 bits.
  const std::wstring base = L"C:\\cfg\\";
  EXPECT_EQ(errors::ZipEntryName(base, base + std::wstring(65535, L'n')).size(), 65535u);
  EXPECT_THROW(errors::ZipEntryName(base, base + std::wstring(65536, L'n')), EZipError);
  EXPECT_THROW(errors::ZipEntryName(base, base + std::wstring(40000, L'a') + L"\\" + std::wstring(30000, L'b')),
               EZipError);
}

TEST(ZipWriter, TimeAndAttributesComeFromTheFile) {
  sim::ResetWorld();
  const char* old_tz = std::getenv("TZ");
  const std::string saved = old_tz ? old_tz : "";
  ::setenv("TZ", "UTC-3", 1);  // three hours east of UTC, no daylight saving
  ::tzset();
  struct Case {
    const char* file;
    std::int64_t mtime;
    bool read_only;
    std::uint32_t dos;
    std::uint32_t attrs;
  };
  // 2023-05-17 13:45:31 UTC is 16:45:31 local; DOS keeps two-second steps.
  const std::uint32_t may17 = ((43u << 9 | 5u << 5 | 17u) << 16) | (16u << 11 | 45u << 5 | 15u);
  const Case cases[] = {
      {"plain.log", 1684331131, false, may17, 0x20},
      {"readonly.log", 1684331131, true, may17, 0x21},
      {"old.log", 0, false, 0x00210000, 0x20},  // before 1980: the earliest DOS time
  };
  ZipDir dir;
  std::vector<std::pair<std::string, std::string>> expected;
  {
    TZip zip(dir.W("out.zip"), errors::kZipBufferSize, dir.W(""));
    for (const Case& c : cases) {
      std::string p = dir.Write(c.file, LogText(100));
      struct timespec ts[2] = {{c.mtime, 0}, {c.mtime, 0}};
      ASSERT_EQ(::utimensat(AT_FDCWD, p.c_str(), ts, 0), 0);
      if (c.read_only) ::chmod(p.c_str(), 0444);
      zip.AddFile(dir.W(c.file));
      expected.push_back({c.file, p});
    }
  }
  if (old_tz)
    ::setenv("TZ", saved.c_str(), 1);
  else
    ::unsetenv("TZ");
  ::tzset();
  Parsed p = ParseArchive(ReadAll(dir.Path("out.zip")));
  ASSERT_EQ(p.entries.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(cases[i].file);
    EXPECT_EQ(p.entries[i].dos, cases[i].dos);
    EXPECT_EQ(p.entries[i].attrs, cases[i].attrs);
  }
  ExpectReadersAccept(dir.Path("out.zip"), expected);
}

TEST(ZipWriter, CallerKeepsProcessingMessagesWhileAFileIsCompressed) {
  sim::ResetWorld();
  ZipDir dir;
  const std::string src = dir.Write("Log/folder.log", LogText(300000));
  std::atomic<int> pumps{0};
  std::atomic<bool> held{false};
  // The worker's first read waits until the caller has pumped messages three
  // times: AddFile must not block its thread while the worker runs.
  sim::SetFileReadHook([&] {
    if (held.exchange(true)) return;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (pumps.load() < 3 && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  TZip zip(dir.W("out.zip"), errors::kZipBufferSize, dir.W(""));
  std::vector<std::uint32_t> reentry_codes;
  sim::SetProcessMessagesHook([&] {
    ++pumps;
    // A message handler that adds a file meanwhile is refused, not interleaved.
    try {
      zip.AddFile(dir.W("Log/folder.log"));
    } catch (const EZipError& e) {
      reentry_codes.push_back(e.Code());
    }
  });
  const auto start = std::chrono::steady_clock::now();
  zip.AddFile(dir.W("Log/folder.log"));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_GE(pumps.load(), 3);
  ASSERT_FALSE(reentry_codes.empty());
  for (auto code : reentry_codes) EXPECT_EQ(code, 0x400Au);
  sim::SetProcessMessagesHook(nullptr);
  zip.Close();
  ExpectReadersAccept(dir.Path("out.zip"), {{"Log\\folder.log", src}});
}
