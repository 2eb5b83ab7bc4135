// Recent-list keys and shortcut targets of any content. The Recent folder is
// written by every program the user runs: shortcut files may be damaged, name
// any target, carry any time. Keys built from them keep both lists in order,
// the full and the incremental scans never fail, keep at most 40 files, and
// list each folder once.
#include <sys/stat.h>
#include <utime.h>

#include <ctime>
#include <cwctype>
#include <string>
#include <unordered_set>
#include <vector>

#include "support.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "sim/sim_files.h"
#include "sim/sim_registry.h"
#include "sim/sim_shell_link.h"
#include "store/recent_lists.h"
#include "store/recent_scan.h"

namespace {

const std::wstring kRecent = L"C:\\Users\\Ann\\Recent";

void CheckOrdered(const store::TRecentList& list) {
  for (int i = 0; i + 1 < list.Count(); ++i) {
    fuzz::Check(!store::RecentKeyLess(list.Strings(i + 1), list.Strings(i)), "a recent list stays in key order");
  }
}

// Keys and the list's own operations, on keys of any text.
void Keys(FuzzedDataProvider& in) {
  store::TRecentList list;
  std::vector<std::wstring> added;
  const int ops = in.ConsumeIntegralInRange<int>(0, 30);
  for (int i = 0; i < ops && in.remaining_bytes() > 0; ++i) {
    std::wstring key = fuzz::NarrowText(in, 40);
    fuzz::Check(!store::RecentKeyLess(key, key), "no key comes before itself");
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
      case 0:
      case 1:
        list.Add(key, {key, 0});
        added.push_back(key);
        break;
      case 2:
        if (list.Count() > 0) {
          const int at = in.ConsumeIntegralInRange<int>(0, list.Count() - 1);
          const std::uint32_t stamp = in.ConsumeIntegral<std::uint32_t>();
          const std::wstring touched = store::TouchedRecentKey(list.Strings(at), stamp);
          if (list.Strings(at).find(L'@') != std::wstring::npos) {
            fuzz::Check(store::RecentKeyTimeStamp(touched) == stamp, "a touched key carries its new time");
          }
          list.SetString(at, touched);
          list.Sort();
        }
        break;
      default:
        if (list.Count() > 0) list.Delete(in.ConsumeIntegralInRange<int>(0, list.Count() - 1));
        break;
    }
    CheckOrdered(list);
  }
  for (int i = 0; i < list.Count(); ++i) fuzz::Check(list.IndexOf(list.Strings(i)) >= 0, "every key is found");
}

// A shortcut file in the Recent folder, `seconds` after a fixed time.
void WriteShortcut(FuzzedDataProvider& in, int n) {
  std::wstring name = L"s" + std::to_wstring(n);
  for (wchar_t c : fuzz::NarrowText(in, 12)) {
    if (std::iswalnum(static_cast<wint_t>(c)) && c < 0x80) name += c;
  }
  const std::wstring path = kRecent + L"\\" + name + L".lnk";
  std::wstring target;
  switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:  // a file that exists
      target = L"C:\\Docs\\" + name + L".txt";
      plat::WriteWholeFile(target, "x");
      break;
    case 1:  // a network path
      target = L"\\\\server\\share\\" + fuzz::NarrowText(in, 30);
      break;
    case 2:  // any text
      target = fuzz::NarrowText(in, 300);
      break;
    default:  // not a shortcut at all
      plat::WriteWholeFile(path, in.ConsumeBytesAsString(in.ConsumeIntegralInRange<std::size_t>(0, 200)));
      target.clear();
      break;
  }
  if (!target.empty() || !plat::FileExists(path)) plat::WriteWholeFile(path, sim::ShortcutFileBytes(target));
  // Any time a file system can hold, from before 1980 to after 2107.
  const std::time_t when = static_cast<std::time_t>(in.ConsumeIntegralInRange<std::int64_t>(0, 5000000000LL));
  struct utimbuf times {
    when, when
  };
  ::utime(sim::HostPath(path).c_str(), &times);
}

void CheckLists() {
  CheckOrdered(store::RecentFiles);
  CheckOrdered(store::RecentFolders);
  std::unordered_set<std::wstring> folders;
  for (int i = 0; i < store::RecentFolders.Count(); ++i) {
    std::wstring f = store::RecentFolders.Objects(i).Path;
    for (auto& c : f) c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
    fuzz::Check(folders.insert(f).second, "each folder is listed once");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  Keys(in);

  fuzz::FreshWorld();
  store::ResetRecentState();
  plat::CreateDirectories(kRecent);
  plat::CreateDirectories(L"C:\\Docs");
  sim::MapTempDrive(L'Z', plat::DRIVE_REMOTE);
  store::TRecentScanSettings settings;
  settings.ClearLink = in.ConsumeBool();
  settings.FilesCount = in.ConsumeIntegralInRange<std::int32_t>(-2, 60);
  settings.FoldersCount = in.ConsumeIntegralInRange<std::int32_t>(-2, 60);

  const int first = in.ConsumeIntegralInRange<int>(0, 50);
  for (int i = 0; i < first && in.remaining_bytes() > 0; ++i) WriteShortcut(in, i);
  store::ScanRecentFull(kRecent, settings);
  CheckLists();
  fuzz::Check(store::RecentFiles.Count() <= store::kRecentFilesLimit, "the full scan keeps at most 40 files");

  const int more = in.ConsumeIntegralInRange<int>(0, 20);
  for (int i = 0; i < more && in.remaining_bytes() > 0; ++i) WriteShortcut(in, first + i);
  store::ScanRecentChanges(kRecent, settings);
  CheckLists();
  store::ResetRecentState();
  return 0;
}
