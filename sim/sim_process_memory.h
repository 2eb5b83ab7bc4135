// Control of the sim's process memory (platform/process_memory.h).
//
// A simulated process is known by its id (a window's process, from
// GetWindowThreadProcessId). Its allocations are byte blocks at addresses
// below 4 GB for a 32-bit (WOW64) process and above for a 64-bit one; reads
// and writes must lie inside one block. The simulated controls of other
// programs (the browse dialog's tree view) read what a message points at and
// write their answers through ReadBytes/WriteBytes, as the real ones do in
// their own process.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/process_memory.h"

namespace sim {

// A 32-bit program on 64-bit Windows (default: a 64-bit program).
void SetProcessWow64(std::uint32_t process_id, bool wow64);
// What the process is (as its own code knows, whatever OpenProcess allows).
bool ProcessWow64(std::uint32_t process_id);
// OpenProcess of this process fails with ERROR_ACCESS_DENIED (an elevated
// program seen from an unelevated agent).
void SetProcessOpenRefused(std::uint32_t process_id, bool refused);

// The process's memory as its own code sees it; false when the range is not
// inside one of its allocations.
bool ReadBytes(std::uint32_t process_id, plat::RemoteAddress address, std::size_t size, std::vector<std::uint8_t>* out);
bool WriteBytes(std::uint32_t process_id, plat::RemoteAddress address, const std::vector<std::uint8_t>& bytes);

// Allocations made in the process and not freed; allocations ever made.
int LiveAllocations(std::uint32_t process_id);
int AllocationsMade(std::uint32_t process_id);
// Process handles opened and not closed (all processes).
int OpenProcessHandles();

}  // namespace sim
