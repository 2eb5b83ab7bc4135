#include "infra/utf16.h"

#include <cstdint>

namespace infra {

namespace {
inline void Put16(std::string& out, std::uint32_t u) {
  out += static_cast<char>(u & 0xFF);
  out += static_cast<char>((u >> 8) & 0xFF);
}
}  // namespace

void AppendUtf16Le(std::string& out, std::wstring_view text) {
  out.reserve(out.size() + text.size() * 2);
  for (wchar_t wc : text) {
    std::uint32_t c = static_cast<std::uint32_t>(wc);
    if constexpr (sizeof(wchar_t) > 2) {
      if (c >= 0x10000 && c <= 0x10FFFF) {
        c -= 0x10000;
        Put16(out, 0xD800 + (c >> 10));
        Put16(out, 0xDC00 + (c & 0x3FF));
        continue;
      }
      if (c > 0x10FFFF) c = 0xFFFD;
    }
    Put16(out, c);
  }
}

std::wstring FromUtf16Le(std::string_view bytes) {
  std::wstring out;
  size_t i = 0;
  if (bytes.size() >= 2 && bytes.substr(0, 2) == kUtf16LeBom) i = 2;
  out.reserve((bytes.size() - i) / 2);
  for (; i + 1 < bytes.size(); i += 2) {
    std::uint32_t u = static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8);
    if constexpr (sizeof(wchar_t) > 2) {
      if (u >= 0xD800 && u < 0xDC00 && i + 3 < bytes.size()) {
        std::uint32_t lo = static_cast<unsigned char>(bytes[i + 2]) | (static_cast<unsigned char>(bytes[i + 3]) << 8);
        if (lo >= 0xDC00 && lo < 0xE000) {
          out += static_cast<wchar_t>(0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00));
          i += 2;
          continue;
        }
      }
    }
    out += static_cast<wchar_t>(u);
  }
  return out;
}

}  // namespace infra
