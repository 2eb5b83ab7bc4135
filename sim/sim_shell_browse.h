// Control of the sim's browse-for-folder dialog: what the user does in it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"

namespace sim {

// Text for a selection of a virtual item that has no file-system path.
inline const std::wstring kVirtualItem = L"::Computer";

struct BrowseScript {
  // Items the user selects after the dialog opened, in order; kVirtualItem
  // stands for an item without a path.
  std::vector<std::wstring> selections;
  // OK (accepted only when the selection has a file-system path) or Cancel.
  bool press_ok = true;
};
void SetBrowseScript(const BrowseScript& script);
void SetShellAllocatorAvailable(bool available);

struct BrowseRecord {
  bool shown = false;
  plat::Window owner = 0;
  std::uint32_t flags = 0;
  std::wstring selected;                 // the selection when the dialog closed
  std::vector<std::wstring> edit_texts;  // the edit box after opening and after each selection
};
BrowseRecord LastBrowse();
// Item identifiers handed out and not yet freed.
int LiveItemIds();

}  // namespace sim
