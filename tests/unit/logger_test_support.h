// Shared set-up of the logger tests: a fresh sim world with drive C: mapped to
// a temporary host folder and a clean logger.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "infra/logger.h"
#include "infra/logger_files.h"
#include "infra/utf16.h"
#include "platform/files.h"
#include "sim/sim_files.h"
#include "sim/sim_process.h"
#include "sim/sim_world.h"

namespace logger_test {

inline const std::wstring kFolder = L"C:\\Users\\Ann\\Documents\\Vorlune Folder\\Log\\";
inline const std::wstring kMain = kFolder + L"folder.log";
inline const std::wstring kErr = kFolder + L"folder_error.log";

class LoggerFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    infra::ResetLogger();
    sim::ResetWorld();
    sim::MapTempDrive(L'C');
  }
  void TearDown() override {
    infra::ResetLogger();
    sim::ResetWorld();
  }
  static std::vector<std::wstring> Lines(const std::wstring& file) {
    std::string bytes;
    if (!plat::ReadWholeFile(file, bytes)) return {};
    return infra::SplitLogLines(bytes);
  }
  static std::string Bytes(const std::wstring& file) {
    std::string bytes;
    plat::ReadWholeFile(file, bytes);
    return bytes;
  }
  // Main-log lines without their "hh:mm:ss" time stamp (summary lines as they are).
  static std::vector<std::wstring> Entries(const std::wstring& file) {
    std::vector<std::wstring> out;
    for (auto& l : Lines(file)) out.push_back(l.size() > 8 && l[2] == L':' && l[5] == L':' ? l.substr(8) : l);
    return out;
  }
};

}  // namespace logger_test
