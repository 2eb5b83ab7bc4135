// Throughput of the report archive's ZIP writer on a 2,000,000-byte log file
// (the largest file it takes), beside zlib's own raw deflate on the same bytes
// at the same settings and the `zip` command-line tool on the same file.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "errors/file_tools.h"

namespace fs = std::filesystem;

namespace {

// A UTF-16LE log like the agent's main log: time stamps, sources, handles.
struct LogFile {
  std::string dir;
  std::string path;
  std::string bytes;
  LogFile() {
    std::string tmpl = (fs::temp_directory_path() / "zipbench-XXXXXX").string();
    dir = ::mkdtemp(tmpl.data());
    path = dir + "/folder.log";
    std::mt19937 rng(42);
    const char* sources[] = {"VorlFolder.Timer4Timer", "SetData\\SetPath",  "ShowPath", "RecentScan",
                             "VorlFolder.FormCreate",  "Sett.Button11Click"};
    std::string text;
    while (text.size() < 1000000) {
      char line[256];
      std::snprintf(line, sizeof line,
                    "09.12.2026 %02u:%02u:%02u.%03u %s: Log (common): WM_QXMDIALOG recive: Hwnd=%06X kind %u "
                    "Parameters: Path=C:\\Users\\Ann\\Projects\\p%u\r\n",
                    rng() % 24, rng() % 60, rng() % 60, rng() % 1000, sources[rng() % 6], rng() % 0xFFFFFF, rng() % 10,
                    rng() % 500);
      text += line;
    }
    bytes = "\xFF\xFE";
    for (char c : text) {
      bytes += c;
      bytes += '\0';
    }
    bytes.resize(errors::kZipMaxFileSize);
    std::ofstream(path, std::ios::binary) << bytes;
  }
  ~LogFile() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
};

LogFile& Log() {
  static LogFile log;
  return log;
}

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

// The machine is shared: the fastest repetition is the steadiest figure.
double Fastest(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

void BM_ZipAddFile(benchmark::State& state) {
  LogFile& log = Log();
  const std::wstring archive = Wide(log.dir + "/bench.zip");
  const std::wstring base = Wide(log.dir + "/");
  const std::wstring file = Wide(log.path);
  std::int64_t archive_size = 0;
  for (auto _ : state) {
    errors::TZip zip(archive, errors::kZipBufferSize, base);
    zip.AddFile(file);
    zip.Close();
    archive_size = zip.Entries().empty() ? 0 : static_cast<std::int64_t>(zip.Entries()[0].Header.CompressedSize);
  }
  if (archive_size == 0) state.SkipWithError("the file was not added");
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(log.bytes.size()));
  state.counters["ratio"] = static_cast<double>(archive_size) / static_cast<double>(log.bytes.size());
}
BENCHMARK(BM_ZipAddFile)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->ComputeStatistics("min", Fastest);

void BM_RawDeflateSameBytes(benchmark::State& state) {
  LogFile& log = Log();
  std::string out(compressBound(static_cast<uLong>(log.bytes.size())), '\0');
  std::size_t produced = 0;
  for (auto _ : state) {
    z_stream z{};
    deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    z.next_in = reinterpret_cast<Bytef*>(log.bytes.data());
    z.avail_in = static_cast<uInt>(log.bytes.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    produced = z.total_out;
    deflateEnd(&z);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(log.bytes.size()));
  state.counters["ratio"] = static_cast<double>(produced) / static_cast<double>(log.bytes.size());
}
BENCHMARK(BM_RawDeflateSameBytes)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->ComputeStatistics("min", Fastest);

void BM_ZipCommandLineTool(benchmark::State& state) {
  LogFile& log = Log();
  const std::string archive = log.dir + "/tool.zip";
  const std::string cmd = "cd '" + log.dir + "' && rm -f tool.zip && zip -q -6 -X tool.zip folder.log";
  // The tool's own CPU time (with its shell) is counted from the children's usage.
  auto children_ms = [] {
    struct rusage ru;
    ::getrusage(RUSAGE_CHILDREN, &ru);
    return (ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1000.0 + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1000.0;
  };
  const double cpu_before = children_ms();
  for (auto _ : state) {
    if (std::system(cmd.c_str()) != 0) {
      state.SkipWithError("zip failed (is the zip package installed?)");
      break;
    }
  }
  std::error_code ec;
  auto size = fs::file_size(archive, ec);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(log.bytes.size()));
  if (!ec) state.counters["ratio"] = static_cast<double>(size) / static_cast<double>(log.bytes.size());
  if (state.iterations() > 0) state.counters["tool_cpu_ms"] = (children_ms() - cpu_before) / state.iterations();
}
BENCHMARK(BM_ZipCommandLineTool)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->ComputeStatistics("min", Fastest);

}  // namespace
