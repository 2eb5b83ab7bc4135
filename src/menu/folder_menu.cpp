#include "menu/folder_menu.h"

#include <algorithm>
#include <cwctype>
#include <optional>
#include <unordered_map>

#include "agent/program_settings.h"
#include "agent/agent_services.h"
#include "infra/dral_utils.h"
#include "infra/logger.h"
#include "infra/text.h"
#include "menu/shorten_caption.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/menu.h"
#include "platform/recent_docs.h"
#include "platform/shell_execute.h"
#include "platform/system.h"
#include "platform/window.h"
#include "store/favourites.h"
#include "store/recent_lists.h"
#include "store/shell_extension.h"
#include "targets/get_path.h"
#include "targets/locators.h"
#include "targets/open_windows.h"
#include "targets/set_data.h"
#include "targets/target_state.h"

namespace menu {
namespace {

// A click longer ago than this is no click of the menu on screen now.
constexpr std::uint32_t kClickLatencyLimitMs = 60000;
// How long a target window may take to answer before the menu shows without
// sharing its input (the per-message time-out of the target code).
constexpr std::uint32_t kTargetAnswerMs = 200;

bool StartsWith(const std::wstring& s, const wchar_t* prefix) { return s.rfind(prefix, 0) == 0; }

// A folder that may be shown: slow paths are never touched, others must exist.
bool FolderMayShow(const std::wstring& path) { return infra::IsSlowPath(path) || plat::DirectoryExists(path); }

// The same answers for the many folders of one build, with fewer questions to
// the system: the type of each drive is asked once, and a folder whose parent
// (or any folder above) was found missing is missing without asking. Only
// plain local paths ("X:\a\b", no "." or ".." parts, no "/") are judged by
// their parents; everything else is asked as FolderMayShow does.
// A folder that holds many of the favourites is listed once instead of asked
// for each of them (10,000 questions cost about half a second under Wine).
class TFolderCheck {
 public:
  // From this many plain favourites in one folder on, that folder is listed.
  static constexpr std::size_t kListFrom = 16;

  // Learns the answers for the stored favourites (names as stored, headers
  // passed over) whose folder holds at least kListFrom of them, from one
  // listing of that folder. A name is asked as stored at the top level and
  // without its "$n" inside a submenu; both forms are learnt. A name the
  // listing may not show as asked (a short "~" name, a stream, a wildcard) is
  // left to MayShow's own question, and so is every path of a folder that
  // could not be listed.
  void ListCrowdedFolders(const std::vector<std::wstring>& names) {
    struct Parent {
      std::wstring path;
      std::vector<std::wstring> keys;  // upper-cased paths asked for
    };
    std::unordered_map<std::wstring, Parent> parents;
    auto note = [&](const std::wstring& path) {
      if (!Plain(path) || Slow(path)) return;
      const std::size_t cut = path.rfind(L'\\');
      if (cut < 3 || path.find_first_of(L"~:*?\"<>|", cut + 1) != std::wstring::npos) return;
      Parent& parent = parents[infra::UpperCaseText(path.substr(0, cut))];
      if (parent.path.empty()) parent.path = path.substr(0, cut);
      parent.keys.push_back(infra::UpperCaseText(path));
    };
    for (const std::wstring& name : names) {
      if (StartsWith(name, store::kSubmenuPrefix)) continue;
      note(name);
      if (const std::wstring child = store::SplitEncoded(name).text; child != name) note(child);
    }
    for (auto& [parent_key, parent] : parents) {
      if (parent.keys.size() < kListFrom || folders_.count(parent_key)) continue;
      const std::vector<plat::FindData> entries = plat::FindFiles(parent.path + L"\\*");
      if (entries.empty()) continue;  // missing, empty or not readable: asked one by one
      folders_[parent_key] = true;
      for (const std::wstring& key : parent.keys) folders_[key] = false;
      for (const plat::FindData& entry : entries) {
        const std::wstring key = parent_key + L"\\" + infra::UpperCaseText(entry.name);
        if (const auto asked = folders_.find(key); asked != folders_.end()) asked->second = entry.IsDirectory();
      }
    }
  }

