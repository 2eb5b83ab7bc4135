// The stored favourites and filters: the Path and Filter keys hold values of
// any name, type and size (any program may write there). Loading them, the
// folder menu built from them, the options dialog's rows and their moves, and
// writing the rows back never fail, and the lists stay parallel.
#include <cstdio>
#include <string>
#include <vector>

#include "infra/dral_utils.h"
#include "menu/folder_menu.h"
#include "platform/menu.h"
#include "platform/registry.h"
#include "sim/sim_registry.h"
#include "store/favourites.h"
#include "support.h"
#include "ui/folder_rows.h"

namespace {

const std::uint32_t kTypes[] = {plat::REG_SZ,     plat::REG_EXPAND_SZ, plat::REG_SZ,       plat::REG_SZ,
                                plat::REG_BINARY, plat::REG_DWORD,     plat::REG_MULTI_SZ, plat::REG_NONE};

void WriteValue(FuzzedDataProvider& in) {
  const wchar_t* key = in.ConsumeBool() ? store::kPathKey : store::kFilterKey;
  const std::uint8_t pick = in.ConsumeIntegral<std::uint8_t>();
  const std::uint32_t type = pick < 8 ? kTypes[pick] : in.ConsumeIntegral<std::uint32_t>();
  const std::wstring name = fuzz::NarrowText(in, 300);
  plat::RegData bytes;
  if (in.ConsumeBool()) {
    // A string as a program would write it, with or without its zero.
    const std::wstring text = fuzz::NarrowText(in, 400);
    const std::string raw = fuzz::Utf16Bytes(text) + (in.ConsumeBool() ? std::string(2, '\0') : std::string());
    bytes.assign(raw.begin(), raw.end());
  } else {
    const std::string raw = in.ConsumeBytesAsString(in.ConsumeIntegralInRange<std::size_t>(0, 800));
    bytes.assign(raw.begin(), raw.end());
  }
  sim::RegSetRaw(plat::HKEY_CURRENT_USER, key, name, type, bytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FreshWorld();
  store::FavouriteNames.clear();
  store::FavouriteValues.clear();
  store::FilterMasks.clear();
  store::FilterNames.clear();

  FuzzedDataProvider in(data, size);
  const int values = in.ConsumeIntegralInRange<int>(0, 40);
  for (int i = 0; i < values && in.remaining_bytes() > 0; ++i) WriteValue(in);

  plat::Menu menu = menu::CreateFolderMenu({});
  int builds = 0;
  store::Links() = {};
  store::Links().BuildFavouritesMenu = [&] {
    ++builds;
    menu::BuildFavouritesBlock(menu, store::FavouriteNames, store::FavouriteValues, store::FilterMasks,
                               store::FilterNames);
  };
  store::LoadFavourites();
  // A load that finds the store as it was builds nothing; otherwise once.
  fuzz::Check(builds <= 1, "loading builds the menu at most once");
  if (builds == 0) store::Links().BuildFavouritesMenu();
  fuzz::Check(store::FavouriteNames.size() == store::FavouriteValues.size(), "favourite lists stay parallel");
  fuzz::Check(store::FilterMasks.size() == store::FilterNames.size(), "filter lists stay parallel");
  fuzz::Check(static_cast<int>(store::FavouriteNames.size() + store::FilterMasks.size()) <= values,
              "no entry comes from nowhere");
  for (const auto& v : store::FavouriteValues) {
    const store::TEncoded e = store::SplitEncoded(v);
    fuzz::Check(e.text.size() <= v.size(), "the decoded title is part of the value");
  }

  // The options dialog: rows of the store, moved by the Up/Down buttons and
  // by dragging, written back. Writing back what was read twice changes
  // nothing the second time.
  ui::TFolderRows rows = ui::RowsFromStore(store::FavouriteNames, store::FavouriteValues);
  const int moves = in.ConsumeIntegralInRange<int>(0, 8);
  for (int i = 0; i < moves && !rows.empty(); ++i) {
    int selected = in.ConsumeIntegralInRange<int>(0, static_cast<int>(rows.size()) - 1);
    switch (in.ConsumeIntegralInRange<int>(0, 2)) {
      case 0:
        ui::MoveFolderUp(rows, selected);
        break;
      case 1:
        ui::MoveFolderDown(rows, selected);
        break;
      default:
        ui::MoveRow(rows, selected, in.ConsumeIntegralInRange<int>(0, static_cast<int>(rows.size())));
        break;
    }
    fuzz::Check(selected >= 0 && selected < static_cast<int>(rows.size()), "the selection stays on a row");
  }
  // Only entries the store can hold faithfully keep their form: a path that is
  // blank or has a "$" followed by text (an administrative share) is refused
  // wherever a user enters one, but any program may have written it.
  bool faithful = true;
  for (const auto& r : rows) {
    const std::wstring p = infra::TrimControls(r.path);
    if ((p.empty() && (!r.path.empty() || r.indent != 0)) || !store::IsStorablePath(p)) faithful = false;
  }
  std::vector<std::wstring> names, vals, names2, vals2;
  ui::RowsToStore(rows, names, vals);
  fuzz::Check(names.size() == rows.size() && vals.size() == rows.size(), "one stored entry per row");
  const ui::TFolderRows again = ui::RowsFromStore(names, vals);
  ui::RowsToStore(again, names2, vals2);
  if (faithful && (names2 != names || vals2 != vals)) {
    for (std::size_t i = 0; i < names.size() && i < names2.size(); ++i) {
      if (names[i] != names2[i] || vals[i] != vals2[i]) {
        std::fprintf(stderr, "entry %zu: [%ls] [%ls] then [%ls] [%ls]\n", i, names[i].c_str(), vals[i].c_str(),
                     names2[i].c_str(), vals2[i].c_str());
      }
    }
  }
  fuzz::Check(!faithful || (names2 == names && vals2 == vals), "OK twice stores the same entries");

  store::Links() = {};
  store::FavouriteNames.clear();
  store::FavouriteValues.clear();
  store::FilterMasks.clear();
  store::FilterNames.clear();
  return 0;
}
