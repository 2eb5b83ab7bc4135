// The recent lists: RecentFiles and RecentFolders, derived from the shortcuts
// in the user's Recent folder (the scanning fills them) and read by the folder
// menu's builder and item actions.
//
// Every entry is keyed by "<time stamp>@<full path of the target file>", the
// time stamp being a local time in the MS-DOS date-time format written in
// decimal. Both lists are kept in ascending key order (time stamp first, then
// the rest of the key without regard to case), so the newest entry is the last.
// Each entry owns a TStr: for RecentFiles the file and its icon in the
// recent-file image list, for RecentFolders the folder holding the file.
// Everything here runs on the agent's UI thread.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"

namespace store {

struct TStr {
  std::wstring Path;
  std::int32_t IconIndex = 0;
};

class TRecentList {
 public:
  int Count() const { return static_cast<int>(entries_.size()); }
  bool Empty() const { return entries_.empty(); }
  const std::wstring& Strings(int i) const { return entries_.at(static_cast<std::size_t>(i)).key; }
  TStr& Objects(int i) { return entries_.at(static_cast<std::size_t>(i)).object; }
  const TStr& Objects(int i) const { return entries_.at(static_cast<std::size_t>(i)).object; }

  // Replaces the key of entry i; the list is out of order until Sort.
  void SetString(int i, std::wstring key) { entries_.at(static_cast<std::size_t>(i)).key = std::move(key); }
  // Inserts at the entry's place in key order (after equal keys); returns its position.
  int Add(std::wstring key, TStr object);
  void Delete(int i);
  void Clear() { entries_.clear(); }
  // Position of a key compared without regard to case, -1 when absent.
  int IndexOf(const std::wstring& key) const;
  // Puts the entries back into ascending key order (equal keys keep their order).
  void Sort();

 private:
  struct Entry {
    std::wstring key;
    TStr object;
  };
  std::vector<Entry> entries_;
};

// The recent lists. Owned by the Recent folder scans (recent_scan.cpp), which
// the main form runs; UI thread only.
extern TRecentList RecentFiles;
extern TRecentList RecentFolders;

// The time stamp of a key (the number before its first "@"), 0 when there is none.
std::uint32_t RecentKeyTimeStamp(const std::wstring& key);
// Key order: time stamps as unsigned numbers (years after 2043 set the top
// bit and still come last), then the rest of the key without regard to case.
bool RecentKeyLess(const std::wstring& a, const std::wstring& b);

// A local time in the MS-DOS date-time format: date in the high 16 bits, time
// in the low 16 bits (seconds halved); 0 outside the years 1980 to 2107.
std::uint32_t DosDateTime(const plat::LocalTime& t);
// The key of an entry used just now: the time stamp in decimal followed by
// the old key's text from its first "@" on (a path may itself hold an "@").
std::wstring TouchedRecentKey(const std::wstring& old_key, std::uint32_t time_stamp);

}  // namespace store
