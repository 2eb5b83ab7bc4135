// Reading the logs in the errors tests.
#pragma once
#include <string>
#include <vector>

namespace trace_test {
// Sets a fresh log folder and empties the logs.
void ResetLogs();
// Lines of "folder_error.log" (without the byte-order mark).
std::vector<std::wstring> ErrorLog();
}  // namespace trace_test
