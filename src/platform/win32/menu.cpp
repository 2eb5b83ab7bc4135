// Popup menus rendered from the menu model with TrackPopupMenu. Item pictures
// are the program's icon resources (ImageList1) or the recent files' icons
// (Lst) at the size for the DPI of the monitor the menu opens on, drawn by
// this code for the owner window (HBMMENU_CALLBACK): a 32-bit bitmap given as
// the item's picture loses its transparency on some systems (black box), and
// an item without a picture may be measured without the picture column and
// its caption cut off.
#include "platform/menu.h"

#include <windows.h>

#include "platform/win32/unique.h"

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
  std::vector<win32::UniqueIcon> file_icons;
  // Icons made so far at a given size: (list, index, size) -> icon.
  std::map<std::tuple<int, int, int>, win32::UniqueIcon> icons;
  // Counts the drops, so that an open menu never draws an icon destroyed since.
  unsigned generation = 0;
};
ImageLists& L() {
  static ImageLists l;
  return l;
}

void DropIcons(int list) {
  ++L().generation;
  for (auto it = L().icons.begin(); it != L().icons.end();) {
    if (std::get<0>(it->first) == list) {
      it = L().icons.erase(it);
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

// The item's icon at size pixels, made once and kept. Called with the lock held.
HICON IconFor(const MenuItem& item, int size) {
  if (item.image < 0) return nullptr;
  const int list = static_cast<int>(item.image_list);
  const auto key = std::make_tuple(list, item.image, size);
  auto it = L().icons.find(key);
  if (it != L().icons.end()) return it->second.get();
  HICON icon = nullptr;
  if (item.image_list == MenuImageList::Menu) {
    if (item.image < L().resource_count) {
      icon = static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr),
                                             MAKEINTRESOURCEW(L().first_resource + item.image), IMAGE_ICON, size, size,
                                             LR_DEFAULTCOLOR));
    }
  } else if (item.image < static_cast<int>(L().file_icons.size())) {
    icon = static_cast<HICON>(
        ::CopyImage(L().file_icons[static_cast<std::size_t>(item.image)].get(), IMAGE_ICON, size, size, 0));
  }
  L().icons[key].reset(icon);  // a picture that cannot be made is not tried again
  return icon;
}

// The menu being tracked on this thread. Every item's picture is
// HBMMENU_CALLBACK: its owner window is asked for the picture's size
// (WM_MEASUREITEM) and to draw it (WM_DRAWITEM), and the item's data is the
// index + 1 of its icon in `icons` (nullptr for an item without one, drawn as
// an empty picture). So every item has the same picture column, its caption is
// measured beside it, and the icon is drawn with its transparency.
struct Tracking {
  bool active = false;
  int size = 16;
  unsigned generation = 0;
  std::vector<HICON> icons;
};
thread_local Tracking t_track;
constexpr wchar_t kOwnerProcProp[] = L"QorbinMenuOwnerProc";

bool DrawPicture(const DRAWITEMSTRUCT& d) {
  const std::size_t index = static_cast<std::size_t>(d.itemData);
  if (index == 0 || index > t_track.icons.size()) return true;  // an item without a picture
  std::lock_guard<std::mutex> g(L().lock);
  HICON icon = t_track.icons[index - 1];
  if (!icon || L().generation != t_track.generation) return true;
  const int size = t_track.size;
  const int x = d.rcItem.left + (d.rcItem.right - d.rcItem.left - size) / 2;
  const int y = d.rcItem.top + (d.rcItem.bottom - d.rcItem.top - size) / 2;
  ::DrawIconEx(d.hDC, x, y, icon, size, size, 0, nullptr, DI_NORMAL);
  return true;
}

// Window procedure put on the menu's owner while the menu is open.
LRESULT CALLBACK MenuOwnerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (t_track.active && msg == WM_MEASUREITEM && lp) {
    auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
    if (m->CtlType == ODT_MENU) {
      m->itemWidth = static_cast<UINT>(t_track.size);
      m->itemHeight = static_cast<UINT>(t_track.size);
      return TRUE;
    }
  }
  if (t_track.active && msg == WM_DRAWITEM && lp) {
    const auto* d = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
    if (d->CtlType == ODT_MENU) return DrawPicture(*d);
  }
  const auto original = reinterpret_cast<WNDPROC>(::GetPropW(hwnd, kOwnerProcProp));
  return original ? ::CallWindowProcW(original, hwnd, msg, wp, lp) : ::DefWindowProcW(hwnd, msg, wp, lp);
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
    const std::wstring caption = MenuItemCaption(item);  // the system copies it
    mi.dwTypeData = const_cast<wchar_t*>(caption.c_str());
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
    mi.fMask |= MIIM_BITMAP | MIIM_DATA;
    mi.hbmpItem = HBMMENU_CALLBACK;
    {
      std::lock_guard<std::mutex> g(L().lock);
      if (HICON icon = IconFor(item, icon_size)) {
        t_track.icons.push_back(icon);
        mi.dwItemData = t_track.icons.size();
      }
    }
    ::InsertMenuItemW(h, static_cast<UINT>(::GetMenuItemCount(h)), TRUE, &mi);
  }
  const int count = ::GetMenuItemCount(h);
  if (count > 0 && after_separator) ::DeleteMenu(h, static_cast<UINT>(count - 1), MF_BYPOSITION);
}

