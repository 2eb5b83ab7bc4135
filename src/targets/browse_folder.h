// The agent's own folder chooser: the shell's browse-for-folder dialog with an
// edit box that always shows the full path of the selected folder.
#pragma once
#include <string>

#include "platform/types.h"

namespace targets {

// Shows the dialog over the owner with the initial path selected (none when
// empty). On OK the result receives the chosen folder's path; on Cancel it is
// left as it was.
void BrowseForFolder(plat::Window owner, const std::wstring& initial_path, std::wstring& result);

}  // namespace targets
