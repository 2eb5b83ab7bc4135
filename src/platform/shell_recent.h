// The shell's list of recently used documents.
#pragma once

namespace plat {

// SHAddToRecentDocs(SHARD_PATHW, NULL): empties the user's list of recent
// documents, and with it the user's Recent folder.
void ClearRecentDocs();

}  // namespace plat
