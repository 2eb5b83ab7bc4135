// Popup menus built from a model: the tray menu and the folder menu are lists
// of items that the platform renders into a real popup menu (TrackPopupMenu)
// and whose chosen item it returns. The sim records every menu shown and
// returns the choice a test has scripted (sim/sim_menu.h).
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

namespace plat {

// The image lists of menu items: the menus' pictures (ImageList1) and the
// icons of recently opened files (Lst).
enum class MenuImageList { Menu, RecentFileIcons };

struct MenuItem {
  std::wstring name;  // the component name ("Exit1", "Recent1"), for lookups
  // "-" is a separator. Menu syntax: "&" makes the next character the item's
  // access key (underlined; typing it chooses the item) and "&&" shows one
  // "&". Captions made of user data or paths go through MenuCaptionOf.
  std::wstring caption;
  int image = -1;        // index in the menu image list, -1 for none
  std::int64_t tag = 0;  // the owner's number for the item
  std::wstring value;    // what the item stands for (a path, a mask): its action reads it
  bool visible = true;
  bool enabled = true;
  bool checked = false;
  bool is_default = false;                         // drawn in bold
  std::vector<MenuItem> items;                     // a non-empty list makes a submenu
  std::function<void(const MenuItem&)> action;     // run by the owner for the chosen item
  MenuImageList image_list = MenuImageList::Menu;  // where `image` points
  // A key of the item's own ('1'..'9'), 0 for none: drawn before the caption
  // as its access key ("&1 " + caption), so a caption of user data keeps
  // showing exactly as stored while the key still chooses the item.
  wchar_t accelerator = 0;

  bool IsSeparator() const { return caption == L"-"; }
};

using Menu = std::vector<MenuItem>;

// The caption that shows text exactly as it is: every "&" doubled, so no
// character of it becomes an access key ("Tom & Jerry" -> "Tom && Jerry").
std::wstring MenuCaptionOf(std::wstring_view text);
// The text a caption shows: single "&"s dropped, "&&" shown as "&".
std::wstring MenuCaptionText(std::wstring_view caption);
// The access key of a caption (the character after its first single "&"),
// 0 when it has none.
wchar_t MenuAccessKey(std::wstring_view caption);

// The caption the menu draws for the item, in menu syntax: the accelerator
// (when it has one) as access key, then the caption.
std::wstring MenuItemCaption(const MenuItem& item);

// The item of menu (at any depth) named name, nullptr when none.
MenuItem* FindMenuItem(Menu& menu, const std::wstring& name);
const MenuItem* FindMenuItem(const Menu& menu, const std::wstring& name);

// Pops the visible items of menu up at pt, owned by owner, and waits until the
// user chose an item or dismissed the menu. The popup shows a copy of menu
// taken when it opens: timers go on running while it is open and may rebuild
// the model, and the choice is still the item the user saw. Returns a copy of
// that item, nothing when dismissed. Images come from the image lists set with
// SetMenuImageResources and SetRecentFileIcons; the owner window is made the
// foreground window first so the menu closes when the user clicks elsewhere.
// With select_first the menu opens with its first item selected, so the
// keyboard starts there (Enter chooses it, the arrows move on from it).
std::optional<MenuItem> TrackPopupMenu(const Menu& menu, Point pt, Window owner, bool select_first = false);

// The caption of the item chosen in the last TrackPopupMenu as the menu on
// screen held it (menu syntax, read back from the system's menu); empty when
// nothing was chosen.
std::wstring LastPopupChosenCaption();

// TickCount when the menu of the last TrackPopupMenu appeared on screen; 0
// when that was not seen.
std::uint32_t LastPopupShownTick();
// TickCount when the last TrackPopupMenu of this thread returned (the menu
// closed); 0 before the first.
std::uint32_t LastPopupClosedTick();

// The menus' pictures (ImageList1): the program's icon resources
// first_resource_id .. first_resource_id + count - 1, image i being the
// resource first_resource_id + i. Each menu draws them at the size for the
// DPI of the monitor it opens on (16 x 16 at 96 DPI).
void SetMenuImageResources(int first_resource_id, int count);

// The icons of recently opened files (Lst), as icon handles (HICON) that the
// list now owns; image i of an item with MenuImageList::RecentFileIcons.
void SetRecentFileIcons(std::vector<Handle> icons);

}  // namespace plat
