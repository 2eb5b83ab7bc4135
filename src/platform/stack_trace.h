// The stack trace facility: every exception raised in the process, at the
// moment it is raised, with its call stack; and resolving code addresses to
// procedure, source file and line.
//
// Windows: a vectored exception handler sees every raised exception first
// (C++ throws, which MinGW raises as SEH exceptions, and hardware faults);
// addresses resolve through the symbol file shipped beside the program (see
// platform/symbol_file.h). Sim: the throw path of the C++ runtime calls the
// notifier, and tests raise simulated hardware faults (sim/sim_stack_trace.h).
#pragma once
#include <cstdint>
#include <exception>
#include <string>
#include <vector>

namespace plat {

// Exception codes of the system (the ones the trace names).
constexpr std::uint32_t kStatusAccessViolation = 0xC0000005;
constexpr std::uint32_t kStatusIllegalInstruction = 0xC000001D;
constexpr std::uint32_t kStatusArrayBoundsExceeded = 0xC000008C;
constexpr std::uint32_t kStatusFltDivideByZero = 0xC000008E;
constexpr std::uint32_t kStatusFltInvalidOperation = 0xC0000090;
constexpr std::uint32_t kStatusFltOverflow = 0xC0000091;
constexpr std::uint32_t kStatusFltUnderflow = 0xC0000093;
constexpr std::uint32_t kStatusIntegerDivideByZero = 0xC0000094;
constexpr std::uint32_t kStatusIntegerOverflow = 0xC0000095;
constexpr std::uint32_t kStatusPrivilegedInstruction = 0xC0000096;
constexpr std::uint32_t kStatusStackOverflow = 0xC00000FD;

// One exception at the moment it is raised.
struct RaisedException {
  std::wstring class_name;   // readable: "ERegistryException", "EAccessViolation"
  std::wstring message;      // what() of a C++ exception; the fault text of a hardware fault
  bool is_exception = true;  // false for a thrown value that is no exception (throw 42)
  bool hardware_fault = false;
  std::uint32_t code = 0;                // system exception code of a hardware fault
  const void* object = nullptr;          // the thrown C++ object, when there is one
  const void* exception_base = nullptr;  // its std::exception part, when it is one (what a handler catches)
  std::uint64_t address = 0;  // where it was raised: faulting instruction, or the return address of the throw
  std::vector<std::uint64_t>
      stack;  // innermost first: faulting instruction / return addresses; empty when none was captured
  // A hardware fault thrown again as a C++ exception (see FaultGuard): the
  // notifier saw it at the fault already; object and exception_base now name
  // the thrown exception, so that a handler catching it finds the fault's stack.
  bool traced_before = false;
};

using RaiseNotifier = void (*)(const RaisedException&);

// Installs the function called, in the raising thread, for every exception
// raised from now on, handled or not (nullptr: none). The notifier must not
// let an exception out; exceptions it raises itself are not reported again.
void SetRaiseNotifier(RaiseNotifier notifier);

// A hardware fault raised inside a FaultGuard, thrown again as a C++
// exception from the faulting instruction: it unwinds like any throw
// (destructors run, locks are released) to the handler of the guarded region.
// what() is the fault text of the trace ("Access violation at address ...").
class EHardwareFault : public std::exception {
 public:
  EHardwareFault(std::uint32_t code, std::uint64_t address, std::string message)
      : code_(code), address_(address), message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  std::uint32_t Code() const noexcept { return code_; }
  std::uint64_t Address() const noexcept { return address_; }

 private:
  std::uint32_t code_;
  std::uint64_t address_;
  std::string message_;
};
// Reading, writing or executing memory that is not there.
class EAccessViolation : public EHardwareFault {
 public:
  using EHardwareFault::EHardwareFault;
};
// Integer division by zero.
class EDivByZero : public EHardwareFault {
 public:
  using EHardwareFault::EHardwareFault;
};

// True for the fault codes that a FaultGuard turns into exceptions: memory
// access, integer arithmetic, illegal and privileged instructions. Floating
// point faults (masked unless a program unmasks them) and stack overflows
// (no stack left to unwind on) are not.
bool IsRecoverableFault(std::uint32_t code);

// While one lives on a thread, a hardware fault of that thread (one that
// IsRecoverableFault accepts) is traced and then thrown again as an
// EHardwareFault from the faulting instruction. Put one inside the try block
// of a handler that catches every exception. The windows build converts a
// fault only when every frame between it and the guard belongs to the program
// and will unwind (a fault inside a system library, or below a callback of the
// system, keeps the system's handling: it ends the process after its trace).
class FaultGuard {
 public:
  FaultGuard();
  ~FaultGuard();
  FaultGuard(const FaultGuard&) = delete;
  FaultGuard& operator=(const FaultGuard&) = delete;

 private:
  const FaultGuard* outer_;
};

// Reads address 0: an access violation, for the fault probe of test runs.
// The sim raises it as a simulated fault (sim/sim_stack_trace.h).
void ProbeAccessViolation();

// Where a code address lies in the program's sources.
struct SourceLocation {
  std::wstring procedure;  // empty when unknown
  std::wstring file;       // source file name without folders; empty when unknown
  int line = 0;            // 0 when unknown
};

// Resolves a code address of the running program. False when nothing is known
// about it (another module, no symbol file).
bool ResolveAddress(std::uint64_t address, SourceLocation& out);

}  // namespace plat