  bool MayShow(const std::wstring& path) {
    if (Slow(path)) return true;
    if (!Plain(path)) return plat::DirectoryExists(path);
    const std::wstring key = infra::UpperCaseText(path);
    if (const auto known = folders_.find(key); known != folders_.end()) return known->second;
    for (std::size_t cut = key.rfind(L'\\'); cut != std::wstring::npos && cut > 2; cut = key.rfind(L'\\', cut - 1)) {
      const auto known = folders_.find(key.substr(0, cut));
      if (known == folders_.end()) continue;
      if (!known->second) return false;
      break;  // an existing folder above: this one must be asked
    }
    const bool exists = plat::DirectoryExists(path);
    folders_[key] = exists;
    if (!exists) {
      // The folders above, up to the first that exists, so that the
      // neighbours in a removed tree need no question of their own.
      for (std::size_t cut = key.rfind(L'\\'); cut != std::wstring::npos && cut > 2; cut = key.rfind(L'\\', cut - 1)) {
        const std::wstring above = key.substr(0, cut);
        if (folders_.count(above)) break;
        const bool above_exists = plat::DirectoryExists(path.substr(0, cut));
        folders_[above] = above_exists;
        if (above_exists) break;
      }
    }
    return exists;
  }

 private:
  bool Slow(const std::wstring& path) {
    if (path.size() < 3 || path[0] == L'\\' || path[2] != L'\\') return infra::IsSlowPath(path);
    const wchar_t drive = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(path[0])));
    const auto known = slow_drives_.find(drive);
    if (known != slow_drives_.end()) return known->second;
    const bool slow = infra::IsSlowPath(path.substr(0, 3));
    slow_drives_[drive] = slow;
    return slow;
  }
  static bool Plain(const std::wstring& path) {
    if (path.size() < 4 || path[1] != L':' || path[2] != L'\\' || path.find(L'/') != std::wstring::npos) return false;
    for (std::size_t start = 3;;) {
      std::size_t end = path.find(L'\\', start);
      if (end == std::wstring::npos) end = path.size();
      if (end == start) return false;  // an empty part
      // ".", ".." and names the system trims (a trailing dot or space).
      if (path[end - 1] == L'.' || path[end - 1] == L' ') return false;
      if (end == path.size()) return true;
      start = end + 1;
    }
  }
  std::unordered_map<wchar_t, bool> slow_drives_;
  std::unordered_map<std::wstring, bool> folders_;  // upper-cased path -> exists
};

bool FileMayShow(const std::wstring& path) { return infra::IsSlowPath(path) || infra::FileExistsNotFolder(path); }

plat::MenuItem Item(const wchar_t* name, const wchar_t* caption, int image, bool visible, TMenuAction action) {
  plat::MenuItem m;
  m.name = name;
  m.caption = caption;
  m.image = image;
  m.visible = visible;
  m.action = std::move(action);
  return m;
}

plat::MenuItem Separator(const wchar_t* name) { return Item(name, L"-", -1, true, nullptr); }

plat::MenuItem BuiltItem(int tag, const std::wstring& encoded_name, const std::wstring& encoded_value,
                         TMenuAction action) {
  const store::TEncoded v = store::SplitEncoded(encoded_value);
  plat::MenuItem m;
  m.caption = plat::MenuCaptionOf(v.text);  // a title shows as stored, "&" included
  m.image = v.number;
  m.tag = tag;
  m.value = store::SplitEncoded(encoded_name).text;
  m.action = std::move(action);
  return m;
}

// A recent submenu emptied down to its foot: separator, then "Clear".
void ResetRecentSubmenu(plat::MenuItem& sub, const TMenuAction& clear) {
  sub.items.clear();
  sub.items.push_back(Separator(kClearSeparator));
  sub.items.push_back(Item(kClear, L"Clear", -1, true, clear));
}

TMenuAction ClearActionOf(const plat::MenuItem& sub) {
  for (const auto& i : sub.items) {
    if (i.name == kClear) return i.action;
  }
  return nullptr;
}

// Finds the recent item of a path inside a recent submenu of the folder menu.
plat::MenuItem* FindRecentItem(plat::Menu& menu, const wchar_t* submenu, const std::wstring& path) {
  plat::MenuItem* sub = plat::FindMenuItem(menu, submenu);
  if (!sub) return nullptr;
  for (auto& i : sub->items) {
    if (!i.IsSeparator() && i.name.empty() && i.value == path) return &i;
  }
  return nullptr;
}

