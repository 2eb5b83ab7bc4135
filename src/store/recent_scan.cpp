#include "store/recent_scan.h"

#include <algorithm>
#include <cwctype>
#include <unordered_set>

#include "infra/dral_utils.h"
#include "infra/text.h"
#include "platform/file_icon.h"
#include "platform/file_stream.h"
#include "platform/shell_link.h"
#include "platform/shell_recent.h"
#include "store/recent_lists.h"

namespace store {

TSeenLinks SeenLinks;
std::wstring RecentDriveLetters;
TIconCache RecentIcons;

TRecentLinks& RecentLinks() {
  static TRecentLinks links;
  return links;
}

namespace {

std::wstring Upper(const std::wstring& s) { return infra::UpperCaseText(s); }

constexpr std::uint32_t FILE_ATTRIBUTE_REPARSE_POINT = 0x400;

std::wstring WithBackslash(const std::wstring& folder) {
  return !folder.empty() && folder.back() != L'\\' ? folder + L'\\' : folder;
}

// The extensions whose files each have an icon of their own (pictures and
// programs), keyed by the file's full path.
constexpr const wchar_t* kOwnIconExtensions[] = {L".bmp", L".cpt", L".cdr", L".gif",
                                                 L".ico", L".cmx", L".clk", L".exe"};

// A target that the lists accept: on a fixed or network drive, and an existing
// file unless its drive is slow (never tested there). Shortcuts to folders,
// removable drives and UNC paths are thereby left out.
bool UsableTarget(const std::wstring& target) {
  if (target.empty() || RecentDriveLetters.find(target[0]) == std::wstring::npos) return false;
  return infra::IsSlowPath(target) || plat::FileExists(target);
}

// Loads one shortcut with the walk's link object and reads its target.
bool ReadTarget(plat::ShellLink link, const std::wstring& file, std::wstring& target) {
  target.clear();
  return link != 0 && plat::ShellLinkLoad(link, file) && plat::ShellLinkGetPath(link, target);
}

// The icon index for a file: the cached key's position, or a new entry when
// the shell gives an icon that passes `accept`; 0 (the default) otherwise.
template <typename Accept>
int IconIndexFor(const std::wstring& file, Accept accept) {
  const std::wstring key = IconKey(file);
  const int cached = RecentIcons.IndexOf(key);
  if (cached >= 0) return cached;
  const plat::Handle icon = GetSmallFileIcon(file);
  if (icon == 0) return 0;
  if (!accept(icon)) {
    plat::DestroyIcon(icon);
    return 0;
  }
  return RecentIcons.Add(key, icon);
}

bool AtLeast16(plat::Handle icon) {
  int w = 0, h = 0;
  return plat::GetIconSize(icon, w, h) && w >= 16 && h >= 16;
}

// One shortcut of the listing, for ordering.
struct LinkEntry {
  std::uint32_t stamp;  // compared as an unsigned number, as keys are
  std::wstring text;    // stamp text
  const std::wstring* name;
  std::wstring upper;  // the name in upper case, the second sort key
};

}  // namespace

// --- TSeenLinks ------------------------------------------------------------------

int TSeenLinks::IndexOf(const std::wstring& name) const {
  auto it = index_.find(Upper(name));
  return it == index_.end() ? -1 : it->second;
}

int TSeenLinks::Add(const std::wstring& name, TInt object) {
  names_.push_back(name);
  objects_.push_back(std::move(object));
  const int pos = Count() - 1;
  index_.emplace(Upper(name), pos);  // the first of equal names answers lookups
  return pos;
}

void TSeenLinks::Clear() {
  names_.clear();
  objects_.clear();
  index_.clear();
}

// --- TIconCache -------------------------------------------------------------------

// The cache lives as long as the process: its icons end with it, not during
// the process's static destruction (when the icon service may be gone).
TIconCache::~TIconCache() = default;

void TIconCache::DestroyAll() {
  for (plat::Handle h : icons_) plat::DestroyIcon(h);
  keys_.clear();
  icons_.clear();
  index_.clear();
}

void TIconCache::EnsureDefault() {
  if (!keys_.empty()) return;
  keys_.push_back(kPlaceholderKey);
  icons_.push_back(plat::DefaultDocumentIcon());
  index_.emplace(Upper(kPlaceholderKey), 0);
}

int TIconCache::IndexOf(const std::wstring& key) const {
  auto it = index_.find(Upper(key));
  if (it != index_.end()) return it->second;
  // The placeholder is there from the start, even before the first icon.
  return Upper(key) == Upper(kPlaceholderKey) ? 0 : -1;
}

int TIconCache::Add(const std::wstring& key, plat::Handle icon) {
  EnsureDefault();
  keys_.push_back(key);
  icons_.push_back(icon);
  const int pos = Count() - 1;
  index_.emplace(Upper(key), pos);
  ++generation_;
  return pos;
}

void TIconCache::Reset() {
  DestroyAll();
  EnsureDefault();
  ++generation_;
}

// --- Pieces -----------------------------------------------------------------------

std::wstring BuildRecentDriveLetters() {
  // Roots come four characters apiece ("C:\" and its zero) from a buffer of
  // 255 characters: at most 61 of them, ending at the first empty one.
  std::wstring buffer;
  const std::uint32_t n = plat::GetLogicalDriveStrings(255, buffer);
  std::wstring letters;
  if (n == 0 || n > 255) return letters;
  for (int i = 0; i < 61; ++i) {
    const std::size_t at = static_cast<std::size_t>(i) * 4;
    if (at >= buffer.size() || buffer[at] == L'\0') break;
    const std::wstring root = buffer.substr(at, 3);
    const std::uint32_t type = plat::DriveType(root);
    if (type == plat::DRIVE_FIXED || type == plat::DRIVE_REMOTE) {
      letters += static_cast<wchar_t>(std::towupper(static_cast<wint_t>(root[0])));
      letters += static_cast<wchar_t>(std::towlower(static_cast<wint_t>(root[0])));
    }
  }
  return letters;
}

std::int32_t ShortcutTimeStamp(plat::FileTime last_write) {
  std::uint32_t dos = 0;
  if (!plat::FileTimeToLocalDosDateTime(last_write, &dos)) return 0;
  return static_cast<std::int32_t>(dos);
}

std::wstring TimeStampText(std::int32_t stamp) {
  // Written as the unsigned number, so that stamps of the years after 2043
  // (top bit set) still order after the older ones.
  return std::to_wstring(static_cast<std::uint32_t>(stamp));
}

std::wstring RecentEntryKey(const std::wstring& stamp_text, const std::wstring& path) {
  return stamp_text + L"@" + path;
}

std::wstring RecentFolderOf(const std::wstring& file) {
  const std::size_t p = file.rfind(L'\\');
  if (p == std::wstring::npos) return std::wstring();
  // A drive root keeps its backslash.
  if (p == 2 && file.size() > 1 && file[1] == L':') return file.substr(0, 3);
  return file.substr(0, p);
}

std::wstring IconKey(const std::wstring& file) {
  const std::size_t p = file.find_last_of(L".\\:");
  std::wstring ext = p == std::wstring::npos || file[p] != L'.' ? std::wstring() : infra::LowerCaseText(file.substr(p));
  for (const wchar_t* own : kOwnIconExtensions) {
    if (ext == own) return file;
  }
  return ext;
}

plat::Handle GetSmallFileIcon(const std::wstring& file) { return plat::SHGetFileInfoSmallIcon(file); }

// --- Scans ------------------------------------------------------------------------

void ScanRecentFull(const std::wstring& recent_folder, const TRecentScanSettings& settings) {
  RecentDriveLetters = BuildRecentDriveLetters();
  SeenLinks.Clear();
  RecentFiles.Clear();
  RecentFolders.Clear();
  if (recent_folder.empty()) return;
  const std::wstring dir = WithBackslash(recent_folder);

  const std::vector<plat::FindData> found = plat::FindFiles(dir + L"*.lnk");
  std::vector<LinkEntry> links;
  links.reserve(found.size());
  for (const plat::FindData& f : found) {
    if (f.IsDirectory()) continue;
    const std::int32_t stamp = ShortcutTimeStamp(f.last_write);
    TInt seen{stamp, TimeStampText(stamp)};
    links.push_back(LinkEntry{static_cast<std::uint32_t>(stamp), seen.Text, &f.name, Upper(f.name)});
    SeenLinks.Add(f.name, std::move(seen));
  }
  if (links.empty()) return;
  // Oldest first: by time stamp, then by name without regard to case.
  std::sort(links.begin(), links.end(), [](const LinkEntry& a, const LinkEntry& b) {
    if (a.stamp != b.stamp) return a.stamp < b.stamp;
    return a.upper < b.upper;
  });

  plat::OwnedShellLink link;
  int count = 1;
  std::wstring target;
  for (auto it = links.rbegin(); it != links.rend(); ++it) {
    const std::wstring path = dir + *it->name;
    if (count <= kRecentFilesLimit) {
      if (!link) link.reset(plat::CreateShellLink());
      if (!ReadTarget(link.get(), path, target) || !UsableTarget(target)) continue;
      ++count;
      RecentFiles.Add(RecentEntryKey(it->text, target), TStr{target, 0});
      continue;
    }
    if (!settings.ClearLink) break;
    // Every shortcut older than the newest usable ones goes.
    if (!plat::RemoveFile(path)) {
      const std::uint32_t attributes = plat::FileAttributes(path);
      if (attributes != plat::INVALID_FILE_ATTRIBUTES && (attributes & plat::FILE_ATTRIBUTE_DIRECTORY) &&
          (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        plat::RemoveFolder(path);
      }
    }
  }
  link.reset();
  RecentFiles.Sort();

  // One folder entry per folder, keyed by its newest file.
  std::unordered_set<std::wstring> folders;
  for (int i = RecentFiles.Count() - 1; i >= 0; --i) {
    const std::wstring folder = RecentFolderOf(RecentFiles.Objects(i).Path);
    if (!folders.insert(Upper(folder)).second) continue;
    RecentFolders.Add(RecentFiles.Strings(i), TStr{folder, 0});
  }
  RecentFolders.Sort();

  // Icons for the files the submenu shows.
  if (settings.FilesCount <= 0) return;
  const int last = std::max(0, RecentFiles.Count() - settings.FilesCount);
  for (int i = RecentFiles.Count() - 1; i >= last; --i) {
    TStr& entry = RecentFiles.Objects(i);
    entry.IconIndex = IconIndexFor(entry.Path, AtLeast16);
  }
}

bool ScanRecentChanges(const std::wstring& recent_folder, const TRecentScanSettings& settings) {
  (void)settings;
  if (recent_folder.empty()) return false;
  const std::wstring dir = WithBackslash(recent_folder);
  bool appended = false;
  plat::OwnedShellLink link;
  std::wstring target;
  for (const plat::FindData& f : plat::FindFiles(dir + L"*.lnk")) {
    if (f.IsDirectory()) continue;
    const std::int32_t stamp = ShortcutTimeStamp(f.last_write);
    const std::wstring stamp_text = TimeStampText(stamp);
    int seen = SeenLinks.IndexOf(f.name);
    std::wstring old_text;
    const bool changed = seen >= 0;
    if (seen < 0) {
      SeenLinks.Add(f.name, TInt{stamp, stamp_text});
    } else if (SeenLinks.Objects(seen).Value == stamp) {
      continue;
    } else {
      old_text = SeenLinks.Objects(seen).Text;
    }

    if (!link) link.reset(plat::CreateShellLink());
    if (ReadTarget(link.get(), dir + f.name, target) && UsableTarget(target)) {
      if (changed) {
        const int old_file = RecentFiles.IndexOf(RecentEntryKey(old_text, target));
        if (old_file >= 0) RecentFiles.Delete(old_file);
      }
      const std::wstring key = RecentEntryKey(stamp_text, target);
      const int icon = IconIndexFor(target, [](plat::Handle) { return true; });
      RecentFiles.Add(key, TStr{target, icon});
      appended = true;

      if (changed) {
        const int old_folder = RecentFolders.IndexOf(RecentEntryKey(old_text, target));
        if (old_folder >= 0) RecentFolders.Delete(old_folder);
      }
      // The folder moves to the newest place: its older entry goes, wherever
      // it is in the list.
      const std::wstring folder = RecentFolderOf(target);
      const std::wstring folder_upper = Upper(folder);
      for (int i = RecentFolders.Count() - 1; i >= 0; --i) {
        if (Upper(RecentFolders.Objects(i).Path) == folder_upper) {
          RecentFolders.Delete(i);
          break;
        }
      }
      RecentFolders.Add(key, TStr{folder, 0});
    }
    if (changed) SeenLinks.Objects(seen) = TInt{stamp, stamp_text};
  }
  link.reset();
  if (appended) {
    RecentFiles.Sort();
    RecentFolders.Sort();
  }
  return appended;
}

void ResetRecentState() {
  RecentFolders.Clear();
  RecentFiles.Clear();
  SeenLinks.Clear();
  RecentIcons.Reset();
}

void ClearRecentLists(const std::wstring& recent_folder) {
  plat::ClearRecentDocs();
  ResetRecentState();
  if (recent_folder.empty()) return;
  for (const plat::FindData& f : plat::FindFiles(WithBackslash(recent_folder) + L"*.lnk")) {
    if (f.IsDirectory()) continue;
    const std::int32_t stamp = ShortcutTimeStamp(f.last_write);
    SeenLinks.Add(f.name, TInt{stamp, TimeStampText(stamp)});
  }
}

}  // namespace store
