#include "store/config_files.h"

#include <array>
#include <optional>

#include "infra/logger.h"
#include "infra/registry.h"
#include "infra/utf16.h"
#include "platform/code_page.h"
#include "platform/file_dialog.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/window.h"
#include "store/favourites.h"

namespace store {
namespace {

constexpr std::string_view kUtf8Bom{"\xEF\xBB\xBF", 3};
constexpr std::string_view kUtf16BeBom{"\xFE\xFF", 2};

// The encoding each of the four lists was last read in from a configuration
// file during this run (names, values, masks, filter names).
std::array<std::optional<TTextEncoding>, 4> remembered;

// Set when a rewrite failed and could not be undone while a copy was kept.
bool copy_is_only_record = false;

std::wstring FromUtf16Be(std::string_view bytes) {
  std::string swapped(bytes);
  for (size_t i = 0; i + 1 < swapped.size(); i += 2) std::swap(swapped[i], swapped[i + 1]);
  return infra::FromUtf16Le(swapped);
}

std::vector<std::wstring> SplitLines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  std::wstring line;
  bool pending = false;  // characters since the last line break
  for (size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c == L'\r' || c == L'\n') {
      lines.push_back(line);
      line.clear();
      pending = false;
      if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
    } else {
      line += c;
      pending = true;
    }
  }
  if (pending) lines.push_back(line);
  return lines;
}

std::wstring List(const std::wstring& base, int n) { return base + std::to_wstring(n); }

std::vector<std::wstring>& ContentList(TStoreContent& c, int index) {
  switch (index) {
    case 0:
      return c.favourite_names;
    case 1:
      return c.favourite_values;
    case 2:
      return c.filter_masks;
    default:
      return c.filter_names;
  }
}

const std::vector<std::wstring>& ContentList(const TStoreContent& c, int index) {
  return ContentList(const_cast<TStoreContent&>(c), index);
}

const std::wstring& ValueAt(const std::vector<std::wstring>& values, size_t i) {
  static const std::wstring none;
  return i < values.size() ? values[i] : none;
}

// The open key's values in stored order, compared with the list to be
// written: how many values at its head already are the list's first entries
// (the same name, spelt the same, holding the same text as REG_SZ), and the
// names of all the others. False when the values cannot all be listed.
bool SplitKeptHead(const infra::TDralRegistry& reg, const std::vector<std::wstring>& names,
                   const std::vector<std::wstring>& values, size_t& kept, std::vector<std::wstring>& others) {
  kept = 0;
  others.clear();
  std::wstring name;
  std::uint32_t type = 0;
  plat::RegData data;
  plat::RegStatus rc;
  for (std::uint32_t i = 0; (rc = plat::RegEnumValueW(reg.CurrentKey(), i, &name, &type, &data)) == plat::ERROR_SUCCESS;
       ++i) {
    if (kept == i && i < names.size() && name == names[i] && type == plat::REG_SZ &&
        data == plat::RegStringData(ValueAt(values, i)))
      ++kept;
    else
      others.push_back(name);
  }
  return rc == plat::ERROR_NO_MORE_ITEMS;
}

// Gives a key (created when missing) exactly the values in order, as
// emptying it and writing them all would. The values at its head that are
// already the list's first entries stay as they are: only the rest is
// deleted and written again (a row moved near the end of 10,000 costs one
// listing of the key and a few writes, not a deletion and a write for every
// value), and the unchanged part of the store is never missing from the key
// on the way. False when any step fails; what was written stays.
bool RewriteKey(const wchar_t* key, const std::vector<std::wstring>& names, const std::vector<std::wstring>& values) {
  try {
    infra::TDralRegistry reg;
    if (!reg.OpenKey(key, true)) {
      infra::LogError(L"ReplaceStore", L"Can't open key", std::wstring(L"Key=") + key, plat::LastError());
      return false;
    }
    size_t kept = 0;
    std::vector<std::wstring> others;
    bool deleted = SplitKeptHead(reg, names, values, kept, others);
    for (const auto& name : others) {
      if (!reg.DeleteValue(name)) deleted = false;
    }
    if (!deleted) {
      infra::LogError(L"ReplaceStore", L"Can't delete values", std::wstring(L"Key=") + key, plat::LastError());
      return false;
    }
    // A failed write raises.
    for (size_t i = kept; i < names.size(); ++i) reg.WriteString(names[i], ValueAt(values, i));
    return true;
  } catch (const infra::ERegistryException& e) {
    infra::LogError(L"ReplaceStore", e.Message(), std::wstring(L"Key=") + key, plat::LastError());
    return false;
  }
}

