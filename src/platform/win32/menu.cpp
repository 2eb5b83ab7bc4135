// Popup menus rendered from the menu model with TrackPopupMenu. Item pictures
// are 32-bit premultiplied DIB sections made from the program's icon
// resources (ImageList1) or from the recent files' icons (Lst), at the size
// for the DPI of the monitor the menu opens on.
#include "platform/menu.h"

#include <windows.h>

#include <cstring>
#include <cwchar>
#include <map>
#include <mutex>
#include <tuple>
#include <vector>

namespace plat {
namespace {

struct ImageLists {
  std::mutex lock;
  int first_resource = 0;
  int resource_count = 0;
  std::vector<HICON> file_icons;
  // Bitmaps made so far: (list, index, size) -> bitmap.
  std::map<std::tuple<int, int, int>, HBITMAP> bitmaps;
};
ImageLists& L() {
  static ImageLists l;
  return l;
}

void DropBitmaps(int list) {
  for (auto it = L().bitmaps.begin(); it != L().bitmaps.end();) {
    if (std::get<0>(it->first) == list) {
      if (it->second) ::DeleteObject(it->second);
      it = L().bitmaps.erase(it);
    } else {
      ++it;
    }
  }
}

// Pixel size of a small icon on the monitor that holds pt.
int IconSizeAt(POINT pt) {
  using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  static GetDpiForMonitorFn get_dpi = [] {
    HMODULE shcore = ::LoadLibraryW(L"shcore.dll");
    return shcore ? reinterpret_cast<GetDpiForMonitorFn>(
                         reinterpret_cast<void*>(::GetProcAddress(shcore, "GetDpiForMonitor")))
                   : nullptr;
  }();
  UINT dpi = 0;
  if (get_dpi) {
    UINT x = 0, y = 0;
    if (SUCCEEDED(get_dpi(::MonitorFromPoint(pt, MONITOR_DEFAULTTONEAREST), 0 /* MDT_EFFECTIVE_DPI */, &x, &y))) {
      dpi = x;
    }
  }
  if (!dpi) {
    HDC dc = ::GetDC(nullptr);
    dpi = static_cast<UINT>(::GetDeviceCaps(dc, LOGPIXELSX));
    ::ReleaseDC(nullptr, dc);
  }
  if (!dpi) dpi = 96;
  return ::MulDiv(16, static_cast<int>(dpi), 96);
}

// The top-down 32-bit pixels of a bitmap of an icon.
bool ReadBits(HBITMAP bmp, int w, int h, std::vector<std::uint32_t>& px) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  px.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0);
  HDC dc = ::GetDC(nullptr);
  const int rows = ::GetDIBits(dc, bmp, 0, static_cast<UINT>(h), px.data(), &bi, DIB_RGB_COLORS);
  ::ReleaseDC(nullptr, dc);
  return rows == h;
}

// A premultiplied 32-bit DIB section with the icon's picture.
HBITMAP BitmapFromIcon(HICON icon) {
  ICONINFO ii{};
  if (!icon || !::GetIconInfo(icon, &ii)) return nullptr;
  HBITMAP result = nullptr;
  BITMAP bm{};
  if (ii.hbmColor && ::GetObjectW(ii.hbmColor, sizeof bm, &bm) && bm.bmWidth > 0 && bm.bmHeight > 0) {
    const int w = bm.bmWidth, h = bm.bmHeight;
    std::vector<std::uint32_t> px, mask;
    if (ReadBits(ii.hbmColor, w, h, px)) {
      bool has_alpha = false;
      for (std::uint32_t p : px) has_alpha = has_alpha || (p >> 24) != 0;
      if (!has_alpha && ReadBits(ii.hbmMask, w, h, mask)) {
        for (std::size_t i = 0; i < px.size(); ++i) px[i] = (px[i] & 0xFFFFFF) | ((mask[i] & 0xFFFFFF) ? 0 : 0xFF000000u);
      }
      for (auto& p : px) {
        const std::uint32_t a = p >> 24;
        const std::uint32_t r = ((p >> 16) & 0xFF) * a / 255, g = ((p >> 8) & 0xFF) * a / 255, b = (p & 0xFF) * a / 255;
        p = (a << 24) | (r << 16) | (g << 8) | b;
      }
      BITMAPINFO bi{};
      bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
      bi.bmiHeader.biWidth = w;
      bi.bmiHeader.biHeight = -h;
      bi.bmiHeader.biPlanes = 1;
      bi.bmiHeader.biBitCount = 32;
      bi.bmiHeader.biCompression = BI_RGB;
      void* bits = nullptr;
      result = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
      if (result && bits) std::memcpy(bits, px.data(), px.size() * 4);
    }
  }
  if (ii.hbmColor) ::DeleteObject(ii.hbmColor);
  if (ii.hbmMask) ::DeleteObject(ii.hbmMask);
  return result;
}

