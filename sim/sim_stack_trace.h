// Control of the sim's stack trace facility.
//
// C++ throws in the host build reach the notifier through the C++ runtime's
// throw path with the host's real call stack. Hardware faults and the
// program's symbol file are simulated here.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

// Reports a hardware fault to the raise notifier, in the calling thread, as
// the vectored handler of the windows build does (see plat::detail::DescribeFault).
// Inside a plat::FaultGuard a recoverable fault is then thrown as an
// EHardwareFault, as the windows build does from the faulting instruction.
void RaiseHardwareFault(std::uint32_t code, std::uint64_t address, std::vector<std::uint64_t> stack,
                        std::uint64_t access = 0, std::uint64_t target = 0);

// Uses `text` (the symbol file format of platform/symbol_file.h) as the
// program's symbol file, the program's image spanning `image_size` bytes from
// `image_base`; addresses outside it belong to other modules.
void SetSymbolFile(const std::string& text, std::uint64_t image_base, std::uint64_t image_size = 0x100000);

}  // namespace sim
