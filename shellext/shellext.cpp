// shellext.dll: the Explorer context-menu extension, an in-process COM server
// (apartment threaded) with one class that Explorer creates for folders,
// folder backgrounds and drives. It takes the selected folders (IShellExtInit),
// adds the entries that store::ShellMenuItems decides (IContextMenu) and runs
// the chosen one through store::ShellInvoke. Nothing here waits on another
// program: the agent is reached only by posted messages.
//
// Registration: DllRegisterServer writes the current user's classes (what the
// agent's "Regsvr32 /s" needs, no elevation); DllInstall with the command line
// "machine" ("regsvr32 /i:machine", elevated) writes the machine's classes for
// an all-users install. DllUnregisterServer and DllInstall(FALSE, "machine")
// remove them.
#include "infra/logger.h"
#include "store/shell_menu.h"
#include "store/shell_registration.h"

#include <windows.h>
#include <olectl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <atomic>
#include <cwchar>
#include <exception>
#include <new>
#include <string>
#include <vector>

namespace {

HINSTANCE g_module = nullptr;
// Live objects (class factories and menus) and server locks: the library may
// be unloaded only when both are 0.
std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};

CLSID ExtensionClsid() {
  static const CLSID clsid = [] {
    CLSID c{};
    ::CLSIDFromString(store::kShellExtensionClsid, &c);
    return c;
  }();
  return clsid;
}

std::wstring ModulePath() {
  std::wstring path(32768, L'\0');
  const DWORD n = ::GetModuleFileNameW(g_module, path.data(), static_cast<DWORD>(path.size()));
  path.resize(n < path.size() ? n : 0);
  return path;
}

void AssociationsChanged() { ::SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr); }

// The paths of a data object's CF_HDROP.
std::vector<std::wstring> DroppedPaths(IDataObject* data) {
  std::vector<std::wstring> paths;
  FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium = {};
  if (FAILED(data->GetData(&format, &medium))) return paths;
  if (auto drop = static_cast<HDROP>(::GlobalLock(medium.hGlobal))) {
    const UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
      const UINT length = ::DragQueryFileW(drop, i, nullptr, 0);
      std::wstring path(length + 1, L'\0');
      const UINT got = ::DragQueryFileW(drop, i, path.data(), length + 1);
      path.resize(got);
      paths.push_back(path);
    }
    ::GlobalUnlock(medium.hGlobal);
  }
  ::ReleaseStgMedium(&medium);
  return paths;
}

std::wstring FolderOfIdList(PCIDLIST_ABSOLUTE pidl) {
  std::wstring path(32768, L'\0');
  if (!::SHGetPathFromIDListEx(pidl, path.data(), static_cast<DWORD>(path.size()), GPFIDL_DEFAULT)) {
    path.assign(MAX_PATH, L'\0');
    if (!::SHGetPathFromIDListW(pidl, path.data())) return L"";
  }
  path.resize(std::wcslen(path.c_str()));
  return path;
}

void CopyText(const std::wstring& text, LPSTR out, UINT chars, bool wide) {
  if (!out || chars == 0) return;
  if (wide) {
    auto* w = reinterpret_cast<wchar_t*>(out);
    std::wcsncpy(w, text.c_str(), chars - 1);
    w[chars - 1] = L'\0';
  } else {
    const int n = ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, out, static_cast<int>(chars), nullptr, nullptr);
    if (n == 0) out[0] = '\0';
    out[chars - 1] = '\0';
  }
}