void DisableRecentItem(plat::Menu& menu, const wchar_t* submenu, const std::wstring& path) {
  if (plat::MenuItem* i = FindRecentItem(menu, submenu, path)) i->enabled = false;
}

// The position of a path's entry in a recent list (the newest first), -1
// when the list no longer holds it.
int RecentIndexOf(const store::TRecentList& list, const std::wstring& path) {
  for (int i = list.Count() - 1; i >= 0; --i) {
    if (list.Objects(i).Path == path) return i;
  }
  return -1;
}

}  // namespace

plat::Menu CreateFolderMenu(const TFolderMenuCommands& c) {
  plat::Menu m;
  m.push_back(Separator(kN3));
  m.push_back(Item(kOpenWindows, L"Open Windows", -1, false, nullptr));
  plat::MenuItem recent = Item(kRecent1, L"Recently Opened Folders", -1, false, nullptr);
  ResetRecentSubmenu(recent, c.clear);
  m.push_back(std::move(recent));
  plat::MenuItem files = Item(kRecentfiles1, L"Recently Opened Files", -1, false, nullptr);
  ResetRecentSubmenu(files, c.clear);
  m.push_back(std::move(files));
  m.push_back(Item(kFilter1, L"Filter", -1, false, nullptr));
  m.push_back(Separator(kN5));
  m.push_back(Item(kAdd, L"Add Current Folder", kImageAdd, false, c.add));
  m.push_back(Item(kRemove, L"Remove Current Folder", kImageRemove, false, c.remove));
  m.push_back(Item(kOpenFolder, L"Open Folder in New Window", -1, false, c.open_folder));
  m.push_back(Separator(kN6));
  m.push_back(Item(kSetting, L"Options...", kImageOptions, true, c.settings));
  return m;
}

void LoadImageList1() { plat::SetMenuImageResources(kImageResourceFirst, kImageCount); }

void BuildFavouritesBlock(plat::Menu& menu, const std::vector<std::wstring>& names,
                          const std::vector<std::wstring>& values, const std::vector<std::wstring>& masks,
                          const std::vector<std::wstring>& filter_names) {
  // 1. The old block: everything above the first separator.
  const std::size_t n3 = static_cast<std::size_t>(
      std::find_if(menu.begin(), menu.end(), [](const plat::MenuItem& i) { return i.IsSeparator(); }) - menu.begin());
  menu.erase(menu.begin(), menu.begin() + static_cast<std::ptrdiff_t>(n3));

  // 2. The entries, in stored order.
  std::vector<plat::MenuItem> block;
  TFolderCheck check;
  check.ListCrowdedFolders(names);
  const std::size_t count = std::min(names.size(), values.size());
  std::size_t i = 0;
  while (i < count) {
    const std::wstring& name = names[i];
    const bool header = StartsWith(name, store::kSubmenuPrefix);
    if (!header && !check.MayShow(name)) {
      ++i;
      continue;
    }
    if (header) {
      if (i + 1 >= count || store::SplitEncoded(names[i + 1]).number != 2) {
        ++i;
        continue;
      }
      plat::MenuItem head = BuiltItem(static_cast<int>(i) + kFavouriteTagBase, names[i], values[i], nullptr);
      std::size_t j = i + 1;
      for (; j < count; ++j) {
        if (StartsWith(names[j], store::kSubmenuPrefix)) break;
        const store::TEncoded child = store::SplitEncoded(names[j]);
        if (!check.MayShow(child.text)) continue;  // passed over; the submenu goes on
        if (child.number != 2) break;
        head.items.push_back(
            BuiltItem(static_cast<int>(j) + kFavouriteTagBase, names[j], values[j], FavouriteItemClick));
      }
      block.push_back(std::move(head));
      i = j;
      continue;
    }
    block.push_back(BuiltItem(static_cast<int>(i) + kFavouriteTagBase, names[i], values[i], FavouriteItemClick));
    ++i;
  }
  menu.insert(menu.begin(), std::make_move_iterator(block.begin()), std::make_move_iterator(block.end()));

  // 3. The Filter submenu, in stored order.
  if (plat::MenuItem* filter = plat::FindMenuItem(menu, kFilter1)) {
    filter->items.clear();
    const std::size_t filters = std::min(masks.size(), filter_names.size());
    for (std::size_t f = 0; f < filters; ++f) {
      plat::MenuItem m;
      m.caption = plat::MenuCaptionOf(filter_names[f]);
      m.tag = static_cast<std::int64_t>(f) + kFilterTagBase;
      m.value = masks[f];
      m.action = FilterItemClick;
      filter->items.push_back(std::move(m));
    }
  }
}

