#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "logger_test_support.h"
#include "platform/clock.h"

using logger_test::kErr;
using logger_test::kFolder;
using logger_test::kMain;
using logger_test::LoggerFixture;

using LoggerFiles = LoggerFixture;

TEST_F(LoggerFiles, MainLogIsUtf16LeWithBomAndCrLf) {
  infra::SetLogFolder(kFolder);
  infra::LogMessage(L"Start \u00e9\u4e2d");
  infra::SaveAllLogs(false);
  std::string b = Bytes(kMain);
  ASSERT_GE(b.size(), 6u);
  EXPECT_EQ(b.substr(0, 2), std::string("\xFF\xFE", 2));
  EXPECT_EQ(b.substr(b.size() - 4), std::string("\r\0\n\0", 4));
  EXPECT_EQ((b.size() - 2) % 2, 0u);
  auto lines = Lines(kMain);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], L"10:00:00 Log (common): Start \u00e9\u4e2d");
  // A second flush appends without a second byte-order mark.
  infra::LogMessage(L"Next");
  infra::SaveAllLogs(false);
  std::string b2 = Bytes(kMain);
  EXPECT_EQ(b2.find(std::string("\xFF\xFE", 2), 2), std::string::npos);
}

TEST_F(LoggerFiles, EntriesPostedBeforeTheFolderIsKnownReachTheFileAtTheFirstFlushAfter) {
  infra::LogMessage(L"Early 1");
  infra::LogMessage(L"Early 2");
  infra::SaveAllLogs(false);  // no folder yet: nothing on disk, nothing lost
  EXPECT_FALSE(plat::DirectoryExists(kFolder));
  infra::SetLogFolder(kFolder);
  infra::LogMessage(L"Late");
  infra::SaveAllLogs(false);
  auto e = Entries(kMain);
  ASSERT_GE(e.size(), 4u);
  EXPECT_EQ(e[0], L" Log (common): Early 1");
  EXPECT_EQ(e[1], L" Log (common): Early 2");
  EXPECT_EQ(e[2], L" Log (common): SaveAllLogs begin");
  EXPECT_EQ(e[3], L" Log (common): Late");
}

TEST_F(LoggerFiles, WriterThreadFlushesOnItsOwn) {
  infra::SetLogWriterIntervalsMs(20, 50);
  infra::SetLogFolder(kFolder);
  infra::LogMessage(L"By the writer");
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (Entries(kMain).empty() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  auto e = Entries(kMain);
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0], L" Log (common): By the writer");
}

TEST_F(LoggerFiles, RotationAboveTheLimitOnly) {
  struct Case {
    long long size;
    bool rotated;
  } cases[] = {{300000, false}, {300001, true}, {400000, true}};
  for (auto& c : cases) {
    SetUp();
    infra::SetLogFolder(kFolder);
    ASSERT_TRUE(plat::CreateDirectories(kFolder));
    std::string old(static_cast<size_t>(c.size), 'a');
    old[0] = '\xFF';
    old[1] = '\xFE';
    ASSERT_TRUE(plat::WriteWholeFile(kMain, old));
    ASSERT_TRUE(plat::WriteWholeFile(kFolder + L"folder_prev.log", "older"));
    infra::LogMessage(L"After");
    infra::SaveAllLogs(false);
    std::int64_t size = plat::FileSize(kMain);
    if (c.rotated) {
      EXPECT_EQ(plat::FileSize(kFolder + L"folder_prev.log"), c.size) << c.size;
      EXPECT_LT(size, 1000) << c.size;
      EXPECT_EQ(Bytes(kMain).substr(0, 2), std::string("\xFF\xFE", 2));
    } else {
      EXPECT_EQ(Bytes(kFolder + L"folder_prev.log"), "older") << c.size;
      EXPECT_GT(size, c.size) << c.size;
    }
  }
}

