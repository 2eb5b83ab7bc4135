// The autostart entry: the string value "Vorlune Folder" under
// HKEY_CURRENT_USER "Software\Microsoft\Windows\CurrentVersion\Run" whose data
// is the program's full file path (no quotes, no arguments).
//
// Written at the first run and by the options dialog's "Automatically start
// with Windows" check box; removed by that check box and by "/erasefull".
#pragma once
#include <string>

namespace app {

inline constexpr wchar_t kRunKeyPath[] = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr wchar_t kAutostartValueName[] = L"Vorlune Folder";

// Writes the value with the running program's path (creating the Run key when
// a fresh profile lacks it); false, logged, when the write fails.
bool WriteAutostartEntry();

// Deletes the value when it exists; the key is never created. True when no
// value is left.
bool RemoveAutostartEntry();

// Writes or removes the entry, as the options dialog's check box says.
bool SetAutostartEntry(bool enabled);

// Whether the value exists (the state of that check box).
bool AutostartEntryExists();

// The value's data; empty when it is missing or not a string.
std::wstring AutostartEntryPath();

}  // namespace app
