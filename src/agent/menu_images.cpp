#include "agent/menu_images.h"

#include <cmath>
#include <cstdint>

namespace agent {
namespace {

// Opaque colours (alpha 255, so no premultiplication is needed).
constexpr std::uint32_t kFolder = 0xFFF2C744;
constexpr std::uint32_t kFolderDark = 0xFFB8860B;
constexpr std::uint32_t kFolderLight = 0xFFFBE38E;
constexpr std::uint32_t kWhite = 0xFFFFFFFF;
constexpr std::uint32_t kBlack = 0xFF202020;
constexpr std::uint32_t kGrey = 0xFF808080;
constexpr std::uint32_t kBlue = 0xFF2F6FD0;
constexpr std::uint32_t kGreen = 0xFF2EA043;
constexpr std::uint32_t kRed = 0xFFD03030;

struct Canvas {
  plat::MenuImage image;
  Canvas() { image.pixels.assign(16 * 16, 0); }
  void Put(int x, int y, std::uint32_t c) {
    if (x >= 0 && x < 16 && y >= 0 && y < 16) image.pixels[static_cast<std::size_t>(y * 16 + x)] = c;
  }
  void Fill(int x0, int y0, int x1, int y1, std::uint32_t c) {  // inclusive
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) Put(x, y, c);
  }
  void Frame(int x0, int y0, int x1, int y1, std::uint32_t c) {
    for (int x = x0; x <= x1; ++x) Put(x, y0, c), Put(x, y1, c);
    for (int y = y0; y <= y1; ++y) Put(x0, y, c), Put(x1, y, c);
  }
  void Disc(double cx, double cy, double r, std::uint32_t c) {
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x)
        if (std::hypot(x + 0.5 - cx, y + 0.5 - cy) <= r) Put(x, y, c);
  }
  void Line(int x0, int y0, int x1, int y1, std::uint32_t c) {
    const int n = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
    for (int i = 0; i <= n; ++i)
      Put(x0 + (x1 - x0) * i / std::max(n, 1), y0 + (y1 - y0) * i / std::max(n, 1), c);
  }
};

Canvas ClosedFolder() {
  Canvas c;
  c.Fill(1, 3, 6, 4, kFolderDark);
  c.Fill(1, 5, 14, 13, kFolder);
  c.Frame(1, 4, 14, 13, kFolderDark);
  return c;
}

Canvas OpenFolder() {
  Canvas c;
  c.Fill(1, 3, 6, 4, kFolderDark);
  c.Fill(1, 5, 13, 13, kFolderDark);
  for (int y = 8; y <= 13; ++y) c.Fill(3 - (y - 8) / 3, y, 15 - (y - 8) / 3, y, kFolderLight);
  c.Line(2, 13, 14, 13, kFolderDark);
  return c;
}

Canvas Page() {
  Canvas c;
  c.Fill(3, 1, 12, 14, kWhite);
  c.Frame(3, 1, 12, 14, kGrey);
  for (int y = 4; y <= 11; y += 2) c.Line(5, y, 10, y, kGrey);
  return c;
}

void ArrowUp(Canvas& c) {
  c.Fill(10, 6, 11, 13, kGreen);
  for (int i = 0; i < 3; ++i) c.Line(10 - i, 4 + i, 11 + i, 4 + i, kGreen);
}

void ArrowDown(Canvas& c) {
  c.Fill(10, 2, 11, 9, kGreen);
  for (int i = 0; i < 3; ++i) c.Line(10 - i, 12 - i, 11 + i, 12 - i, kGreen);
}

void Globe(Canvas& c, double cx, double cy, double r) {
  c.Disc(cx, cy, r, kBlue);
  c.Disc(cx - r / 3, cy - r / 4, r / 2.5, kGreen);
  c.Disc(cx + r / 2.5, cy + r / 3, r / 3.5, kGreen);
}

}  // namespace

