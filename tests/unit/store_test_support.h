// Shared set-up of the store tests: a fresh sim world with a fixed drive C:
// and the store's lists empty.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/files.h"
#include "platform/registry.h"
#include "sim/sim_files.h"
#include "sim/sim_registry.h"
#include "sim/sim_world.h"
#include "store/config_files.h"
#include "store/favourites.h"

namespace store_test {

using Entries = std::vector<std::pair<std::wstring, std::wstring>>;

inline std::string N(const std::wstring& w) {
  std::string out;
  for (wchar_t c : w) out += c < 128 ? static_cast<char>(c) : '?';
  return out;
}

// The values of a key as (name, data) in enumeration order.
inline Entries KeyEntries(const std::wstring& key) {
  Entries out;
  for (const auto& name : sim::RegValueNames(plat::HKEY_CURRENT_USER, key)) {
    auto data = sim::RegGetString(plat::HKEY_CURRENT_USER, key, name);
    out.emplace_back(name, data ? *data : L"<not a string>");
  }
  return out;
}

inline void SetEntries(const std::wstring& key, const Entries& entries) {
  for (const auto& [name, data] : entries) sim::RegSetString(plat::HKEY_CURRENT_USER, key, name, data);
}

inline Entries ListEntries(const std::vector<std::wstring>& names, const std::vector<std::wstring>& values) {
  Entries out;
  for (size_t i = 0; i < names.size() && i < values.size(); ++i) out.emplace_back(names[i], values[i]);
  EXPECT_EQ(names.size(), values.size());
  return out;
}

class StoreFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::ResetWorld();
    Clear();
    store::Links() = {};
    sim::MapTempDrive(L'C', plat::DRIVE_FIXED, L"System");
    store::Links().BuildFavouritesMenu = [this] { ++menu_builds; };
    store::FavouritesMenuMadeAnew();
  }
  void TearDown() override {
    store::Links() = {};
    Clear();
    sim::ResetWorld();
  }
  static void Clear() {
    store::FavouriteNames.clear();
    store::FavouriteValues.clear();
    store::FilterMasks.clear();
    store::FilterNames.clear();
    store::ResetRememberedEncodings();
  }
  Entries Favourites() const { return ListEntries(store::FavouriteNames, store::FavouriteValues); }
  Entries Filters() const { return ListEntries(store::FilterMasks, store::FilterNames); }

  int menu_builds = 0;
};

}  // namespace store_test
