#include "platform/shared_memory.h"

#include <windows.h>

namespace plat {

Handle CreateFileMappingW(std::uint32_t protect, std::uint32_t size, const std::wstring& name, bool* already_exists) {
  HANDLE h = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, protect, 0, size, name.c_str());
  if (already_exists) *already_exists = h && ::GetLastError() == ERROR_ALREADY_EXISTS;
  return reinterpret_cast<Handle>(h);
}

void* MapViewOfFile(Handle mapping, std::uint32_t access, std::uint32_t size) {
  return ::MapViewOfFile(reinterpret_cast<HANDLE>(mapping), access, 0, 0, size);
}

bool UnmapViewOfFile(const void* view) { return ::UnmapViewOfFile(view) != 0; }

bool CloseMappingHandle(Handle mapping) { return ::CloseHandle(reinterpret_cast<HANDLE>(mapping)) != 0; }

}  // namespace plat
