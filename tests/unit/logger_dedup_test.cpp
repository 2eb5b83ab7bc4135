#include "logger_test_support.h"

using logger_test::kFolder;
using logger_test::kMain;
using logger_test::LoggerFixture;

using LoggerDedup = LoggerFixture;

TEST_F(LoggerDedup, RepeatsAreCountedAndReportedBeforeTheNextDistinctEntry) {
  infra::SetLogFolder(kFolder);
  for (int i = 0; i < 5; ++i) infra::LogMessage(L"Scan", L"Dir=C:\\A");
  infra::LogMessage(L"Other");
  infra::SaveAllLogs(false);
  auto lines = Lines(kMain);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], L"10:00:00 Log (common): Scan Parameters: Dir=C:\\A");
  EXPECT_EQ(lines[1], L"Multiple logs: Log (common): Scan Parameters: Dir=C:\\A Count: 4");
  EXPECT_EQ(lines[2], L"10:00:00 Log (common): Other");
}

TEST_F(LoggerDedup, ErrorRepeatsAreCountedPerKindAcrossLogLines) {
  infra::SetLogFolder(kFolder);
  infra::LogError(L"Load", L"Can't open key");
  infra::LogMessage(L"Between");
  infra::LogError(L"Load", L"Can't open key");  // same as the last error: counted
  infra::LogError(L"Load", L"Can't open key");
  infra::LogMessage(L"After");
  infra::SaveAllLogs(false);
  auto e = Entries(kMain);
  // Each error block flushes the main log first, which posts "SaveAllLogs
  // begin": a distinct log entry, so the error count is reported right after
  // each repeat. Look at the order of the other entries.
  std::vector<std::wstring> got;
  for (auto& l : e)
    if (l.find(L"SaveAllLogs") == std::wstring::npos) got.push_back(l);
  std::vector<std::wstring> want = {
      L" Err (common): Function: Load Message: Can't open key",
      L" Log (common): Between",
      L"Multiple errors: Err (common): Function: Load Message: Can't open key Count: 1",
      L"Multiple errors: Err (common): Function: Load Message: Can't open key Count: 1",
      L" Log (common): After",
  };
  EXPECT_EQ(got, want);
}

TEST_F(LoggerDedup, ErrorEntryTexts) {
  infra::SetLogFolder(kFolder);
  struct Case {
    std::wstring fn, msg, params;
    std::uint32_t code;
    std::wstring want;
  } cases[] = {
      {L"F1", L"", L"", 0, L" Err (common): Function: F1"},
      {L"F2", L"General fail", L"Dir=C:\\X", 0,
       L" Err (common): Function: F2 Message: General fail Parameters: Dir=C:\\X"},
      {L"F3", L"", L"", 2, L" Err (common): Function: F3 Last error (2):The system cannot find the file specified"},
      {L"F4", L"m", L"", 0xFFFFFFFFu, L" Err (common): Function: F4 Message: m Last error (4294967295):"},
      {L"F5", L"", L"p=1", 5, L" Err (common): Function: F5 Parameters: p=1 Last error (5):Access is denied"},
  };
  for (auto& c : cases) infra::LogError(c.fn, c.msg, c.params, c.code);
  infra::SaveAllLogs(false);
  auto e = Entries(kMain);
  for (auto& c : cases) {
    bool found = false;
    for (auto& l : e) found |= (l == c.want);
    EXPECT_TRUE(found) << std::string(c.want.begin(), c.want.end());
  }
}

TEST_F(LoggerDedup, LogCallsNeverThrowAndIdleIsRestored) {
  // No folder, no drive, huge and odd texts: nothing throws, nothing is written.
  sim::ResetWorld();
  std::wstring big(100000, L'x');
  std::wstring odd = std::wstring(L"a\0b\r\n\x1F", 6);
  EXPECT_NO_THROW(infra::LogMessage(big, odd));
  EXPECT_NO_THROW(infra::LogError(odd, big, L"", 123456, true));
  EXPECT_TRUE(infra::LoggerIdle.load());
  EXPECT_NO_THROW(infra::SaveAllLogs(false));
  infra::SetLogFolder(L"Q:\\Nowhere\\Log\\");  // unmapped drive
  EXPECT_NO_THROW(infra::LogError(L"F", L"m"));
  EXPECT_NO_THROW(infra::SaveAllLogs(true));
  EXPECT_TRUE(infra::LoggerIdle.load());
}
