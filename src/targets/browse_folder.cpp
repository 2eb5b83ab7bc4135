#include "targets/browse_folder.h"

#include "platform/shell_browse.h"
#include "platform/window.h"

namespace targets {
namespace {

// Puts a text into the dialog's own edit box (a direct "Edit" child), if any.
void ShowInEditBox(plat::Window dialog, const std::wstring& text) {
  if (plat::Window edit = plat::FindWindowEx(dialog, 0, L"Edit"))
    plat::SendMessageTimeoutSetText(edit, text, plat::SMTO_NORMAL, 200, nullptr);
}

}  // namespace

void BrowseForFolder(plat::Window owner, const std::wstring& initial_path, std::wstring& result) {
  plat::InitializeShellDialogThread();
  if (!plat::ShellAllocatorAvailable()) return;
  const std::wstring initial = initial_path;
  auto callback = [&initial](plat::Window dialog, std::uint32_t msg, plat::ItemId item) -> int {
    if (msg == plat::BFFM_INITIALIZED) {
      if (!initial.empty()) plat::BrowseSetSelection(dialog, initial);
      ShowInEditBox(dialog, initial);
    } else if (msg == plat::BFFM_SELCHANGED && item && plat::ShellAllocatorAvailable()) {
      // Items without a file-system path (Computer, say) empty the box.
      std::wstring path;
      plat::SHGetPathFromIDList(item, &path);
      ShowInEditBox(dialog, path);
    }
    return 0;
  };
  const plat::OwnedItemId chosen(plat::SHBrowseForFolder(
      owner, plat::BIF_RETURNONLYFSDIRS | plat::BIF_EDITBOX | plat::BIF_NEWDIALOGSTYLE, callback));
  if (!chosen) return;
  std::wstring path;
  if (plat::SHGetPathFromIDList(chosen.get(), &path)) result = path;
}

}  // namespace targets
