#include "errors/exception_trace.h"

#include <array>
#include <cstdio>

#include "infra/logger.h"
#include "infra/logger_files.h"
#include "platform/clock.h"
#include "platform/cxx_throw.h"

namespace errors {
namespace {

const std::wstring kSeparator(40, L'=');

// The last exceptions raised on each thread, so that a handler that catches
// one later can still write its call stack.
struct Captured {
  const void* object = nullptr;
  const void* exception_base = nullptr;
  bool fault = false;
  bool used = false;
  std::vector<std::uint64_t> stack;
};
constexpr size_t kRemembered = 8;
thread_local std::array<Captured, kRemembered> t_captured;
thread_local size_t t_next = 0;

void Remember(const plat::RaisedException& e) {
  Captured& c = t_captured[t_next];
  t_next = (t_next + 1) % kRemembered;
  c.object = e.object;
  c.exception_base = e.exception_base;
  c.fault = e.hardware_fault;
  c.used = true;
  c.stack = e.stack;
}

// Code addresses to look up: a return address lies just after its call.
std::uint64_t LookupAddress(std::uint64_t address, bool exact) { return exact || address == 0 ? address : address - 1; }

// The trace runs log calls of its own (the excerpt flushes the log), which
// must not change what the interrupted code's state says: LoggerIdle tells
// the global handler whether the exception arrived during a log call.
struct RestoreOnExit {
  bool idle = infra::LoggerIdle;
  ~RestoreOnExit() {
    infra::LoggerIdle = idle;
    infra::SuppressExceptionTrace = false;
  }
};

}  // namespace

bool IsUntracedClass(const std::wstring& class_name) {
  return class_name == L"EIdNotASocket" || class_name == L"EIdConnectTimeout" || class_name == L"EIdSocketError";
}

std::wstring DateTimeText() { return infra::FormatLogDateTime(plat::LocalNow()); }

std::wstring LocationText(const plat::RaisedException& e) {
  plat::SourceLocation loc;
  if (plat::ResolveAddress(LookupAddress(e.address, e.hardware_fault), loc) && !loc.procedure.empty() && loc.line > 0 &&
      !loc.file.empty()) {
    return L"in " + loc.procedure + L" at " + std::to_wstring(loc.line) + L" in file " + loc.file;
  }
  return L"at address " + plat::detail::HexAddress(e.address);
}

std::wstring TraceHeaderLine(const plat::RaisedException& e) {
  std::wstring location;
  try {
    location = LocationText(e);
  } catch (...) {
    location.clear();
  }
  return DateTimeText() + L" Exception " + e.class_name + L" occured " + location;
}

std::vector<std::wstring> StackLines(const std::vector<std::uint64_t>& stack, bool first_is_fault) {
  std::vector<std::wstring> lines;
  lines.reserve(stack.size());
  for (size_t i = 0; i < stack.size(); ++i) {
    std::wstring line = L"[" + plat::detail::HexAddress(stack[i]) + L"]";
    plat::SourceLocation loc;
    if (plat::ResolveAddress(LookupAddress(stack[i], i == 0 && first_is_fault), loc)) {
      if (!loc.procedure.empty()) line += L" " + loc.procedure;
      if (!loc.file.empty() && loc.line > 0) line += L" (" + loc.file + L", line " + std::to_wstring(loc.line) + L")";
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

bool CapturedStack(const void* object, std::vector<std::uint64_t>& stack, bool* first_is_fault) {
  // Newest first.
  for (size_t k = 0; k < kRemembered; ++k) {
    const Captured& c = t_captured[(t_next + kRemembered - 1 - k) % kRemembered];
    if (!c.used) continue;
    if ((object && (c.object == object || c.exception_base == object)) || (!object && c.fault)) {
      if (c.stack.empty()) return false;
      stack = c.stack;
      if (first_is_fault) *first_is_fault = c.fault;
      return true;
    }
  }
  return false;
}

void TraceRaisedException(const plat::RaisedException& e) {
  try {
    Remember(e);
  } catch (...) {}
  // A hardware fault thrown again as an exception was traced at the fault;
  // remembering it under the thrown object is all that is left.
  if (e.traced_before || infra::SuppressExceptionTrace) return;
  RestoreOnExit restore;
  infra::SuppressExceptionTrace = true;
  try {
    if (IsUntracedClass(e.class_name)) return;
    std::vector<std::wstring> lines;
    lines.push_back(TraceHeaderLine(e));
    if (e.is_exception) lines.push_back(L"Message: " + e.message);
    try {
      infra::AddLastLogEntries(lines);
    } catch (...) {}
    if (!e.stack.empty()) {
      lines.push_back(L"Call stack: ");
      for (auto& l : StackLines(e.stack, e.hardware_fault)) lines.push_back(std::move(l));
    }
    lines.push_back(kSeparator);
    lines.push_back(kSeparator);
    const std::wstring folder = infra::GetLogFolder();
    if (folder.empty()) return;  // no trace reaches a file before the log folder is known
    infra::AppendLinesToLogFile(folder + infra::kErrorLogName, lines);
  } catch (...) {}
}

void InstallExceptionTrace() { plat::SetRaiseNotifier(&TraceRaisedException); }

}  // namespace errors
