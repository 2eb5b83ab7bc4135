#include "trace_test_support.h"

#include "infra/logger.h"
#include "infra/logger_files.h"
#include "platform/files.h"
#include "platform/sim/sim_files.h"

namespace trace_test {
namespace {
std::vector<std::wstring> Lines(const std::wstring& file) {
  std::string bytes;
  if (!plat::ReadWholeFile(file, bytes)) return {};
  return infra::SplitLogLines(bytes);
}
}  // namespace

void ResetLogs() {
  infra::ResetLogger();
  sim::UnmapDrive(L'C');
  sim::MapTempDrive(L'C');
  infra::SetLogFolder(kLogFolder);
}

std::vector<std::wstring> ErrorLog() { return Lines(kLogFolder + infra::kErrorLogName); }

std::vector<std::wstring> MainLog() {
  infra::SaveAllLogs(false);
  return Lines(kLogFolder + infra::kMainLogName);
}

}  // namespace trace_test