void BuildRecentBlock(plat::Menu& menu, bool files, bool folders, const agent::TProgramSettings& settings,
                      const store::TRecentList& recent_files, const store::TRecentList& recent_folders,
                      const TRecentActions& actions) {
  if (folders) {
    if (plat::MenuItem* sub = plat::FindMenuItem(menu, kRecent1)) {
      if (!settings.RecentFldr) {
        sub->visible = false;
      } else {
        ResetRecentSubmenu(*sub, ClearActionOf(*sub));
        sub->visible = !recent_folders.Empty();
        int added = 0;
        for (int i = recent_folders.Count() - 1; i >= 0; --i) {
          if (settings.FoldersCount > 0 && added >= settings.FoldersCount) break;
          const std::wstring& path = recent_folders.Objects(i).Path;
          if (!FolderMayShow(path)) continue;
          plat::MenuItem m;
          m.caption = plat::MenuCaptionOf(ShortenPathCaption(path));
          m.image = 0;
          m.tag = i;
          m.value = path;
          m.action = actions.folder;
          sub->items.insert(sub->items.end() - 2, std::move(m));
          ++added;
        }
      }
    }
  }
  if (files) {
    if (plat::MenuItem* sub = plat::FindMenuItem(menu, kRecentfiles1)) {
      if (!settings.RecentFls) {
        sub->visible = false;
      } else {
        // StrList1: the paths placed in this build.
        std::vector<std::wstring> placed;
        ResetRecentSubmenu(*sub, ClearActionOf(*sub));
        sub->visible = !recent_files.Empty();
        int added = 0;
        for (int i = recent_files.Count() - 1; i >= 0; --i) {
          if (settings.FilesCount > 0 && added >= settings.FilesCount) break;
          const store::TStr& entry = recent_files.Objects(i);
          if (infra::ContainsText(placed, entry.Path) || !FileMayShow(entry.Path)) continue;
          placed.push_back(entry.Path);
          plat::MenuItem m;
          m.caption = plat::MenuCaptionOf(ShortenPathCaption(entry.Path));
          m.image = entry.IconIndex;
          m.image_list = plat::MenuImageList::RecentFileIcons;
          m.tag = i;
          m.value = entry.Path;
          m.action = actions.file;
          sub->items.insert(sub->items.end() - 2, std::move(m));
          ++added;
        }
      }
    }
  }
}

void BuildFavouritesMenu(agent::AgentServices& agent) {
  BuildFavouritesBlock(agent.FolderMenu(), store::FavouriteNames, store::FavouriteValues, store::FilterMasks,
                       store::FilterNames);
}

void BuildRecentMenus(agent::AgentServices& agent, bool files, bool folders) {
  TRecentActions actions;
  actions.folder = [&agent](const plat::MenuItem& item) { RecentFolderItemClick(agent, item); };
  actions.file = [&agent](const plat::MenuItem& item) { RecentFileItemClick(agent, item); };
  BuildRecentBlock(agent.FolderMenu(), files, folders, agent.Settings(), store::RecentFiles, store::RecentFolders,
                   actions);
}

void ApplyVisibility(plat::Menu& menu, const TDisplayFacts& facts, const std::vector<std::wstring>& favourite_names,
                     const std::vector<std::wstring>& filter_masks) {
  auto set = [&menu](const wchar_t* name, bool visible) {
    if (plat::MenuItem* i = plat::FindMenuItem(menu, name)) i->visible = visible;
  };
  using namespace targets;
  set(kRecentfiles1, facts.recent_files && facts.kind != RarExtractDialog && facts.kind != RarWindow &&
                         facts.kind != ZipExtractDialog);
  set(kRecent1, facts.recent_folders);

  set(kAdd, false);
  set(kRemove, false);
  set(kOpenFolder, false);
  auto add_or_remove = [&] {
    if (facts.folder.empty()) return;
    const bool known = infra::ContainsText(favourite_names, facts.folder) ||
                       infra::ContainsText(favourite_names, facts.folder + store::kChildMarker);
    set(known ? kRemove : kAdd, true);
  };
  if (facts.kind == Explorer || facts.kind == InternetExplorer) {
    add_or_remove();
    if (!facts.folder.empty()) set(kOpenFolder, true);
  }
  if (facts.kind == FileDialog) {
    set(kFilter1, !filter_masks.empty());
    if (!facts.office_dialog) add_or_remove();
  } else {
    set(kFilter1, false);
  }
}

