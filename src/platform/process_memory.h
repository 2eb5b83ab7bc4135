// Memory in another program's process: the buffers that a message to one of
// its controls points at (a tree view's item and its text, a path for its
// dialog), since pointers in a sent message are not carried across processes
// for such messages.
//
// One function per kernel32 call, with the same arguments and results;
// addresses in the other process are plain numbers and never dereferenced
// here. The sim keeps each simulated process's allocations as byte blocks
// (sim/sim_process_memory.h) that the simulated controls read and write.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/owned.h"
#include "platform/system.h"
#include "platform/types.h"

namespace plat {

// A process handle as a number; 0 is none.
using ProcessHandle = std::uint64_t;
// An address in another process.
using RemoteAddress = std::uint64_t;

constexpr std::uint32_t PROCESS_VM_OPERATION = 0x0008;
constexpr std::uint32_t PROCESS_VM_READ = 0x0010;
constexpr std::uint32_t PROCESS_VM_WRITE = 0x0020;
constexpr std::uint32_t PROCESS_QUERY_LIMITED_INFORMATION = 0x1000;

constexpr std::uint32_t MEM_COMMIT = 0x00001000;
constexpr std::uint32_t MEM_RESERVE = 0x00002000;
constexpr std::uint32_t MEM_RELEASE = 0x00008000;
constexpr std::uint32_t PAGE_READWRITE = 0x04;

// ERROR_ACCESS_DENIED comes from platform/system.h.
constexpr std::uint32_t ERROR_PARTIAL_COPY = 299;

// OpenProcess; 0 on failure (the last error says why).
ProcessHandle OpenProcess(std::uint32_t access, bool inherit, std::uint32_t process_id);
// CloseHandle of a process handle.
void CloseProcess(ProcessHandle process);
using OwnedProcess = Owned<ProcessHandle, CloseProcess>;

// IsWow64Process of another process: whether it is a 32-bit process on 64-bit
// Windows. False when the call fails.
bool IsWow64Process(ProcessHandle process, bool* wow64);

// VirtualAllocEx(process, address, size, type, protect); 0 on failure.
RemoteAddress VirtualAllocEx(ProcessHandle process, RemoteAddress address, std::size_t size, std::uint32_t type,
                             std::uint32_t protect);
// VirtualFreeEx(process, address, size, type).
bool VirtualFreeEx(ProcessHandle process, RemoteAddress address, std::size_t size, std::uint32_t type);
// WriteProcessMemory / ReadProcessMemory; *done (may be null) receives the
// bytes copied.
bool WriteProcessMemory(ProcessHandle process, RemoteAddress address, const void* data, std::size_t size,
                        std::size_t* done);
bool ReadProcessMemory(ProcessHandle process, RemoteAddress address, void* data, std::size_t size, std::size_t* done);

}  // namespace plat
