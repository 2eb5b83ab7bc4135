// The main form's side of the recent lists: the start-up scan, the watcher's
// start and stop, Timer1 with the incremental scan, and "Clear".
#include <exception>

#include "agent/vorl_folder.h"
#include "infra/logger.h"
#include "platform/app.h"
#include "platform/file_icon.h"
#include "platform/system.h"
#include "platform/ui_handover.h"
#include "store/change_monitoring.h"
#include "store/recent_lists.h"
#include "store/recent_scan.h"

namespace agent {

namespace {
// How long the form's end waits for the watcher thread to notice its stop
// request (it polls every 100 ms), so that it never outlives the lists.
constexpr std::uint32_t kWatcherEndWait = 1000;
}  // namespace

store::TRecentScanSettings TVorlFolder::RecentScanSettings() const {
  store::TRecentScanSettings s;
  s.ClearLink = ProgramSettings.ClearLink;
  s.FilesCount = ProgramSettings.FilesCount;
  s.FoldersCount = ProgramSettings.FoldersCount;
  return s;
}

void TVorlFolder::BuildRecentMenus(bool files, bool folders) {
  // Lst follows the icon cache whenever the cache changed.
  if (recent_icons_generation_ != store::RecentIcons.Generation()) {
    recent_icons_generation_ = store::RecentIcons.Generation();
    std::vector<plat::Handle> copies;
    for (plat::Handle icon : store::RecentIcons.Icons()) copies.push_back(plat::CopyIcon(icon));
    if (store::RecentLinks().SetRecentFileIcons) {
      store::RecentLinks().SetRecentFileIcons(std::move(copies));
    } else {
      for (plat::Handle icon : copies) plat::DestroyIcon(icon);
    }
  }
  if (store::RecentLinks().BuildRecentMenus) store::RecentLinks().BuildRecentMenus(files, folders);
}

void TVorlFolder::ScanRecentAtStart() {
  if (RecentFolderPath.empty()) {
    // Without the user's Recent folder there is nothing to read or watch:
    // the recent submenus stay hidden.
    infra::LogMessage(L"VorlFolder.FormCreate",
                      L"No \"Recent\" value in Shell Folders: recent folders and files are not read");
    return;
  }
  if (ProgramSettings.RecentFldr || ProgramSettings.RecentFls) {
    try {
      store::SeenLinks.Clear();
      store::ScanRecentFull(RecentFolderPath, RecentScanSettings());
      BuildRecentMenus(ProgramSettings.RecentFls, ProgramSettings.RecentFldr);
    } catch (const std::exception&) {
      infra::LogError(L"VorlFolder.FormCreate", L"FindFirstRecent + BuiltRecent", L"common error", plat::LastError(),
                      false);
    }
  }
  store::ChangeNotifyWindow = Handle;
  store::RecentChangedCallback = [this] { RecentChanged(); };
  store::StartChangeWatch(RecentFolderPath);
}

void TVorlFolder::StopRecentWatch() {
  store::StopChangeWatch();
  store::RecentChangedCallback = nullptr;
  plat::KillTimer(Handle, store::kChangeTimerId);
  // The watcher's last hand-overs are let go (the log is closed by now), so
  // it ends without the UI thread and is awaited before the lists go.
  plat::StopUiHandOver();
  store::WaitForChangeWatchThreads(kWatcherEndWait);
}

void TVorlFolder::RecentChanged() {
  if ((ProgramSettings.RecentFldr || ProgramSettings.RecentFls) && !Timer1Enabled) SetTimer1Enabled(true);
}

void TVorlFolder::Timer1Timer() {
  SetTimer1Enabled(false);
  try {
    if (store::ScanRecentChanges(RecentFolderPath, RecentScanSettings())) {
      infra::LogMessage(L"Timer1Timer", L"Recent files=" + std::to_wstring(store::RecentFiles.Count()) + L", folders=" +
                                            std::to_wstring(store::RecentFolders.Count()));
      BuildRecentMenus(true, true);
    }
  } catch (const std::exception&) {
    infra::LogError(L"Timer1Timer", L"FindRecent", L"common error", plat::LastError(), false);
  }
}

void TVorlFolder::Clear1Click() {
  infra::LogMessage(L"VorlFolder.Clear1Click", L"recent folders and files cleared");
  store::ClearRecentLists(RecentFolderPath);
  BuildRecentMenus(true, true);
}

}  // namespace agent
