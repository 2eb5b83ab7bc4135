#include "store/favourites.h"

#include <algorithm>
#include <cwctype>

#include "agent/program_settings.h"
#include "app/autostart.h"
#include "agent/vorl_folder.h"
#include "infra/dral_utils.h"
#include "infra/logger.h"
#include "infra/registry.h"
#include "menu/folder_menu.h"
#include "platform/files.h"
#include "platform/process.h"

namespace store {
namespace {

bool SameText(const std::wstring& a, const std::wstring& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
           return std::towupper(x) == std::towupper(y);
         });
}

bool IsFavourite(const std::wstring& name) {
  const auto& names = agent::VorlFolder->FavouriteNames;
  return std::any_of(names.begin(), names.end(), [&](const std::wstring& n) { return SameText(n, name); });
}

// Reads the values of one key into two parallel lists; a value that is not a
// string ends the load of that key with an error entry, keeping what was read.
void LoadKey(const wchar_t* key, std::vector<std::wstring>& names, std::vector<std::wstring>& values) {
  names.clear();
  values.clear();
  infra::TRegistry reg;
  if (!reg.OpenKeyReadOnly(key)) return;
  for (const auto& name : reg.GetValueNames()) {
    try {
      std::wstring data = reg.ReadString(name);
      names.push_back(name);
      values.push_back(data);
    } catch (const std::exception&) {
      infra::LogError(L"LoadFavourites", L"Can't read value", L"Name=" + name, 0);
      break;
    }
  }
  reg.CloseKey();
}

const wchar_t* const kDefaultFilters[][2] = {
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

}  // namespace

void LoadFavourites() {
  auto* form = agent::VorlFolder;
  if (!form) return;
  LoadKey(kPathKey, form->FavouriteNames, form->FavouriteValues);
  LoadKey(kFilterKey, form->FilterMasks, form->FilterNames);
  menu::BuildFavouritesMenu();
}

void AddFavouriteFolder(const std::wstring& path) {
  auto* form = agent::VorlFolder;
  if (!form) return;
  if (path == L"/update") {
    LoadFavourites();
    menu::BuildFavouritesMenu();
    return;
  }
  // Paths on slow drives are accepted without touching the drive.
  if (path.empty() || !(infra::IsSlowPath(path) || plat::DirectoryExists(path))) return;
  // A "$" in a stored name separates the path from its entry marker, so a path
  // holding one (an administrative share such as \\server\c$\data) would be
  // read back as another folder: such a path is not stored.
  if (path.find(L'$') != std::wstring::npos) {
    infra::LogMessage(L"AddFavouriteFolder", L"Path with '$' not stored: " + path);
    return;
  }
  if (IsFavourite(path) || IsFavourite(path + L"$2")) return;
  const std::wstring title = path;
  try {
    infra::TRegistry reg;
    if (!reg.OpenKey(kPathKey, true)) {
      infra::LogError(L"AddFavouriteFolder", L"Can't open key", L"Path=" + path, plat::LastError());
      return;
    }
    if (!reg.ValueExists(path) && !reg.ValueExists(path + L"$2")) {
      reg.WriteString(path, title + L"$0");
      form->FavouriteNames.push_back(path);
      form->FavouriteValues.push_back(title + L"$0");
    }
    reg.CloseKey();
  } catch (const std::exception&) {
    infra::LogError(L"AddFavouriteFolder", L"Common error", L"Path=" + path, plat::LastError());
  }
  menu::BuildFavouritesMenu();
}

void WriteFirstRunDefaults() {
  try {
    infra::TRegistry reg;
    if (reg.OpenKey(kFilterKey, true)) {
      for (const auto& f : kDefaultFilters) reg.WriteString(f[0], f[1]);
      reg.CloseKey();
    }
    if (reg.OpenKey(agent::kSettingsKey, true)) {
      reg.WriteString(L"Path", agent::TVorlFolder::ProgramFolder());
      reg.CloseKey();
    }
  } catch (const std::exception&) {
    return;  // what was written stays
  }
  app::WriteAutostartEntry();  // a failure here is logged and ignored
}

}  // namespace store
