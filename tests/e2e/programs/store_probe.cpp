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
  } catch (...) {
  }
  return L"";
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  if (command == L"shortcut" && argc == 5) {
    std::wstring favorites = ShellFolder(L"Favorites");
    if (favorites.empty()) {
      wchar_t path[MAX_PATH] = {};
      if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_FAVORITES | CSIDL_FLAG_CREATE, nullptr, 0, path)))
        favorites = path;
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
  std::fprintf(stderr, "usage: store_probe shortcut TARGET favorites RELPATH | read LINK | folder NAME\n");
  return 2;
}
