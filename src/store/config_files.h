// Configuration files: the favourites and filters of the store saved to, and
// opened from, a set of five files sharing one base name (chosen in a file
// dialog that proposes the extension "qxs"):
//   BASE     empty; stands for the set in the file dialogs
//   BASE1    FavouriteNames, one per line     BASE2  FavouriteValues
//   BASE3    FilterMasks                      BASE4  FilterNames
// Every line ends with CR LF. Reading: a UTF-8 or UTF-16 byte-order mark
// selects that encoding, else the ANSI code page. Writing: the encoding the
// same list was last read in during this run, else ANSI without a mark; a list
// that ANSI cannot hold is written as UTF-8 with its mark instead.
//
// Rewriting the store's keys (opening a configuration, the options dialog's
// write-back) first keeps a copy of the store as the file set
// "Favourites before last change.qxs" in "Folder configuration" and puts the
// old content back when the rewrite fails part-way.
#pragma once
#include <string>
#include <vector>

#include "platform/types.h"

namespace store {

inline constexpr wchar_t kConfigurationSubfolder[] = L"Folder configuration";
inline constexpr wchar_t kConfigurationFilter[] = L"Vorlune Folder settings|*.qxs";
inline constexpr wchar_t kConfigurationExtension[] = L"qxs";
inline constexpr wchar_t kSaveConfigurationTitle[] = L"Save Configuration";
inline constexpr wchar_t kOpenConfigurationTitle[] = L"Open Configuration";
inline constexpr wchar_t kInvalidConfigurationText[] = L"The configuration is invalid";
inline constexpr wchar_t kStoreCopyName[] = L"Favourites before last change.qxs";
inline constexpr wchar_t kApplicationTitle[] = L"Vorlune Folder";

enum class TTextEncoding { Ansi, Utf8, Utf16Le, Utf16Be };

// Lines of a text file's bytes, split at CR LF, lone CR and lone LF; the
// encoding found (by byte-order mark) is returned in `encoding`.
std::vector<std::wstring> DecodeLines(const std::string& bytes, TTextEncoding& encoding);
// The bytes of lines, each ended by CR LF, in an encoding (Unicode ones with
// their byte-order mark). An ANSI text that the code page cannot hold comes
// back as UTF-8 with its mark, and `encoding` says so.
std::string EncodeLines(const std::vector<std::wstring>& lines, TTextEncoding& encoding);

// The store's content: the four lists.
struct TStoreContent {
  std::vector<std::wstring> favourite_names, favourite_values, filter_masks, filter_names;
  bool operator==(const TStoreContent&) const = default;
};

// The two keys as the registry holds them now (values that are no strings
// left out).
TStoreContent ReadStoreFromRegistry();

// Writes the five files of a set; false (with the system's error in
// LastError) when a file cannot be written.
bool WriteConfigurationFiles(const std::wstring& base, const TStoreContent& content);

enum class TConfigurationRead {
  Ok,
  MissingFile,  // one of BASE1..BASE4 does not exist
  Unreadable,   // a file exists but cannot be read
  Mismatched,   // BASE1/BASE2 or BASE3/BASE4 differ in line count
};
TConfigurationRead ReadConfigurationFiles(const std::wstring& base, TStoreContent& content);

// The folder "Folder configuration" in the configuration folder (ending in a
// backslash), created when missing; empty when configuration_folder is.
std::wstring ConfigurationFilesFolder(const std::wstring& configuration_folder);

// Replaces the Path key's content (favourites) and/or the Filter key's
// content (filters) by `content`, values written in list order. Before
// anything is deleted the present store is kept in memory and as the file set
// kStoreCopyName in "Folder configuration" (when configuration_folder is not
// empty); when a write fails part-way the keys are put back as they were.
// The caller reloads the store.
enum class TReplaceResult {
  Replaced,     // the new content is in place
  Restored,     // a write failed; the keys hold the old content again
  NotRestored,  // a write failed and so did putting the old content back
};
TReplaceResult ReplaceStore(const TStoreContent& content, bool favourites, bool filters,
                            const std::wstring& configuration_folder);

// "Save Configuration..." (Saveconfiguration1Click): asks for a base name and
// writes the store as the registry holds it.
void SaveConfiguration(plat::Window owner, const std::wstring& configuration_folder);

// "Open Configuration..." (Openconfiguration1Click): asks for a base name,
// refuses an incomplete or inconsistent set with "The configuration is
// invalid" before touching the registry, replaces both keys and reloads.
void OpenConfiguration(plat::Window owner, const std::wstring& configuration_folder);

// Forgets what this run remembered: the encodings of files read, a failed
// rewrite (tests).
void ResetRememberedEncodings();

}  // namespace store
