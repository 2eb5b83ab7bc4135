// Reading the logs in the errors tests: a fresh logger whose log folder lies
// on a sim drive C: mapped to a temporary host folder.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace trace_test {

inline const std::wstring kLogFolder = L"C:\\Users\\Ann\\Documents\\Vorlune Folder\\Log\\";

// Resets the logger, maps drive C: afresh and sets the log folder.
void ResetLogs();
// Lines of "folder_error.log".
std::vector<std::wstring> ErrorLog();
// Lines of the main log "folder.log" after writing every pending entry.
std::vector<std::wstring> MainLog();

// A test with a fresh sim world, fresh logs and the exception trace installed;
// afterwards no raise notifier is left behind.
class TraceFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};

}  // namespace trace_test