class ContextMenu final : public IShellExtInit, public IContextMenu {
 public:
  ContextMenu() { ++g_objects; }
  ~ContextMenu() { --g_objects; }

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IShellExtInit)) {
      *ppv = static_cast<IShellExtInit*>(this);
    } else if (IsEqualIID(riid, IID_IContextMenu)) {
      *ppv = static_cast<IContextMenu*>(this);
    } else {
      *ppv = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

  // IShellExtInit: a selection (data object) or a window's background (folder only).
  STDMETHODIMP Initialize(PCIDLIST_ABSOLUTE folder, IDataObject* data, HKEY) override {
    try {
      selection_ = {};
      items_.clear();
      std::vector<std::wstring> paths;
      if (data) paths = DroppedPaths(data);
      if (paths.empty() && folder) {
        paths.push_back(FolderOfIdList(folder));
        selection_.background = true;
      }
      selection_.folders = store::SelectedFolders(paths);
      return selection_.folders.empty() ? E_FAIL : S_OK;
    } catch (...) {
      return E_FAIL;
    }
  }

  // IContextMenu
  STDMETHODIMP QueryContextMenu(HMENU menu, UINT index, UINT first, UINT last, UINT flags) override {
    try {
      if (flags & CMF_DEFAULTONLY) return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
      items_ = store::ShellMenuItems(selection_);
      if (items_.empty()) return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
      UINT position = index;
      InsertSeparator(menu, position++);
      UINT used = 0;
      for (std::size_t i = 0; i < items_.size() && first + i <= last; ++i) {
        MENUITEMINFOW info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_STRING | MIIM_STATE | MIIM_FTYPE;
        info.fType = MFT_STRING;
        info.fState = items_[i].enabled ? MFS_ENABLED : MFS_DISABLED;
        info.wID = first + static_cast<UINT>(i);
        info.dwTypeData = const_cast<wchar_t*>(items_[i].caption.c_str());
        if (::InsertMenuItemW(menu, position, TRUE, &info)) ++position;
        used = static_cast<UINT>(i) + 1;
      }
      InsertSeparator(menu, position);
      return MAKE_HRESULT(SEVERITY_SUCCESS, 0, used);
    } catch (...) {
      return E_FAIL;
    }
  }

  STDMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO* info) override {
    try {
      if (!info) return E_INVALIDARG;
      const store::TShellMenuItem* item = nullptr;
      if (items_.empty()) items_ = store::ShellMenuItems(selection_);
      const bool unicode = info->cbSize >= sizeof(CMINVOKECOMMANDINFOEX) && (info->fMask & CMIC_MASK_UNICODE);
      const auto* ex = reinterpret_cast<const CMINVOKECOMMANDINFOEX*>(info);
      if (unicode ? IS_INTRESOURCE(ex->lpVerbW) : IS_INTRESOURCE(info->lpVerb)) {
        const UINT offset = LOWORD(reinterpret_cast<ULONG_PTR>(unicode ? static_cast<const void*>(ex->lpVerbW)
                                                                       : static_cast<const void*>(info->lpVerb)));
        if (offset < items_.size()) item = &items_[offset];
      } else {
        std::wstring verb;
        if (unicode) {
          verb = ex->lpVerbW;
        } else {
          for (const char* c = info->lpVerb; *c; ++c) verb += static_cast<wchar_t>(static_cast<unsigned char>(*c));
        }
        for (const auto& i : items_) {
          if (::CompareStringOrdinal(i.verb.c_str(), -1, verb.c_str(), -1, TRUE) == CSTR_EQUAL) item = &i;
        }
      }
      if (!item || !item->enabled) return E_INVALIDARG;
      if (item->entry == store::TShellEntry::ShowMenu) {
        // The agent's menu takes the foreground from this window.
        if (const auto agent = reinterpret_cast<HWND>(store::AgentWindow())) {
          DWORD pid = 0;
          ::GetWindowThreadProcessId(agent, &pid);
          if (pid) ::AllowSetForegroundWindow(pid);
        }
      }
      const auto owner = static_cast<plat::Window>(reinterpret_cast<ULONG_PTR>(info->hwnd));
      return store::ShellInvoke(item->entry, selection_, owner) ? S_OK : E_FAIL;
    } catch (...) {
      return E_FAIL;
    }
  }

  STDMETHODIMP GetCommandString(UINT_PTR id, UINT type, UINT*, LPSTR name, UINT chars) override {
    try {
      if (id >= items_.size()) return E_INVALIDARG;
      const auto& item = items_[id];
      switch (type) {
        case GCS_VERBW:
        case GCS_VERBA:
          CopyText(item.verb, name, chars, type == GCS_VERBW);
          return S_OK;
        case GCS_HELPTEXTW:
        case GCS_HELPTEXTA:
          CopyText(item.help, name, chars, type == GCS_HELPTEXTW);
          return S_OK;
        case GCS_VALIDATEW:
        case GCS_VALIDATEA:
          return S_OK;
        default:
          return E_NOTIMPL;
      }
    } catch (...) {
      return E_FAIL;
    }
  }

 private:
  static void InsertSeparator(HMENU menu, UINT position) {
    MENUITEMINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE;
    info.fType = MFT_SEPARATOR;
    ::InsertMenuItemW(menu, position, TRUE, &info);
  }

  std::atomic<ULONG> refs_{1};
  store::TShellSelection selection_;
  std::vector<store::TShellMenuItem> items_;
};

