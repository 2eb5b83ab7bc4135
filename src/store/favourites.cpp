#include "store/favourites.h"

#include <algorithm>

#include "app/autostart.h"
#include "infra/dral_utils.h"
#include "infra/text.h"
#include "infra/logger.h"
#include "infra/registry.h"
#include "menu/shorten_caption.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/shell_link.h"
#include "platform/shell_names.h"
#include "platform/system.h"
#include "store/shell_extension.h"
#include "targets/browse_folder.h"
#include "targets/get_path.h"

namespace store {

std::vector<std::wstring> FavouriteNames;
std::vector<std::wstring> FavouriteValues;
std::vector<std::wstring> FilterMasks;
std::vector<std::wstring> FilterNames;

const TFilter kDefaultFilters[4] = {
    {L"*.*", L"All Files"},
    {L"*.txt;*.doc*;*.rtf;*.hlp;*.chm;*.xls*;*.pdf;*.ppt*;*.pps*;*.odt", L"Text Documents"},
    {L"*.bmp;*.cdr;*.clp;*.cgm;*.dib;*.drw;*.dxf;*.emf;*.eps;*.gif;*.ico;*.icl;*.iff;*img;*.jpg;*.jpeg;*.lbm;"
     L"*.ldf;*.lwf;*.pbm;*.pcd;*.pcx;*.pgm;*.pic;*.pct;*.png;*.ppm;*.psd;*.psp;*.qtif;*.ras;*.rgb;*.rle;*.sfw;"
     L"*.tga;*.tif;*.tiff;*.wmf;*.wpg;*.jpe;*.iff",
     L"Pictures"},
    {L"*.asf;*.avi;*.bik;*.divx;*.m1v;*.mkv;*.mp4;*.mpe*;*.mpg;*.mpg4;*.mov;*.ogm;*.qt;*.rm;*.smk;*.vob;*.wmv;"
     L"*.xvid;*.flv;*.mov;*.qt;*.swf;*.3gp;*.ram;*.rmvb;*.m2v;*.ts;*.p4s;*.vpl;*.wpl;*.bpp",
     L"Video"},
};

namespace {

bool InFavouriteNames(const std::wstring& name) { return infra::ContainsText(FavouriteNames, name); }

std::wstring Encode(const std::wstring& text, int number) { return text + L"$" + std::to_wstring(number); }

// "X:\..." or "\\server\..." (also "\\?\" names): a path that does not depend on
// a current folder or drive.
bool IsFullPath(const std::wstring& path) {
  if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') return true;
  return path.size() >= 3 && path[0] == L'\\' && path[1] == L'\\';
}

// A folder the store accepts: on a slow drive (never touched) or existing.
bool FolderAcceptable(const std::wstring& path) { return infra::IsSlowPath(path) || plat::DirectoryExists(path); }

// One Shell Folders value, only when it is a string; an expandable string is
// expanded.
std::wstring ReadShellFolder(infra::TRegistry& reg, const std::wstring& name) {
  if (!reg.ValueExists(name)) return L"";
  const infra::TRegDataType type = reg.GetDataType(name);
  if (type == infra::TRegDataType::rdString) return reg.ReadString(name);
  if (type == infra::TRegDataType::rdExpandString) return plat::ExpandEnvironmentText(reg.ReadString(name));
  return L"";
}

// The shell's display names of the Documents and the Computer folders.
void ShellDisplayNames(std::wstring& documents, std::wstring& computer) {
  if (plat::GetSpecialFolderDisplayName(plat::CSIDL_PERSONAL, documents) &&
      documents.find(L'\\') != std::wstring::npos && plat::DirectoryExists(documents))
    documents = LastPathComponent(documents);
  plat::GetSpecialFolderDisplayName(plat::CSIDL_DRIVES, computer);
  if (documents.empty()) documents = L"My documents";
  if (computer.empty()) computer = L"My Computer";
}

// The drive list: "C:\$2" entries under the My Computer header. A failure
// ends only this walk.
void WriteDrives(infra::TDralRegistry& reg) {
  try {
    std::wstring buffer;
    if (plat::GetLogicalDriveStrings(255, buffer) == 0 || buffer.empty()) return;
    for (size_t i = 0, roots = 0; roots < 61 && i + 1 < buffer.size(); i += 4, ++roots) {
      const std::wstring root = buffer.c_str() + i;
      if (root.empty()) break;
      std::wstring title = root;
      if (plat::DriveType(root) == plat::DRIVE_FIXED) {
        std::wstring label;
        if (plat::VolumeLabel(root, label) && !label.empty()) title = label + L" (" + root.substr(0, 2) + L")";
      }
      reg.WriteString(root + kChildMarker, Encode(title, kIconDrive));
    }
  } catch (const infra::ERegistryException& e) {
    infra::LogError(L"WriteFirstRunDefaults\\Drives", e.Message(), L"", plat::LastError());
  }
}

}  // namespace

// True while the folder menu shows the four lists as they are (set by a build
// that ended normally; any change of the lists goes through a build).
static bool menu_matches_lists = false;

TStoreLinks& Links() {
  static TStoreLinks links;
  return links;
}

void FavouritesMenuMadeAnew() { menu_matches_lists = false; }

void BuildFavouritesMenu() {
  menu_matches_lists = false;
  if (!Links().BuildFavouritesMenu) return;
  Links().BuildFavouritesMenu();
  menu_matches_lists = true;
}

TEncoded SplitEncoded(const std::wstring& encoded) {
  const size_t dollar = encoded.rfind(L'$');
  if (dollar == std::wstring::npos || dollar + 1 == encoded.size()) return {encoded, 0};
  return {encoded.substr(0, dollar), infra::TextToInt(encoded.substr(dollar + 1))};
}

bool IsSubmenuHeader(const std::wstring& name) { return name.rfind(kSubmenuPrefix, 0) == 0; }

bool IsStorablePath(const std::wstring& path) {
  const size_t dollar = path.rfind(L'$');
  return dollar == std::wstring::npos || dollar + 1 == path.size();
}

std::wstring LastPathComponent(const std::wstring& path) {
  if (path.size() <= 3) return path;
  std::wstring p = path;
  if (p.back() == L'\\') p.pop_back();
  const size_t slash = p.rfind(L'\\');
  return slash == std::wstring::npos ? p : p.substr(slash + 1);
}

namespace {

struct TSkippedValue {
  std::wstring name;
  std::uint32_t type = 0;
};

void LogSkipped(const wchar_t* key, const TSkippedValue& skipped) {
  infra::LogError(L"LoadFavourites", L"Invalid data type for '" + skipped.name + L"'",
                  std::wstring(L"Key=") + key + L", Type=" + std::to_wstring(skipped.type), 0);
}

// The string values of one key in stored order; the others are listed in
// skipped.
void ReadKeyStrings(const wchar_t* key, std::vector<std::wstring>& names, std::vector<std::wstring>& values,
                    std::vector<TSkippedValue>& skipped) {
  infra::TRegistry reg;
  if (!reg.OpenKeyReadOnly(key)) return;
  // One pass over the values with their data, in stored order.
  std::wstring name;
  std::uint32_t type = 0;
  plat::RegData data;
  for (std::uint32_t i = 0; plat::RegEnumValueW(reg.CurrentKey(), i, &name, &type, &data) == plat::ERROR_SUCCESS; ++i) {
    if (type != plat::REG_SZ && type != plat::REG_EXPAND_SZ && !data.empty()) {
      skipped.push_back(TSkippedValue{name, type});
      continue;
    }
    names.push_back(name);
    values.push_back(data.empty() ? std::wstring() : plat::RegDataString(data));
  }
}

// One store key as its last full read found it, with the watch made before
// that read: while the watch has not fired, the key holds exactly this, and
// loading it again is a copy (10,000 favourites cost the registry 10,000
// round trips).
struct TKeyRead {
  plat::RegWatch watch = 0;
  std::vector<std::wstring> names;
  std::vector<std::wstring> values;
  std::vector<TSkippedValue> skipped;
};

void ReadStoreKeyWatched(const wchar_t* key, TKeyRead& last, std::vector<std::wstring>& names,
                         std::vector<std::wstring>& values) {
  if (plat::RegWatchFired(last.watch)) {
    plat::RegCloseWatch(last.watch);
    last = TKeyRead{};
    // Made before the read: a change while reading fires it as well.
    last.watch = plat::RegWatchKey(plat::HKEY_CURRENT_USER, key);
    ReadKeyStrings(key, last.names, last.values, last.skipped);
  }
  for (const TSkippedValue& skipped : last.skipped) LogSkipped(key, skipped);
  names = last.names;
  values = last.values;
}

}  // namespace

void ReadStoreKey(const wchar_t* key, std::vector<std::wstring>& names, std::vector<std::wstring>& values,
                  bool log_skipped) {
  std::vector<TSkippedValue> skipped;
  ReadKeyStrings(key, names, values, skipped);
  if (log_skipped)
    for (const TSkippedValue& s : skipped) LogSkipped(key, s);
}

void LoadFavourites() {
  static TKeyRead path_read, filter_read;
  std::vector<std::wstring> names, values, masks, filter_names;
  ReadStoreKeyWatched(kPathKey, path_read, names, values);
  ReadStoreKeyWatched(kFilterKey, filter_read, masks, filter_names);
  // The menu tests every folder it shows for existence: it is built again only
  // when the store holds something else than the menu was built from (a reload
  // that finds the same store, as the options dialog's, costs no rebuild).
  const bool same = menu_matches_lists && names == FavouriteNames && values == FavouriteValues &&
                    masks == FilterMasks && filter_names == FilterNames;
  FavouriteNames = std::move(names);
  FavouriteValues = std::move(values);
  FilterMasks = std::move(masks);
  FilterNames = std::move(filter_names);
  if (!same) BuildFavouritesMenu();
}

void AddFavouriteFolder(const std::wstring& path) {
  if (path == kUpdateArgument) {
    LoadFavourites();  // rebuilds the menu when the store changed
    return;
  }
  if (path.empty()) return;
  // Only a full path names the same folder later and for every program: a
  // relative one would be taken from whatever folder the agent was started in.
  if (!IsFullPath(path)) {
    infra::LogMessage(L"AddFavouriteFolder: not a full path", L"Path=" + path);
    return;
  }
  if (!FolderAcceptable(path)) return;
  if (InFavouriteNames(path) || InFavouriteNames(path + kChildMarker)) return;
  if (!IsStorablePath(path)) {
    infra::LogMessage(L"AddFavouriteFolder: a path with \"$\" followed by text cannot be stored", L"Path=" + path);
    return;
  }
  std::wstring title = menu::ShortenPathCaption(path);
  if (Links().AlwaysAddDialog && Links().AlwaysAddDialog() && Links().AddItemPrompt) {
    if (!Links().AddItemPrompt(title)) return;
  }
  try {
    infra::TDralRegistry reg;
    if (!reg.OpenKey(kPathKey, true)) {
      infra::LogError(L"AddFavouriteFolder", L"Can't open key", L"Path=" + path, plat::LastError());
      return;
    }
    if (!reg.ValueExists(path) && !reg.ValueExists(path + kChildMarker)) {
      const std::wstring data = Encode(title, kIconFolder);
      reg.WriteString(path, data);
      FavouriteNames.push_back(path);
      FavouriteValues.push_back(data);
    }
  } catch (const infra::ERegistryException& e) {
    infra::LogError(L"AddFavouriteFolder", e.Message(), L"Path=" + path, plat::LastError());
  }
  BuildFavouritesMenu();
}

void RemoveFavouriteFolder(const std::wstring& path) {
  if (!path.empty()) {
    infra::TDralRegistry reg;
    if (reg.OpenKey(kPathKey, true)) {
      if (reg.ValueExists(path)) {
        reg.DeleteValue(path);
      } else if (reg.ValueExists(path + kChildMarker)) {
        reg.DeleteValue(path + kChildMarker);
      }
    } else {
      infra::LogError(L"RemoveFavouriteFolder", L"Can't open key", L"Path=" + path, plat::LastError());
    }
  }
  LoadFavourites();
}

void Addfolder1Click(plat::Window owner) {
  std::wstring folder;
  targets::BrowseForFolder(owner, L"", folder);
  if (!folder.empty()) AddFavouriteFolder(folder);
}

void AddClick() {
  const std::wstring folder = targets::GetPath();
  if (!folder.empty()) AddFavouriteFolder(folder);
}

void RemoveClick() {
  const std::wstring folder = targets::GetPath();
  if (!folder.empty()) RemoveFavouriteFolder(folder);
}

void ImportShortcutFolder(const std::wstring& base_folder, const std::wstring& subfolder) {
  infra::TDralRegistry reg;
  if (!reg.OpenKey(kPathKey, true)) return;
  const plat::OwnedShellLink owned_link(plat::CreateShellLink());
  if (!owned_link) return;
  const plat::ShellLink link = owned_link.get();

  std::wstring folder = base_folder;
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  if (!subfolder.empty()) folder += subfolder + L"\\";
  bool header_written = false;
  for (const auto& entry : plat::FindFiles(folder + L"*.lnk")) {
    if (entry.IsDirectory()) continue;
    std::wstring target;
    if (!plat::ShellLinkLoad(link, folder + entry.name)) continue;
    plat::ShellLinkGetPath(link, target);
    if (target.empty() || !FolderAcceptable(target)) continue;
    const std::wstring title = infra::TextWithoutLast(entry.name, 4);
    if (title.empty()) continue;
    if (!IsStorablePath(target)) {
      infra::LogMessage(L"ImportShortcutFolder: a path with \"$\" followed by text cannot be stored",
                        L"Path=" + target);
      continue;
    }
    if (!subfolder.empty() && !header_written) {
      reg.WriteString(kSubmenuPrefix + subfolder, Encode(subfolder, kIconSubmenu));
      header_written = true;
    }
    reg.WriteString(subfolder.empty() ? target : target + kChildMarker, Encode(title, kIconFolder));
  }
}

void WriteFirstRunDefaults() {
  infra::LogMessage(L"WriteFirstRunDefaults", L"begin");
  try {
    std::wstring personal, music, pictures, favorites;
    {
      infra::TRegistry reg;
      if (reg.OpenKeyReadOnly(kShellFoldersKey)) {
        personal = ReadShellFolder(reg, L"Personal");
        music = ReadShellFolder(reg, L"My Music");
        pictures = ReadShellFolder(reg, L"My Pictures");
        favorites = ReadShellFolder(reg, L"Favorites");
      }
    }
    std::wstring documents_title, computer_title;
    ShellDisplayNames(documents_title, computer_title);

    {
      infra::TDralRegistry reg;
      if (!reg.OpenKey(kPathKey, true)) throw infra::ERegistryException(L"Can't open key");
      reg.WriteString(L"Submenu234", Encode(computer_title, kIconSubmenu));
      WriteDrives(reg);
      // A documents folder whose path the store cannot hold is left out.
      if (!personal.empty() && IsStorablePath(personal))
        reg.WriteString(personal, Encode(documents_title, kIconDocuments));
      if (!music.empty() && IsStorablePath(music)) reg.WriteString(music, Encode(LastPathComponent(music), kIconMusic));
      if (!pictures.empty() && IsStorablePath(pictures))
        reg.WriteString(pictures, Encode(LastPathComponent(pictures), kIconPictures));
    }

    if (!favorites.empty()) {
      std::wstring base = favorites;
      if (base.back() != L'\\') base += L'\\';
      for (const auto& entry : plat::FindFiles(base + L"*")) {
        if (!entry.IsDirectory() || entry.name == L"." || entry.name == L"..") continue;
        if (!FolderAcceptable(base + entry.name)) continue;
        ImportShortcutFolder(favorites, entry.name);
      }
      ImportShortcutFolder(favorites, L"");
    }

    {
      infra::TDralRegistry reg;
      if (!reg.OpenKey(kFilterKey, true)) throw infra::ERegistryException(L"Can't open key");
      for (const auto& filter : kDefaultFilters) reg.WriteString(filter.mask, filter.name);
    }
    {
      infra::TDralRegistry reg;
      if (!reg.OpenKey(kSettingsKey, true)) throw infra::ERegistryException(L"Can't open key");
      reg.WriteString(L"Path", infra::ExtractFolderPart(plat::ProgramPath()));
    }
    app::WriteAutostartEntry();  // a failure is logged; the defaults stand without it
    RegisterShellExtension(true);
  } catch (const std::exception&) {
    // What was written so far stays; the next start without the settings
    // key seeds again and overwrites in place.
    infra::LogError(L"WriteFirstRunDefaults", L"General fail", L"", plat::LastError());
  }
}

}  // namespace store