void ShowPath(agent::AgentServices& agent, plat::Window window, targets::TargetKind kind, std::uint32_t input_tick,
              bool by_key) {
  // 1-2.
  if (window == 0) {
    infra::LogError(L"ShowPath", L"W = 0", L"", plat::LastError(), true);
    return;
  }
  const std::uint32_t begin_tick = plat::TickCount();
  infra::LogMessage(L"ShowPath",
                    L"begin, type=" + std::to_wstring(static_cast<int>(kind)) + L", W=" + targets::HandleText(window));
  // 3. Another program changed the store and left the marker.
  if (store::TakeUpdateMarker()) store::LoadFavourites();  // asks for a build when the store changed
  agent.BuildPendingFavouritesMenu();
  // 4.
  targets::CurrentTargetWindow = window;
  targets::CurrentTargetKind = kind;

  TDisplayFacts facts;
  facts.kind = kind;
  facts.recent_folders = agent.Settings().RecentFldr && !store::RecentFolders.Empty();
  facts.recent_files = agent.Settings().RecentFls && !store::RecentFiles.Empty();

  std::optional<plat::MenuItem> chosen;
  {
    // A target whose thread does not answer at once (hung, or busy in a loop
    // of its own - or a window that is no target at all) shares no input and
    // is asked nothing: once attached, the popup's change of the foreground
    // would wait for that thread without a time-out.
    const bool answers =
        plat::SendMessageTimeout(window, plat::WM_NULL, 0, 0, plat::SMTO_ABORTIFHUNG, kTargetAnswerMs, nullptr);
    if (!answers) {
      infra::LogMessage(L"ShowPath",
                        L"the window does not answer: no input shared, nothing read, W=" + targets::HandleText(window));
    }
    // 6. The target's input is shared with the UI thread while the menu is
    // open; the detach (11) runs whatever happens.
    std::optional<targets::InputAttachment> attach;
    if (targets::AgentUiThreadId != 0 && answers) attach.emplace(window);

    // 7-8.
    if (answers && (kind == targets::Explorer || kind == targets::InternetExplorer)) facts.folder = targets::GetPath();
    if (kind == targets::FileDialog) facts.office_dialog = plat::GetClassName(window, 10) == L"bosa_sdm_";
    ApplyVisibility(agent.FolderMenu(), facts, store::FavouriteNames, store::FilterMasks);
    NumberFavourites(agent.FolderMenu(), agent.Settings().KeyboardMenu);
    std::vector<std::wstring> open_windows;
    if (agent.Settings().OpenWindowsMenu) {
      open_windows = targets::OpenExplorerFolders(window, facts.folder);
      // A file dialog's own folder is asked for only when there is a list to
      // leave it out of.
      if (answers && kind == targets::FileDialog && !open_windows.empty())
        targets::LeaveOutFolder(open_windows, targets::FileDialogFolder(window));
    }
    FillOpenWindows(agent.FolderMenu(), open_windows);

    // 9-10. The popup makes the main window the foreground window first, so
    // the menu takes the keyboard and closes on a click elsewhere.
    plat::Point pt;
    plat::GetCursorPos(&pt);
    const plat::Window owner = agent.OwnerWindow();
    agent.SetFolderMenuOpen(true);
    try {
      chosen = plat::TrackPopupMenu(agent.FolderMenu(), pt, owner, by_key && agent.Settings().KeyboardMenu);
    } catch (...) {
      chosen.reset();
    }
    agent.SetFolderMenuOpen(false);
    plat::PostMessage(owner, plat::WM_NULL, 0, 0);
    // The popup made the hidden main window the foreground window; the target
    // gets the keyboard back (a dismissed menu leaves the user where they were).
    if (plat::GetForegroundWindow() == owner && plat::IsWindow(window)) plat::SetForegroundWindow(window);
  }
  // How long the user waited for the menu, from the request on.
  if (const std::uint32_t shown = plat::LastPopupShownTick()) {
    infra::LogMessage(L"ShowPath", L"menu on screen after " + std::to_wstring(shown - begin_tick) + L" ms");
    // A time from another clock or a stale record tells nothing.
    const std::uint32_t from_click = shown - input_tick;
    if (input_tick != 0 && from_click < kClickLatencyLimitMs)
      infra::LogMessage(L"ShowPath", L"menu on screen after " + std::to_wstring(from_click) + L" ms from the click");
  }
  // The chosen item's title, and the caption the menu showed for it.
  infra::LogMessage(L"ShowPath", chosen ? L"end, chosen: " + plat::MenuCaptionText(chosen->caption) + L", shown as \"" +
                                              plat::MenuCaptionText(plat::LastPopupChosenCaption()) + L"\""
                                        : std::wstring(L"end, nothing chosen"));
  // The item as the user saw it: its action reads the path it stood for, not
  // a position in lists that may have changed while the menu was open.
  if (chosen && chosen->action) chosen->action(*chosen);
}

