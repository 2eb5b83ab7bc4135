// UTF-8 conversion used for exception texts, sim host file names and the
// sim's UTF-8 code page.
#include <gtest/gtest.h>

#include "platform/utf8.h"

namespace {

TEST(TextUtf8, RoundTripsAndRepairs) {
  struct Case {
    const char* what;
    std::wstring wide;
    std::string bytes;
  };
  const Case round_trips[] = {
      {"ascii", L"C:\\Users\\a", "C:\\Users\\a"},
      {"two bytes", L"\u00e9t\u00e9", "\xc3\xa9t\xc3\xa9"},
      {"three bytes", L"\u20ac \u0402", "\xe2\x82\xac \xd0\x82"},
      {"empty", L"", ""},
  };
  for (const auto& c : round_trips) {
    EXPECT_EQ(plat::ToUtf8(c.wide), c.bytes) << c.what;
    EXPECT_EQ(plat::FromUtf8(c.bytes), c.wide) << c.what;
  }

  // A code point above U+FFFF: four bytes, and back to one code point (a pair
  // where wchar_t is 16 bits wide).
  const std::string g_clef = "\xf0\x9d\x84\x9e";
  std::wstring wide;
  if constexpr (sizeof(wchar_t) == 2) {
    wide = {wchar_t(0xD834), wchar_t(0xDD1E)};
  } else {
    wide = {wchar_t(0x1D11E)};
  }
  EXPECT_EQ(plat::ToUtf8(wide), g_clef);
  EXPECT_EQ(plat::FromUtf8(g_clef), wide);
  // A surrogate pair written as two wchar_t joins even where wchar_t is 32 bits.
  EXPECT_EQ(plat::ToUtf8(std::wstring{wchar_t(0xD834), wchar_t(0xDD1E)}), g_clef);

  // Broken input never yields invalid output.
  EXPECT_EQ(plat::ToUtf8(std::wstring{L'a', wchar_t(0xDC00), L'b'}),
            "a\xef\xbf\xbd"
            "b");
  EXPECT_EQ(plat::ToUtf8(std::wstring{wchar_t(0xD800)}), "\xef\xbf\xbd");
  const struct {
    const char* what;
    std::string bytes;
    std::wstring wide;
  } repaired[] = {
      {"truncated", "a\xc3", L"a\uFFFD"},          {"bad continuation", "\xe2\x28\xa1", L"\uFFFD(\uFFFD"},
      {"overlong slash", "\xc0\xaf", L"\uFFFD"},   {"encoded surrogate", "\xed\xa0\x80", L"\uFFFD"},
      {"stray continuation", "\x80x", L"\uFFFDx"},
  };
  for (const auto& c : repaired) EXPECT_EQ(plat::FromUtf8(c.bytes), c.wide) << c.what;
}

}  // namespace
