// System facts: the thread's last error and error texts, the process token
// (elevation, groups), accounts, special folders, file version resources,
// environment, upper-casing. (The Windows version is in os_version.h, the
// foreground lock in window.h, ShellExecute in shell_execute.h.)
//
// win32 sources include this header before <windows.h>, whose macros share
// the constants' names.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace plat {

// Windows error codes that seam functions leave behind.
constexpr std::uint32_t ERROR_SUCCESS = 0;
constexpr std::uint32_t ERROR_FILE_NOT_FOUND = 2;
constexpr std::uint32_t ERROR_PATH_NOT_FOUND = 3;
constexpr std::uint32_t ERROR_ACCESS_DENIED = 5;
constexpr std::uint32_t ERROR_INVALID_HANDLE = 6;
constexpr std::uint32_t ERROR_NO_MORE_FILES = 18;
constexpr std::uint32_t ERROR_SHARING_VIOLATION = 32;
constexpr std::uint32_t ERROR_FILE_EXISTS = 80;
constexpr std::uint32_t ERROR_INVALID_PARAMETER = 87;
constexpr std::uint32_t ERROR_INVALID_NAME = 123;
constexpr std::uint32_t ERROR_DIR_NOT_EMPTY = 145;
constexpr std::uint32_t ERROR_ALREADY_EXISTS = 183;
constexpr std::uint32_t ERROR_NOT_READY = 21;
constexpr std::uint32_t ERROR_DISK_FULL = 112;
constexpr std::uint32_t ERROR_PROC_NOT_FOUND = 127;
constexpr std::uint32_t ERROR_NONE_MAPPED = 1332;
constexpr std::uint32_t ERROR_NO_TOKEN = 1008;

// The calling thread's last system error code (GetLastError) and setting it
// (SetLastError). Every seam function that fails leaves its code here.
std::uint32_t LastError();
void SetLastError(std::uint32_t code);

// The system's message text for an error code (FormatMessageW with
// FORMAT_MESSAGE_FROM_SYSTEM), as the system returns it (often with a trailing
// full stop and line break); empty when the system has no text.
std::wstring SystemErrorMessage(std::uint32_t code);

// --- The process token ------------------------------------------------------

// TokenElevation of the process token.
bool GetTokenElevation(bool& elevated);

// TokenElevationType of the process token.
constexpr std::uint32_t TokenElevationTypeDefault = 1;
constexpr std::uint32_t TokenElevationTypeFull = 2;
constexpr std::uint32_t TokenElevationTypeLimited = 3;
bool GetTokenElevationType(std::uint32_t& type);

// Group attributes (TOKEN_GROUPS).
constexpr std::uint32_t SE_GROUP_MANDATORY = 0x1;
constexpr std::uint32_t SE_GROUP_ENABLED_BY_DEFAULT = 0x2;
constexpr std::uint32_t SE_GROUP_ENABLED = 0x4;
constexpr std::uint32_t SE_GROUP_USE_FOR_DENY_ONLY = 0x10;

struct TokenGroup {
  std::wstring sid;  // "S-1-5-32-544"
  std::uint32_t attributes = 0;
};
// TokenGroups of the thread token, or of the process token when the thread
// has none.
bool GetTokenGroups(std::vector<TokenGroup>& groups);

// CheckTokenMembership (looked up at run time) with the caller's token for a
// SID given as text. False with ERROR_PROC_NOT_FOUND when the system lacks it.
bool CheckTokenMembership(const std::wstring& sid, bool& is_member);

// --- Accounts ------------------------------------------------------------------

// GetUserNameW / GetComputerNameW; empty on failure.
std::wstring CurrentUserName();
std::wstring ComputerName();

// LookupAccountNameW + IsValidSid + ConvertSidToStringSidW (looked up at run
// time): the SID of an account ("PC\Ann") in its S-1-... form; false on failure.
bool AccountSidString(const std::wstring& account, std::wstring& sid);

// --- Special folders, file versions, environment -------------------------------

constexpr int CSIDL_DESKTOP = 0x0000;
constexpr int CSIDL_PROGRAMS = 0x0002;
constexpr int CSIDL_PERSONAL = 0x0005;
constexpr int CSIDL_RECENT = 0x0008;
constexpr int CSIDL_APPDATA = 0x001A;
constexpr int CSIDL_LOCAL_APPDATA = 0x001C;
constexpr int CSIDL_COMMON_APPDATA = 0x0023;
constexpr int CSIDL_PROFILE = 0x0028;
constexpr int CSIDL_FLAG_CREATE = 0x8000;

// SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT): the folder
// without a trailing backslash; with CSIDL_FLAG_CREATE it is created when
// missing. False when the folder is unknown.
bool GetSpecialFolder(int csidl, std::wstring& path);

// GetFileVersionInfoSizeW + GetFileVersionInfoW: the version resource block
// of a file; false when it has none.
bool GetFileVersionBlock(const std::wstring& file, std::string& block);
// VerQueryValueW on such a block ("\VarFileInfo\Translation",
// "\StringFileInfo\040904B0\FileVersion"): the value's bytes (a string
// value as UTF-16LE units with its terminating zero).
bool QueryVersionValue(const std::string& block, const std::wstring& sub_block, std::string& value);

// ExpandEnvironmentStringsW.
std::wstring ExpandEnvironmentText(const std::wstring& text);

// CharUpperBuffW: upper case by the system's character tables, in place.
void CharUpperText(std::wstring& text);
// CharLowerBuffW: lower case by the system's character tables, in place.
void CharLowerText(std::wstring& text);

}  // namespace plat