void ShowInformation(plat::Window owner, const std::wstring& text) {
  plat::MessageBoxW(owner, text, kApplicationTitle, plat::MB_OK);
}

// The set the user chose: the dialog's file, with its extension.
bool AskForBase(plat::Window owner, const std::wstring& configuration_folder, bool save, std::wstring& base) {
  if (owner) plat::SetForegroundWindow(owner);
  plat::OpenFileName ofn;
  ofn.owner = owner;
  ofn.filter = kConfigurationFilter;
  ofn.default_ext = kConfigurationExtension;
  ofn.initial_dir = ConfigurationFilesFolder(configuration_folder);
  ofn.title = save ? kSaveConfigurationTitle : kOpenConfigurationTitle;
  ofn.flags =
      plat::OFN_HIDEREADONLY | plat::OFN_ENABLESIZING | plat::OFN_EXPLORER | (save ? plat::OFN_OVERWRITEPROMPT : 0);
  const bool chosen = save ? plat::GetSaveFileName(ofn) : plat::GetOpenFileName(ofn);
  if (!chosen || ofn.file.empty()) return false;
  base = ofn.file;
  return true;
}

}  // namespace

std::vector<std::wstring> DecodeLines(const std::string& bytes, TTextEncoding& encoding) {
  std::string_view view(bytes);
  if (view.substr(0, 3) == kUtf8Bom) {
    encoding = TTextEncoding::Utf8;
    return SplitLines(plat::MultiByteToWide(plat::CP_UTF8, bytes.substr(3)));
  }
  if (view.substr(0, 2) == infra::kUtf16LeBom) {
    encoding = TTextEncoding::Utf16Le;
    return SplitLines(infra::FromUtf16Le(view.substr(2)));
  }
  if (view.substr(0, 2) == kUtf16BeBom) {
    encoding = TTextEncoding::Utf16Be;
    return SplitLines(FromUtf16Be(view.substr(2)));
  }
  encoding = TTextEncoding::Ansi;
  return SplitLines(plat::MultiByteToWide(plat::CP_ACP, bytes));
}

std::string EncodeLines(const std::vector<std::wstring>& lines, TTextEncoding& encoding) {
  std::wstring text;
  for (const auto& line : lines) text += line + L"\r\n";
  switch (encoding) {
    case TTextEncoding::Utf8:
      return std::string(kUtf8Bom) + plat::WideToMultiByte(plat::CP_UTF8, text);
    case TTextEncoding::Utf16Le:
      return std::string(infra::kUtf16LeBom) + infra::ToUtf16Le(text);
    case TTextEncoding::Utf16Be: {
      std::string le = infra::ToUtf16Le(text);
      for (size_t i = 0; i + 1 < le.size(); i += 2) std::swap(le[i], le[i + 1]);
      return std::string(kUtf16BeBom) + le;
    }
    case TTextEncoding::Ansi:
      break;
  }
  // Only text that the code page gives back unchanged is written in it: a
  // look-alike ("\u0141" -> "L") would store another folder's path.
  bool lossless = true;
  std::string ansi = plat::WideToMultiByte(plat::CP_ACP, text, &lossless, plat::WC_NO_BEST_FIT_CHARS);
  if (lossless && plat::MultiByteToWide(plat::CP_ACP, ansi) == text) return ansi;
  // Texts the code page cannot hold go to UTF-8 with its byte-order mark.
  encoding = TTextEncoding::Utf8;
  return std::string(kUtf8Bom) + plat::WideToMultiByte(plat::CP_UTF8, text);
}

