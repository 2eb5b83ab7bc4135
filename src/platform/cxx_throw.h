// Describes a C++ object at the moment it is thrown, for the stack trace
// facility of both backends (they hook the throw path of the C++ runtime).
#pragma once
#include <cstdint>
#include <typeinfo>

#include "platform/stack_trace.h"

namespace plat::detail {

// The readable class name of a thrown type: demangled, without the namespaces
// of the program ("infra::ERegistryException" -> "ERegistryException"); the
// standard library's names keep their "std::".
std::wstring ReadableClassName(const std::type_info& type);

// Fills class_name, message, is_exception and object of `out` for an object
// of type `type` at `object` (what() when the type derives from std::exception).
void DescribeThrown(void* object, const std::type_info* type, RaisedException& out);

}  // namespace plat::detail

namespace plat::detail {

// Fills `out` for a hardware fault with the system exception code `code` at
// the instruction `address`. For an access violation, `access` is 0 (read),
// 1 (write) or 8 (execute) and `target` the address that was accessed.
void DescribeFault(std::uint32_t code, std::uint64_t address, std::uint64_t access, std::uint64_t target,
                   RaisedException& out);

// Upper-case hexadecimal with at least 8 digits (16 when the value needs more).
std::wstring HexAddress(std::uint64_t value);

}  // namespace plat::detail

namespace plat::detail {

// The innermost FaultGuard of the calling thread, or nullptr (its address
// lies in the frame of the function that guards).
const void* InnermostFaultGuard();

// Keeps `fault` (as reported to the notifier) for ThrowPendingFault on this thread.
void SetFaultToThrow(const RaisedException& fault);

// Throws the kept fault as an EHardwareFault of its class (EAccessViolation,
// EDivByZero, ...). The throw hook of the backend asks TakeThrownFault.
[[noreturn]] void ThrowPendingFault();

// True, with the kept fault in `out`, when the throw now passing the throw
// hook is the one ThrowPendingFault makes; clears the mark.
bool TakeThrownFault(RaisedException& out);

// Whether the call-site table of a GCC language-specific data area (the
// exception table of one function) holds an entry for `ip`: the personality
// routine ends the program (std::terminate) when an exception unwinds
// through an address it does not list. `region_start` is the function's start
// address. False for a table it cannot read.
bool CallSiteListed(const std::uint8_t* lsda, std::uint64_t region_start, std::uint64_t ip);

}  // namespace plat::detail