void NumberFavourites(plat::Menu& menu, bool on) {
  wchar_t next = L'1';
  for (auto& item : menu) {
    if (item.IsSeparator()) break;  // the end of the favourites block
    item.accelerator = on && item.visible && next <= L'9' ? next++ : 0;
  }
}

void FillOpenWindows(plat::Menu& menu, const std::vector<std::wstring>& folders) {
  plat::MenuItem* sub = plat::FindMenuItem(menu, kOpenWindows);
  if (!sub) return;
  sub->items.clear();
  for (std::size_t i = 0; i < folders.size(); ++i) {
    plat::MenuItem m;
    m.caption = plat::MenuCaptionOf(ShortenPathCaption(folders[i]));
    m.image = 0;
    m.tag = static_cast<std::int64_t>(i);
    m.value = folders[i];
    m.action = OpenWindowItemClick;
    sub->items.push_back(std::move(m));
  }
  sub->visible = !folders.empty();
}

void OpenWindowItemClick(const plat::MenuItem& item) {
  if (item.value.empty()) return;
  targets::SetData(item.value, targets::PathMode);
}

void FavouriteItemClick(const plat::MenuItem& item) {
  if (item.value.empty()) return;
  targets::SetData(item.value, targets::PathMode);
}

void FilterItemClick(const plat::MenuItem& item) {
  if (item.value.empty()) return;
  targets::SetData(item.value, targets::FilterMode);
}

void RecentFolderItemClick(agent::AgentServices& agent, const plat::MenuItem& item) {
  const std::wstring& path = item.value;
  if (path.empty()) return;
  if (!FolderMayShow(path)) {
    DisableRecentItem(agent.FolderMenu(), kRecent1, path);
    return;
  }
  targets::SetData(path, targets::PathMode);
  // The folder was used just now: it moves to the end of the list, the top of
  // its submenu.
  store::TRecentList& list = store::RecentFolders;
  const int i = RecentIndexOf(list, path);
  if (i >= 0) {
    list.SetString(i, store::TouchedRecentKey(list.Strings(i), store::DosDateTime(plat::LocalNow())));
    list.Sort();
  }
  // Through the agent, which keeps the recent files' icons in step.
  agent.BuildRecentMenus(false, true);
}

void RecentFileItemClick(agent::AgentServices& agent, const plat::MenuItem& item) {
  const std::wstring& path = item.value;
  if (path.empty()) return;
  if (!FileMayShow(path)) {
    DisableRecentItem(agent.FolderMenu(), kRecentfiles1, path);
    return;
  }
  if (targets::CurrentTargetKind == targets::FileDialog) {
    targets::SetData(path, targets::PathMode);
  } else {
    plat::ShellExecute(0, L"", path, L"", L"", plat::SW_SHOWNORMAL);
  }
  plat::SHAddToRecentDocs(path);
  agent.BuildRecentMenus(true, false);
}

}  // namespace menu
