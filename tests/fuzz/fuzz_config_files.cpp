// Configuration file sets of any content: any bytes, any byte-order mark,
// files missing, line counts that do not match. Opening refuses what is not a
// whole set before the store is touched; a set that opens is put into the
// store, saved again and reads back exactly as it was read.
#include <string>
#include <vector>

#include "support.h"
#include "platform/files.h"
#include "store/config_files.h"
#include "store/favourites.h"

namespace {

const std::wstring kBase = L"C:\\Sets\\mine.qxs";
const std::wstring kAgain = L"C:\\Sets\\again.qxs";
const std::wstring kConfiguration = L"C:\\Configuration\\";
const char* const kMarks[] = {"", "\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"};

// One file: absent, raw bytes, or lines joined by any line end after a mark.
void WriteFile(FuzzedDataProvider& in, const std::wstring& path) {
  switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
      return;  // missing
    case 1:
      plat::WriteWholeFile(path, in.ConsumeBytesAsString(in.ConsumeIntegralInRange<std::size_t>(0, 600)));
      return;
    default: {
      const int mark = in.ConsumeIntegralInRange<int>(0, 3);
      std::string bytes = kMarks[mark];
      const int lines = in.ConsumeIntegralInRange<int>(0, 12);
      for (int i = 0; i < lines; ++i) {
        std::wstring line = fuzz::NarrowText(in, 80);
        line += in.PickValueInArray({L"\r\n", L"\n", L"\r", L""});
        if (mark == 2) {
          bytes += fuzz::Utf16Bytes(line);
        } else if (mark == 3) {
          const std::string le = fuzz::Utf16Bytes(line);
          for (size_t k = 0; k + 1 < le.size(); k += 2) bytes += {le[k + 1], le[k]};
        } else {
          for (wchar_t c : line) bytes += static_cast<char>(c & 0xFF);
        }
      }
      plat::WriteWholeFile(path, bytes);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FreshWorld();
  store::ResetRememberedEncodings();
  store::Links() = {};
  plat::CreateDirectories(L"C:\\Sets");
  plat::CreateDirectories(kConfiguration);

  FuzzedDataProvider in(data, size);
  plat::WriteWholeFile(kBase, "");
  for (int i = 1; i <= 4; ++i) WriteFile(in, kBase + static_cast<wchar_t>(L'0' + i));

  store::TStoreContent content;
  const store::TConfigurationRead read = store::ReadConfigurationFiles(kBase, content);
  if (read != store::TConfigurationRead::Ok) return 0;
  fuzz::Check(content.favourite_names.size() == content.favourite_values.size(), "favourite files match");
  fuzz::Check(content.filter_masks.size() == content.filter_names.size(), "filter files match");

  // Saved again, the set reads back as it was read.
  fuzz::Check(store::WriteConfigurationFiles(kAgain, content), "the set can be saved");
  store::TStoreContent again;
  fuzz::Check(store::ReadConfigurationFiles(kAgain, again) == store::TConfigurationRead::Ok, "the saved set opens");
  fuzz::Check(again == content, "a saved set reads back as it was");

  // Into the store: the keys take the set (one value per distinct name).
  const store::TReplaceResult replaced = store::ReplaceStore(content, true, true, kConfiguration);
  fuzz::Check(replaced == store::TReplaceResult::Replaced, "the store takes an opened set");
  store::LoadFavourites();
  fuzz::Check(store::FavouriteNames.size() <= content.favourite_names.size(), "no favourite comes from nowhere");
  fuzz::Check(store::FilterMasks.size() <= content.filter_masks.size(), "no filter comes from nowhere");
  store::FavouriteNames.clear();
  store::FavouriteValues.clear();
  store::FilterMasks.clear();
  store::FilterNames.clear();
  return 0;
}
