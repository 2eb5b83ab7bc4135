#include <gtest/gtest.h>

#include <regex>
#include <stdexcept>

#include "errors/exception_trace.h"
#include "errors/global_error.h"
#include "infra/logger.h"
#include "infra/logger_files.h"
#include "platform/files.h"
#include "sim/sim_system_info.h"
#include "sim/sim_world.h"
#include "trace_test_support.h"

namespace {

using Lines = std::vector<std::wstring>;

Lines Split(const std::wstring& text) {
  Lines out;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(L"\r\n", start);
    if (end == std::wstring::npos) end = text.size();
    out.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return out;
}

Lines Labels(const Lines& lines) {
  Lines out;
  for (const auto& l : lines) {
    size_t colon = l.find(L": ");
    out.push_back(l.substr(0, colon == std::wstring::npos ? l.size() : colon + 2));
  }
  return out;
}

bool Has(const Lines& lines, const std::wstring& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class ErrorsGlobalLog : public trace_test::TraceFixture {
 protected:
  void TearDown() override {
    errors::SetActiveNamesProvider(nullptr);
    TraceFixture::TearDown();
  }
  static Lines GlobalLog() {
    std::string bytes;
    if (!plat::ReadWholeFile(trace_test::kLogFolder + infra::kGlobalErrorLogName, bytes)) return {};
    EXPECT_EQ(bytes.substr(0, 2), std::string("\xFF\xFE", 2));
    return infra::SplitLogLines(bytes);
  }
};

TEST_F(ErrorsGlobalLog, SystemInformationLinesPlainAndExtended) {
  const Lines plain_labels = {L"Program version: ",
                              L"Product: ",
                              L"Service Pack: ",
                              L"Build: ",
                              L"Version",
                              L"UAC",
                              L"UAC",
                              L"User",
                              L"CPU: ",
                              L"NormFreq: ",
                              L"RawFreq: ",
                              L"TotalPhysicalMemory: ",
                              L"PhysicalMemoryLoad: ",
                              L"SwapFileSize: ",
                              L"SwapFileUsage: ",
                              L"Screen: "};
  Lines plain = Split(errors::GetSystemInfo(false));
  Lines labels = Labels(plain);
  for (auto& l : labels)  // "Version: 64-bit", "UAC: enabled", "User: real admin" carry their value in the label
    if (l == L"Version: " || l == L"UAC: " || l == L"User: ") l.resize(l.size() - 2);
  EXPECT_EQ(labels, plain_labels);
  for (const wchar_t* line : {L"Product: Windows 7 Professional", L"Service Pack: Service Pack 1",
                              L"CPU: Intel(R) Core(TM) i5-2400 CPU @ 3.10GHz", L"NormFreq: 3101 MHz",
                              L"RawFreq: 3092 MHz", L"TotalPhysicalMemory: 8192", L"PhysicalMemoryLoad: 42",
                              L"SwapFileSize: 16384", L"SwapFileUsage: 4096", L"Screen: 1920*1080*60"})
    EXPECT_TRUE(Has(plain, line)) << line;
  EXPECT_TRUE(Has(plain, sizeof(void*) == 8 ? L"Version: 64-bit" : L"Version: 32-bit"));
  EXPECT_TRUE(Has(plain, L"UAC: enabled") || Has(plain, L"UAC: disabled"));
  EXPECT_TRUE(Has(plain, L"UAC: elevated") || Has(plain, L"UAC: not elevated"));
  EXPECT_TRUE(Has(plain, L"User: real admin") || Has(plain, L"User: not real admin"));

  // Extended: the active form and control (when there are some) and the last error follow the version.
  Lines ext = Split(errors::GetSystemInfo(true));
  ASSERT_EQ(ext.size(), plain.size() + 1);
  EXPECT_EQ(ext[1].rfind(L"Last system error: ", 0), 0u) << ext[1];
  EXPECT_TRUE(std::regex_match(ext[1], std::wregex(LR"(Last system error: .* \(\d+\))"))) << ext[1];
  errors::SetActiveNamesProvider([] { return errors::ActiveNames{L"Sett", L"ListView1"}; });
  ext = Split(errors::GetSystemInfo(true));
  ASSERT_GE(ext.size(), 4u);
  EXPECT_EQ(ext[1], L"Active Form: Sett");
  EXPECT_EQ(ext[2], L"Active Control: ListView1");
  EXPECT_FALSE(Has(Split(errors::GetSystemInfo(false)), L"Active Form: Sett"));
}

TEST_F(ErrorsGlobalLog, ProcessorFailureIsSkippedMemoryFailureGivesEmptyTextAndAnError) {
  sim::MachineFacts facts;
  facts.processor_known = false;
  sim::SetMachineFacts(facts);
  Lines lines = Split(errors::GetSystemInfo(false));
  EXPECT_TRUE(Has(lines, L"CPU: "));
  EXPECT_TRUE(Has(lines, L"Screen: 1920*1080*60"));

  facts.memory_known = false;
  sim::SetMachineFacts(facts);
  EXPECT_EQ(errors::GetSystemInfo(true), L"");
  bool logged = false;
  for (const auto& l : trace_test::ErrorLog())
    logged = logged || l.find(L"Function: GetSystemInfo Message: Common error") != std::wstring::npos;
  EXPECT_TRUE(logged);
}

TEST_F(ErrorsGlobalLog, RewrittenForEachErrorWithStackWhenOneWasCaptured) {
  try {
    throw std::runtime_error("first failure");
  } catch (const std::exception& e) {
    errors::WriteGlobalErrorLog(L"first failure", &e);
  }
  Lines log = GlobalLog();
  ASSERT_GE(log.size(), 3u);
  EXPECT_TRUE(std::regex_match(log[0], std::wregex(LR"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d: first failure)"))) << log[0];
  EXPECT_EQ(log[1].rfind(L"Program version: ", 0), 0u);
  EXPECT_TRUE(Has(log, L"Product: Windows 7 Professional"));
  auto stack = std::find(log.begin(), log.end(), L"Call stack: ");
  ASSERT_NE(stack, log.end());
  ASSERT_NE(stack + 1, log.end());
  EXPECT_TRUE(std::regex_match(*(stack + 1), std::wregex(LR"(\[[0-9A-F]{8,16}\].*)")));

  // The next error replaces the file; without a captured stack it still
  // holds the message and the system information.
  errors::WriteGlobalErrorLog(L"second failure", reinterpret_cast<const void*>(0x10));
  log = GlobalLog();
  ASSERT_GE(log.size(), 3u);
  EXPECT_NE(log[0].find(L": second failure"), std::wstring::npos);
  EXPECT_FALSE(Has(log, L"Call stack: "));
  for (const auto& l : log) EXPECT_EQ(l.find(L"first failure"), std::wstring::npos);
  EXPECT_TRUE(Has(log, L"Screen: 1920*1080*60"));
}

TEST_F(ErrorsGlobalLog, MissingLogFolderIsCreatedUnknownFolderWritesNothing) {
  ASSERT_FALSE(plat::DirectoryExists(trace_test::kLogFolder));
  errors::WriteGlobalErrorLog(L"early failure", nullptr);
  EXPECT_FALSE(GlobalLog().empty());
  infra::SetLogFolder(L"");
  EXPECT_NO_THROW(errors::WriteGlobalErrorLog(L"before the folder is known", nullptr));
}

}  // namespace
