// The decisions of the Explorer context-menu extension "shellext.dll": which
// of its three entries a folder's menu shows and with which captions, and
// what choosing one does (the favourites changed with the store's rules, the
// agent told, folders opened). The extension's COM side (shellext/) only
// collects the selected folders, puts these items into Explorer's menu and
// calls ShellInvoke; everything here runs in Explorer's process and never
// waits on another program: the agent is reached only by posted messages.
//
// The three entries are switched by the settings key's "ShowMainMenu",
// "ShowAddDelMenu" and "ShowNewMenu" (integers 0 or 1; a missing or unreadable
// value means on), which the options dialog's "Context menu items" writes.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"

namespace store {

inline constexpr wchar_t kShowMainMenuValue[] = L"ShowMainMenu";
inline constexpr wchar_t kShowAddDelMenuValue[] = L"ShowAddDelMenu";
inline constexpr wchar_t kShowNewMenuValue[] = L"ShowNewMenu";

// The thread message that asks the agent for the folder menu of the
// foreground window.
inline constexpr std::uint32_t kShowMenuThreadMessage = 0x047C;

// The verbs of the entries (language-independent names for callers that
// invoke an entry by name, such as scripts and tests).
inline constexpr wchar_t kVerbShowMenu[] = L"VorluneFolderMenu";
inline constexpr wchar_t kVerbAdd[] = L"VorluneFolderAdd";
inline constexpr wchar_t kVerbRemove[] = L"VorluneFolderRemove";
inline constexpr wchar_t kVerbOpen[] = L"VorluneFolderOpen";

struct TShellMenuChoices {
  bool ShowMainMenu = true;
  bool ShowAddDelMenu = true;
  bool ShowNewMenu = true;
};
// The three choices from the settings key (a missing key, value or a value
// that is not an integer leaves its choice on).
TShellMenuChoices ReadShellMenuChoices();

enum class TShellEntry { ShowMenu, Add, Remove, Open };

struct TShellMenuItem {
  TShellEntry entry = TShellEntry::ShowMenu;
  std::wstring caption;
  std::wstring verb;
  std::wstring help;  // the status-bar text
  bool enabled = true;
};

// What was right-clicked: selected folders and drives, or the background of a
// window (then `folders` holds the folder that window shows).
struct TShellSelection {
  std::vector<std::wstring> folders;
  bool background = false;
};

// Keeps the paths the store would take as folders: slow paths untouched,
// others only when they are existing folders (a file selected together with
// folders is left out). Empty paths go too.
std::vector<std::wstring> SelectedFolders(const std::vector<std::wstring>& paths);

// The path is stored as a favourite, top-level or as a submenu child (case
// ignored), in the registry as it is now.
bool IsFavouriteFolder(const std::wstring& path);

// The agent's main window, 0 when no agent runs.
plat::Window AgentWindow();

// The entries for a selection, in menu order, from the given facts:
// "Show Vorlune Folder menu" (greyed when no agent runs), "Add to Vorlune
// Folder" when some selected folder is not yet a favourite, else "Remove from
// Vorlune Folder", and "Open folder in new window" (plural for several).
// Nothing for an empty selection.
struct TShellMenuFacts {
  TShellMenuChoices choices;
  bool agent_running = false;
  // One flag per selected folder: already a favourite.
  std::vector<bool> favourite;
  // One flag per selected folder: the store could take it (not a favourite,
  // and a path the store can hold).
  std::vector<bool> addable;
};
std::vector<TShellMenuItem> ShellMenuItemsFor(const TShellSelection& selection, const TShellMenuFacts& facts);

// The same from the registry and the running agent.
std::vector<TShellMenuItem> ShellMenuItems(const TShellSelection& selection);

// Adds every selected folder that is not yet a favourite at the end of the
// top level, as AddFavouriteFolder does (shortened path as title, icon 0,
// nothing for a path already stored as a folder or a submenu child, or one
// the store cannot hold). When the agent runs and its "AlwaysAddDialog" is
// on, the folders are handed to the agent instead, which asks for the titles.
// Returns the number of folders written or handed over.
int ShellAddFolders(const std::vector<std::wstring>& folders);

// Removes each folder's top-level entry, or else its submenu child entry.
// Returns the number of entries deleted.
int ShellRemoveFolders(const std::vector<std::wstring>& folders);

// Tells the agent the favourites changed: the "Update" marker in the settings
// key (read before its next menu, and harmless when no agent runs) and, when
// the agent runs, "/update" in "WM_QXADDFOLDER by Vorlune Folder" so it
// reloads at once.
void SignalStoreChanged();

// Asks the running agent for its folder menu over the foreground window (the
// Explorer window the entry was chosen in): lets the agent take the foreground
// and posts 0x047C to its thread. False when no agent runs.
bool ShowAgentMenu();

// Opens every folder in a window of its own ("explore").
void OpenFoldersInNewWindows(const std::vector<std::wstring>& folders, plat::Window owner);

// Runs the chosen entry for the selection. True when it did something.
bool ShellInvoke(TShellEntry entry, const TShellSelection& selection, plat::Window owner);

}  // namespace store
