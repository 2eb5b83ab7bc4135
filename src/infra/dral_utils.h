// DralUtils: the small system questions and text operations shared by the
// agent's parts. Answers that cannot change while the process runs are
// computed once and cached (-1 = not yet known). Nothing here throws: a
// platform failure gives false, 0 or an empty text.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "infra/text.h"  // UpperCaseText, TrimControls and the other text operations

namespace infra {

// --- Rights and system facts (cached) ---------------------------------------

// Platform NT and major version above 5.
bool IsVistaOrLater();
// The process token is elevated (false when the query fails).
bool IsElevated();
// The token's groups hold BUILTIN\Administrators in any state (a deny-only
// entry of a filtered administrator counts).
bool IsAdminGroupMember();
// Membership in BUILTIN\<rid> by CheckTokenMembership, or, where the system
// lacks it, an enabled, not deny-only entry of the token's groups. Not cached.
bool IsBuiltinGroupMember(std::uint32_t rid);
// Member of Power Users (547).
bool IsPowerUser();
// User Account Control is on for this administrator: 0 on systems before
// Vista and for users outside Administrators; 1 for a split token; otherwise
// the "EnableLUA" value of the system policies. Callers test the low byte.
std::int32_t IsUacEnabled();
// Write access to HKEY_LOCAL_MACHINE\software\microsoft, and on Vista or later
// an elevated process.
bool IsRealAdmin();

// Forgets every cached answer (for tests).
void ResetDralUtilsCaches();

// --- Folders, versions, accounts, shell ---------------------------------------

// The special folder (CSIDL) without a trailing backslash, created when
// missing; empty on failure.
std::wstring GetSpecialFolderPath(int csidl);
// The FileVersion text of a file's version resource; empty when it has none.
std::wstring GetFileVersion(const std::wstring& file);
// GetFileVersion of the running program, computed once.
std::wstring GetProgramVersion();
// The S-1-... text of a local account's SID; empty on failure.
std::wstring GetUserSidString(const std::wstring& user_name);
// LockSetForegroundWindow with 1 (lock) or 2 (unlock) where the system has it.
bool SetForegroundLock(std::uint32_t code);
// Opens a file, folder or web address with the shell's "open" verb; the
// shell's result is not looked at.
bool OpenWithShell(const std::wstring& target);

// --- Path and text operations --------------------------------------------------

// UNC paths and paths on removable, remote, CD-ROM and RAM drives: such paths
// are never tested for existence. A "\\?\X:\" path is judged by its drive and
// "\\?\UNC\" is a server; device and volume names ("\\.\CON") are not slow.
bool IsSlowPath(const std::wstring& path);
// An existing file, not a folder.
bool FileExistsNotFolder(const std::wstring& path);
// Up to and including the last "\" or ":"; empty when there is none.
std::wstring ExtractFolderPart(const std::wstring& path);
// After the last "\" or ":"; the whole text when there is none.
std::wstring ExtractFileNamePart(const std::wstring& path);
// Without the first n characters; n < 0: the whole text; n beyond: empty.
std::wstring TextAfter(const std::wstring& text, int n);
// Without the first n characters; n < 0 or beyond the length: the whole text.
std::wstring TextAfterOrWhole(const std::wstring& text, int n);
// Without the last n characters; n <= 0 or beyond the length: empty.
std::wstring TextWithoutLast(const std::wstring& text, int n);
// Without the last n characters; n <= 0 or beyond the length: the whole text.
std::wstring TextWithoutLastOrWhole(const std::wstring& text, int n);
// The integer value of a text: leading blanks, a sign, "$" or "0x" for
// hexadecimal; reading stops at the first character that is not a digit (or
// that would take the value beyond 32 bits) and the digits read so far are
// the result. Hexadecimal reads up to 32 bits ("$FFFFFFFF" is -1). Never fails.
std::int32_t TextToInt(const std::wstring& text);
// Copies text into a fixed array of max + 1 units: at most max units and
// always a terminating zero after them.
void CopyToCharArray(const std::wstring& text, wchar_t* array, std::size_t max);

}  // namespace infra
