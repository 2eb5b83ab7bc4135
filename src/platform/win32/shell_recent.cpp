// The shell's list of recent documents.
#include "platform/shell_recent.h"

#include <windows.h>
#include <shlobj.h>

namespace plat {

void ClearRecentDocs() { ::SHAddToRecentDocs(SHARD_PATHW, nullptr); }

}  // namespace plat
