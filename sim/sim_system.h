// Control of the sim's system facts: the process token, accounts, special
// folders, file version resources, environment. (The Windows version:
// sim_os_version.h.)
//
// The initial world (after sim::ResetWorld): a standard user "Ann" on computer "PC" (SID S-1-5-21-1000-2000-3000-1001)
// in BUILTIN\Users only, not elevated, elevation type default, CheckTokenMembership present, USERPROFILE=C:\Users\Ann,
// special folders below C:\Users\Ann (Documents, AppData\Roaming, ...), no version resources.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/system.h"

namespace sim {

// The token: elevated, elevation type; token queries can be made to fail.
void SetElevation(bool elevated, std::uint32_t elevation_type);
void SetTokenQueriesFail(bool fail);

// The token's groups; and whether CheckTokenMembership exists.
void SetTokenGroups(std::vector<plat::TokenGroup> groups);
void SetCheckTokenMembershipAvailable(bool available);
// Scripting helpers: a standard user, an administrator with a split token under
// UAC (Administrators deny-only, limited), an elevated administrator.
void MakeStandardUser();
void MakeFilteredAdmin();
void MakeElevatedAdmin();

// Accounts: the current user's name, the computer name, and the SIDs that
// LookupAccountNameW finds ("PC\\Ann" -> "S-1-5-...").
void SetUserName(const std::wstring& name);
void SetComputerName(const std::wstring& name);
void SetAccountSid(const std::wstring& account, const std::wstring& sid);

// Special folder paths by CSIDL; an empty path makes the folder unknown.
void SetSpecialFolder(int csidl, const std::wstring& path);

// A file's version resource: translation (language << 16 | code page, e.g.
// 0x040904B0) and FileVersion text. An empty version text leaves the string
// table out.
void SetFileVersion(const std::wstring& file, std::uint32_t translation, const std::wstring& version);

// The system's text for an error code as a localized Windows words it
// (FormatMessageW), in place of the built-in English one.
void SetSystemErrorText(std::uint32_t code, const std::wstring& text);

}  // namespace sim
