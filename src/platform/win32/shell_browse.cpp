// The seam header comes first: its constants carry the names that <windows.h>
// later defines as macros.
#include "platform/shell_browse.h"

#include <windows.h>
#include <objbase.h>
#include <ole2.h>
#include <shlobj.h>

#include "platform/win32/unique.h"

#undef SHBrowseForFolder
#undef SHGetPathFromIDList

namespace plat {
namespace {
HWND H(Window w) { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(w)); }
Window W(HWND h) { return static_cast<Window>(reinterpret_cast<std::uintptr_t>(h)); }
LPITEMIDLIST P(ItemId i) { return reinterpret_cast<LPITEMIDLIST>(static_cast<std::uintptr_t>(i)); }
ItemId I(LPCITEMIDLIST p) { return static_cast<ItemId>(reinterpret_cast<std::uintptr_t>(p)); }

int CALLBACK BrowseProc(HWND dialog, UINT msg, LPARAM lparam, LPARAM data) {
  auto* cb = reinterpret_cast<const BrowseCallback*>(data);
  if (!cb || !*cb) return 0;
  ItemId item = msg == BFFM_SELCHANGED ? I(reinterpret_cast<LPCITEMIDLIST>(lparam)) : 0;
  return (*cb)(W(dialog), msg, item);
}
}  // namespace

void InitializeShellDialogThread() {
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  ::OleInitialize(nullptr);
}

bool ShellAllocatorAvailable() {
  win32::ComPtr<IMalloc> m;
  return SUCCEEDED(::SHGetMalloc(m.Out())) && m;
}

ItemId SHBrowseForFolder(Window owner, std::uint32_t flags, const BrowseCallback& callback) {
  wchar_t display[MAX_PATH] = {};
  BROWSEINFOW bi{};
  bi.hwndOwner = H(owner);
  bi.pszDisplayName = display;
  bi.ulFlags = flags;
  bi.lpfn = BrowseProc;
  bi.lParam = reinterpret_cast<LPARAM>(&callback);
  return I(::SHBrowseForFolderW(&bi));
}

bool SHGetPathFromIDList(ItemId item, std::wstring* path) {
  wchar_t buf[MAX_PATH] = {};
  bool ok = item && ::SHGetPathFromIDListW(P(item), buf);
  if (path) *path = ok ? buf : L"";
  return ok;
}

void FreeItemId(ItemId item) {
  if (item) ::CoTaskMemFree(P(item));
}

void BrowseSetSelection(Window dialog, const std::wstring& path) {
  ::SendMessageW(H(dialog), BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(path.c_str()));
}

}  // namespace plat
