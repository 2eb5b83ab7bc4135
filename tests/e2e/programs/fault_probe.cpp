// e2e probe of guarded hardware faults: inside a plat::FaultGuard an access
// violation or an integer division by zero becomes an exception that unwinds
// through the faulting frame (destructors run, a held lock is released) to the
// guard's handler, and the program goes on. Each case prints "ok NAME" or
// "FAIL NAME: why"; the exit code is the number of failed cases.
//
//   fault_probe.exe            the cases below
//   fault_probe.exe callback   a fault inside a locale enumeration callback
//                              (a system frame lies between it and the guard):
//                              not turned into an exception; the process ends
//                              through its unhandled-exception filter with 3
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/stack_trace.h"

namespace {

int g_reports = 0;      // faults reported by the stack trace facility
int g_rethrown = 0;     // their throws reported again (traced_before)
int g_destructors = 0;  // destructors run during unwinding
std::mutex g_lock;

void CountReports(const plat::RaisedException& e) {
  if (e.traced_before)
    ++g_rethrown;
  else if (e.hardware_fault)
    ++g_reports;
}

struct CountOnExit {
  ~CountOnExit() { ++g_destructors; }
};

// A leaf without a frame: the stack is 8 mod 16 at the fault.
[[gnu::noinline]] int ReadLeaf(int* p) { return *static_cast<volatile int*>(p); }

// A function with a frame and a cleanup of its own around the fault.
[[gnu::noinline]] int WriteWithFrame(int* p, int value) {
  CountOnExit count;
  std::string text(100, 'x');  // heap memory to free on the way out
  *static_cast<volatile int*>(p) = value + static_cast<int>(text.size());
  return static_cast<int>(text.size());
}

volatile int g_sink = 0;

[[gnu::noinline]] int Divide(int a, int b) {
  CountOnExit count;
  g_sink = a / *static_cast<volatile int*>(&b);
  return g_sink;
}

[[gnu::noinline]] int HoldLockAndFault(int* p) {
  std::lock_guard<std::mutex> hold(g_lock);
  CountOnExit count;
  return ReadLeaf(p) + 1;
}

[[gnu::noinline]] int Nested(int depth, int* p) {
  CountOnExit count;
  if (depth == 0) return WriteWithFrame(p, 7);
  return Nested(depth - 1, p) + 1;
}

// The fault caught by a handler inside the faulting function itself.
[[gnu::noinline]] std::string CaughtLocally(int* p) {
  try {
    return std::to_string(ReadLeaf(p));
  } catch (const plat::EAccessViolation& e) {
    return std::string("local: ") + e.what();
  }
}

int g_failures = 0;

void Fail(const char* name, const std::string& why) {
  std::printf("FAIL %s: %s\n", name, why.c_str());
  ++g_failures;
}

// Runs `body` inside a guard and checks what reaches the guard's handler.
template <class Expected>
void Case(const char* name, const std::function<void()>& body, const char* message_part, int destructors) {
  const int reports = g_reports, rethrown = g_rethrown, before = g_destructors;
  std::string caught;
  bool right_class = false;
  try {
    plat::FaultGuard guard;
    body();
    Fail(name, "no exception");
    return;
  } catch (const Expected& e) {
    right_class = true;
    caught = e.what();
  } catch (const std::exception& e) {
    caught = e.what();
  } catch (...) {
    caught = "(not a std::exception)";
  }
  if (!right_class) return Fail(name, "wrong class: " + caught);
  if (caught.find(message_part) == std::string::npos) return Fail(name, "message: " + caught);
  if (g_destructors - before != destructors)
    return Fail(name, "destructors run: " + std::to_string(g_destructors - before));
  if (g_reports - reports != 1 || g_rethrown - rethrown != 1)
    return Fail(
        name, "reports " + std::to_string(g_reports - reports) + ", rethrown " + std::to_string(g_rethrown - rethrown));
  std::printf("ok %s: %s\n", name, caught.c_str());
}

int* volatile g_nowhere = nullptr;

BOOL CALLBACK FaultInCallback(LPWSTR) {
  g_sink = ReadLeaf(g_nowhere);
  return FALSE;
}

LONG WINAPI EndQuietly(EXCEPTION_POINTERS*) {
  std::fflush(stdout);
  ::ExitProcess(3);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  plat::SetRaiseNotifier(&CountReports);
  int* volatile nowhere = nullptr;
  if (argc >= 2 && std::wcscmp(argv[1], L"callback") == 0) {
    ::SetUnhandledExceptionFilter(EndQuietly);
    try {
      plat::FaultGuard guard;
      ::EnumSystemLocalesW(FaultInCallback, LCID_INSTALLED);
    } catch (...) {
      std::puts("FAIL callback: caught across the system's frames");
      return 1;
    }
    std::puts("FAIL callback: EnumSystemLocalesW returned");
    return 1;
  }

  Case<plat::EAccessViolation>(
      "read-leaf", [&] { ReadLeaf(nowhere); }, "Read of address 00000000", 0);
  Case<plat::EAccessViolation>(
      "write-frame", [&] { WriteWithFrame(reinterpret_cast<int*>(16), 1); }, "Write of address 00000010", 1);
  Case<plat::EDivByZero>(
      "divide", [] { Divide(10, 0); }, "Division by zero", 1);
  Case<plat::EAccessViolation>(
      "nested", [&] { Nested(3, nowhere); }, "Access violation", 5);
  Case<plat::EAccessViolation>(
      "lock", [&] { HoldLockAndFault(nowhere); }, "Read of address", 1);
  if (g_lock.try_lock()) {
    g_lock.unlock();
    std::puts("ok lock-released");
  } else {
    Fail("lock-released", "the mutex is still held");
  }
  // Again and again: the handler leaves nothing behind that a later fault trips on.
  for (int i = 0; i < 3; ++i) {
    Case<plat::EAccessViolation>(
        "repeat", [&] { ReadLeaf(nowhere); }, "Access violation", 0);
  }
  {
    plat::FaultGuard guard;
    const std::string local = CaughtLocally(nowhere);
    if (local.rfind("local: Access violation", 0) == 0)
      std::printf("ok caught-locally: %s\n", local.c_str());
    else
      Fail("caught-locally", local);
  }
  // Outside any guard a caught C++ exception is untouched by all of this.
  try {
    throw std::runtime_error("plain");
  } catch (const std::exception& e) {
    if (std::strcmp(e.what(), "plain") == 0)
      std::puts("ok plain-throw");
    else
      Fail("plain-throw", e.what());
  }
  std::printf("faults %d rethrown %d\n", g_reports, g_rethrown);
  return g_failures;
}
