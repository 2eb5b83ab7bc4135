// The raised-exception trace: every exception raised anywhere in the process,
// handled or not, is written at the moment it is raised to the error log
// "folder_error.log" with its location, the recent log and the call stack.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/stack_trace.h"

namespace errors {

// Starts tracing every raised exception (the program entry calls it first).
void InstallExceptionTrace();

// The trace notifier: writes one trace block for `e` (nothing while
// SuppressExceptionTrace is set, nothing for the mail transport's socket
// errors). Never lets an exception out.
void TraceRaisedException(const plat::RaisedException& e);

// The lines of one trace block, without the last log entries (the block is
// header, "Message: ", the last log entries, "Call stack: " and frames).
// Exposed for the global error log, which renders stacks the same way.
std::wstring TraceHeaderLine(const plat::RaisedException& e);
std::wstring LocationText(const plat::RaisedException& e);

// One line per frame: "[address] procedure (file, line N)", or the address
// alone where nothing is known. A hardware fault's first frame is the faulting
// instruction itself; every other frame is a return address.
std::vector<std::wstring> StackLines(const std::vector<std::uint64_t>& stack, bool first_is_fault);

// The call stack captured when `object` (a thrown C++ object, or the
// std::exception a handler caught) was raised on this thread, or, for
// nullptr, of the last hardware fault on this thread.
// False when none was captured.
bool CapturedStack(const void* object, std::vector<std::uint64_t>& stack, bool* first_is_fault = nullptr);

// True for the socket error classes of the mail transport, which are never traced.
bool IsUntracedClass(const std::wstring& class_name);

// Date and time as the logs write them: "2024-05-01 13:45:12".
std::wstring DateTimeText();

}  // namespace errors
