// Value data conversions of the registry seam, the same in every build.
#include "platform/registry.h"

namespace plat {
namespace {

void PutUnit(RegData& out, std::uint32_t unit) {
  out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
  out.push_back(static_cast<std::uint8_t>((unit >> 8) & 0xFF));
}

}  // namespace

RegData RegStringData(const std::wstring& text) {
  RegData out;
  out.reserve((text.size() + 1) * 2);
  for (wchar_t ch : text) {
    const auto c = static_cast<std::uint32_t>(ch);
    if constexpr (sizeof(wchar_t) > 2) {
      if (c >= 0x10000 && c <= 0x10FFFF) {
        const std::uint32_t v = c - 0x10000;
        PutUnit(out, 0xD800 + (v >> 10));
        PutUnit(out, 0xDC00 + (v & 0x3FF));
        continue;
      }
    }
    PutUnit(out, c & 0xFFFF);
  }
  PutUnit(out, 0);
  return out;
}

std::wstring RegDataString(const RegData& data) {
  std::wstring out;
  const std::size_t units = data.size() / 2;
  out.reserve(units);
  for (std::size_t i = 0; i < units; ++i) {
    std::uint32_t u = data[2 * i] | (static_cast<std::uint32_t>(data[2 * i + 1]) << 8);
    if (u == 0) break;
    if constexpr (sizeof(wchar_t) > 2) {
      if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
        std::uint32_t lo = data[2 * i + 2] | (static_cast<std::uint32_t>(data[2 * i + 3]) << 8);
        if (lo >= 0xDC00 && lo <= 0xDFFF) {
          out.push_back(static_cast<wchar_t>(0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00)));
          ++i;
          continue;
        }
      }
    }
    out.push_back(static_cast<wchar_t>(u));
  }
  return out;
}

RegData RegDwordData(std::uint32_t value) {
  return RegData{static_cast<std::uint8_t>(value & 0xFF), static_cast<std::uint8_t>((value >> 8) & 0xFF),
                 static_cast<std::uint8_t>((value >> 16) & 0xFF), static_cast<std::uint8_t>((value >> 24) & 0xFF)};
}

std::uint32_t RegDataDword(const RegData& data) {
  if (data.size() < 4) return 0;
  return data[0] | (static_cast<std::uint32_t>(data[1]) << 8) | (static_cast<std::uint32_t>(data[2]) << 16) |
         (static_cast<std::uint32_t>(data[3]) << 24);
}

std::uint32_t Utf16Length(const std::wstring& text) {
  std::uint32_t n = 0;
  if constexpr (sizeof(wchar_t) > 2) {
    for (wchar_t ch : text) {
      const auto c = static_cast<std::uint32_t>(ch);
      n += c >= 0x10000 ? 2 : 1;
    }
  } else {
    n = static_cast<std::uint32_t>(text.size());
  }
  return n;
}

}  // namespace plat
