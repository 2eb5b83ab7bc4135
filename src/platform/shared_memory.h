// Named shared memory (file mappings on the paging file): the instance marker
// "Vorlune Folder" and the hook shared block.
#pragma once
#include <cstdint>
#include <string>

#include "platform/owned.h"
#include "platform/types.h"

namespace plat {

inline constexpr std::uint32_t PAGE_READONLY = 0x02;
inline constexpr std::uint32_t PAGE_READWRITE = 0x04;
inline constexpr std::uint32_t FILE_MAP_WRITE = 0x0002;
inline constexpr std::uint32_t FILE_MAP_READ = 0x0004;

// CreateFileMappingW(INVALID_HANDLE_VALUE, no security, protect, size, name).
// already_exists reports GetLastError() == ERROR_ALREADY_EXISTS after a
// successful call (the handle then names the existing mapping). 0 on failure.
Handle CreateFileMappingW(std::uint32_t protect, std::uint32_t size, const std::wstring& name, bool* already_exists);
// MapViewOfFile(mapping, access, 0, 0, size); nullptr on failure.
void* MapViewOfFile(Handle mapping, std::uint32_t access, std::uint32_t size);
bool UnmapViewOfFile(const void* view);
// CloseHandle on a mapping handle.
bool CloseMappingHandle(Handle mapping);
using OwnedMapping = Owned<Handle, CloseMappingHandle>;
using OwnedView = Owned<const void*, UnmapViewOfFile>;

}  // namespace plat
