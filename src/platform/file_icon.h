// Small file icons from the shell (SHGetFileInfoW with SHGFI_ICON |
// SHGFI_SMALLICON) and the icon handles (HICON) they come as.
//
// Icons are numbers; 0 is none. Whoever receives an icon owns it and ends it
// with DestroyIcon. The sim hands out numbered icons with sizes a test sets
// (sim/sim_file_icon.h).
#pragma once
#include <cstdint>
#include <string>

#include "platform/types.h"

namespace plat {

// SHGetFileInfoW(path, 0, &info, sizeof info, SHGFI_ICON | SHGFI_SMALLICON):
// the file's small icon, 0 when the shell gives none.
Handle SHGetFileInfoSmallIcon(const std::wstring& path);

// Width and height of an icon (GetIconInfo and the bitmap's size); false when
// the handle is no icon.
bool GetIconSize(Handle icon, int& width, int& height);

// DestroyIcon.
void DestroyIcon(Handle icon);

// CopyIcon: a second handle of the same picture, owned by the caller.
Handle CopyIcon(Handle icon);

// The generic document picture (a page with a small program window), 16 by
// 16, owned by the caller.
Handle DefaultDocumentIcon();

}  // namespace plat
