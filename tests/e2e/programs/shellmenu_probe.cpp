// shellmenu_probe: asks the shell for a folder's context menu as Explorer does
// and works the Explorer extension's entries in e2e runs.
//
//   shellmenu_probe.exe list KIND PATH
//       prints the extension's entries of PATH's context menu, one line each:
//       "entry VERB|CAPTION|enabled=0|1", after a line "via=shell" (the menu
//       of IShellFolder::GetUIObjectOf held them) or "via=handler" (the shell
//       did not load registered handlers: each class registered under KIND's
//       "shellex\ContextMenuHandlers" is created and initialised with the
//       folder's data object, or for KIND "Directory\Background" with the
//       folder alone, as Explorer does; "created=com" when COM made the class,
//       "created=user-class" when it was made from the user's own class
//       registration, which Windows' merged classes view shows and Wine's does
//       not). KIND: Directory, Drive, Directory\Background. Exit 0 when an
//       extension entry was found.
//   shellmenu_probe.exe invoke KIND PATH VERB
//       chooses the entry with that verb by its menu position (as a click
//       does); exit 0 when the extension answered S_OK.
//   shellmenu_probe.exe favourite PATH
//       prints the data of the favourite named PATH (UTF-8); exit 1 when the
//       store has no such value.
//   shellmenu_probe.exe lifetime DLL
//       loads DLL and checks the COM server's counts: DllCanUnloadNow is
//       S_FALSE while a class factory, a menu object or a lock lives and S_OK
//       once all are gone; prints "lifetime ok" and exits 0, or names the step
//       that failed and exits 1.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

const wchar_t kClsid[] = L"{E05D273E-6E24-4DF3-9A5D-17DA584C680A}";

struct Entry {
  UINT id;
  std::wstring verb, caption;
  bool enabled;
};

struct Menu {
  IContextMenu* menu = nullptr;
  HMENU hmenu = nullptr;
  std::vector<Entry> entries;
  bool via_shell = false;
  ~Menu() {
    if (menu) menu->Release();
    if (hmenu) DestroyMenu(hmenu);
  }
};

constexpr UINT kFirst = 1;

void Collect(Menu& m) {
  const int count = GetMenuItemCount(m.hmenu);
  for (int i = 0; i < count; ++i) {
    MENUITEMINFOW info = {};
    wchar_t caption[512] = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID | MIIM_STRING | MIIM_STATE | MIIM_FTYPE;
    info.dwTypeData = caption;
    info.cch = 511;
    if (!GetMenuItemInfoW(m.hmenu, i, TRUE, &info) || (info.fType & MFT_SEPARATOR) || info.wID < kFirst) continue;
    wchar_t verb[256] = {};
    if (FAILED(m.menu->GetCommandString(info.wID - kFirst, GCS_VERBW, nullptr, reinterpret_cast<LPSTR>(verb), 256)))
      continue;
    if (wcsncmp(verb, L"VorluneFolder", 13) != 0) continue;
    m.entries.push_back({info.wID, verb, caption, !(info.fState & MFS_DISABLED)});
  }
}

bool Query(Menu& m) {
  m.hmenu = CreatePopupMenu();
  if (FAILED(m.menu->QueryContextMenu(m.hmenu, 0, kFirst, 0x7FFF, CMF_NORMAL))) return false;
  Collect(m);
  return !m.entries.empty();
}

// The shell's own menu of the item.
bool ShellMenu(const std::wstring& path, Menu& m) {
  PIDLIST_ABSOLUTE pidl = nullptr;
  if (FAILED(SHParseDisplayName(path.c_str(), nullptr, &pidl, 0, nullptr))) return false;
  IShellFolder* parent = nullptr;
  PCUITEMID_CHILD child = nullptr;
  bool ok = false;
  if (SUCCEEDED(SHBindToParent(pidl, IID_IShellFolder, reinterpret_cast<void**>(&parent), &child))) {
    if (SUCCEEDED(
            parent->GetUIObjectOf(nullptr, 1, &child, IID_IContextMenu, nullptr, reinterpret_cast<void**>(&m.menu)))) {
      ok = Query(m);
      m.via_shell = ok;
    }
    parent->Release();
  }
  CoTaskMemFree(pidl);
  return ok;
}

// The handlers registered for a class, as the merged classes view of Windows
// gives them: the user's classes first, then the machine's. (Wine's
// HKEY_CLASSES_ROOT shows only the machine's.)
std::vector<std::wstring> HandlerClsids(const std::wstring& kind) {
  std::vector<std::wstring> out;
  const std::wstring sub = kind + L"\\shellex\\ContextMenuHandlers";
  const std::pair<HKEY, std::wstring> roots[] = {{HKEY_CURRENT_USER, L"Software\\Classes\\" + sub},
                                                 {HKEY_CLASSES_ROOT, sub}};
  for (const auto& [root, path] : roots) {
    HKEY handlers = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &handlers) != ERROR_SUCCESS) continue;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
      DWORD len = 256;
      if (RegEnumKeyExW(handlers, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      wchar_t clsid_text[64] = {};
      LONG size = sizeof clsid_text;
      if (RegQueryValueW(handlers, name, clsid_text, &size) != ERROR_SUCCESS) continue;
      bool seen = false;
      for (const auto& c : out) seen = seen || _wcsicmp(c.c_str(), clsid_text) == 0;
      if (!seen) out.push_back(clsid_text);
    }
    RegCloseKey(handlers);
  }
  return out;
}

