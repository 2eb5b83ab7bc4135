#include "platform/utf8.h"

namespace plat {

void AppendUtf8(std::string& out, std::uint32_t c) {
  if (c > 0x10FFFF) c = 0xFFFD;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string ToUtf8(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    auto c = static_cast<std::uint32_t>(text[i]);
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
      const auto lo = static_cast<std::uint32_t>(text[i + 1]);
      if (lo >= 0xDC00 && lo <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((c - 0xD800) << 10) + (lo - 0xDC00));
        ++i;
        continue;
      }
    }
    if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD;
    AppendUtf8(out, c);
  }
  return out;
}

std::wstring FromUtf8(std::string_view s) {
  std::wstring out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<unsigned char>(s[i]);
    std::uint32_t c = 0xFFFD;
    std::size_t len = 1;
    std::uint32_t min = 0;
    if (b < 0x80) {
      c = b;
    } else if (b >= 0xC0 && b < 0xF8) {
      len = b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
      min = len == 2 ? 0x80 : len == 3 ? 0x800 : 0x10000;
      c = b & (0x7F >> len);
      for (std::size_t k = 1; k < len; ++k) {
        const auto t = i + k < s.size() ? static_cast<unsigned char>(s[i + k]) : 0;
        if ((t & 0xC0) != 0x80) {
          c = 0xFFFD;
          len = k;
          break;
        }
        c = (c << 6) | (t & 0x3F);
      }
      if (c != 0xFFFD && (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))) c = 0xFFFD;
    }
    i += len;
    if constexpr (sizeof(wchar_t) == 2) {
      if (c >= 0x10000) {
        c -= 0x10000;
        out += static_cast<wchar_t>(0xD800 + (c >> 10));
        out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
        continue;
      }
    }
    out += static_cast<wchar_t>(c);
  }
  return out;
}

}  // namespace plat
