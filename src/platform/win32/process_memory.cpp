#include "platform/process_memory.h"

#include <windows.h>

namespace plat {
namespace {
HANDLE P(ProcessHandle p) { return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(p)); }
void* A(RemoteAddress a) { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(a)); }
}  // namespace

ProcessHandle OpenProcess(std::uint32_t access, bool inherit, std::uint32_t process_id) {
  return reinterpret_cast<std::uintptr_t>(::OpenProcess(access, inherit ? TRUE : FALSE, process_id));
}

void CloseProcess(ProcessHandle process) {
  if (process) ::CloseHandle(P(process));
}

bool IsWow64Process(ProcessHandle process, bool* wow64) {
  using Proc = BOOL(WINAPI*)(HANDLE, PBOOL);
  static const Proc proc = [] {
    HMODULE k = ::GetModuleHandleW(L"kernel32.dll");
    return k ? reinterpret_cast<Proc>(reinterpret_cast<void*>(::GetProcAddress(k, "IsWow64Process"))) : nullptr;
  }();
  if (!proc) {
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return false;
  }
  BOOL answer = FALSE;
  if (!proc(P(process), &answer)) return false;
  if (wow64) *wow64 = answer != FALSE;
  return true;
}

RemoteAddress VirtualAllocEx(ProcessHandle process, RemoteAddress address, std::size_t size, std::uint32_t type,
                             std::uint32_t protect) {
  return reinterpret_cast<std::uintptr_t>(::VirtualAllocEx(P(process), A(address), size, type, protect));
}

bool VirtualFreeEx(ProcessHandle process, RemoteAddress address, std::size_t size, std::uint32_t type) {
  return ::VirtualFreeEx(P(process), A(address), size, type) != FALSE;
}

bool WriteProcessMemory(ProcessHandle process, RemoteAddress address, const void* data, std::size_t size,
                        std::size_t* done) {
  SIZE_T n = 0;
  const BOOL ok = ::WriteProcessMemory(P(process), A(address), data, size, &n);
  if (done) *done = n;
  return ok != FALSE;
}

bool ReadProcessMemory(ProcessHandle process, RemoteAddress address, void* data, std::size_t size, std::size_t* done) {
  SIZE_T n = 0;
  const BOOL ok = ::ReadProcessMemory(P(process), A(address), data, size, &n);
  if (done) *done = n;
  return ok != FALSE;
}

}  // namespace plat