// Creates the class as COM does: through CoCreateInstance, or for a class of
// the user's own registration that Wine's COM does not look at, from the
// library its InprocServer32 names.
const wchar_t* g_created = L"";
IShellExtInit* CreateHandler(const std::wstring& clsid_text) {
  CLSID clsid;
  if (FAILED(CLSIDFromString(clsid_text.c_str(), &clsid))) return nullptr;
  IShellExtInit* init = nullptr;
  HRESULT hr =
      CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit, reinterpret_cast<void**>(&init));
  std::fwprintf(stderr, L"handler %ls: CoCreateInstance %08lx\n", clsid_text.c_str(), hr);
  if (SUCCEEDED(hr)) {
    g_created = L"com";
    return init;
  }
  const std::wstring key = L"Software\\Classes\\CLSID\\" + clsid_text + L"\\InprocServer32";
  wchar_t path[MAX_PATH * 4] = {};
  LONG size = sizeof path;
  if (RegQueryValueW(HKEY_CURRENT_USER, key.c_str(), path, &size) != ERROR_SUCCESS) return nullptr;
  HMODULE lib = LoadLibraryW(path);
  if (!lib) return nullptr;
  using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
  auto get = reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(lib, "DllGetClassObject")));
  IClassFactory* factory = nullptr;
  if (!get || FAILED(get(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)))) return nullptr;
  hr = factory->CreateInstance(nullptr, IID_IShellExtInit, reinterpret_cast<void**>(&init));
  factory->Release();
  if (FAILED(hr)) return nullptr;
  g_created = L"user-class";
  return init;
}

// Each handler registered for the kind, created and initialised as Explorer
// does, until one gives the extension's entries.
bool HandlerMenu(const std::wstring& kind, const std::wstring& path, Menu& m) {
  PIDLIST_ABSOLUTE pidl = nullptr;
  if (FAILED(SHParseDisplayName(path.c_str(), nullptr, &pidl, 0, nullptr))) return false;
  IDataObject* data = nullptr;
  PIDLIST_ABSOLUTE parent_pidl = nullptr;
  const bool background = kind == L"Directory\\Background";
  if (!background) {
    IShellFolder* parent = nullptr;
    PCUITEMID_CHILD child = nullptr;
    if (SUCCEEDED(SHBindToParent(pidl, IID_IShellFolder, reinterpret_cast<void**>(&parent), &child))) {
      parent->GetUIObjectOf(nullptr, 1, &child, IID_IDataObject, nullptr, reinterpret_cast<void**>(&data));
      parent->Release();
    }
    parent_pidl = ILClone(pidl);
    ILRemoveLastID(parent_pidl);
  }
  HKEY progid = nullptr;
  RegOpenKeyExW(HKEY_CLASSES_ROOT, kind.c_str(), 0, KEY_READ, &progid);
  bool ok = false;
  for (const auto& clsid : HandlerClsids(kind)) {
    IShellExtInit* init = CreateHandler(clsid);
    if (!init) continue;
    if (SUCCEEDED(init->Initialize(background ? pidl : parent_pidl, background ? nullptr : data, progid)) &&
        SUCCEEDED(init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&m.menu)))) {
      ok = Query(m);
      if (!ok) {
        m.menu->Release();
        m.menu = nullptr;
        DestroyMenu(m.hmenu);
        m.hmenu = nullptr;
      }
    }
    init->Release();
    if (ok) break;
  }
  if (progid) RegCloseKey(progid);
  if (data) data->Release();
  if (parent_pidl) CoTaskMemFree(parent_pidl);
  CoTaskMemFree(pidl);
  return ok;
}

bool GetMenu(const std::wstring& kind, const std::wstring& path, Menu& m) {
  if (kind != L"Directory\\Background" && ShellMenu(path, m)) return true;
  if (m.menu) {
    m.menu->Release();
    m.menu = nullptr;
  }
  if (m.hmenu) {
    DestroyMenu(m.hmenu);
    m.hmenu = nullptr;
  }
  m.entries.clear();
  return HandlerMenu(kind, path, m);
}

void Print(const std::wstring& text) {
  // UTF-8 on stdout so the scenario can compare non-ASCII captions.
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n - 1 : 0, '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), n, nullptr, nullptr);
  std::printf("%s\n", out.c_str());
}

