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
  std::wstring class_name;  // readable: "ERegistryException", "EAccessViolation"
  std::wstring message;     // what() of a C++ exception; the fault text of a hardware fault
  bool is_exception = true; // false for a thrown value that is no exception (throw 42)
  bool hardware_fault = false;
  std::uint32_t code = 0;   // system exception code of a hardware fault
  const void* object = nullptr;  // the thrown C++ object, when there is one
  const void* exception_base = nullptr;  // its std::exception part, when it is one (what a handler catches)
  std::uint64_t address = 0;     // where it was raised: faulting instruction, or the return address of the throw
  std::vector<std::uint64_t> stack;  // innermost first: faulting instruction / return addresses; empty when none was captured
};

using RaiseNotifier = void (*)(const RaisedException&);

// Installs the function called, in the raising thread, for every exception
// raised from now on, handled or not (nullptr: none). The notifier must not
// let an exception out; exceptions it raises itself are not reported again.
void SetRaiseNotifier(RaiseNotifier notifier);

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
