// Telling the shell that a file was used (SHAddToRecentDocs with SHARD_PATHW):
// the shell puts a shortcut to it into the user's Recent folder.
#pragma once
#include <string>

namespace plat {

void SHAddToRecentDocs(const std::wstring& path);

}  // namespace plat
