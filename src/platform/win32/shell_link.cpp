#include "platform/shell_link.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "platform/win32/unique.h"

namespace plat {
namespace {

struct LinkObject {
  bool com_initialized = false;
  win32::ComPtr<IShellLinkW> link;
  win32::ComPtr<IPersistFile> file;
};

LinkObject* L(ShellLink link) { return reinterpret_cast<LinkObject*>(static_cast<std::uintptr_t>(link)); }

}  // namespace

ShellLink CreateShellLink() {
  auto* obj = new LinkObject;
  HRESULT init = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  obj->com_initialized = SUCCEEDED(init);  // S_OK and S_FALSE are each undone once
  HRESULT hr = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(obj->link.Out()));
  if (SUCCEEDED(hr)) hr = obj->link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(obj->file.Out()));
  if (FAILED(hr)) {
    ::SetLastError(static_cast<DWORD>(hr));
    ReleaseShellLink(static_cast<ShellLink>(reinterpret_cast<std::uintptr_t>(obj)));
    return 0;
  }
  return static_cast<ShellLink>(reinterpret_cast<std::uintptr_t>(obj));
}

void ReleaseShellLink(ShellLink link) {
  LinkObject* obj = L(link);
  if (!obj) return;
  const bool uninitialize = obj->com_initialized;
  delete obj;  // releases both interfaces
  if (uninitialize) ::CoUninitialize();
}

bool ShellLinkLoad(ShellLink link, const std::wstring& path) {
  LinkObject* obj = L(link);
  if (!obj || !obj->file) return false;
  HRESULT hr = obj->file->Load(path.c_str(), STGM_READ);
  if (FAILED(hr)) ::SetLastError(static_cast<DWORD>(hr));
  return SUCCEEDED(hr);
}

bool ShellLinkGetPath(ShellLink link, std::wstring& target) {
  target.clear();
  LinkObject* obj = L(link);
  if (!obj || !obj->link) return false;
  wchar_t buffer[kShellLinkPathChars] = {};
  HRESULT hr = obj->link->GetPath(buffer, kShellLinkPathChars, nullptr, 0);
  if (hr != S_OK) return false;  // S_FALSE: no file-system path
  target = buffer;
  return !target.empty();
}

bool ShellLinkSetPath(ShellLink link, const std::wstring& target) {
  LinkObject* obj = L(link);
  return obj && obj->link && SUCCEEDED(obj->link->SetPath(target.c_str()));
}

bool ShellLinkSetDescription(ShellLink link, const std::wstring& description) {
  LinkObject* obj = L(link);
  return obj && obj->link && SUCCEEDED(obj->link->SetDescription(description.c_str()));
}

bool ShellLinkSave(ShellLink link, const std::wstring& path) {
  LinkObject* obj = L(link);
  return obj && obj->file && SUCCEEDED(obj->file->Save(path.c_str(), TRUE));
}

}  // namespace plat
