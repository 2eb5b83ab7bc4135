// The configuration folder: the per-user folder of the agent's own files (log
// files, configuration files, error reports), with the log folder "Log\" in it.
//
// GetConfigurationFolder decides at start-up where it is: a folder prescribed
// by a sibling product ("SaveDir" under HKEY_CURRENT_USER
// "Software\Quantrel\Tallowin"), else "Vorlune files\" in the user's documents
// folder (from the shell, then from the "Personal" user shell folder), else
// "Quantrel\Vorlune files\" in the application data folder.
#pragma once
#include <string>

namespace infra {

inline constexpr wchar_t kSiblingKey[] = L"Software\\Quantrel\\Tallowin";
inline constexpr wchar_t kSaveDirValue[] = L"SaveDir";
inline constexpr wchar_t kDocumentsSubfolder[] = L"Vorlune files\\";
inline constexpr wchar_t kAppDataSubfolder[] = L"Quantrel\\Vorlune files\\";

// Resolves and creates the configuration folder and its log folder, hands the
// log folder to the logger and the error log file to the exception trace.
// Called once by the program entry; returns the configuration folder.
std::wstring GetConfigurationFolder();

// The folders as resolved (absolute, ending in a backslash); empty before
// GetConfigurationFolder has run.
std::wstring ConfigurationFolder();
std::wstring LogFolder();

// A user shell folder ("Personal") with "%USERPROFILE%" replaced by the
// user's profile path; empty on failure.
std::wstring GetUserShellFolder(const std::wstring& name);

// The current user's profile folder from the ProfileList, with a trailing
// backslash; empty on failure.
std::wstring GetCurrentUserDocSettingsPath();

// Appends "\" to a non-empty text that does not end in one.
void AddTrailingBackslash(std::wstring& text);

// The raised-exception trace registers here how to set its log file; the
// configuration folder resolution then points it at the error log
// (LogFolder + "folder_error.log"). Null: no trace is set up.
using ErrorTraceFileSetter = void (*)(const std::wstring& file);
void SetErrorTraceFileSetter(ErrorTraceFileSetter setter);

// For tests: forgets the resolved folders.
void ResetConfigurationFolder();

}  // namespace infra