// The moment the popup menu's window is shown: a hook on this thread's sent
// messages sees the menu window (class "#32768") being shown.
thread_local DWORD g_shown_tick = 0;
thread_local std::wstring g_chosen_caption;
thread_local DWORD g_closed_tick = 0;
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
std::uint32_t LastPopupClosedTick() { return g_closed_tick; }

std::wstring LastPopupChosenCaption() { return g_chosen_caption; }

std::optional<MenuItem> TrackPopupMenu(const Menu& model, Point pt, Window owner, bool select_first) {
  g_chosen_caption.clear();
  HWND hwnd = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(owner));
  HMENU h = ::CreatePopupMenu();
  if (!h) return std::nullopt;
  // The item ids map to this copy: the model may be rebuilt by a timer while
  // the menu's modal loop runs.
  const Menu menu = model;
  std::map<UINT, const MenuItem*> ids;
  UINT next_id = 1;
  const Tracking outer_track = t_track;
  t_track = Tracking{};
  t_track.size = IconSizeAt(POINT{pt.x, pt.y});
  {
    std::lock_guard<std::mutex> g(L().lock);
    t_track.generation = L().generation;
  }
  Fill(h, menu, ids, next_id, t_track.size);
  // The owner window draws the items' pictures: its procedure is wrapped while
  // the menu is open (only a window of this thread can be).
  // The owner's own procedure is kept as a property of the window; a menu
  // opened while another one is open on the same owner keeps the outer
  // wrapping.
  bool wrapped = false;
  if (hwnd && ::GetWindowThreadProcessId(hwnd, nullptr) == ::GetCurrentThreadId()) {
    if (::GetWindowLongPtrW(hwnd, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&MenuOwnerProc)) {
      ::SetPropW(hwnd, kOwnerProcProp, reinterpret_cast<HANDLE>(::GetWindowLongPtrW(hwnd, GWLP_WNDPROC)));
      ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MenuOwnerProc));
      wrapped = true;
    }
    t_track.active = true;
  }
  // The owner must be the foreground window, or the menu neither takes the
  // keyboard nor closes when the user clicks elsewhere. The menu opens at the
  // point and is kept inside the monitor that holds it.
  ::SetForegroundWindow(hwnd);
  g_shown_tick = 0;
  g_show_hook = ::SetWindowsHookExW(WH_CALLWNDPROC, ShowHook, nullptr, ::GetCurrentThreadId());
  std::vector<MSG> outer;
  outer.swap(t_held);
  HHOOK hold = ::SetWindowsHookExW(WH_MSGFILTER, HoldThreadMessages, nullptr, ::GetCurrentThreadId());
  // The menu's own loop takes the Down key from the queue once the menu is
  // up, and selects its first item (no flag of TrackPopupMenuEx does so).
  if (select_first && hwnd) ::PostMessageW(hwnd, WM_KEYDOWN, VK_DOWN, 0);
  UINT chosen = static_cast<UINT>(::TrackPopupMenuEx(
      h, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN, pt.x, pt.y, hwnd, nullptr));
  g_closed_tick = ::GetTickCount();
  if (hold) ::UnhookWindowsHookEx(hold);
  if (wrapped && ::IsWindow(hwnd)) {
    ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(::GetPropW(hwnd, kOwnerProcProp)));
    ::RemovePropW(hwnd, kOwnerProcProp);
  }
  t_track = outer_track;
  if (g_show_hook) ::UnhookWindowsHookEx(g_show_hook);
  g_show_hook = nullptr;
  if (chosen != 0) {
    // What the item showed, as the system's menu held it.
    const int length = ::GetMenuStringW(h, chosen, nullptr, 0, MF_BYCOMMAND);
    if (length > 0) {
      std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
      const int got = ::GetMenuStringW(h, chosen, text.data(), length + 1, MF_BYCOMMAND);
      text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
      g_chosen_caption = text;
    }
  }
  ::DestroyMenu(h);  // also destroys the submenus
  for (const MSG& m : t_held) ::PostThreadMessageW(::GetCurrentThreadId(), m.message, m.wParam, m.lParam);
  t_held.swap(outer);
  auto it = ids.find(chosen);
  if (it == ids.end()) return std::nullopt;
  return *it->second;
}

void SetMenuImageResources(int first_resource_id, int count) {
  std::lock_guard<std::mutex> g(L().lock);
  DropIcons(static_cast<int>(MenuImageList::Menu));
  L().first_resource = first_resource_id;
  L().resource_count = count;
}

void SetRecentFileIcons(std::vector<Handle> icons) {
  std::lock_guard<std::mutex> g(L().lock);
  DropIcons(static_cast<int>(MenuImageList::RecentFileIcons));
  L().file_icons.clear();
  for (Handle i : icons) L().file_icons.emplace_back(reinterpret_cast<HICON>(static_cast<std::uintptr_t>(i)));
}

}  // namespace plat
