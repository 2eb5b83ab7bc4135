// Log files of any content: splitting into lines, the excerpt of the last
// entries that error blocks carry, and lines written then read back.
#include <string>
#include <vector>

#include "support.h"
#include "infra/logger.h"
#include "infra/logger_files.h"
#include "platform/files.h"

namespace {
const std::wstring kFolder = L"C:\\Log\\";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::vector<std::wstring> lines = infra::SplitLogLines(bytes);
  for (const auto& l : lines) {
    fuzz::Check(l.find_first_of(L"\r\n") == std::wstring::npos, "a split line holds no line end");
  }

  fuzz::FreshWorld();
  plat::CreateDirectories(kFolder);
  infra::SetLogFolder(kFolder);
  // The main log holds these bytes (a damaged or foreign file): the excerpt
  // has the title and at most 21 lines, never the file's last line.
  plat::WriteWholeFile(kFolder + infra::kMainLogName, bytes);
  std::vector<std::wstring> excerpt;
  infra::AddLastLogEntries(excerpt);
  fuzz::Check(!excerpt.empty() && excerpt[0] == L"Last log entries:", "the excerpt has its title");
  fuzz::Check(excerpt.size() <= 22, "the excerpt has at most 21 lines");

  // Lines appended to a new log read back as they were written.
  std::vector<std::wstring> written = lines;
  const std::wstring file = kFolder + L"roundtrip.log";
  infra::AppendLinesToLogFile(file, written);
  fuzz::Check(written.empty(), "written lines leave the batch");
  std::string back;
  fuzz::Check(plat::ReadWholeFile(file, back) || lines.empty(), "the new log can be read");
  if (!lines.empty()) fuzz::Check(infra::SplitLogLines(back) == lines, "lines read back as written");
  infra::ResetLogger();
  return 0;
}
