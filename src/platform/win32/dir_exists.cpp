// The seam header comes first: its constants carry the names that <windows.h>
// later defines as macros.
#include "platform/dir_exists.h"

#include <windows.h>


namespace plat {
bool DirectoryExists(const std::wstring& path) {
  if (path.empty()) return false;
  DWORD a = ::GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}
}  // namespace plat