// A rotation whose copy cannot be made keeps the log: its lines stay and the
// new ones follow them.
TEST_F(LoggerFiles, RotationThatCannotCopyKeepsTheLog) {
  struct Case {
    const char* what;
    bool prev_locked;  // the old copy is held open by another program
    bool prev_folder;  // a folder stands where the copy goes
  } cases[] = {{"old copy locked", true, false}, {"copy cannot be written", false, true}};
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    infra::SetLogFolder(kFolder);
    ASSERT_TRUE(plat::CreateDirectories(kFolder));
    std::string old(400000, 'a');
    old[0] = '\xFF';
    old[1] = '\xFE';
    ASSERT_TRUE(plat::WriteWholeFile(kMain, old));
    const std::wstring prev = kFolder + L"folder_prev.log";
    if (c.prev_folder) ASSERT_TRUE(plat::CreateDirectories(prev));
    if (c.prev_locked) {
      ASSERT_TRUE(plat::WriteWholeFile(prev, "older"));
      sim::SetFileLocked(prev, true);
    }
    infra::LogMessage(L"After");
    infra::SaveAllLogs(false);
    EXPECT_EQ(Bytes(kMain).substr(0, old.size()), old);
    EXPECT_GT(plat::FileSize(kMain), 400000);
    if (c.prev_locked) {
      EXPECT_EQ(Bytes(prev), "older");
      // Once the copy is free again the next rotation works.
      sim::SetFileLocked(prev, false);
      infra::LogMessage(L"Later");
      infra::SaveAllLogs(false);
      EXPECT_GT(plat::FileSize(prev), 400000);
      EXPECT_LT(plat::FileSize(kMain), 1000);
    }
  }
}

// A flood of distinct entries (10,000 a second, say) is written while it
// lasts instead of waiting in memory for the next flush, and leaves at most
// two generations, neither far past the rotation size.
TEST_F(LoggerFiles, AFloodIsWrittenAsItComesInTwoGenerationsAtMost) {
  infra::SetLogWriterIntervalsMs(20, 600000);  // the periodic flush is ten minutes away
  infra::SetLogFolder(kFolder);
  for (int i = 0; i < 30000; ++i)
    infra::LogMessage(L"Flood entry " + std::to_wstring(i), L"Dir=C:\\Users\\Ann\\Documents\\Projects\\Alpha");
  const std::wstring prev = kFolder + L"folder_prev.log";
  // The writer thread works in real time: a loaded machine (or the sanitizer
  // build) may take long; the wait ends as soon as the file is there.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while (!plat::FileExists(prev) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_TRUE(plat::FileExists(prev));
  infra::SaveAllLogs(false);
  const auto files = plat::FindFiles(kFolder + L"*.log");
  EXPECT_LE(files.size(), 2u);
  for (const auto& f : files) EXPECT_LE(f.size, static_cast<std::uint64_t>(infra::kLogRotateSize + 150000));
  // The newest entries are kept: in the current generation, or in the previous
  // one when the current file was full and the next line rotated it.
  auto kept = Lines(kMain);
  const auto previous = Lines(prev);
  kept.insert(kept.end(), previous.begin(), previous.end());
  EXPECT_TRUE(std::any_of(kept.begin(), kept.end(),
                          [](const std::wstring& l) { return l.find(L"Flood entry 29999 ") != std::wstring::npos; }));
}

TEST_F(LoggerFiles, EraseIntelWritesNoFile) {
  sim::SetCommandLine({L"/eraseintel"});
  infra::SetLogFolder(kFolder);
  infra::LogMessage(L"Quiet");
  infra::LogError(L"F", L"m");
  infra::SaveAllLogs(true);
  EXPECT_FALSE(plat::FileExists(kMain));
  EXPECT_FALSE(plat::FileExists(kErr));
  EXPECT_FALSE(plat::DirectoryExists(kFolder));
}

TEST_F(LoggerFiles, AfterStopLogMessageIsDroppedButErrorBlocksAreStillWritten) {
  infra::SetLogFolder(kFolder);
  infra::LogMessage(L"Before");
  infra::SaveAllLogs(true);
  EXPECT_FALSE(infra::LogWriterRunning());
  infra::LogMessage(L"Dropped");
  EXPECT_FALSE(infra::LogWriterRunning());
  infra::LogError(L"Late", L"Common error");
  auto main = Entries(kMain);
  for (auto& l : main) EXPECT_EQ(l.find(L"Dropped"), std::wstring::npos);
  for (auto& l : main) EXPECT_EQ(l.find(L"Late"), std::wstring::npos);
  auto err = Lines(kErr);
  ASSERT_GE(err.size(), 4u);
  EXPECT_EQ(err[0], L"2026-12-09 10:00:00:  Err (common): Function: Late Message: Common error");
  EXPECT_EQ(err[1], L"Last log entries:");
  EXPECT_EQ(err[err.size() - 1], std::wstring(40, L'='));
  EXPECT_EQ(err[err.size() - 2], std::wstring(40, L'='));
}

