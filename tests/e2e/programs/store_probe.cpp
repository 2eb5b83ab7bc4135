// store_probe: the store's shell-link seam and file helpers under Wine.
//
//   store_probe shortcut TARGET favorites RELPATH
//       makes a shortcut to TARGET at RELPATH inside the user's Favorites
//       folder (as the Shell Folders key names it, else the shell's), with
//       the folders on the way
//   store_probe read LINK
//       prints "target=PATH" of a shortcut file, or fails
//   store_probe folder NAME
//       prints "NAME=PATH" of a Shell Folders value
//   store_probe answer TITLE FILE
//       types FILE into the file name box of the file dialog titled TITLE
//       and presses its OK button (as a user would, without needing the
//       keyboard focus of the X display)
//   store_probe box-exists TITLE
//       succeeds while a dialog titled TITLE is shown
//   store_probe box TITLE
//       prints the texts of the dialog titled TITLE ("text=..." per static
//       control) and presses its OK button
// Seam headers come before <windows.h>: its macros share the constants' names.
#include "infra/registry.h"
#include "platform/files.h"
#include "platform/shell_link.h"
#include "store/favourites.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

namespace {

std::string Ascii(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
  return out;
}

std::wstring ShellFolder(const std::wstring& name) {
  try {
    infra::TRegistry reg;
    if (reg.OpenKeyReadOnly(store::kShellFoldersKey) && reg.ValueExists(name)) return reg.ReadString(name);
  } catch (...) {}
  return L"";
}

HWND FindDialog(const std::wstring& title) { return FindWindowW(L"#32770", title.c_str()); }

BOOL CALLBACK PrintStatic(HWND w, LPARAM) {
  wchar_t cls[64] = {};
  GetClassNameW(w, cls, 64);
  if (lstrcmpiW(cls, L"Static") == 0) {
    wchar_t text[512] = {};
    GetWindowTextW(w, text, 512);
    if (text[0]) std::printf("text=%s\n", Ascii(text).c_str());
  }
  return TRUE;
}

// The first visible edit control of the dialog: in a file dialog, the file
// name box.
BOOL CALLBACK FindEdit(HWND w, LPARAM found) {
  wchar_t cls[64] = {};
  GetClassNameW(w, cls, 64);
  if (lstrcmpiW(cls, L"Edit") == 0 && IsWindowVisible(w)) {
    *reinterpret_cast<HWND*>(found) = w;
    return FALSE;
  }
  return TRUE;
}

void PressOk(HWND dialog) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  if (command == L"shortcut" && argc == 5) {
    std::wstring favorites = ShellFolder(L"Favorites");
    if (favorites.empty()) {
      wchar_t path[MAX_PATH] = {};
      if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_FAVORITES | CSIDL_FLAG_CREATE, nullptr, 0, path))) favorites = path;
    }
    if (favorites.empty()) return 2;
    const std::wstring link = favorites + L"\\" + argv[4];
    plat::CreateDirectories(link.substr(0, link.rfind(L'\\')));
    if (!plat::WriteShortcut(link, argv[2])) return 1;
    std::printf("link=%s\n", Ascii(link).c_str());
    return 0;
  }
  if (command == L"read" && argc == 3) {
    std::wstring target;
    if (!plat::ReadShortcutTarget(argv[2], target)) return 1;
    std::printf("target=%s\n", Ascii(target).c_str());
    return 0;
  }
  if (command == L"folder" && argc == 3) {
    std::printf("%s=%s\n", Ascii(argv[2]).c_str(), Ascii(ShellFolder(argv[2])).c_str());
    return 0;
  }
  if (command == L"answer" && argc == 4) {
    HWND dialog = FindDialog(argv[2]);
    if (!dialog) return 1;
    // The file name box: the edit of combo box cmb13, or edit edt1.
    HWND edit = nullptr;
    if (HWND combo = GetDlgItem(dialog, 0x47C)) edit = FindWindowExW(combo, nullptr, L"Edit", nullptr);
    if (!edit) edit = GetDlgItem(dialog, 0x480);
    if (!edit) EnumChildWindows(dialog, FindEdit, reinterpret_cast<LPARAM>(&edit));
    if (!edit) return 3;
    SendMessageTimeoutW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[3]), SMTO_ABORTIFHUNG, 2000, nullptr);
    PressOk(dialog);
    return 0;
  }
  if (command == L"box-exists" && argc == 3) return FindDialog(argv[2]) ? 0 : 1;
  if (command == L"box" && argc == 3) {
    HWND dialog = FindDialog(argv[2]);
    if (!dialog) return 1;
    EnumChildWindows(dialog, PrintStatic, 0);
    std::fflush(stdout);
    PressOk(dialog);
    return 0;
  }
  std::fprintf(stderr,
               "usage: store_probe shortcut TARGET favorites RELPATH | read LINK | folder NAME | answer TITLE FILE | "
               "box TITLE\n");
  return 2;
}
