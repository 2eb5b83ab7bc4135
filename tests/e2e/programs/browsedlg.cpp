// e2e test program: shows the shell's browse-for-folder dialog
// (SHBrowseForFolderW, new style) titled "Browse Test" on a folder and, from a
// watcher thread, reports what it shows into a status file every 100 ms:
//   dialog=<hwnd hex>
//   selected=<the folder of the callback's latest BFFM_SELCHANGED>
//   changes=<how many BFFM_SELCHANGED came>
//   edit=<the text of its visible edit box, if any>
//   caret=<the text of the tree's selected item>
//   tree=<class>|<style hex>|<ex-style hex>|<depth>|<control id>  (the dialog's window tree)
// and, once the dialog is closed, result=<the chosen folder> (empty on Cancel).
//
// browsedlg.exe STATUS_FILE INITIAL_FOLDER edit|tree
//   edit: BIF_EDITBOX (the dialog has an edit box); tree: no edit box.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

#include "window_dump.h"

namespace {

std::wstring g_status;
std::wstring g_initial;
std::atomic<bool> g_done{false};
std::atomic<HWND> g_dialog{nullptr};
std::mutex g_lock;
std::wstring g_selected;
int g_changes = 0;

HWND FindChild(HWND parent, const wchar_t* cls) {
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    if (ClassOf(c) == cls && IsWindowVisible(c)) return c;
    if (HWND inner = FindChild(c, cls)) return inner;
  }
  return nullptr;
}

std::wstring TextOf(HWND h) {
  wchar_t buf[MAX_PATH] = {};
  if (h) SendMessageTimeoutW(h, WM_GETTEXT, MAX_PATH, reinterpret_cast<LPARAM>(buf), SMTO_NORMAL, 500, nullptr);
  return buf;
}

std::wstring CaretText(HWND dialog) {
  HWND tree = FindChild(dialog, L"SysTreeView32");
  if (!tree) return L"";
  DWORD_PTR item = 0;
  if (!SendMessageTimeoutW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0, SMTO_NORMAL, 500, &item) || !item) return L"";
  wchar_t buf[MAX_PATH] = {};
  TVITEMW tv{};
  tv.mask = TVIF_TEXT;
  tv.hItem = reinterpret_cast<HTREEITEM>(item);
  tv.pszText = buf;
  tv.cchTextMax = MAX_PATH;
  SendMessageTimeoutW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv), SMTO_NORMAL, 500, nullptr);
  return buf;
}

void WriteStatus(const std::string& text) {
  std::wstring tmp = g_status + L".tmp";
  HANDLE f = CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(f);
  MoveFileExW(tmp.c_str(), g_status.c_str(), MOVEFILE_REPLACE_EXISTING);
}

std::string Common() {
  std::lock_guard<std::mutex> g(g_lock);
  return "selected=" + Utf8(g_selected) + "\nchanges=" + std::to_string(g_changes) + "\n";
}

void Report(HWND dialog) {
  char head[64];
  std::snprintf(head, sizeof head, "dialog=%llX\n",
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(dialog)));
  std::string text = head + Common();
  text += "edit=" + Utf8(TextOf(FindChild(dialog, L"Edit"))) + "\n";
  text += "caret=" + Utf8(CaretText(dialog)) + "\n";
  Tree(dialog, 0, text);
  WriteStatus(text);
}

int CALLBACK Callback(HWND dialog, UINT msg, LPARAM lparam, LPARAM) {
  if (msg == BFFM_INITIALIZED) {
    SetWindowTextW(dialog, L"Browse Test");
    SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(g_initial.c_str()));
    g_dialog = dialog;
  } else if (msg == BFFM_SELCHANGED) {
    wchar_t path[MAX_PATH] = {};
    SHGetPathFromIDListW(reinterpret_cast<LPCITEMIDLIST>(lparam), path);
    std::lock_guard<std::mutex> g(g_lock);
    g_selected = path;
    ++g_changes;
  }
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: browsedlg STATUS_FILE INITIAL_FOLDER edit|tree\n");
    return 2;
  }
  g_status = argv[1];
  g_initial = argv[2];
  const bool edit = std::wstring(argv[3]) == L"edit";
  OleInitialize(nullptr);
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);

  std::thread watcher([] {
    while (!g_done) {
      if (HWND d = g_dialog.load()) Report(d);
      Sleep(100);
    }
  });

  BROWSEINFOW bi{};
  bi.lpszTitle = L"Choose a folder";
  bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | (edit ? BIF_EDITBOX : 0);
  bi.lpfn = Callback;
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&bi);
  g_done = true;
  watcher.join();
  wchar_t path[MAX_PATH] = {};
  if (chosen) {
    SHGetPathFromIDListW(chosen, path);
    CoTaskMemFree(chosen);
  }
  WriteStatus(Common() + "result=" + Utf8(path) + "\n");
  std::printf("result=%s\n", Utf8(path).c_str());
  OleUninitialize();
  return 0;
}
