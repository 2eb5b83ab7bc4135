// The seam header comes first: its constants carry the names that <windows.h>
// later defines as macros.
#include "platform/file_dialog.h"

#include <windows.h>
#include <commdlg.h>

#undef GetOpenFileName
#undef GetSaveFileName

namespace plat {
namespace {

bool Show(OpenFileName& ofn, bool save) {
  std::wstring filter = ofn.filter;
  for (auto& c : filter) {
    if (c == L'|') c = L'\0';
  }
  filter.push_back(L'\0');
  filter.push_back(L'\0');
  std::wstring buffer = ofn.file;
  buffer.resize(32768, L'\0');

  OPENFILENAMEW o = {};
  o.lStructSize = sizeof(o);
  o.hwndOwner = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(ofn.owner));
  o.lpstrFilter = filter.c_str();
  o.nFilterIndex = 1;
  o.lpstrFile = buffer.data();
  o.nMaxFile = static_cast<DWORD>(buffer.size());
  o.lpstrInitialDir = ofn.initial_dir.empty() ? nullptr : ofn.initial_dir.c_str();
  o.lpstrTitle = ofn.title.empty() ? nullptr : ofn.title.c_str();
  o.lpstrDefExt = ofn.default_ext.empty() ? nullptr : ofn.default_ext.c_str();
  o.Flags = ofn.flags;
  BOOL ok = save ? ::GetSaveFileNameW(&o) : ::GetOpenFileNameW(&o);
  if (!ok) {
    ::SetLastError(::CommDlgExtendedError());
    return false;
  }
  ofn.file = buffer.c_str();
  return true;
}

}  // namespace

bool GetOpenFileName(OpenFileName& ofn) { return Show(ofn, false); }
bool GetSaveFileName(OpenFileName& ofn) { return Show(ofn, true); }

}  // namespace plat
