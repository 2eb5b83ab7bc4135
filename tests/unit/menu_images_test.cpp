// ImageList1 as the program carries it: twenty icon files drawn by
// scripts/make_menu_icons.py, each with a 16 x 16 and a 32 x 32 picture, all
// different, referenced by the resource script at their image's identifier.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "menu/folder_menu.h"

namespace {

const std::filesystem::path kResources = std::filesystem::path(__FILE__).parent_path() / ".." / ".." / "resources";

struct Picture {
  int size = 0;
  int bits = 0;
  std::vector<std::uint8_t> bgra;  // bottom-up rows as stored
};

std::uint32_t U32(const std::string& b, std::size_t at) {
  return static_cast<std::uint8_t>(b[at]) | static_cast<std::uint8_t>(b[at + 1]) << 8 |
         static_cast<std::uint8_t>(b[at + 2]) << 16 |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 3])) << 24;
}
std::uint16_t U16(const std::string& b, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<std::uint8_t>(b[at]) | static_cast<std::uint8_t>(b[at + 1]) << 8);
}

std::vector<Picture> ReadIco(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  const std::string b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<Picture> out;
  if (b.size() < 6 || U16(b, 0) != 0 || U16(b, 2) != 1) return out;
  const int count = U16(b, 4);
  for (int i = 0; i < count; ++i) {
    const std::size_t entry = 6 + 16 * static_cast<std::size_t>(i);
    if (entry + 16 > b.size()) return {};
    const std::uint32_t length = U32(b, entry + 8), offset = U32(b, entry + 12);
    if (offset + length > b.size() || length < 40) return {};
    Picture p;
    p.size = static_cast<int>(U32(b, offset + 4));
    p.bits = U16(b, offset + 14);
    const std::size_t pixels = static_cast<std::size_t>(p.size) * static_cast<std::size_t>(p.size) * 4;
    if (U32(b, offset + 8) != static_cast<std::uint32_t>(p.size * 2) || 40 + pixels > length) return {};
    p.bgra.assign(b.begin() + offset + 40, b.begin() + offset + 40 + static_cast<std::ptrdiff_t>(pixels));
    out.push_back(std::move(p));
  }
  return out;
}

TEST(MenuImages, TwentyDistinctPicturesAtTwoSizesInTheResources) {
  std::vector<std::vector<Picture>> all;
  for (int i = 0; i < menu::kImageCount; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "menu%02d.ico", i);
    const auto pictures = ReadIco(kResources / "icons" / name);
    ASSERT_EQ(pictures.size(), 2u) << name;
    EXPECT_EQ(pictures[0].size, 16) << name;
    EXPECT_EQ(pictures[1].size, 32) << name;
    for (const auto& p : pictures) {
      EXPECT_EQ(p.bits, 32) << name;
      // A real picture: a good part of it is opaque, and its corners clear
      // enough to sit on any menu colour.
      std::size_t opaque = 0;
      for (std::size_t k = 3; k < p.bgra.size(); k += 4) opaque += p.bgra[k] == 255;
      EXPECT_GT(opaque, p.bgra.size() / 4 / 4) << name << " " << p.size;
    }
    all.push_back(pictures);
  }
  for (std::size_t i = 0; i < all.size(); ++i) {
    for (std::size_t j = 0; j < i; ++j) {
      EXPECT_NE(all[i][0].bgra, all[j][0].bgra) << i << " and " << j << " look the same at 16 x 16";
    }
  }
}

TEST(MenuImages, TheResourceScriptNamesEveryPictureAtItsIdentifier) {
  std::ifstream in(kResources / "qorbin.rc");
  const std::string rc((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::map<int, std::string> icons;
  const std::regex line(R"re((\d+)\s+ICON\s+"([^"]+)")re");
  for (auto it = std::sregex_iterator(rc.begin(), rc.end(), line); it != std::sregex_iterator(); ++it) {
    icons[std::stoi((*it)[1])] = (*it)[2];
  }
  for (int i = 0; i < menu::kImageCount; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "icons/menu%02d.ico", i);
    EXPECT_EQ(icons[menu::kImageResourceFirst + i], name) << i;
  }
  EXPECT_NE(rc.find("IDI_QORBIN ICON \"icons/qorbin.ico\""), std::string::npos);
  EXPECT_EQ(ReadIco(kResources / "icons" / "qorbin.ico").size(), 3u);
}

}  // namespace
