#include "platform/shell_names.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "platform/win32/unique.h"

namespace plat {

bool GetSpecialFolderDisplayName(int csidl, std::wstring& name) {
  name.clear();
  HRESULT init = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  {
    win32::ComPtr<IShellFolder> desktop;
    LPITEMIDLIST item = nullptr;
    if (SUCCEEDED(::SHGetDesktopFolder(desktop.Out())) && desktop &&
        SUCCEEDED(::SHGetSpecialFolderLocation(nullptr, csidl, &item)) && item) {
      win32::UniqueCoTaskMem owned(item);
      STRRET ret = {};
      if (SUCCEEDED(desktop->GetDisplayNameOf(item, SHGDN_NORMAL, &ret))) {
        wchar_t buffer[MAX_PATH] = {};
        if (SUCCEEDED(::StrRetToBufW(&ret, item, buffer, MAX_PATH))) name = buffer;
      }
    }
  }
  if (SUCCEEDED(init)) ::CoUninitialize();
  return !name.empty();
}

}  // namespace plat