HBITMAP ImageFor(const MenuItem& item, int size) {
  if (item.image < 0) return nullptr;
  std::lock_guard<std::mutex> g(L().lock);
  const int list = static_cast<int>(item.image_list);
  const auto key = std::make_tuple(list, item.image, size);
  auto it = L().bitmaps.find(key);
  if (it != L().bitmaps.end()) return it->second;
  HBITMAP bmp = nullptr;
  if (item.image_list == MenuImageList::Menu) {
    if (item.image < L().resource_count) {
      HICON icon = static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr),
                                                   MAKEINTRESOURCEW(L().first_resource + item.image), IMAGE_ICON,
                                                   size, size, LR_DEFAULTCOLOR));
      bmp = BitmapFromIcon(icon);
      if (icon) ::DestroyIcon(icon);
    }
  } else if (item.image < static_cast<int>(L().file_icons.size())) {
    HICON icon = static_cast<HICON>(::CopyImage(L().file_icons[static_cast<std::size_t>(item.image)], IMAGE_ICON,
                                                size, size, 0));
    bmp = BitmapFromIcon(icon);
    if (icon) ::DestroyIcon(icon);
  }
  L().bitmaps[key] = bmp;  // a picture that cannot be made is not tried again
  return bmp;
}

// Appends the visible items of menu to h; ids maps command ids to items.
// Separators that would stand first, last or next to another (their items
// between are hidden) are left out.
void Fill(HMENU h, const Menu& menu, std::map<UINT, const MenuItem*>& ids, UINT& next_id, int icon_size) {
  bool after_separator = true;
  for (const auto& item : menu) {
    if (!item.visible) continue;
    MENUITEMINFOW mi{};
    mi.cbSize = sizeof(mi);
    if (item.IsSeparator()) {
      if (after_separator) continue;
      after_separator = true;
      mi.fMask = MIIM_FTYPE;
      mi.fType = MFT_SEPARATOR;
      ::InsertMenuItemW(h, static_cast<UINT>(::GetMenuItemCount(h)), TRUE, &mi);
      continue;
    }
    after_separator = false;
    mi.fMask = MIIM_STRING | MIIM_STATE | MIIM_ID;
    mi.dwTypeData = const_cast<wchar_t*>(item.caption.c_str());
    mi.fState = (item.enabled ? MFS_ENABLED : MFS_DISABLED) | (item.checked ? MFS_CHECKED : 0) |
                (item.is_default ? MFS_DEFAULT : 0);
    mi.wID = next_id++;
    if (!item.items.empty()) {
      HMENU sub = ::CreatePopupMenu();
      Fill(sub, item.items, ids, next_id, icon_size);
      mi.fMask |= MIIM_SUBMENU;
      mi.hSubMenu = sub;
    } else {
      ids[mi.wID] = &item;
    }
    if (HBITMAP bmp = ImageFor(item, icon_size)) {
      mi.fMask |= MIIM_BITMAP;
      mi.hbmpItem = bmp;
    }
    ::InsertMenuItemW(h, static_cast<UINT>(::GetMenuItemCount(h)), TRUE, &mi);
  }
  const int count = ::GetMenuItemCount(h);
  if (count > 0 && after_separator) ::DeleteMenu(h, static_cast<UINT>(count - 1), MF_BYPOSITION);
}

