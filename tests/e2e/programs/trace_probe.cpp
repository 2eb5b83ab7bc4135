// e2e probe of the raised-exception trace: with the log folder given as the
// first argument, throws and catches a C++ exception three calls deep,
// writes the global error log for it, rethrows one, throws a socket error of the mail transport (never traced),
// then reads address 0; the unhandled fault ends the process with code 3.
#include <windows.h>

#include <cstdio>
#include <stdexcept>
#include <string>

#include "errors/exception_trace.h"
#include "errors/global_error.h"
#include "errors/mail_transport.h"
#include "infra/logger.h"

namespace {

[[gnu::noinline]] void ThrowDeep(int depth) {
  if (depth == 0) throw std::runtime_error("deep failure");
  ThrowDeep(depth - 1);
}

[[gnu::noinline]] int Fault(volatile int* p) { return *p; }

LONG WINAPI EndQuietly(EXCEPTION_POINTERS*) {
  infra::SaveAllLogs(true);
  ::ExitProcess(3);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  std::wstring folder = argv[1];
  if (folder.back() != L'\\') folder += L'\\';
  infra::SetLogFolder(folder);
  errors::InstallExceptionTrace();
  infra::LogMessage(L"trace_probe", L"start");
  try {
    ThrowDeep(2);
  } catch (const std::exception& e) {
    std::printf("caught %s\n", e.what());
    errors::WriteGlobalErrorLog(L"deep failure", &e);
  }
  try {
    try {
      throw std::logic_error("thrown once");
    } catch (...) {
      throw;
    }
  } catch (const std::exception& e) {
    std::printf("caught again %s\n", e.what());
  }
  try {
    throw errors::EIdSocketError("connection reset");
  } catch (const std::exception&) {}
  std::fflush(stdout);
  ::SetUnhandledExceptionFilter(EndQuietly);
  return Fault(nullptr);
}
