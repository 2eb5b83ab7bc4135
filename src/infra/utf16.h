// UTF-16LE bytes <-> std::wstring, for files and values that hold UTF-16LE
// (log files, registry exports). wchar_t is UTF-16 on Windows and UTF-32 on
// Linux; both directions handle surrogate pairs.
#pragma once
#include <string>
#include <string_view>

namespace infra {

// The UTF-16LE byte-order mark FF FE.
inline constexpr std::string_view kUtf16LeBom{"\xFF\xFE", 2};

// Appends the UTF-16LE bytes of text to out.
void AppendUtf16Le(std::string& out, std::wstring_view text);

inline std::string ToUtf16Le(std::wstring_view text) {
  std::string out;
  AppendUtf16Le(out, text);
  return out;
}

// Decodes UTF-16LE bytes (a leading byte-order mark is skipped; an odd last
// byte is ignored; unpaired surrogates are kept as they are).
std::wstring FromUtf16Le(std::string_view bytes);

}  // namespace infra
