#include "platform/recent_docs.h"

#include <windows.h>
#include <shlobj.h>

#undef SHAddToRecentDocs

namespace plat {
void SHAddToRecentDocs(const std::wstring& path) { ::SHAddToRecentDocs(SHARD_PATHW, path.c_str()); }
}  // namespace plat
