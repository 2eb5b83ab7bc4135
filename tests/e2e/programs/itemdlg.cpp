// e2e test program: opens an Open dialog through IFileOpenDialog (the Common
// Item Dialog) titled "Item Test" on a folder with a file name typed in, and
// reports into a status file every 100 ms:
//   dialog=<hwnd hex>
//   folder=<the folder of the dialog's latest OnFolderChange event>
//   changes=<how many OnFolderChange events came>
//   filename=<the text of its file name box (control 1152)>
//   tree=<class>|<style hex>|<ex-style hex>|<depth>|<control id>  (the dialog's window tree)
//
// itemdlg.exe STATUS_FILE INITIAL_FOLDER INITIAL_FILE_NAME
#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

#include "window_dump.h"

namespace {

std::wstring g_status;
std::atomic<bool> g_done{false};
std::mutex g_lock;
std::wstring g_folder;
int g_changes = 0;

HWND FindDialog() {
  struct Ctx {
    DWORD pid;
    HWND found;
  } ctx{GetCurrentProcessId(), nullptr};
  EnumWindows(
      [](HWND h, LPARAM lp) -> BOOL {
        auto* c = reinterpret_cast<Ctx*>(lp);
        DWORD pid = 0;
        GetWindowThreadProcessId(h, &pid);
        wchar_t title[64] = {};
        GetWindowTextW(h, title, 64);
        if (pid == c->pid && std::wstring(title) == L"Item Test") {
          c->found = h;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&ctx));
  return ctx.found;
}

void Report(HWND dialog) {
  wchar_t name[MAX_PATH] = {};
  if (HWND edit = GetDlgItem(dialog, 1152))
    SendMessageTimeoutW(edit, WM_GETTEXT, MAX_PATH, reinterpret_cast<LPARAM>(name), SMTO_NORMAL, 500, nullptr);
  char head[64];
  std::snprintf(head, sizeof head, "dialog=%llX\n",
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(dialog)));
  std::string text = head;
  {
    std::lock_guard<std::mutex> hold(g_lock);
    text += "folder=" + Utf8(g_folder) + "\n";
    text += "changes=" + std::to_string(g_changes) + "\n";
  }
  text += "filename=" + Utf8(name) + "\n";
  Tree(dialog, 0, text);
  std::wstring tmp = g_status + L".tmp";
  HANDLE f = CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(f);
  MoveFileExW(tmp.c_str(), g_status.c_str(), MOVEFILE_REPLACE_EXISTING);
}

// The dialog's events: only the folder changes are noted.
class Events : public IFileDialogEvents {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (riid == IID_IUnknown || riid == IID_IFileDialogEvents) {
      *out = static_cast<IFileDialogEvents*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs_; }
  HRESULT STDMETHODCALLTYPE OnFileOk(IFileDialog*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnFolderChanging(IFileDialog*, IShellItem*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnFolderChange(IFileDialog* dialog) override {
    IShellItem* item = nullptr;
    if (SUCCEEDED(dialog->GetFolder(&item)) && item) {
      wchar_t* path = nullptr;
      if (SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, &path)) && path) {
        std::lock_guard<std::mutex> hold(g_lock);
        g_folder = path;
        ++g_changes;
        CoTaskMemFree(path);
      }
      item->Release();
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnSelectionChange(IFileDialog*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnShareViolation(IFileDialog*, IShellItem*, FDE_SHAREVIOLATION_RESPONSE*) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnTypeChange(IFileDialog*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnOverwrite(IFileDialog*, IShellItem*, FDE_OVERWRITE_RESPONSE*) override { return S_OK; }

 private:
  ULONG refs_ = 1;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: itemdlg STATUS_FILE INITIAL_FOLDER INITIAL_FILE_NAME\n");
    return 2;
  }
  g_status = argv[1];
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 3;
  IFileOpenDialog* dialog = nullptr;
  if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileOpenDialog,
                              reinterpret_cast<void**>(&dialog)))) {
    std::fprintf(stderr, "no IFileOpenDialog\n");
    return 4;
  }
  Events events;
  DWORD cookie = 0;
  dialog->Advise(&events, &cookie);
  dialog->SetTitle(L"Item Test");
  dialog->SetFileName(argv[3]);
  IShellItem* start = nullptr;
  if (SUCCEEDED(SHCreateItemFromParsingName(argv[2], nullptr, IID_IShellItem, reinterpret_cast<void**>(&start)))) {
    dialog->SetFolder(start);
    start->Release();
  }
  std::thread watcher([] {
    while (!g_done) {
      if (HWND d = FindDialog()) Report(d);
      Sleep(100);
    }
  });
  HRESULT shown = dialog->Show(nullptr);
  g_done = true;
  watcher.join();
  dialog->Unadvise(cookie);
  dialog->Release();
  CoUninitialize();
  std::printf("result=%08lX\n", static_cast<unsigned long>(shown));
  return 0;
}
