// The favourites and filters store.
//
// The registry keys "Path" and "Filter" under "Software\Quantrel\Vorlune
// Folder" (HKEY_CURRENT_USER) hold one string value per menu entry, in menu
// order; the store mirrors them in four process-wide lists, position by
// position, never sorted:
//   FavouriteNames / FavouriteValues: the Path key's value names and data;
//   FilterMasks / FilterNames: the Filter key's value names (masks) and data.
// The registry is the store of record: every change is written there first
// and the lists follow. Everything here runs on the agent's UI thread.
//
// Favourite entries: a top-level folder is named by its path, a submenu
// header by "Submenu" + any text, a submenu child by its path + "$2"; the
// data is the title, "$" and the icon index. SplitEncoded decodes both.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/types.h"

namespace store {

inline constexpr wchar_t kProductKey[] = L"Software\\Quantrel\\Vorlune Folder";
inline constexpr wchar_t kPathKey[] = L"Software\\Quantrel\\Vorlune Folder\\Path";
inline constexpr wchar_t kFilterKey[] = L"Software\\Quantrel\\Vorlune Folder\\Filter";
inline constexpr wchar_t kSettingsKey[] = L"Software\\Quantrel\\Vorlune Folder\\1.0";
inline constexpr wchar_t kShellFoldersKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr wchar_t kRunValue[] = L"Vorlune Folder";
inline constexpr wchar_t kSubmenuPrefix[] = L"Submenu";
inline constexpr wchar_t kChildMarker[] = L"$2";
inline constexpr wchar_t kUpdateArgument[] = L"/update";

// Icon indexes of the favourites icon set used by the defaults.
inline constexpr int kIconFolder = 0;
inline constexpr int kIconPictures = 1;
inline constexpr int kIconMusic = 2;
inline constexpr int kIconSubmenu = 5;
inline constexpr int kIconDrive = 9;
inline constexpr int kIconDocuments = 12;

// The four lists (kept for the agent's life; the main form clears them at exit).
// Owned by the store: LoadFavourites fills them, the main form clears them;
// UI thread only (the menu builders and the options dialog read them there).
extern std::vector<std::wstring> FavouriteNames;
extern std::vector<std::wstring> FavouriteValues;
extern std::vector<std::wstring> FilterMasks;
extern std::vector<std::wstring> FilterNames;

// SplitEncoded: head and number of "head$number". Without a "$", or with the
// "$" as the last character, the whole text and 0; otherwise the text before
// the last "$" and the TextToInt value of the text after it.
struct TEncoded {
  std::wstring text;
  std::int32_t number = 0;
};
TEncoded SplitEncoded(const std::wstring& encoded);

// The name begins with "Submenu" (a submenu header).
bool IsSubmenuHeader(const std::wstring& name);

// False for a path with a "$" followed by other text (an administrative share
// such as \\server\c$\data): its stored name would be read back as another
// folder, so the store refuses it.
bool IsStorablePath(const std::wstring& path);
// What the dialogs say when the user picks such a folder.
inline constexpr wchar_t kUnstorablePathText[] =
    L"This path cannot be stored: a \"$\" followed by other characters is not allowed in it";

// --- Where the store meets the agent's other parts -------------------------------
// Each is set once at start-up by the part that owns it; unset ones do nothing
// (no menu to rebuild, AlwaysAddDialog off).
struct TStoreLinks {
  // Rebuilds the favourites part of the folder menu and its Filter submenu
  // from the four lists (the folder menu's BuildFavouritesMenu; the agent's
  // form runs it once the waiting messages are handled, or before the menu
  // shows, whichever comes first).
  std::function<void()> BuildFavouritesMenu;
  // The AlwaysAddDialog setting.
  std::function<bool()> AlwaysAddDialog;
  // The add-item prompt, shown modally with the default title filled in;
  // true when the user confirmed, with the entered title in `title`.
  std::function<bool(std::wstring& title)> AddItemPrompt;
};
TStoreLinks& Links();
// The folder menu was made anew (a new main form): the next LoadFavourites
// builds its favourites part even when the store is unchanged.
void FavouritesMenuMadeAnew();

// Calls the registered menu builder.
void BuildFavouritesMenu();

// --- Operations ------------------------------------------------------------------

// Appends the values of one store key (kPathKey, kFilterKey) to two parallel
// lists in stored order; a missing key adds nothing. A value that is not a
// string is left out (with an error entry when log_skipped is set).
void ReadStoreKey(const wchar_t* key, std::vector<std::wstring>& names, std::vector<std::wstring>& values,
                  bool log_skipped);

// Empties the four lists, reloads them from the two keys (a missing key
// leaves its lists empty; a value that is not a string is skipped with an
// error entry) and rebuilds the favourites part of the folder menu - unless
// the keys hold exactly what the menu was last built from. A key is read
// again only when it changed since its last read (a registry watch made
// before that read); otherwise its lists are what that read found.
void LoadFavourites();

// Adds a folder at the end of the top level with its shortened path as the
// title. "/update" reloads the store instead. Nothing happens for an empty
// path, a path that is not a full path ("X:\..." or "\\..."; logged), a path
// that is neither slow nor an existing folder, a path already in
// FavouriteNames as a folder or a submenu child (case ignored), and a path
// the store cannot hold faithfully (logged).
void AddFavouriteFolder(const std::wstring& path);

// Deletes the top-level entry of the path, or else its submenu child entry,
// then reloads. Nothing is said when neither exists.
void RemoveFavouriteFolder(const std::wstring& path);

// "Add Folder..." of the tray menu: the folder browse dialog asks for the
// folder first; Cancel adds nothing.
void Addfolder1Click(plat::Window owner);
// "Add Current Folder" and "Remove Current Folder" of the folder menu: the
// folder the current target window shows (targets::GetPath); nothing when it
// cannot be read.
void AddClick();
void RemoveClick();

// The first run's defaults: My Computer with the drives, the documents
// folders, the Favorites folder's folder shortcuts, the four filters, the
// settings key's "Path", autostart and the shell extension registration.
// Existing values stay; values of the same name are overwritten in place.
void WriteFirstRunDefaults();

// Writes the folder shortcuts ("*.lnk") of base_folder (or of its subfolder
// `subfolder` when not empty, under the header "Submenu" + subfolder) to the
// Path key.
void ImportShortcutFolder(const std::wstring& base_folder, const std::wstring& subfolder);

// The defaults' titles: a path of three characters or fewer whole, else the
// text after the last backslash (a trailing backslash dropped).
std::wstring LastPathComponent(const std::wstring& path);

// The four default filters, mask and name, in their order.
struct TFilter {
  const wchar_t* mask;
  const wchar_t* name;
};
extern const TFilter kDefaultFilters[4];

}  // namespace store
