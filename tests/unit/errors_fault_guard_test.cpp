// Hardware faults inside a FaultGuard: thrown as exceptions of their class
// after one trace block, found again by the global handler with the fault's
// stack; the fault probe message of the agent; the call-site tables that
// decide whether the windows build may throw from a faulting instruction.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <typeinfo>

#include "agent_test_support.h"
#include "errors/exception_trace.h"
#include "errors/global_error.h"
#include "errors/global_exception.h"
#include "platform/cxx_throw.h"
#include "sim/sim_stack_trace.h"
#include "platform/stack_trace.h"
#include "trace_test_support.h"

namespace {

using Lines = std::vector<std::wstring>;

size_t CountContaining(const Lines& lines, const std::wstring& text) {
  size_t n = 0;
  for (const auto& l : lines) n += l.find(text) != std::wstring::npos;
  return n;
}

class ErrorsFaultGuard : public trace_test::TraceFixture {};

// What a guarded fault of each code becomes.
TEST_F(ErrorsFaultGuard, GuardedFaultsAreThrownAsTheirClassAfterOneTraceBlock) {
  struct Case {
    std::uint32_t code;
    std::uint64_t access, target;
    const char* expected_class;  // nullptr: not thrown
    const char* message;
  };
  const Case cases[] = {
      {plat::kStatusAccessViolation, 0, 0, "EAccessViolation",
       "Access violation at address 00401000. Read of address 00000000"},
      {plat::kStatusAccessViolation, 1, 0x10, "EAccessViolation",
       "Access violation at address 00401000. Write of address 00000010"},
      {plat::kStatusIntegerDivideByZero, 0, 0, "EDivByZero", "Division by zero at address 00401000"},
      {plat::kStatusIntegerOverflow, 0, 0, "EHardwareFault", "Integer overflow at address 00401000"},
      {plat::kStatusPrivilegedInstruction, 0, 0, "EHardwareFault", "Privileged instruction at address 00401000"},
      {plat::kStatusIllegalInstruction, 0, 0, "EHardwareFault", "Illegal instruction at address 00401000"},
      // Masked floating point faults and stack overflows are not thrown.
      {plat::kStatusFltDivideByZero, 0, 0, nullptr, nullptr},
      {plat::kStatusStackOverflow, 0, 0, nullptr, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected_class ? c.expected_class : "not thrown");
    std::string thrown_class, what;
    std::uint32_t code = 0;
    std::uint64_t address = 0;
    try {
      plat::FaultGuard guard;
      sim::RaiseHardwareFault(c.code, 0x401000, {0x401000, 0x402000}, c.access, c.target);
    } catch (const plat::EHardwareFault& e) {
      thrown_class = dynamic_cast<const plat::EAccessViolation*>(&e) ? "EAccessViolation"
                     : dynamic_cast<const plat::EDivByZero*>(&e)     ? "EDivByZero"
                                                                     : "EHardwareFault";
      what = e.what();
      code = e.Code();
      address = e.Address();
    }
    if (!c.expected_class) {
      EXPECT_TRUE(thrown_class.empty());
      continue;
    }
    EXPECT_EQ(thrown_class, c.expected_class);
    EXPECT_EQ(what, c.message);
    EXPECT_EQ(code, c.code);
    EXPECT_EQ(address, 0x401000u);
  }
  const Lines log = trace_test::ErrorLog();
  // Every fault is traced once; the exception it became is not traced again.
  EXPECT_EQ(CountContaining(log, L" Exception "), std::size(cases));
  EXPECT_EQ(CountContaining(log, L"EHardwareFault"), 0u);
}

TEST_F(ErrorsFaultGuard, OnlyTheGuardingThreadInsideItsGuardThrows) {
  auto raises = [] {
    try {
      sim::RaiseHardwareFault(plat::kStatusAccessViolation, 0x401000, {0x401000});
    } catch (const plat::EAccessViolation&) {
      return true;
    }
    return false;
  };
  EXPECT_FALSE(raises());  // no guard: traced, and the caller goes on as the system would have it
  {
    plat::FaultGuard outer;
    {
      plat::FaultGuard inner;
      EXPECT_TRUE(raises());
    }
    EXPECT_TRUE(raises());  // the outer guard is back in force
    bool other_thread_threw = true;
    std::thread([&] { other_thread_threw = raises(); }).join();
    EXPECT_FALSE(other_thread_threw);
  }
  EXPECT_FALSE(raises());
  EXPECT_EQ(plat::detail::InnermostFaultGuard(), nullptr);
}

TEST_F(ErrorsFaultGuard, TheHandlerFindsTheFaultsStackUnderTheCaughtException) {
  const std::uint64_t base = 0x140000000;
  sim::SetSymbolFile(
      "QSYM 1\nF 1\nvorl_folder.cpp\nP 2\n1000 agent::TVorlFolder::FaultProbe\n1100 agent::TVorlFolder::Run\n"
      "L 2\n1000 0 460\n1100 0 292\n",
      base);
  try {
    plat::FaultGuard guard;
    sim::RaiseHardwareFault(plat::kStatusAccessViolation, base + 0x1004, {base + 0x1004, base + 0x1105});
    FAIL() << "not thrown";
  } catch (const std::exception& e) {
    std::vector<std::uint64_t> stack;
    bool first_is_fault = false;
    ASSERT_TRUE(errors::CapturedStack(&e, stack, &first_is_fault));
    EXPECT_EQ(stack, (std::vector<std::uint64_t>{base + 0x1004, base + 0x1105}));
    EXPECT_TRUE(first_is_fault);
    errors::WriteGlobalErrorLog(L"Access violation", &e);
  }
  std::string bytes;
  ASSERT_TRUE(plat::ReadWholeFile(trace_test::kLogFolder + infra::kGlobalErrorLogName, bytes));
  const Lines global = infra::SplitLogLines(bytes);
  EXPECT_EQ(CountContaining(global, L"] agent::TVorlFolder::FaultProbe (vorl_folder.cpp, line 460)"), 1u);
  EXPECT_EQ(CountContaining(global, L"] agent::TVorlFolder::Run (vorl_folder.cpp, line 292)"), 1u);
}

// Exception tables as GCC writes them: header, then call sites of
// (start, length, landing pad, action) relative to the function's start.
TEST(ErrorsCallSiteTable, ListedAddressesByEncoding) {
  const std::uint64_t fn = 0x140001000;
  // uleb128 call sites; no landing pad base, no type table.
  const std::uint8_t uleb[] = {0xFF, 0xFF, 0x01, 8, 0x10, 0x20, 0x00, 0x00, 0x40, 0x08, 0x50, 0x01};
  // udata4 call sites after a landing pad base (udata4) and a type table offset.
  const std::uint8_t udata4[] = {0x03, 0, 0, 0, 0, 0x9B, 0x85, 0x01, 0x03, 26,   0x10, 0, 0, 0,    0x20, 0, 0, 0,
                                 0,    0, 0, 0, 0, 0x40, 0,    0,    0,    0x08, 0,    0, 0, 0x50, 0,    0, 0, 1};
  // A start beyond 127 needs two uleb128 bytes.
  const std::uint8_t wide[] = {0xFF, 0xFF, 0x01, 4, 0x80, 0x02, 0x04, 0x00, 0x00};
  const std::uint8_t empty[] = {0xFF, 0xFF, 0x01, 0};
  const std::uint8_t bad_encoding[] = {0xFF, 0xFF, 0x07, 4, 0x10, 0x20, 0x00, 0x00};
  struct Case {
    const char* what;
    const std::uint8_t* table;
    std::uint64_t offset;
    bool listed;
  };
  const Case cases[] = {
      {"uleb before the first site", uleb, 0x0F, false},
      {"uleb first byte of a site", uleb, 0x10, true},
      {"uleb last byte of a site", uleb, 0x2F, true},
      {"uleb in the gap", uleb, 0x30, false},
      {"uleb second site", uleb, 0x47, true},
      {"uleb past the last site", uleb, 0x48, false},
      {"udata4 first site", udata4, 0x10, true},
      {"udata4 in the gap", udata4, 0x3F, false},
      {"udata4 second site", udata4, 0x40, true},
      {"udata4 past the end", udata4, 0x48, false},
      {"two-byte start", wide, 0x100, true},
      {"below a two-byte start", wide, 0x7F, false},
      {"an empty table lists nothing", empty, 0x0, false},
      {"an unknown encoding is unreadable", bad_encoding, 0x10, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(plat::detail::CallSiteListed(c.table, fn, fn + c.offset), c.listed);
  }
  EXPECT_FALSE(plat::detail::CallSiteListed(nullptr, fn, fn));
}

class AgentFaultProbe : public agent_test::AgentFixture {
 protected:
  void SetUp() override {
    AgentFixture::SetUp();
    sim::RegCreateKey(agent_test::HKCU, agent_test::kSettings);
    errors::InstallExceptionTrace();
    errors::SetMainThreadIdAtStart(plat::CurrentThreadId());
    errors::SetErrorDialogHooks({[] { return false; },
                                 [this](const std::wstring& m) {
                                   shown_.push_back(m);
                                   return true;
                                 }});
  }
  void TearDown() override {
    errors::SetErrorDialogHooks({});
    plat::SetRaiseNotifier(nullptr);
    AgentFixture::TearDown();
  }
  std::vector<std::wstring> shown_;
};

TEST_F(AgentFaultProbe, AnsweredOnlyInTestRunsAndTheAgentGoesOn) {
  struct Case {
    const wchar_t* variable;  // nullptr: not set
    bool answered;
  };
  const Case cases[] = {{nullptr, false}, {L"0", false}, {L"1", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.variable ? "set" : "unset");
    shown_.clear();
    sim::SetEnvironmentVariable(agent::kFaultProbeVariable, c.variable);
    if (form) {
      // The form's end stops the logger: a fresh one for the next start.
      form->FormDestroy();
      form.reset();
      infra::ResetLogger();
      infra::SetLogFolder(agent_test::kLogFolder);
    }
    auto& f = Start();
    for (int round = 0; round < 2; ++round) {
      plat::PostThreadMessageW(plat::CurrentThreadId(), agent::WM_QXFAULTPROBE, 0, 0);
      f.ProcessMessages();
      EXPECT_FALSE(f.Terminated());
    }
    if (!c.answered) {
      EXPECT_TRUE(shown_.empty());
      EXPECT_FALSE(LogHas(L"VorlFolder.FaultProbe"));
      continue;
    }
    ASSERT_EQ(shown_.size(), 2u);  // each fault reaches the dialog
    EXPECT_EQ(shown_[0].rfind(L"Access violation at address ", 0), 0u) << shown_[0];
    EXPECT_NE(shown_[0].find(L"Read of address 00000000"), std::wstring::npos);
    // The destructor on the faulting path ran before the global handler.
    const Lines entries = LogEntries();
    std::vector<std::wstring> order;
    for (const auto& e : entries) {
      if (e.find(L"VorlFolder.FaultProbe") != std::wstring::npos) {
        order.push_back(e.find(L"unwound") != std::wstring::npos ? L"unwound" : L"begin");
      } else if (e.find(L"GlobalException: Access violation") != std::wstring::npos) {
        order.push_back(L"global");
      }
    }
    EXPECT_EQ(order, (std::vector<std::wstring>{L"begin", L"unwound", L"global", L"begin", L"unwound", L"global"}));
    // One trace block per fault: the exception it became is not traced again.
    std::string bytes;
    ASSERT_TRUE(plat::ReadWholeFile(agent_test::kLogFolder + infra::kErrorLogName, bytes));
    EXPECT_EQ(CountContaining(infra::SplitLogLines(bytes), L"Exception EAccessViolation occured"), 2u);
  }
}

}  // namespace