TEST_F(LoggerFiles, ErrorBlockExcerptHoldsAtMost21LinesAndNeverTheLastOne) {
  struct Case {
    int entries;  // log lines posted before the error
  } cases[] = {{0}, {3}, {19}, {40}};
  for (auto& c : cases) {
    SetUp();
    infra::SetLogFolder(kFolder);
    for (int i = 0; i < c.entries; ++i) infra::LogMessage(L"E" + std::to_wstring(i));
    infra::LogError(L"Fail", L"x");
    auto main = Lines(kMain);
    auto err = Lines(kErr);
    // main: the entries, the error entry, "SaveAllLogs begin" (last).
    ASSERT_EQ(main.size(), static_cast<size_t>(c.entries + 2));
    const size_t n = main.size();
    std::vector<std::wstring> want(main.begin() + static_cast<long>(n >= 22 ? n - 22 : 0), main.end() - 1);
    ASSERT_EQ(err.size(), 2 + want.size() + 2) << c.entries;
    EXPECT_EQ(std::vector<std::wstring>(err.begin() + 2, err.end() - 2), want) << c.entries;
    EXPECT_LE(want.size(), 21u);
  }
}

TEST_F(LoggerFiles, ALogThatCannotBeWrittenHoldsItsLinesBackAndTellsOfTheGapOnce) {
  struct Case {
    const char* name;
    bool locked;  // else the disk is full
    const wchar_t* error;
  };
  const Case cases[] = {{"held by another program", true, L"Last error (32)"},
                        {"disk full", false, L"Last error (112)"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    infra::SetLogFolder(kFolder);
    infra::LogMessage(L"First");
    infra::SaveAllLogs(false);
    if (c.locked)
      sim::SetFileLocked(kMain, true);
    else
      sim::SetDriveFull(L'C', true);
    infra::LogMessage(L"Held");
    infra::SaveAllLogs(false);
    infra::LogMessage(L"Held too");
    infra::SaveAllLogs(false);
    if (c.locked)
      sim::SetFileLocked(kMain, false);
    else
      sim::SetDriveFull(L'C', false);
    infra::LogMessage(L"Third");
    infra::SaveAllLogs(false);
    infra::LogMessage(L"Fourth");
    infra::SaveAllLogs(false);
    auto e = Entries(kMain);
    // Nothing is lost; one line tells of the gap, where the writing went on.
    ASSERT_EQ(e.size(), 11u);
    const std::vector<std::wstring> head = {L" Log (common): First",    L" Log (common): SaveAllLogs begin",
                                            L" Log (common): Held",     L" Log (common): SaveAllLogs begin",
                                            L" Log (common): Held too", L" Log (common): SaveAllLogs begin"};
    EXPECT_EQ(std::vector<std::wstring>(e.begin(), e.begin() + 6), head);
    EXPECT_EQ(e[6].rfind(L" Err (common): Function: LogWriter Message: The log could not be written for a while "
                         L"Parameters: File=folder.log, held back=4, dropped=0 ",
                         0),
              0u)
        << e[6];
    EXPECT_NE(e[6].find(c.error), std::wstring::npos) << e[6];
    EXPECT_EQ(e[7], L" Log (common): Third");
    EXPECT_EQ(e[9], L" Log (common): Fourth");
    // The file still starts with its byte-order mark.
    EXPECT_EQ(Bytes(kMain).substr(0, 2), std::string("\xFF\xFE"));
  }
}

TEST_F(LoggerFiles, LinesHeldBackStayBoundedAndTheDroppedAreCounted) {
  infra::SetLogFolder(kFolder);
  infra::LogMessage(L"First");
  infra::SaveAllLogs(false);
  sim::SetFileLocked(kMain, true);
  std::vector<std::wstring> batch;
  for (std::size_t i = 0; i < infra::kLogKeptLines + 250; ++i) batch.push_back(L"line " + std::to_wstring(i));
  infra::AppendLinesToLogFile(kMain, batch);
  EXPECT_TRUE(batch.empty());
  sim::SetFileLocked(kMain, false);
  std::vector<std::wstring> last = {L"after"};
  infra::AppendLinesToLogFile(kMain, last);
  const auto lines = Lines(kMain);
  ASSERT_EQ(lines.size(), 2 + infra::kLogKeptLines + 2);
  EXPECT_EQ(lines[2], L"line 250");  // the oldest went
  EXPECT_NE(lines[lines.size() - 2].find(L"held back=10000, dropped=250"), std::wstring::npos);
  EXPECT_EQ(lines.back(), L"after");
}

TEST_F(LoggerFiles, AFileLeftEmptyByAFullDiskGetsItsByteOrderMark) {
  infra::SetLogFolder(kFolder);
  ASSERT_TRUE(plat::CreateDirectories(kFolder));
  sim::SetDriveFull(L'C', true);
  infra::LogMessage(L"Kept");
  infra::SaveAllLogs(false);
  ASSERT_TRUE(plat::FileExists(kMain));
  EXPECT_EQ(plat::FileSize(kMain), 0);
  sim::SetDriveFull(L'C', false);
  infra::SaveAllLogs(false);
  const std::string b = Bytes(kMain);
  ASSERT_GE(b.size(), 2u);
  EXPECT_EQ(b.substr(0, 2), std::string("\xFF\xFE"));
  auto e = Entries(kMain);
  ASSERT_FALSE(e.empty());
  EXPECT_EQ(e[0], L" Log (common): Kept");
}

TEST_F(LoggerFiles, FolderThatCannotBeCreatedKeepsTheBatchForTheNextFlush) {
  // A file stands where the log folder should be.
  ASSERT_TRUE(plat::CreateDirectories(L"C:\\Users\\Ann\\Documents\\Vorlune Folder\\"));
  ASSERT_TRUE(plat::WriteWholeFile(L"C:\\Users\\Ann\\Documents\\Vorlune Folder\\Log", "x"));
  infra::SetLogFolder(kFolder);
  infra::LogMessage(L"Kept");
  infra::SaveAllLogs(false);
  EXPECT_FALSE(plat::FileExists(kMain));
  ASSERT_TRUE(plat::RemoveFile(L"C:\\Users\\Ann\\Documents\\Vorlune Folder\\Log"));
  infra::SaveAllLogs(false);
  auto e = Entries(kMain);
  ASSERT_FALSE(e.empty());
  EXPECT_EQ(e[0], L" Log (common): Kept");
  bool reported = false;
  for (auto& l : e)
    reported |=
        l.rfind(L" Err (common): Function: ForceDirectories Message: General fail Parameters: Dir=" + kFolder, 0) == 0;
  EXPECT_TRUE(reported);
}

TEST_F(LoggerFiles, ManyThreadsLoseNoDistinctEntry) {
  infra::SetLogFolder(kFolder);
  constexpr int kThreads = 4, kEach = 500;
  std::vector<std::thread> ts;
  for (int t = 0; t < kThreads; ++t)
    ts.emplace_back([t] {
      for (int i = 0; i < kEach; ++i) infra::LogMessage(L"T" + std::to_wstring(t), L"i=" + std::to_wstring(i));
    });
  std::thread saver([] {
    for (int i = 0; i < 20; ++i) infra::SaveAllLogs(false);
  });
  for (auto& t : ts) t.join();
  saver.join();
  infra::SaveAllLogs(true);
  auto e = Entries(kMain);
  std::vector<int> next(kThreads, 0);
  for (auto& l : e) {
    if (l.rfind(L" Log (common): T", 0) != 0) continue;
    int t = l[16] - L'0';
    int i = std::stoi(l.substr(l.find(L"i=") + 2));
    EXPECT_EQ(i, next[t]) << "thread " << t;  // in order, none missing
    next[t] = i + 1;
  }
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(next[t], kEach);
}
