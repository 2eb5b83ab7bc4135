// UTF-8 <-> std::wstring for the places that meet byte strings: exception
// texts, host file names of the simulated drives, protocol lines. wchar_t is
// UTF-16 on Windows and UTF-32 on Linux; both are handled.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace plat {

// Appends the UTF-8 bytes of one code point (above U+10FFFF: U+FFFD).
void AppendUtf8(std::string& out, std::uint32_t code_point);

// Surrogate pairs are joined; a lone surrogate half becomes U+FFFD.
std::string ToUtf8(std::wstring_view text);

// A malformed or truncated sequence becomes U+FFFD; with a 16-bit wchar_t a
// code point above U+FFFF becomes a surrogate pair.
std::wstring FromUtf8(std::string_view bytes);

}  // namespace plat
