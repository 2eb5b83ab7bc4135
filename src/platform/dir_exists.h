// Whether a path names an existing directory (GetFileAttributesW, following
// links). Relative paths are taken against the process's current directory.
#pragma once
#include <string>

namespace plat {

bool DirectoryExists(const std::wstring& path);

}  // namespace plat
