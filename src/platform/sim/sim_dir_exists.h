// Control of the sim's directories as plat::DirectoryExists sees them.
#pragma once
#include <string>

namespace sim {
// Adds a directory (and its parents), e.g. L"C:\\Projects\\Docs".
void AddDirectory(const std::wstring& path);
void RemoveDirectory(const std::wstring& path);
// The directory relative paths are taken against (default "C:\").
void SetCurrentDirectory(const std::wstring& path);
}  // namespace sim