TStoreContent ReadStoreFromRegistry() {
  TStoreContent content;
  ReadStoreKey(kPathKey, content.favourite_names, content.favourite_values, false);
  ReadStoreKey(kFilterKey, content.filter_masks, content.filter_names, false);
  return content;
}

bool WriteConfigurationFiles(const std::wstring& base, const TStoreContent& content) {
  // The five files are written beside their places first; only when all are
  // written do they take the places of the old ones (which step aside until
  // then). A disk that fills up or a file another program holds leaves the
  // set that was there whole.
  std::array<std::wstring, 5> files{base, List(base, 1), List(base, 2), List(base, 3), List(base, 4)};
  std::array<std::string, 5> data;
  for (int i = 0; i < 4; ++i) {
    TTextEncoding encoding = remembered[i].value_or(TTextEncoding::Ansi);
    data[i + 1] = EncodeLines(ContentList(content, i), encoding);
  }
  auto fresh = [](const std::wstring& f) { return f + L".new"; };
  auto aside = [](const std::wstring& f) { return f + L".old"; };
  std::uint32_t error = 0;
  auto fail = [&](std::size_t written, std::size_t moved_aside) {
    if (!error) error = plat::LastError();
    for (std::size_t i = 0; i < moved_aside; ++i) plat::MoveFileTo(aside(files[i]), files[i], true);
    for (std::size_t i = 0; i < written; ++i) plat::RemoveFile(fresh(files[i]));
    plat::SetLastError(error);
    return false;
  };
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (!plat::WriteWholeFile(fresh(files[i]), data[i])) return fail(i + 1, 0);
  }
  std::array<bool, 5> existed{};
  for (std::size_t i = 0; i < files.size(); ++i) {
    existed[i] = plat::FileExists(files[i]);
    if (existed[i] && !plat::MoveFileTo(files[i], aside(files[i]), true)) return fail(files.size(), i);
  }
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (!plat::MoveFileTo(fresh(files[i]), files[i], true)) {
      error = plat::LastError();
      for (std::size_t j = 0; j < i; ++j) plat::RemoveFile(files[j]);
      for (std::size_t j = 0; j < files.size(); ++j) {
        if (existed[j]) plat::MoveFileTo(aside(files[j]), files[j], true);
        plat::RemoveFile(fresh(files[j]));
      }
      plat::SetLastError(error);
      return false;
    }
  }
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (existed[i]) plat::RemoveFile(aside(files[i]));
  }
  return true;
}

TConfigurationRead ReadConfigurationFiles(const std::wstring& base, TStoreContent& content) {
  content = TStoreContent{};
  for (int i = 1; i <= 4; ++i) {
    if (!plat::FileExists(List(base, i))) return TConfigurationRead::MissingFile;
  }
  std::array<TTextEncoding, 4> encodings{};
  for (int i = 0; i < 4; ++i) {
    std::string bytes;
    if (!plat::ReadWholeFile(List(base, i + 1), bytes)) return TConfigurationRead::Unreadable;
    ContentList(content, i) = DecodeLines(bytes, encodings[i]);
  }
  if (content.favourite_names.size() != content.favourite_values.size() ||
      content.filter_masks.size() != content.filter_names.size())
    return TConfigurationRead::Mismatched;
  for (int i = 0; i < 4; ++i) remembered[i] = encodings[i];
  return TConfigurationRead::Ok;
}

std::wstring ConfigurationFilesFolder(const std::wstring& configuration_folder) {
  if (configuration_folder.empty()) return L"";
  std::wstring folder = configuration_folder;
  if (folder.back() != L'\\') folder += L'\\';
  folder += kConfigurationSubfolder;
  folder += L'\\';
  if (!plat::CreateDirectories(folder))
    infra::LogError(L"ConfigurationFilesFolder", L"Can't create folder", L"Folder=" + folder, plat::LastError());
  return folder;
}

