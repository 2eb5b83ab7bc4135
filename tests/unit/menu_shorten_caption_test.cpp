#include <gtest/gtest.h>

#include "menu/shorten_caption.h"

namespace {

TEST(MenuShortenCaption, Rules) {
  const std::wstring long_name = L"A very long file name that goes on and on and on and on.docx";
  ASSERT_EQ(long_name.size(), 60u);
  const std::wstring name47(47, L'n');
  const std::wstring path55 = L"C:\\abcd\\" + name47;
  ASSERT_EQ(path55.size(), 55u);
  const std::wstring fifty = L"C:\\" + std::wstring(47, L'x');
  ASSERT_EQ(fifty.size(), 50u);

  struct Case {
    std::wstring path, caption;
  } cases[] = {
      {L"C:\\Users\\Public\\Documents\\Projects\\2013\\Quarterly reports\\summary.txt",
       L"C:\\..\\Projects\\2013\\Quarterly reports\\summary.txt"},
      {L"D:\\Archive\\Photos\\2012\\Summer holiday at the lake with the whole family\\IMG_0001.jpg",
       L"D:\\..\\IMG_0001.jpg"},
      {L"C:\\Docs\\" + long_name, long_name.substr(0, 44) + L"~~.docx"},
      {path55, name47},
      // Short paths stay, up to 50 characters.
      {fifty, fifty},
      {L"C:\\Work", L"C:\\Work"},
      // A long name without an extension keeps 49 characters.
      {L"C:\\" + std::wstring(60, L'y'), std::wstring(49, L'y') + L"~~"},
      // An extension of 49 characters or more leaves nothing of the name.
      {L"C:\\a." + std::wstring(55, L'e'), L"~~." + std::wstring(55, L'e')},
      // A doubled backslash after the drive is shortened like a single one.
      {L"C:\\\\Users\\Public\\Documents\\Projects\\2013\\Quarterly reports\\summary.txt",
       L"C:\\..\\Projects\\2013\\Quarterly reports\\summary.txt"},
      {L"C:\\\\\\" + std::wstring(30, L'w') + L"\\" + std::wstring(25, L'v'), L"C:\\..\\" + std::wstring(25, L'v')},
      // A network path with nothing to leave out stays whole.
      {L"\\\\fileserver01\\" + std::wstring(39, L'n'), L"\\\\fileserver01\\" + std::wstring(39, L'n')},
      // A character outside the Basic Multilingual Plane (two UTF-16 units,
      // as Windows stores it) at the cut is kept whole or left out whole.
      {L"C:\\" + std::wstring(48, L'k') + L"\xD834\xDD1E" + std::wstring(10, L'k'), std::wstring(48, L'k') + L"~~"},
      {L"C:\\" + std::wstring(47, L'k') + L"\xD834\xDD1E" + std::wstring(10, L'k'),
       std::wstring(47, L'k') + L"\xD834\xDD1E~~"},
      // A name right after the drive: no middle at all.
      {L"C:\\" + std::wstring(39, L'z') + L"\\" + std::wstring(12, L'q'), L"C:\\..\\" + std::wstring(12, L'q')},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(menu::ShortenPathCaption(c.path), c.caption) << std::string(c.path.begin(), c.path.end());
  }
  EXPECT_EQ(menu::ShortenPathCaption(L"C:\\Docs\\" + long_name).size(), 51u);
}

}  // namespace
