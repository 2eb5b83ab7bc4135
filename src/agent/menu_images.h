// ImageList1: the 16x16 pictures of both popup menus. Images 0 to 12 are the
// favourites icon set (variations of a yellow folder), 13 to 19 the tray
// menu's commands: an open folder with a green arrow up, one with a green arrow
// down, a page with a gear, a floppy disk, an open folder, a question mark in a
// blue circle, a web-browser globe.
#pragma once
#include <vector>

#include "platform/menu.h"

namespace agent {

inline constexpr int kFavouriteIconCount = 13;
inline constexpr int kImageList1Count = 20;

std::vector<plat::MenuImage> MakeImageList1();

}  // namespace agent
