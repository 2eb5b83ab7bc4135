// Identifiers shared by qorbin.rc and the win32 backend.
#pragma once
#define IDI_QORBIN 100
// ImageList1, the pictures of both popup menus: IDI_MENU_FIRST + image index
// (0-12 the favourites icon set, 13-19 the command pictures).
#define IDI_MENU_FIRST 200
#define IDI_MENU_COUNT 20
