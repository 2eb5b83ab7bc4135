// Small file icons over shell32 and user32.
#include "platform/file_icon.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/win32/unique.h"
#undef CopyIcon

namespace plat {
namespace {
HICON I(Handle h) { return reinterpret_cast<HICON>(static_cast<std::uintptr_t>(h)); }
Handle N(HICON h) { return static_cast<Handle>(reinterpret_cast<std::uintptr_t>(h)); }
}  // namespace

Handle SHGetFileInfoSmallIcon(const std::wstring& path) {
  SHFILEINFOW info{};
  if (!::SHGetFileInfoW(path.c_str(), 0, &info, sizeof(info), SHGFI_ICON | SHGFI_SMALLICON)) return 0;
  return N(info.hIcon);
}

bool GetIconSize(Handle icon, int& width, int& height) {
  width = height = 0;
  ICONINFO ii{};
  if (!icon || !::GetIconInfo(I(icon), &ii)) return false;
  win32::UniqueBitmap color(ii.hbmColor), mask(ii.hbmMask);
  BITMAP bm{};
  bool ok = false;
  if (ii.hbmColor && ::GetObjectW(ii.hbmColor, sizeof(bm), &bm)) {
    width = bm.bmWidth;
    height = bm.bmHeight;
    ok = true;
  } else if (ii.hbmMask && ::GetObjectW(ii.hbmMask, sizeof(bm), &bm)) {
    width = bm.bmWidth;
    height = bm.bmHeight / 2;  // a monochrome icon's mask holds AND and XOR halves
    ok = true;
  }
  return ok;
}

void DestroyIcon(Handle icon) {
  if (icon) ::DestroyIcon(I(icon));
}

Handle CopyIcon(Handle icon) { return icon ? N(::CopyIcon(I(icon))) : 0; }

Handle DefaultDocumentIcon() {
  // The shell's picture of a program's document: shell32 icon 2 (a page
  // with a small program window), else the plain document page.
  HICON small = nullptr;
  wchar_t shell32[MAX_PATH] = {};
  ::GetSystemDirectoryW(shell32, MAX_PATH);
  std::wstring file = std::wstring(shell32) + L"\\shell32.dll";
  if (::ExtractIconExW(file.c_str(), 2, nullptr, &small, 1) == 1 && small) return N(small);
  if (::ExtractIconExW(file.c_str(), 0, nullptr, &small, 1) == 1 && small) return N(small);
  return N(::CopyIcon(::LoadIconW(nullptr, MAKEINTRESOURCEW(32512) /* IDI_APPLICATION */)));
}

}  // namespace plat
