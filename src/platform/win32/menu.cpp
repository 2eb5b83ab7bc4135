// Popup menus rendered from the menu model with TrackPopupMenu.
#include "platform/menu.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>

namespace plat {
namespace {

std::mutex g_images_lock;
std::vector<HBITMAP> g_bitmaps;

HBITMAP MakeBitmap(const MenuImage& image) {
  if (image.pixels.size() != 16 * 16) return nullptr;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = 16;
  bi.bmiHeader.biHeight = -16;  // top row first
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bmp = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bmp || !bits) return bmp;
  // Transparent pixels take the menu's colour, and the bitmap is opaque: not
  // every system draws the alpha channel of menu item bitmaps.
  const COLORREF menu = ::GetSysColor(COLOR_MENU);
  const std::uint32_t r = GetRValue(menu), g = GetGValue(menu), b = GetBValue(menu);
  auto* out = static_cast<std::uint32_t*>(bits);
  for (std::size_t i = 0; i < 256; ++i) {
    const std::uint32_t p = image.pixels[i];
    const std::uint32_t a = p >> 24;
    const std::uint32_t pr = ((p >> 16) & 0xFF) + r * (255 - a) / 255;
    const std::uint32_t pg = ((p >> 8) & 0xFF) + g * (255 - a) / 255;
    const std::uint32_t pb = (p & 0xFF) + b * (255 - a) / 255;
    out[i] = 0xFF000000u | (std::min<std::uint32_t>(pr, 255) << 16) | (std::min<std::uint32_t>(pg, 255) << 8) |
             std::min<std::uint32_t>(pb, 255);
  }
  return bmp;
}

HBITMAP ImageFor(int index) {
  std::lock_guard<std::mutex> g(g_images_lock);
  if (index < 0 || index >= static_cast<int>(g_bitmaps.size())) return nullptr;
  return g_bitmaps[static_cast<std::size_t>(index)];
}

// Appends the visible items of menu to h; ids maps command ids to items.
void Fill(HMENU h, const Menu& menu, std::map<UINT, const MenuItem*>& ids, UINT& next_id) {
  for (const auto& item : menu) {
    if (!item.visible) continue;
    MENUITEMINFOW mi{};
    mi.cbSize = sizeof(mi);
    if (item.IsSeparator()) {
      mi.fMask = MIIM_FTYPE;
      mi.fType = MFT_SEPARATOR;
      ::InsertMenuItemW(h, ::GetMenuItemCount(h), TRUE, &mi);
      continue;
    }
    mi.fMask = MIIM_STRING | MIIM_STATE | MIIM_ID;
    mi.dwTypeData = const_cast<wchar_t*>(item.caption.c_str());
    mi.fState = (item.enabled ? MFS_ENABLED : MFS_DISABLED) | (item.checked ? MFS_CHECKED : 0) |
                (item.is_default ? MFS_DEFAULT : 0);
    mi.wID = next_id++;
    if (!item.items.empty()) {
      HMENU sub = ::CreatePopupMenu();
      Fill(sub, item.items, ids, next_id);
      mi.fMask |= MIIM_SUBMENU;
      mi.hSubMenu = sub;
    } else {
      ids[mi.wID] = &item;
    }
    if (HBITMAP bmp = ImageFor(item.image)) {
      mi.fMask |= MIIM_BITMAP;
      mi.hbmpItem = bmp;
    }
    ::InsertMenuItemW(h, ::GetMenuItemCount(h), TRUE, &mi);
  }
}

// Thread messages that arrive while a menu is open would be dispatched to no
// window by the menu's modal loop and lost; the message filter hook keeps them
// and they are posted again once the menu has closed.
thread_local std::vector<MSG> t_held;

LRESULT CALLBACK HoldThreadMessages(int code, WPARAM wparam, LPARAM lparam) {
  auto* msg = reinterpret_cast<MSG*>(lparam);
  if (code == MSGF_MENU && msg && msg->hwnd == nullptr && msg->message != WM_NULL) {
    t_held.push_back(*msg);
    return TRUE;  // processed: the menu leaves it alone
  }
  return ::CallNextHookEx(nullptr, code, wparam, lparam);
}

}  // namespace

const MenuItem* TrackPopupMenu(const Menu& menu, Point pt, Window owner) {
  HWND hwnd = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(owner));
  HMENU h = ::CreatePopupMenu();
  if (!h) return nullptr;
  std::map<UINT, const MenuItem*> ids;
  UINT next_id = 1;
  Fill(h, menu, ids, next_id);
  // The owner must be the foreground window, or the menu does not close when
  // the user clicks elsewhere.
  ::SetForegroundWindow(hwnd);
  std::vector<MSG> outer;
  outer.swap(t_held);
  HHOOK hook = ::SetWindowsHookExW(WH_MSGFILTER, HoldThreadMessages, nullptr, ::GetCurrentThreadId());
  UINT chosen = static_cast<UINT>(
      ::TrackPopupMenu(h, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, pt.x, pt.y, 0, hwnd, nullptr));
  if (hook) ::UnhookWindowsHookEx(hook);
  ::DestroyMenu(h);  // also destroys the submenus
  for (const MSG& m : t_held) ::PostThreadMessageW(::GetCurrentThreadId(), m.message, m.wParam, m.lParam);
  t_held.swap(outer);
  auto it = ids.find(chosen);
  return it == ids.end() ? nullptr : it->second;
}

void SetMenuImages(std::vector<MenuImage> images) {
  std::lock_guard<std::mutex> g(g_images_lock);
  for (HBITMAP b : g_bitmaps) {
    if (b) ::DeleteObject(b);
  }
  g_bitmaps.clear();
  for (const auto& image : images) g_bitmaps.push_back(MakeBitmap(image));
}

}  // namespace plat
