// Selecting a folder inside another program's browse-for-folder dialog (the
// shell's SHBrowseForFolder dialog, or a program's own dialog with a folder
// tree), the way a user would: the path typed into its edit box and taken by
// the dialog, or its folder tree opened item by item down to the folder.
#pragma once
#include <string>
#include <vector>

#include "platform/types.h"

namespace targets {

// The dialog's parts: its folder tree (a direct "SysTreeView32", or the one
// inside the shell's name-space control), its edit box (a visible direct
// "Edit"), and whether it is the shell's own dialog (the name-space control,
// or the tree with the shell's control id 0x3741), which alone understands
// BFFM_SETSELECTIONW.
plat::Window FindBrowseTree(plat::Window dialog);
plat::Window FindBrowseEdit(plat::Window dialog);
bool IsShellBrowseDialog(plat::Window dialog);

// A folder path split the way a folder tree shows it: the drive ("C:") and
// the names below it. Empty for a path no tree walk can follow (a network
// path, a relative path). "\\?\" prefixes are dropped, trailing separators
// ignored.
std::vector<std::wstring> FolderTreeSteps(const std::wstring& path);

// Whether a tree item's text names the drive ("C:", "C:\", "Local Disk (C:)");
// with an empty drive, whether it names any drive.
bool IsDriveItemText(const std::wstring& text, const std::wstring& drive);

// Makes the folder the dialog's selection: through its edit box where it has
// one (the path typed in; the shell's dialog is then told to select it), else
// (or when that did not take) by walking its tree; a program's own dialog
// with an edit box and no usable tree gets the path in its box. Checks the
// result by reading the tree's selection back. Returns false, with every
// reason logged, when neither worked: the caller opens a new window instead.
bool SelectInBrowseDialog(plat::Window dialog, const std::wstring& path);

}  // namespace targets