TReplaceResult ReplaceStore(const TStoreContent& content, bool favourites, bool filters,
                            const std::wstring& configuration_folder) {
  const TStoreContent previous = ReadStoreFromRegistry();
  std::wstring copy;
  const std::wstring folder = ConfigurationFilesFolder(configuration_folder);
  // An empty store has nothing to keep; and after a rewrite that could not
  // be undone, the copy is the only full record of the store: neither may
  // replace it.
  if (!folder.empty() && !(previous == TStoreContent{}) && !copy_is_only_record) {
    copy = folder + kStoreCopyName;
    if (!WriteConfigurationFiles(copy, previous)) {
      infra::LogError(L"ReplaceStore", L"Can't keep a copy of the store", L"File=" + copy, plat::LastError());
      copy.clear();
    }
  }

  bool ok = true;
  if (favourites) ok = RewriteKey(kPathKey, content.favourite_names, content.favourite_values);
  if (ok && filters) ok = RewriteKey(kFilterKey, content.filter_masks, content.filter_names);
  if (ok) {
    copy_is_only_record = false;
    return TReplaceResult::Replaced;
  }

  // Put the old content back.
  bool restored = true;
  if (favourites) restored = RewriteKey(kPathKey, previous.favourite_names, previous.favourite_values);
  if (filters) restored = RewriteKey(kFilterKey, previous.filter_masks, previous.filter_names) && restored;
  if (restored) {
    infra::LogError(L"ReplaceStore", L"Rewrite failed, the previous favourites were put back", L"", 0);
    return TReplaceResult::Restored;
  }
  infra::LogError(L"ReplaceStore", L"Rewrite failed and the previous favourites could not be put back", L"Copy=" + copy,
                  0);
  if (!copy.empty()) copy_is_only_record = true;
  return TReplaceResult::NotRestored;
}

void SaveConfiguration(plat::Window owner, const std::wstring& configuration_folder) {
  std::wstring base;
  if (!AskForBase(owner, configuration_folder, true, base)) return;
  infra::LogMessage(L"Saveconfiguration1Click", L"File=" + base);
  LoadFavourites();
  TStoreContent content{FavouriteNames, FavouriteValues, FilterMasks, FilterNames};
  if (!WriteConfigurationFiles(base, content)) {
    const std::uint32_t error = plat::LastError();
    infra::LogError(L"Saveconfiguration1Click", L"Write file error", L"File=" + base, error);
    ShowInformation(owner, L"The configuration could not be saved: " + base + L"\n" + plat::SystemErrorMessage(error));
  }
}

void OpenConfiguration(plat::Window owner, const std::wstring& configuration_folder) {
  std::wstring base;
  if (!AskForBase(owner, configuration_folder, false, base)) return;
  infra::LogMessage(L"Openconfiguration1Click", L"File=" + base);
  TStoreContent content;
  const TConfigurationRead read = ReadConfigurationFiles(base, content);
  if (read != TConfigurationRead::Ok) {
    infra::LogError(L"Openconfiguration1Click", kInvalidConfigurationText,
                    L"File=" + base + L", Reason=" + std::to_wstring(static_cast<int>(read)), plat::LastError());
    ShowInformation(owner, kInvalidConfigurationText);
    return;
  }
  const TStoreContent previous{FavouriteNames, FavouriteValues, FilterMasks, FilterNames};
  const TReplaceResult result = ReplaceStore(content, true, true, configuration_folder);
  LoadFavourites();
  if (result == TReplaceResult::Restored) {
    ShowInformation(owner,
                    L"The configuration could not be written to the registry; the previous favourites "
                    L"were kept.");
  } else if (result == TReplaceResult::NotRestored) {
    // The menu keeps what the user had; the copy can be opened later.
    FavouriteNames = previous.favourite_names;
    FavouriteValues = previous.favourite_values;
    FilterMasks = previous.filter_masks;
    FilterNames = previous.filter_names;
    ShowInformation(owner,
                    L"The configuration could not be written to the registry. A copy of the previous "
                    L"favourites is in \"" +
                        ConfigurationFilesFolder(configuration_folder) + kStoreCopyName + L"\".");
    BuildFavouritesMenu();
  }
}

void ResetRememberedEncodings() {
  remembered = {};
  copy_is_only_record = false;
}

}  // namespace store
