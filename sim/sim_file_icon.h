// Control of the sim's shell icons and recent-documents list.
//
// The sim's shell gives an existing file a 16 by 16 icon unless a test says
// otherwise for its extension (".txt") or its full path; a path rule wins over
// an extension rule. Each call hands out a new icon number.
#pragma once
#include <string>
#include <vector>

namespace sim {

// The icon the shell gives for files matching key (an extension with its dot,
// or a full path; compared without regard to case): width by height pixels,
// or none when width is 0.
void SetShellIcon(const std::wstring& key, int width, int height);

// Every path the program asked the shell an icon for, in order.
std::vector<std::wstring> ShellIconRequests();

// Icons handed out and not destroyed yet.
int LiveIcons();

// The picture an icon number stands for: the key that made it ("default" for
// the generic document picture), empty when the number is no live icon.
std::wstring IconSource(unsigned long long icon);

// How often ClearRecentDocs ran since the reset. Each run also deletes every
// file of the folder named by the "Recent" value of the user's Shell Folders
// key, as the shell empties its list.
int RecentDocsClears();
// ClearRecentDocs only forgets the shell's list and leaves the shortcut files
// in place (as Wine's shell does).
void SetRecentDocsClearKeepsFiles(bool keep);

}  // namespace sim
