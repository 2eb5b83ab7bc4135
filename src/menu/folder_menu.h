// The folder menu PopupMenu2 of the main form: its fixed layout, the builders
// of its favourites block, Filter submenu and recent submenus, its display
// over a target window (ShowPath) and the actions of its built items.
//
// The menu is built ahead of time, whenever the store or the recent lists
// change; showing it only switches items on and off. Everything runs on the
// agent's UI thread.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "platform/menu.h"
#include "platform/types.h"
#include "targets/target_kind.h"

namespace agent {
class AgentServices;
struct TProgramSettings;
}  // namespace agent
namespace store {
class TRecentList;
}

namespace menu {

// Component names of the fixed items of PopupMenu2, top to bottom after the
// favourites block.
inline constexpr wchar_t kN3[] = L"N3";                    // the separator that ends the favourites block
inline constexpr wchar_t kOpenWindows[] = L"OpenWindows";  // "Open Windows": folders of open Explorer windows
inline constexpr wchar_t kRecent1[] = L"Recent1";
inline constexpr wchar_t kRecentfiles1[] = L"Recentfiles1";
inline constexpr wchar_t kFilter1[] = L"Filter1";
inline constexpr wchar_t kN5[] = L"N5";
inline constexpr wchar_t kAdd[] = L"Add";
inline constexpr wchar_t kRemove[] = L"Remove";
inline constexpr wchar_t kOpenFolder[] = L"OpenFolder";
inline constexpr wchar_t kN6[] = L"N6";
inline constexpr wchar_t kSetting[] = L"Setting";
// The "Clear" item and its separator at the foot of each recent submenu.
inline constexpr wchar_t kClear[] = L"Clear1";
inline constexpr wchar_t kClearSeparator[] = L"N4";

// Item tags: position in FavouriteNames + 20, in FilterMasks + 300; recent
// items carry their position in their list.
inline constexpr int kFavouriteTagBase = 20;
inline constexpr int kFilterTagBase = 300;

// ImageList1: the favourites icon set (0-12), then the command pictures.
inline constexpr int kImageRemove = 13;   // open folder, green arrow up out of it
inline constexpr int kImageAdd = 14;      // open folder, green arrow down into it
inline constexpr int kImageOptions = 15;  // page with a gear
inline constexpr int kImageSave = 16;     // floppy disk
inline constexpr int kImageOpen = 17;     // open folder
inline constexpr int kImageHelp = 18;     // question mark in a blue circle
inline constexpr int kImageBrowser = 19;  // web browser
inline constexpr int kImageCount = 20;
// The program's resources hold ImageList1 as icons from this identifier on.
inline constexpr int kImageResourceFirst = 200;

// The handlers of the fixed commands, supplied by the main form.
using TMenuAction = std::function<void(const plat::MenuItem&)>;
struct TFolderMenuCommands {
  TMenuAction add, remove, open_folder, settings, clear;
};

// PopupMenu2 as the form creates it: the fixed items only (separator N3, the
// empty recent and Filter submenus hidden, the commands).
plat::Menu CreateFolderMenu(const TFolderMenuCommands& commands);

// Loads ImageList1 into the platform's menus (both popup menus use it).
void LoadImageList1();

// --- Builders ---------------------------------------------------------------

// Rebuilds the favourites block (everything above N3) and the Filter submenu
// of menu from the four store lists.
void BuildFavouritesBlock(plat::Menu& menu, const std::vector<std::wstring>& names,
                          const std::vector<std::wstring>& values, const std::vector<std::wstring>& masks,
                          const std::vector<std::wstring>& filter_names);

// What choosing a recent folder or a recent file does.
struct TRecentActions {
  TMenuAction folder, file;
};

// Rebuilds the recent submenus of menu: folders when `folders`, files when
// `files`, as the settings ask.
void BuildRecentBlock(plat::Menu& menu, bool files, bool folders, const agent::TProgramSettings& settings,
                      const store::TRecentList& recent_files, const store::TRecentList& recent_folders,
                      const TRecentActions& actions);

// The two builders on the agent's folder menu and the store's lists.
void BuildFavouritesMenu(agent::AgentServices& agent);
void BuildRecentMenus(agent::AgentServices& agent, bool files, bool folders);

// --- Display and actions ------------------------------------------------------

// Pops the folder menu up at the cursor for a target window of a kind and runs
// the chosen item's action once the menu has closed. `input_tick`, when not 0,
// is the tick of the user's input that asked for the menu (the hook record's
// time): the log then tells how long after the click the menu was on screen.
// `by_key`: the hot key asked for it, so (with the keyboard setting on) the
// menu opens with its first item selected.
void ShowPath(agent::AgentServices& agent, plat::Window window, targets::TargetKind kind, std::uint32_t input_tick = 0,
              bool by_key = false);

// Switches the items of menu on and off for a target (steps of ShowPath).
// `folder` is what GetPath gave for an Explorer or browser target.
struct TDisplayFacts {
  targets::TargetKind kind = targets::None;
  std::wstring folder;  // the target's current folder, empty when unknown
  bool office_dialog = false;
  bool recent_folders = false;  // RecentFldr on and RecentFolders not empty
  bool recent_files = false;    // RecentFls on and RecentFiles not empty
};
void ApplyVisibility(plat::Menu& menu, const TDisplayFacts& facts, const std::vector<std::wstring>& favourite_names,
                     const std::vector<std::wstring>& filter_masks);

// Gives the first nine visible favourites of the top level the keys 1 to 9
// (none when off); the others and the submenus' items get none.
void NumberFavourites(plat::Menu& menu, bool on);

// Fills the "Open Windows" submenu with these folders; hidden when empty.
void FillOpenWindows(plat::Menu& menu, const std::vector<std::wstring>& folders);

void FavouriteItemClick(const plat::MenuItem& item);
void OpenWindowItemClick(const plat::MenuItem& item);
void FilterItemClick(const plat::MenuItem& item);
// A recent item moves to the top of its submenu, which the agent rebuilds.
void RecentFolderItemClick(agent::AgentServices& agent, const plat::MenuItem& item);
void RecentFileItemClick(agent::AgentServices& agent, const plat::MenuItem& item);

}  // namespace menu
