// The sim's ANSI code page is Windows-1252, with the system's best fit: a
// character the code page lacks becomes a look-alike where the system has one
// (Latin Extended-A letters lose their marks) without the default-character
// flag, unless WC_NO_BEST_FIT_CHARS asks for "?".
#include <cstdint>

#include "platform/code_page.h"
#include "platform/utf8.h"

namespace {

// Windows-1252 bytes 0x80..0x9F; 0 marks the five unassigned bytes.
constexpr char16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                                0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                                0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// Best fit for U+0100..U+017F: the letter without its mark ('.': none).
constexpr char kLatinExtendedA[] =
    "AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIi..JjKk.LlLlLlL"
    "lLlNnNnNn...OoOoOo..RrRrRrSsSsSsSsTtTtTtUuUuUuUuUuUuWwYyYZzZzZz.";

char BestFit(std::uint32_t c) {
  if (c >= 0x100 && c <= 0x17F && kLatinExtendedA[c - 0x100] != '.') return kLatinExtendedA[c - 0x100];
  return 0;
}

}  // namespace

namespace plat {

std::wstring MultiByteToWide(std::uint32_t code_page, const std::string& bytes) {
  if (code_page == CP_UTF8) return FromUtf8(bytes);
  std::wstring out;
  out.reserve(bytes.size());
  for (char ch : bytes) {
    auto b = static_cast<unsigned char>(ch);
    if (b >= 0x80 && b < 0xA0) {
      out += static_cast<wchar_t>(kHigh[b - 0x80] ? kHigh[b - 0x80] : b);
    } else {
      out += static_cast<wchar_t>(b);
    }
  }
  return out;
}

std::string WideToMultiByte(std::uint32_t code_page, const std::wstring& text, bool* lossless, std::uint32_t flags) {
  if (lossless) *lossless = true;
  if (code_page == CP_UTF8) return ToUtf8(text);
  std::string out;
  for (wchar_t wc : text) {
    auto c = static_cast<std::uint32_t>(wc);
    if (c < 0x80 || (c >= 0xA0 && c < 0x100)) {
      out += static_cast<char>(c);
      continue;
    }
    char mapped = 0;
    for (int i = 0; i < 32; ++i) {
      if (kHigh[i] != 0 && kHigh[i] == c) mapped = static_cast<char>(0x80 + i);
    }
    if (mapped == 0 && !(flags & WC_NO_BEST_FIT_CHARS)) mapped = BestFit(c);
    if (mapped == 0) {
      mapped = '?';
      if (lossless) *lossless = false;
    }
    out += mapped;
  }
  return out;
}

}  // namespace plat
