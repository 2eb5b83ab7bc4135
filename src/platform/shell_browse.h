// The shell's browse-for-folder dialog (SHBrowseForFolderW) and the calls its
// callback needs.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "platform/owned.h"
#include "platform/types.h"
#include "platform/window.h"

namespace plat {

// An item identifier list (PIDL) as a number; 0 is none.
using ItemId = std::uint64_t;

constexpr std::uint32_t BIF_RETURNONLYFSDIRS = 0x0001;
constexpr std::uint32_t BIF_EDITBOX = 0x0010;
constexpr std::uint32_t BIF_NEWDIALOGSTYLE = 0x0040;

constexpr std::uint32_t BFFM_INITIALIZED = 1;
constexpr std::uint32_t BFFM_SELCHANGED = 2;
constexpr std::uint32_t BFFM_SETSELECTIONW = WM_USER + 103;

// The dialog callback: (dialog window, BFFM_ message, the item for
// BFFM_SELCHANGED, else 0) -> 0.
using BrowseCallback = std::function<int(Window dialog, std::uint32_t msg, ItemId item)>;

// CoInitializeEx (apartment-threaded) and OleInitialize for the calling thread.
void InitializeShellDialogThread();

// SHGetMalloc: whether the shell's allocator can be had.
bool ShellAllocatorAvailable();

// SHBrowseForFolderW with no root and no title; the returned item (0 on
// Cancel) is freed with FreeItemId.
ItemId SHBrowseForFolder(Window owner, std::uint32_t flags, const BrowseCallback& callback);

// SHGetPathFromIDListW into a buffer of 260 characters; false (and an empty
// path) for an item without a file-system path.
bool SHGetPathFromIDList(ItemId item, std::wstring* path);

// Frees an item with the shell's allocator.
void FreeItemId(ItemId item);
using OwnedItemId = Owned<ItemId, FreeItemId>;

// SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, path) to the agent's own
// browse dialog.
void BrowseSetSelection(Window dialog, const std::wstring& path);

}  // namespace plat
