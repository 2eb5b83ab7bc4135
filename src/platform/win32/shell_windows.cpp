#include "platform/shell_windows.h"

#include <windows.h>
#include <exdisp.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <servprov.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace plat {
namespace {

// SID_STopLevelBrowser: the service of a folder window's browser.
const GUID kTopLevelBrowser = {0x4C96BE40, 0x915C, 0x11CF, {0x99, 0xD3, 0x00, 0xAA, 0x00, 0x4A, 0xE8, 0x37}};

template <typename T>
struct Com {
  T* p = nullptr;
  ~Com() {
    if (p) p->Release();
  }
  T** out() { return &p; }
  T* operator->() const { return p; }
  explicit operator bool() const { return p != nullptr; }
};

// The folder a view shows and whether it is its window's selected tab.
bool ReadView(IDispatch* item, ShellWindowView* view) {
  Com<IWebBrowser2> browser;
  if (FAILED(item->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(browser.out()))) || !browser) return false;
  SHANDLE_PTR hwnd = 0;
  if (FAILED(browser->get_HWND(&hwnd)) || !hwnd) return false;
  view->frame = static_cast<Window>(static_cast<std::uintptr_t>(hwnd));
  Com<IServiceProvider> services;
  if (FAILED(browser->QueryInterface(IID_IServiceProvider, reinterpret_cast<void**>(services.out()))) || !services)
    return true;
  Com<IShellBrowser> shell_browser;
  if (FAILED(
          services->QueryService(kTopLevelBrowser, IID_IShellBrowser, reinterpret_cast<void**>(shell_browser.out()))) ||
      !shell_browser)
    return true;
  // The tab's own window is visible only while the tab is selected.
  HWND tab = nullptr;
  if (SUCCEEDED(shell_browser->GetWindow(&tab)) && tab && tab != reinterpret_cast<HWND>(hwnd))
    view->selected = IsWindowVisible(tab) != FALSE;
  Com<IShellView> shell_view;
  if (FAILED(shell_browser->QueryActiveShellView(shell_view.out())) || !shell_view) return true;
  Com<IFolderView> folder_view;
  if (FAILED(shell_view->QueryInterface(IID_IFolderView, reinterpret_cast<void**>(folder_view.out()))) || !folder_view)
    return true;
  Com<IPersistFolder2> folder;
  if (FAILED(folder_view->GetFolder(IID_IPersistFolder2, reinterpret_cast<void**>(folder.out()))) || !folder)
    return true;
  LPITEMIDLIST pidl = nullptr;
  if (SUCCEEDED(folder->GetCurFolder(&pidl)) && pidl) {
    wchar_t path[32768] = {};
    if (SHGetPathFromIDListEx(pidl, path, 32768, 0)) view->folder = path;
    CoTaskMemFree(pidl);
  }
  return true;
}

struct Query {
  std::mutex lock;
  std::condition_variable done_cv;
  bool done = false;
  bool ok = false;
  std::vector<ShellWindowView> views;
};

void RunQuery(const std::shared_ptr<Query>& q) {
  std::vector<ShellWindowView> views;
  bool ok = false;
  const HRESULT init = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  {
    Com<IShellWindows> windows;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_ALL, IID_IShellWindows,
                                   reinterpret_cast<void**>(windows.out()))) &&
        windows) {
      long count = 0;
      if (SUCCEEDED(windows->get_Count(&count))) {
        ok = true;
        for (long i = 0; i < count; ++i) {
          VARIANT index;
          VariantInit(&index);
          index.vt = VT_I4;
          index.lVal = i;
          Com<IDispatch> item;
          if (FAILED(windows->Item(index, item.out())) || !item) continue;
          ShellWindowView view;
          if (ReadView(item.p, &view)) views.push_back(std::move(view));
        }
      }
    }
  }
  if (SUCCEEDED(init)) CoUninitialize();
  std::lock_guard<std::mutex> g(q->lock);
  q->ok = ok;
  q->views = std::move(views);
  q->done = true;
  q->done_cv.notify_all();
}

}  // namespace

bool GetShellWindowViews(std::vector<ShellWindowView>* views, std::uint32_t timeout_ms) {
  // The calls go to the shell's process: a shell that does not answer leaves
  // its worker behind, never the caller.
  auto q = std::make_shared<Query>();
  try {
    std::thread([q] { RunQuery(q); }).detach();
  } catch (...) {
    return false;
  }
  std::unique_lock<std::mutex> g(q->lock);
  if (!q->done_cv.wait_for(g, std::chrono::milliseconds(timeout_ms), [&] { return q->done; })) return false;
  if (!q->ok) return false;
  if (views) *views = std::move(q->views);
  return true;
}

}  // namespace plat
