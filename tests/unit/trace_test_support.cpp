#include "trace_test_support.h"

#include "errors/exception_trace.h"
#include "infra/logger.h"
#include "infra/logger_files.h"
#include "platform/files.h"
#include "sim/sim_files.h"
#include "sim/sim_world.h"
#include "platform/stack_trace.h"

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

void TraceFixture::SetUp() {
  sim::ResetWorld();
  ResetLogs();
  errors::InstallExceptionTrace();
}

void TraceFixture::TearDown() {
  plat::SetRaiseNotifier(nullptr);
  infra::ResetLogger();
  sim::ResetWorld();
}

}  // namespace trace_test