int Lifetime(const std::wstring& dll) {
  HMODULE lib = LoadLibraryW(dll.c_str());
  if (!lib) return Print(L"lifetime: cannot load " + dll), 1;
  using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
  using CanUnload = HRESULT(WINAPI*)();
  auto get = reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(lib, "DllGetClassObject")));
  auto can = reinterpret_cast<CanUnload>(reinterpret_cast<void*>(GetProcAddress(lib, "DllCanUnloadNow")));
  if (!get || !can) return Print(L"lifetime: exports missing"), 1;
  CLSID clsid;
  CLSIDFromString(kClsid, &clsid);
  auto step = [&](bool ok, const wchar_t* what) {
    if (!ok) Print(std::wstring(L"lifetime: failed at ") + what);
    return ok;
  };
  if (!step(can() == S_OK, L"nothing alive at load")) return 1;
  IClassFactory* factory = nullptr;
  const CLSID other = {0x12345678, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
  if (!step(get(other, IID_IClassFactory, reinterpret_cast<void**>(&factory)) == CLASS_E_CLASSNOTAVAILABLE,
            L"another class refused"))
    return 1;
  if (!step(SUCCEEDED(get(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory))), L"class factory")) return 1;
  if (!step(can() == S_FALSE, L"factory alive")) return 1;
  IContextMenu* menu = nullptr;
  if (!step(factory->CreateInstance(reinterpret_cast<IUnknown*>(factory), IID_IContextMenu,
                                    reinterpret_cast<void**>(&menu)) == CLASS_E_NOAGGREGATION,
            L"aggregation refused"))
    return 1;
  if (!step(SUCCEEDED(factory->CreateInstance(nullptr, IID_IContextMenu, reinterpret_cast<void**>(&menu))),
            L"menu object"))
    return 1;
  IShellExtInit* init = nullptr;
  if (!step(SUCCEEDED(menu->QueryInterface(IID_IShellExtInit, reinterpret_cast<void**>(&init))), L"IShellExtInit"))
    return 1;
  IUnknown* unknown_a = nullptr;
  IUnknown* unknown_b = nullptr;
  menu->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown_a));
  init->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown_b));
  if (!step(unknown_a && unknown_a == unknown_b, L"one identity")) return 1;
  unknown_a->Release();
  unknown_b->Release();
  factory->LockServer(TRUE);
  factory->Release();
  if (!step(can() == S_FALSE, L"menu object and lock alive")) return 1;
  menu->Release();
  if (!step(can() == S_FALSE, L"second interface alive")) return 1;
  init->Release();
  if (!step(can() == S_FALSE, L"lock alive")) return 1;
  // The lock is taken back through a new factory.
  if (!step(SUCCEEDED(get(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory))), L"second factory")) return 1;
  factory->LockServer(FALSE);
  factory->Release();
  if (!step(can() == S_OK, L"all gone")) return 1;
  FreeLibrary(lib);
  Print(L"lifetime ok");
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  const std::wstring cmd = argv[1];
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  int rc = 2;
  if (cmd == L"lifetime") {
    rc = Lifetime(argv[2]);
  } else if (cmd == L"favourite") {
    wchar_t data[1024] = {};
    DWORD size = sizeof data;
    rc = 1;
    if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\Quantrel\\Vorlune Folder\\Path", argv[2], RRF_RT_REG_SZ, nullptr,
                     data, &size) == ERROR_SUCCESS) {
      Print(data);
      rc = 0;
    }
  } else if ((cmd == L"list" && argc >= 4) || (cmd == L"invoke" && argc >= 5)) {
    Menu m;
    if (!GetMenu(argv[2], argv[3], m)) {
      Print(L"no extension entries");
      rc = 1;
    } else if (cmd == L"list") {
      Print(m.via_shell ? std::wstring(L"via=shell") : std::wstring(L"via=handler created=") + g_created);
      for (const auto& e : m.entries)
        Print(L"entry " + e.verb + L"|" + e.caption + L"|enabled=" + (e.enabled ? L"1" : L"0"));
      rc = 0;
    } else {
      rc = 1;
      for (const auto& e : m.entries) {
        if (e.verb != argv[4]) continue;
        CMINVOKECOMMANDINFOEX info = {};
        info.cbSize = sizeof info;
        info.fMask = CMIC_MASK_UNICODE | CMIC_MASK_FLAG_NO_UI;
        info.hwnd = GetForegroundWindow();
        info.lpVerb = MAKEINTRESOURCEA(e.id - kFirst);
        info.lpVerbW = MAKEINTRESOURCEW(e.id - kFirst);
        info.nShow = SW_SHOWNORMAL;
        const HRESULT hr = m.menu->InvokeCommand(reinterpret_cast<CMINVOKECOMMANDINFO*>(&info));
        Print(L"invoked " + e.verb + L" hr=" + std::to_wstring(static_cast<long>(hr)));
        rc = SUCCEEDED(hr) ? 0 : 1;
      }
    }
  }
  CoUninitialize();
  return rc;
}