std::vector<plat::MenuImage> MakeImageList1() {
  std::vector<Canvas> list;
  // 0 closed folder
  list.push_back(ClosedFolder());
  // 1 folder with a photograph
  list.push_back(ClosedFolder());
  list.back().Fill(7, 7, 13, 12, kWhite);
  list.back().Fill(8, 8, 12, 11, 0xFF5DA9E9);
  list.back().Fill(8, 10, 12, 11, kGreen);
  // 2 folder with a music note
  list.push_back(ClosedFolder());
  list.back().Fill(10, 6, 10, 11, kBlack);
  list.back().Disc(9, 11.5, 1.6, kBlack);
  list.back().Line(10, 6, 12, 7, kBlack);
  // 3 folder with a film strip
  list.push_back(ClosedFolder());
  list.back().Fill(6, 7, 14, 11, kBlack);
  for (int x = 7; x <= 13; x += 2) list.back().Put(x, 7, kWhite), list.back().Put(x, 11, kWhite);
  // 4 open folder held by a hand
  list.push_back(OpenFolder());
  list.back().Fill(2, 13, 13, 15, 0xFFF1C27D);
  // 5 closed folder (the submenu icon)
  list.push_back(ClosedFolder());
  // 6 folder with a window of coloured tiles
  list.push_back(ClosedFolder());
  list.back().Fill(8, 7, 10, 9, kRed);
  list.back().Fill(11, 7, 13, 9, kGreen);
  list.back().Fill(8, 10, 10, 12, kBlue);
  list.back().Fill(11, 10, 13, 12, 0xFFF0D000);
  // 7 folder with a green mark
  list.push_back(ClosedFolder());
  list.back().Disc(11, 10, 3, kGreen);
  // 8 open folder with a magnifying glass
  list.push_back(OpenFolder());
  list.back().Disc(9.5, 8.5, 3, kGrey);
  list.back().Disc(9.5, 8.5, 2, 0xFFCDE8FF);
  list.back().Line(12, 11, 14, 13, kBlack);
  // 9 open folder on a network stand
  list.push_back(OpenFolder());
  list.back().Fill(7, 14, 8, 15, kBlack);
  list.back().Line(2, 15, 13, 15, kBlack);
  // 10 folder with a globe
  list.push_back(ClosedFolder());
  Globe(list.back(), 11, 10, 3.5);
  // 11 folder with a red tick
  list.push_back(ClosedFolder());
  list.back().Line(7, 9, 9, 11, kRed);
  list.back().Line(9, 11, 14, 5, kRed);
  list.back().Line(7, 10, 9, 12, kRed);
  // 12 folder with a document
  list.push_back(ClosedFolder());
  list.back().Fill(8, 6, 13, 13, kWhite);
  list.back().Frame(8, 6, 13, 13, kGrey);
  list.back().Line(9, 8, 12, 8, kGrey);
  list.back().Line(9, 10, 12, 10, kGrey);
  // 13 open folder, green arrow up; 14 open folder, green arrow down
  list.push_back(OpenFolder());
  ArrowUp(list.back());
  list.push_back(OpenFolder());
  ArrowDown(list.back());
  // 15 page with a gear
  list.push_back(Page());
  list.back().Disc(10.5, 10.5, 4, kGrey);
  list.back().Disc(10.5, 10.5, 1.5, kWhite);
  // 16 floppy disk
  {
    Canvas c;
    c.Fill(1, 1, 14, 14, kBlue);
    c.Fill(4, 1, 11, 5, 0xFFC0C0C0);
    c.Fill(3, 9, 12, 14, kWhite);
    list.push_back(c);
  }
  // 17 open folder
  list.push_back(OpenFolder());
  // 18 question mark in a blue circle
  {
    Canvas c;
    c.Disc(8, 8, 7.5, kBlue);
    c.Fill(6, 3, 9, 4, kWhite);
    c.Fill(10, 4, 11, 7, kWhite);
    c.Fill(8, 7, 9, 9, kWhite);
    c.Fill(8, 11, 9, 12, kWhite);
    list.push_back(c);
  }
  // 19 web-browser symbol
  {
    Canvas c;
    Globe(c, 8, 8, 7.5);
    list.push_back(c);
  }
  std::vector<plat::MenuImage> out;
  for (auto& c : list) out.push_back(std::move(c.image));
  return out;
}

}  // namespace agent
