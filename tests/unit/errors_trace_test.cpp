#include <gtest/gtest.h>

#include <regex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "errors/exception_trace.h"
#include "infra/logger.h"
#include "infra/logger_files.h"
#include "sim/sim_stack_trace.h"
#include "sim/sim_world.h"
#include "platform/stack_trace.h"
#include "platform/symbol_file.h"
#include "trace_test_support.h"

namespace errors_test {
struct ERegistryException : std::runtime_error {
  using std::runtime_error::runtime_error;
};
struct EIdSocketError : std::runtime_error {
  using std::runtime_error::runtime_error;
};
struct EIdConnectTimeout : std::runtime_error {
  using std::runtime_error::runtime_error;
};
struct EIdNotASocket : std::runtime_error {
  using std::runtime_error::runtime_error;
};
}  // namespace errors_test

namespace {

using Lines = std::vector<std::wstring>;

const std::wstring kSep(40, L'=');

// Splits the error log into trace blocks (each ends with two separator lines).
std::vector<Lines> Blocks(const Lines& log) {
  std::vector<Lines> out;
  Lines cur;
  for (size_t i = 0; i < log.size(); ++i) {
    cur.push_back(log[i]);
    if (log[i] == kSep && i + 1 < log.size() && log[i + 1] == kSep) {
      cur.push_back(log[++i]);
      out.push_back(cur);
      cur.clear();
    }
  }
  if (!cur.empty()) out.push_back(cur);
  return out;
}

bool Matches(const std::wstring& s, const wchar_t* re) { return std::regex_match(s, std::wregex(re)); }

class ErrorsTrace : public trace_test::TraceFixture {};

[[gnu::noinline]] void ThrowRegistryError() { throw errors_test::ERegistryException("Can't read value \"Width\""); }

TEST_F(ErrorsTrace, CaughtExceptionGivesOneBlockInTheErrorLog) {
  try {
    ThrowRegistryError();
  } catch (const std::exception&) {}
  auto blocks = Blocks(trace_test::ErrorLog());
  ASSERT_EQ(blocks.size(), 1u);
  const Lines& b = blocks[0];
  ASSERT_GE(b.size(), 6u);
  EXPECT_TRUE(Matches(
      b[0], LR"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d Exception ERegistryException occured at address [0-9A-F]{8,16})"))
      << b[0];
  EXPECT_EQ(b[1], L"Message: Can't read value \"Width\"");
  EXPECT_EQ(b[2], L"Last log entries:");
  auto stack = std::find(b.begin(), b.end(), L"Call stack: ");
  ASSERT_NE(stack, b.end());
  ASSERT_GE(b.end() - stack, 4);  // at least one frame before the separators
  for (auto it = stack + 1; it < b.end() - 2; ++it) EXPECT_TRUE(Matches(*it, LR"(\[[0-9A-F]{8,16}\].*)")) << *it;
  EXPECT_EQ(b[b.size() - 1], kSep);
  EXPECT_EQ(b[b.size() - 2], kSep);
  EXPECT_FALSE(infra::SuppressExceptionTrace);
}

TEST_F(ErrorsTrace, ClassNamesAndMessagesOfWhatIsThrown) {
  struct Case {
    std::function<void()> raise;
    std::wstring class_name;
    const wchar_t* message;  // nullptr: no "Message: " line
  };
  std::vector<Case> cases = {
      {[] { throw std::runtime_error("boom"); }, L"std::runtime_error", L"boom"},
      {[] { std::vector<int>().at(3); }, L"std::out_of_range", nullptr},  // thrown inside the library
      {[] { throw 42; }, L"int", nullptr},
      {[] { throw errors_test::ERegistryException(""); }, L"ERegistryException", L""},
  };
  for (const auto& c : cases) {
    trace_test::ResetLogs();
    try {
      c.raise();
    } catch (...) {}
    auto blocks = Blocks(trace_test::ErrorLog());
    ASSERT_EQ(blocks.size(), 1u) << std::string(c.class_name.begin(), c.class_name.end());
    const Lines& b = blocks[0];
    EXPECT_NE(b[0].find(L" Exception " + c.class_name + L" occured "), std::wstring::npos) << b[0];
    if (c.message) {
      EXPECT_EQ(b[1], std::wstring(L"Message: ") + c.message);
    } else if (c.class_name == L"int") {
      EXPECT_EQ(b[1], L"Last log entries:");  // no message for a value that is no exception
    } else {
      EXPECT_EQ(b[1].rfind(L"Message: ", 0), 0u) << b[1];
    }
  }
}

TEST_F(ErrorsTrace, SocketErrorsOfTheMailTransportAndSuppressedTracesWriteNothing) {
  std::vector<std::function<void()>> quiet = {
      [] { throw errors_test::EIdSocketError("reset"); },
      [] { throw errors_test::EIdConnectTimeout("timeout"); },
      [] { throw errors_test::EIdNotASocket("no socket"); },
      [] {
        infra::SuppressExceptionTrace = true;
        try {
          throw std::runtime_error("while reading the log");
        } catch (...) {
          infra::SuppressExceptionTrace = false;
          throw;
        }
      },
  };
  for (auto& raise : quiet) {
    try {
      raise();
    } catch (...) {}
  }
  EXPECT_TRUE(trace_test::ErrorLog().empty());
  EXPECT_FALSE(infra::SuppressExceptionTrace);
  // The trace goes on afterwards.
  try {
    throw std::logic_error("next");
  } catch (...) {}
  EXPECT_EQ(Blocks(trace_test::ErrorLog()).size(), 1u);
}

TEST_F(ErrorsTrace, NoLogFolderNoFileAndOtherThreadsAreTracedToo) {
  infra::SetLogFolder(L"");
  try {
    throw std::runtime_error("early");
  } catch (...) {}
  EXPECT_TRUE(trace_test::ErrorLog().empty());

  trace_test::ResetLogs();
  std::thread t([] {
    try {
      throw std::runtime_error("on a worker");
    } catch (...) {}
  });
  t.join();
  auto blocks = Blocks(trace_test::ErrorLog());
  ASSERT_EQ(blocks.size(), 1u);
  EXPECT_EQ(blocks[0][1], L"Message: on a worker");
}

TEST_F(ErrorsTrace, HardwareFaultResolvesThroughTheSymbolFile) {
  const std::uint64_t base = 0x140000000;
  sim::SetSymbolFile(
      "QSYM 1\nF 2\ndral_registry.cpp\nqorbin.cpp\n"
      "P 3\n1000 infra::TDralRegistry::ReadString\n1100 app::qorbin\n1200 __tmainCRTStartup\n"
      "L 4\n1000 0 40\n1010 0 42\n1100 1 7\n1150 0 0\n",
      base);
  sim::RaiseHardwareFault(plat::kStatusAccessViolation, base + 0x1012,
                          {base + 0x1012, base + 0x1160, base + 0x1205, 0x7FF812345678}, 0, 0);
  auto blocks = Blocks(trace_test::ErrorLog());
  ASSERT_EQ(blocks.size(), 1u);
  const Lines& b = blocks[0];
  EXPECT_TRUE(Matches(
      b[0],
      LR"(.* Exception EAccessViolation occured in infra::TDralRegistry::ReadString at 42 in file dral_registry.cpp)"))
      << b[0];
  EXPECT_EQ(b[1], L"Message: Access violation at address 0000000140001012. Read of address 00000000");
  auto stack = std::find(b.begin(), b.end(), L"Call stack: ");
  ASSERT_NE(stack, b.end());
  Lines frames(stack + 1, b.end() - 2);
  EXPECT_EQ(frames, (Lines{
                        L"[0000000140001012] infra::TDralRegistry::ReadString (dral_registry.cpp, line 42)",
                        L"[0000000140001160] app::qorbin",  // past the end of its line sequence
                        L"[0000000140001205] __tmainCRTStartup",
                        L"[00007FF812345678]",  // another module
                    }));
}

TEST_F(ErrorsTrace, HandlerFindsTheStackCapturedWhenItsExceptionWasThrown) {
  const void* thrown = nullptr;
  try {
    ThrowRegistryError();
  } catch (const std::exception& e) {
    thrown = &e;
    std::vector<std::uint64_t> stack;
    bool fault = true;
    ASSERT_TRUE(errors::CapturedStack(&e, stack, &fault));
    EXPECT_FALSE(stack.empty());
    EXPECT_FALSE(fault);
  }
  std::vector<std::uint64_t> none;
  EXPECT_FALSE(errors::CapturedStack(reinterpret_cast<const void*>(0x1234), none));
  sim::RaiseHardwareFault(plat::kStatusIntegerDivideByZero, 0x1000, {0x1000, 0x2000});
  std::vector<std::uint64_t> fault_stack;
  ASSERT_TRUE(errors::CapturedStack(nullptr, fault_stack));
  EXPECT_EQ(fault_stack, (std::vector<std::uint64_t>{0x1000, 0x2000}));
  (void)thrown;
}

TEST(ErrorsSymbolFile, LookupsAndDamagedFiles) {
  plat::SymbolTable t;
  ASSERT_TRUE(t.Parse("QSYM 1\r\nF 1\r\na.cpp\r\nP 2\r\n100 f\r\n200 g\r\nL 3\r\n100 0 10\r\n180 0 0\r\n210 0 20\r\n"));
  struct Case {
    std::uint64_t rva;
    bool found;
    const wchar_t* proc;
    int line;
  } cases[] = {
      {0x50, false, L"", 0},  {0x100, true, L"f", 10}, {0x17F, true, L"f", 10},  {0x180, true, L"f", 0},
      {0x205, true, L"g", 0}, {0x210, true, L"g", 20}, {0x9999, true, L"g", 20},
  };
  for (const auto& c : cases) {
    plat::SourceLocation loc;
    EXPECT_EQ(t.Lookup(c.rva, loc), c.found) << c.rva;
    EXPECT_EQ(loc.procedure, c.proc) << c.rva;
    EXPECT_EQ(loc.line, c.line) << c.rva;
  }
  EXPECT_FALSE(t.Parse("not a symbol file"));
  EXPECT_TRUE(t.Empty());
  // Truncated in the middle of the procedures: what was read still resolves.
  ASSERT_TRUE(t.Parse("QSYM 1\nF 1\na.cpp\nP 5\n100 f\n2"));
  plat::SourceLocation loc;
  EXPECT_TRUE(t.Lookup(0x150, loc));
  EXPECT_EQ(loc.procedure, L"f");
  EXPECT_EQ(loc.line, 0);
}

}  // namespace
