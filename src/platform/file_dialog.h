// The common file dialogs (GetOpenFileNameW, GetSaveFileNameW) of the
// configuration-file commands.
//
// win32 sources include this header before <windows.h>, whose macros share
// the constants' names.
#pragma once
#include <cstdint>
#include <string>

#include "platform/types.h"

namespace plat {

constexpr std::uint32_t OFN_OVERWRITEPROMPT = 0x00000002;
constexpr std::uint32_t OFN_HIDEREADONLY = 0x00000004;
constexpr std::uint32_t OFN_NOCHANGEDIR = 0x00000008;
constexpr std::uint32_t OFN_PATHMUSTEXIST = 0x00000800;
constexpr std::uint32_t OFN_FILEMUSTEXIST = 0x00001000;
constexpr std::uint32_t OFN_EXPLORER = 0x00080000;
constexpr std::uint32_t OFN_ENABLESIZING = 0x00800000;

// OPENFILENAMEW, reduced to what the agent sets and reads.
struct OpenFileName {
  Window owner = 0;
  // Pairs of description and pattern joined by "|" ("Vorlune Folder
  // settings|*.qxs"); the seam turns them into the zero-separated form.
  std::wstring filter;
  std::wstring initial_dir;
  std::wstring title;
  std::wstring default_ext;  // without the dot
  std::uint32_t flags = 0;
  // In: the proposed file name; out: the chosen file's full path.
  std::wstring file;
};

// The dialogs; false when the user cancelled (or the dialog failed, with
// CommDlgExtendedError in LastError()).
bool GetOpenFileName(OpenFileName& ofn);
bool GetSaveFileName(OpenFileName& ofn);

}  // namespace plat
