#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "errors/exception_trace.h"
#include "errors/global_exception.h"
#include "infra/logger.h"
#include "infra/logger_files.h"
#include "platform/files.h"
#include "platform/process.h"
#include "infra/registry.h"
#include "platform/registry.h"
#include "sim/sim_registry.h"
#include "sim/sim_system.h"
#include "platform/system.h"
#include "sim/sim_world.h"
#include "trace_test_support.h"

namespace {

bool Contains(const std::vector<std::wstring>& lines, const std::wstring& text) {
  for (const auto& l : lines)
    if (l.find(text) != std::wstring::npos) return true;
  return false;
}

size_t Count(const std::vector<std::wstring>& lines, const std::wstring& text) {
  size_t n = 0;
  for (const auto& l : lines) n += l.find(text) != std::wstring::npos;
  return n;
}

class ErrorsGlobalException : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::ResetWorld();
    trace_test::ResetLogs();
    errors::InstallExceptionTrace();
    errors::SetMainThreadIdAtStart(plat::CurrentThreadId());
    errors::SetErrorDialogHooks({[this] { return showing_; },
                                 [this](const std::wstring& m) {
                                   shown_.push_back(m);
                                   showing_ = true;
                                   if (nested_) Raise("while the dialog shows");
                                   showing_ = false;
                                   return show_result_;
                                 }});
  }
  void TearDown() override {
    errors::SetErrorDialogHooks({});
    plat::SetRaiseNotifier(nullptr);
    infra::LoggerIdle = true;
    infra::ResetLogger();
    sim::ResetWorld();
  }
  static void Raise(const char* what) {
    try {
      throw std::runtime_error(what);
    } catch (...) {
      errors::GlobalException(std::current_exception());
    }
  }
  static bool GlobalLogExists() { return plat::FileExists(trace_test::kLogFolder + infra::kGlobalErrorLogName); }
  std::vector<std::wstring> shown_;
  bool showing_ = false;
  bool nested_ = false;
  bool show_result_ = true;
};

TEST_F(ErrorsGlobalException, MainThreadWritesTheLogsAndShowsTheDialogOnce) {
  nested_ = true;  // a second exception while the dialog shows
  Raise("List index out of bounds (5)");
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_EQ(shown_[0], L"List index out of bounds (5)");
  EXPECT_FALSE(errors::InExceptionHandler);
  EXPECT_TRUE(GlobalLogExists());
  auto main_log = trace_test::MainLog();
  EXPECT_TRUE(
      Contains(main_log, L"Log (common): GlobalException: List index out of bounds (5) Parameters: See error.log"));
  EXPECT_FALSE(Contains(main_log, L"while the dialog shows Parameters"));
  // Both exceptions were traced when raised.
  auto err = trace_test::ErrorLog();
  EXPECT_EQ(Count(err, L" Exception std::runtime_error occured "), 2u);

  // A dialog that cannot be shown is logged and the program goes on.
  nested_ = false;
  show_result_ = false;
  Raise("second");
  EXPECT_TRUE(Contains(trace_test::ErrorLog(), L"Function: GlobalException Message: ShowModal fail"));
  EXPECT_FALSE(errors::InExceptionHandler);
}

// Exception texts are UTF-8; a localized system's error text in one reaches
// the dialog and the logs as the system wrote it.
TEST_F(ErrorsGlobalException, ALocalizedSystemErrorTextIsShownAsWritten) {
  const std::wstring text = L"Accès refusé. Доступ запрещён. アクセスが拒否されました。";
  sim::SetSystemErrorText(plat::ERROR_ACCESS_DENIED, text + L"\r\n");
  sim::RegCreateKey(plat::HKEY_CURRENT_USER, L"Software\\Test");
  sim::RegFailWrites(plat::HKEY_CURRENT_USER, L"Software\\Test", -1, plat::ERROR_ACCESS_DENIED);
  try {
    infra::TDralRegistry reg;
    ASSERT_TRUE(reg.OpenKey(L"Software\\Test", false));
    reg.WriteInteger(L"Größe", 1);
    FAIL() << "the write did not fail";
  } catch (...) {
    errors::GlobalException(std::current_exception());
  }
  const std::wstring expected = L"Failed to set data for 'Größe' " + text;
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_EQ(shown_[0], expected);
  EXPECT_TRUE(Contains(trace_test::MainLog(), L"GlobalException: " + expected));
}

TEST_F(ErrorsGlobalException, DuringALogCallOrOnAnotherThreadRecordedButNeverShown) {
  infra::LoggerIdle = false;
  Raise("in the middle of a log call");
  EXPECT_TRUE(infra::LoggerIdle);
  std::thread t([] { Raise("on a worker"); });
  t.join();
  EXPECT_TRUE(shown_.empty());
  EXPECT_TRUE(GlobalLogExists());
  auto err = trace_test::ErrorLog();
  EXPECT_TRUE(
      Contains(err, L"Function: GlobalException Message: in the middle of a log call Parameters: See error.log"));
  EXPECT_TRUE(Contains(err, L"Function: GlobalException Message: on a worker Parameters: non main thread"));
}

}  // namespace