// The moment the popup menu's window is shown: a hook on this thread's sent
// messages sees the menu window (class "#32768") being shown.
thread_local DWORD g_shown_tick = 0;
thread_local HHOOK g_show_hook = nullptr;

LRESULT CALLBACK ShowHook(int code, WPARAM wp, LPARAM lp) {
  if (code == HC_ACTION && !g_shown_tick) {
    const CWPSTRUCT* c = reinterpret_cast<const CWPSTRUCT*>(lp);
    bool shown = c->message == WM_SHOWWINDOW && c->wParam;
    if (c->message == WM_WINDOWPOSCHANGED) {
      shown = (reinterpret_cast<const WINDOWPOS*>(c->lParam)->flags & SWP_SHOWWINDOW) != 0;
    }
    if (shown) {
      wchar_t cls[8] = {};
      ::GetClassNameW(c->hwnd, cls, 8);
      if (std::wcscmp(cls, L"#32768") == 0) g_shown_tick = ::GetTickCount();
    }
  }
  return ::CallNextHookEx(g_show_hook, code, wp, lp);
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

std::uint32_t LastPopupShownTick() { return g_shown_tick; }

const MenuItem* TrackPopupMenu(const Menu& menu, Point pt, Window owner) {
  HWND hwnd = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(owner));
  HMENU h = ::CreatePopupMenu();
  if (!h) return nullptr;
  std::map<UINT, const MenuItem*> ids;
  UINT next_id = 1;
  Fill(h, menu, ids, next_id, IconSizeAt(POINT{pt.x, pt.y}));
  // The owner must be the foreground window, or the menu neither takes the
  // keyboard nor closes when the user clicks elsewhere. The menu opens at the
  // point and is kept inside the monitor that holds it.
  ::SetForegroundWindow(hwnd);
  g_shown_tick = 0;
  g_show_hook = ::SetWindowsHookExW(WH_CALLWNDPROC, ShowHook, nullptr, ::GetCurrentThreadId());
  std::vector<MSG> outer;
  outer.swap(t_held);
  HHOOK hold = ::SetWindowsHookExW(WH_MSGFILTER, HoldThreadMessages, nullptr, ::GetCurrentThreadId());
  UINT chosen = static_cast<UINT>(::TrackPopupMenuEx(
      h, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN, pt.x, pt.y, hwnd, nullptr));
  if (hold) ::UnhookWindowsHookEx(hold);
  if (g_show_hook) ::UnhookWindowsHookEx(g_show_hook);
  g_show_hook = nullptr;
  ::DestroyMenu(h);  // also destroys the submenus
  for (const MSG& m : t_held) ::PostThreadMessageW(::GetCurrentThreadId(), m.message, m.wParam, m.lParam);
  t_held.swap(outer);
  auto it = ids.find(chosen);
  return it == ids.end() ? nullptr : it->second;
}

void SetMenuImageResources(int first_resource_id, int count) {
  std::lock_guard<std::mutex> g(L().lock);
  DropBitmaps(static_cast<int>(MenuImageList::Menu));
  L().first_resource = first_resource_id;
  L().resource_count = count;
}

void SetRecentFileIcons(std::vector<Handle> icons) {
  std::lock_guard<std::mutex> g(L().lock);
  DropBitmaps(static_cast<int>(MenuImageList::RecentFileIcons));
  for (HICON i : L().file_icons) ::DestroyIcon(i);
  L().file_icons.clear();
  for (Handle i : icons) L().file_icons.push_back(reinterpret_cast<HICON>(static_cast<std::uintptr_t>(i)));
}

}  // namespace plat
