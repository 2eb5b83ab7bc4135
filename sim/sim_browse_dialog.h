// The sim's model of another program's browse-for-folder dialog: a "#32770"
// with a folder tree (SysTreeView32) and, when asked, an edit box.
//
// The tree answers as a real tree view does, in its own process: TVM_GETITEMW
// reads the TVITEMW that lParam points at from the process's memory
// (sim/sim_process_memory.h; the 32-bit layout for a WOW64 process) and writes
// the item's text where its pszText points; an item's children exist only
// once it was expanded (TVM_EXPAND: the dialog fills them, at once or after
// fill_delay_ms); TVM_SELECTITEM moves the selection, shows the item's name
// in the edit box and tells the dialog's callback (BrowseDialogSelections).
// The shell's layouts also take BFFM_SETSELECTIONW with the path in the
// process's memory. A pointer outside the process's memory is what would
// crash the real program: the model counts it (BrowseDialogBadPointers).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"

namespace sim {

struct TreeNodeSpec {
  std::wstring text;
  std::wstring path;  // the folder it stands for; empty for Desktop, Computer ...
  std::vector<TreeNodeSpec> children;
};

enum class BrowseLayout {
  ShellNameSpace,  // the shell's new style: "SHBrowseForFolder ShellNameSpace Control" > "SysTreeView32"
  ShellTree,       // the shell's classic style (and Wine's): "SysTreeView32" with id 0x3741 in the dialog
  ProgramTree,     // a program's own dialog: a "SysTreeView32" of its own id, no BFFM_ messages
};

struct BrowseDialogSpec {
  BrowseLayout layout = BrowseLayout::ShellTree;
  bool edit_box = false;  // a visible edit box beside the tree
  std::vector<TreeNodeSpec> roots;
  // The folder selected when the dialog opens (the items above it expanded);
  // empty: the first root.
  std::wstring selected;
  std::uint32_t fill_delay_ms = 0;
  bool hung = false;
  plat::ThreadId thread = 0;  // 0: another program's thread
};

struct BrowseDialog {
  plat::Window dialog = 0;
  plat::Window tree = 0;
  plat::Window edit = 0;
};

BrowseDialog CreateBrowseDialog(const BrowseDialogSpec& spec);
// The folder of every selection the dialog's callback heard of, in order
// (empty for an item without a folder).
std::vector<std::wstring> BrowseDialogSelections(plat::Window dialog);
// The folder of the selected item (empty for none or an item without one).
std::wstring BrowseDialogSelected(plat::Window dialog);
// Items filled by expanding since the dialog opened.
int BrowseDialogFills(plat::Window dialog);
// Messages whose pointer lay outside the dialog's process memory.
int BrowseDialogBadPointers(plat::Window dialog);
// BFFM_SETSELECTIONW messages the dialog received.
int BrowseDialogSetSelections(plat::Window dialog);

// A drive tree as the shell shows it: "Desktop" > "This PC" > "Local Disk (C:)"
// > the folders of `folders` (full paths, each with its parents), sorted.
std::vector<TreeNodeSpec> ShellTreeOf(const std::vector<std::wstring>& folders);

}  // namespace sim
