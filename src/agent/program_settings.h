// ProgramSettings: the agent's options, one REG_DWORD value each under
// HKEY_CURRENT_USER "Software\Quantrel\Vorlune Folder\1.0". The defaults hold
// while a value is missing.
#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>

namespace infra {
class TRegistry;
class TDralRegistry;
}  // namespace infra

namespace agent {

inline constexpr wchar_t kProductKey[] = L"Software\\Quantrel\\Vorlune Folder";
inline constexpr wchar_t kSettingsKey[] = L"Software\\Quantrel\\Vorlune Folder\\1.0";
inline constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr wchar_t kRunValue[] = L"Vorlune Folder";
// A value that other programs leave in the settings key to ask for a reload of
// the favourites; the agent deletes it at start-up.
inline constexpr wchar_t kUpdateMarker[] = L"Update";

struct TProgramSettings {
  bool RecentFldr = true;          // submenu "Recently Opened Folders"
  bool RecentFls = true;           // submenu "Recently Opened Files"
  std::int32_t FoldersCount = 20;  // entries in the recent folders submenu
  std::int32_t FilesCount = 20;    // entries in the recent files submenu
  bool ShowTray = true;            // tray icon
  std::int32_t MouseWheel = 0;     // 0 off, 1 either direction, 2 forward, 3 backward
  bool MouseMButton = true;        // middle click in Open and Save As dialogs
  bool Help = true;                // right click on a dialog's '?' sign
  bool RExplorer = true;           // right click on an address bar
  bool MExplorer = true;           // middle click in Explorer
  bool MIExplorer = false;         // middle click in Internet Explorer
  bool MDesktop = true;            // middle click on the Desktop
  std::int32_t Alt = 8;            // hot key modifiers (MOD_*); 0: no hot key
  std::int32_t Keys = 90;          // hot key virtual-key code (90: Z)
  bool ClearLink = true;           // delete surplus shortcuts in the Recent folder
  bool ExpEnch = true;             // Explorer context-menu extension registered
  bool AlwaysAddDialog = false;    // ask for a title whenever a folder is added
  bool OpenWindowsMenu = true;     // submenu "Open Windows": the folders of the open Explorer windows
  bool KeyboardMenu = true;        // favourites 1 to 9 by key; the hot key's menu opens on its first item
  bool FollowExplorer = false;     // new file dialogs of other programs go to the latest Explorer window's folder
};

// Reads every value of the settings that exists in the key open in reg. A
// value stored with another type than REG_DWORD keeps its default and is
// logged, so a damaged value never stops the agent from starting.
void ReadProgramSettings(infra::TRegistry& reg, TProgramSettings& settings);

// The one writer of the settings values: those that the options dialog
// edits, in the dialog's order, into the key open in reg (AlwaysAddDialog
// belongs to the add-item prompt and is not written). A write that fails
// raises the registry layer's exception.
void WriteProgramSettings(infra::TDralRegistry& reg, const TProgramSettings& settings);

// The settings could not be stored; what() tells the user so (UTF-8).
struct ESettingsNotSaved : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Opens (creates) the settings key and writes the values with
// WriteProgramSettings; raises ESettingsNotSaved with the cause when the key
// cannot be opened or a value cannot be written.
void SaveProgramSettings(const TProgramSettings& settings);

}  // namespace agent