class ClassFactory final : public IClassFactory {
 public:
  ClassFactory() { ++g_objects; }
  ~ClassFactory() { --g_objects; }

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
      *ppv = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    auto* menu = new (std::nothrow) ContextMenu();
    if (!menu) return E_OUTOFMEMORY;
    const HRESULT hr = menu->QueryInterface(riid, ppv);
    menu->Release();
    return hr;
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    if (lock)
      ++g_locks;
    else
      --g_locks;
    return S_OK;
  }

 private:
  std::atomic<ULONG> refs_{1};
};

HRESULT Register(store::TRegistrationScope scope) {
  const std::wstring path = ModulePath();
  if (path.empty()) return SELFREG_E_CLASS;
  const bool ok = store::RegisterContextMenuHandler(scope, path);
  AssociationsChanged();
  return ok ? S_OK : SELFREG_E_CLASS;
}

HRESULT Unregister(store::TRegistrationScope scope) {
  const bool ok = store::UnregisterContextMenuHandler(scope);
  AssociationsChanged();
  return ok ? S_OK : SELFREG_E_CLASS;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
    ::DisableThreadLibraryCalls(instance);
    // Inside Explorer no log writer thread may start: the shared code's log
    // calls are dropped.
    infra::ApplicationTerminated = true;
  }
  return TRUE;
}

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (!IsEqualCLSID(clsid, ExtensionClsid())) return CLASS_E_CLASSNOTAVAILABLE;
  auto* factory = new (std::nothrow) ClassFactory();
  if (!factory) return E_OUTOFMEMORY;
  const HRESULT hr = factory->QueryInterface(riid, ppv);
  factory->Release();
  return hr;
}

extern "C" HRESULT WINAPI DllCanUnloadNow() { return g_objects == 0 && g_locks == 0 ? S_OK : S_FALSE; }

extern "C" HRESULT WINAPI DllRegisterServer() {
  try {
    return Register(store::TRegistrationScope::User);
  } catch (...) {
    return SELFREG_E_CLASS;
  }
}

extern "C" HRESULT WINAPI DllUnregisterServer() {
  try {
    return Unregister(store::TRegistrationScope::User);
  } catch (...) {
    return SELFREG_E_CLASS;
  }
}

// "regsvr32 [/u] /n /i:machine": the registration for every user of the machine.
extern "C" HRESULT WINAPI DllInstall(BOOL install, LPCWSTR command_line) {
  try {
    if (!command_line || ::CompareStringOrdinal(command_line, -1, L"machine", -1, TRUE) != CSTR_EQUAL)
      return E_INVALIDARG;
    return install ? Register(store::TRegistrationScope::Machine) : Unregister(store::TRegistrationScope::Machine);
  } catch (...) {
    return SELFREG_E_CLASS;
  }
}
