// Reading the user's Recent folder into the recent lists (RecentFiles,
// RecentFolders of store/recent_lists.h): the full scan at start-up and after
// the options, the incremental scan after a change in the folder, "Clear",
// and the cache of small file icons that the files submenu shows.
//
// Every shortcut in the Recent folder points at a file the user opened. A
// shortcut's time stamp is its file's last-write time in local time, packed
// in the MS-DOS date-time format. SeenLinks remembers every shortcut read and
// its time stamp, so the incremental scan reads only new or rewritten ones.
// Everything here runs on the agent's UI thread.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/files.h"
#include "platform/types.h"

namespace store {

// A shortcut's time stamp, as a number and as its decimal text.
struct TInt {
  std::int32_t Value = 0;
  std::wstring Text;
};

// The file names of the shortcuts already read, unsorted; lookups ignore case.
class TSeenLinks {
 public:
  int Count() const { return static_cast<int>(names_.size()); }
  const std::wstring& Strings(int i) const { return names_.at(static_cast<std::size_t>(i)); }
  TInt& Objects(int i) { return objects_.at(static_cast<std::size_t>(i)); }
  int IndexOf(const std::wstring& name) const;
  int Add(const std::wstring& name, TInt object);
  void Clear();

 private:
  std::vector<std::wstring> names_;
  std::vector<TInt> objects_;
  std::unordered_map<std::wstring, int> index_;  // upper-case name -> position
};

// Shortcuts seen by the scans. Owned by the scans; UI thread only.
extern TSeenLinks SeenLinks;

// For every fixed or network drive: its letter in upper then lower case
// ("CcDdZz"). Rebuilt by every full scan; owned by the scans, UI thread only.
extern std::wstring RecentDriveLetters;

// The cache of small file icons: keys and icons of the same length, the
// image index of a key being its position. Position 0 is the placeholder key
// "\\\???" with the generic document picture. Keys are looked up without
// regard to case. The cache owns its icons.
class TIconCache {
 public:
  static constexpr wchar_t kPlaceholderKey[] = L"\\\\\\???";

  TIconCache() = default;
  ~TIconCache();
  TIconCache(const TIconCache&) = delete;
  TIconCache& operator=(const TIconCache&) = delete;

  int Count() const { return static_cast<int>(keys_.size()); }
  const std::wstring& Key(int i) const { return keys_.at(static_cast<std::size_t>(i)); }
  plat::Handle Icon(int i) const { return icons_.at(static_cast<std::size_t>(i)); }
  const std::vector<plat::Handle>& Icons() const { return icons_; }
  int IndexOf(const std::wstring& key) const;
  // Appends a key with its icon (the cache takes the icon); its position.
  int Add(const std::wstring& key, plat::Handle icon);
  // Back to the placeholder and the default picture only.
  void Reset();
  // Grows by one on every change; lets the menu know when to reload Lst.
  std::uint64_t Generation() const { return generation_; }

 private:
  void EnsureDefault();
  void DestroyAll();
  std::vector<std::wstring> keys_;
  std::vector<plat::Handle> icons_;
  std::unordered_map<std::wstring, int> index_;  // upper-case key -> position
  std::uint64_t generation_ = 0;
};

// StrList and Lst of the main form. Owned by the scans and the recent
// submenus (vorl_folder_recent.cpp); UI thread only.
extern TIconCache RecentIcons;

// The settings the scans read (values of the agent's program settings).
struct TRecentScanSettings {
  bool ClearLink = true;
  std::int32_t FilesCount = 20;
  std::int32_t FoldersCount = 20;
};

// Shortcuts read into RecentFiles by the full scan at most.
constexpr int kRecentFilesLimit = 40;

// How the recent lists reach the folder menu: the builder of the two recent
// submenus (files, folders: which to rebuild), and the icons of Lst (copies,
// which the menu then owns). Unset links do nothing.
struct TRecentLinks {
  std::function<void(bool files, bool folders)> BuildRecentMenus;
  std::function<void(std::vector<plat::Handle> icons)> SetRecentFileIcons;
};
TRecentLinks& RecentLinks();

// --- Pieces -------------------------------------------------------------------

// RecentDriveLetters of the current drive list.
std::wstring BuildRecentDriveLetters();
// A last-write time as a local MS-DOS date-time; 0 when out of its range.
std::int32_t ShortcutTimeStamp(plat::FileTime last_write);
// The decimal text of a time stamp, as keys carry it.
std::wstring TimeStampText(std::int32_t stamp);
// "<stamp>@<path>".
std::wstring RecentEntryKey(const std::wstring& stamp_text, const std::wstring& path);
// The folder that holds a file: up to its last backslash, without it except
// for a drive root ("C:\").
std::wstring RecentFolderOf(const std::wstring& file);
// The icon cache key of a file: its extension in lower case with the dot, or
// the full path for the extensions whose files have icons of their own.
std::wstring IconKey(const std::wstring& file);
// The shell's small icon of a file; 0 when it gives none.
plat::Handle GetSmallFileIcon(const std::wstring& file);

// --- Scans ------------------------------------------------------------------------

// Builds SeenLinks, RecentFiles and RecentFolders from the whole folder:
// the 40 newest usable shortcuts become entries; with ClearLink every older
// shortcut file is deleted.
void ScanRecentFull(const std::wstring& recent_folder, const TRecentScanSettings& settings);

// Reads new and rewritten shortcuts into the lists. True when an entry was
// added (the recent submenus are then to be rebuilt).
bool ScanRecentChanges(const std::wstring& recent_folder, const TRecentScanSettings& settings);

// "Clear": the shell's recent documents (and so the Recent folder), both
// lists, SeenLinks and the icon cache are emptied. Shortcuts that the shell
// leaves in the folder are taken as seen, so they do not come back with the
// next change.
void ClearRecentLists(const std::wstring& recent_folder);

// The lists, SeenLinks and the icon cache emptied without touching the
// shell (the form's end, tests).
void ResetRecentState();

}  // namespace store
