// Text in 8-bit code pages (MultiByteToWideChar, WideCharToMultiByte), for
// text files written in the system's ANSI code page or in UTF-8.
#pragma once
#include <cstdint>
#include <string>

namespace plat {

constexpr std::uint32_t CP_ACP = 0;
constexpr std::uint32_t CP_UTF8 = 65001;
// WideCharToMultiByte flag: a character without its own byte form becomes the
// default character ("?") instead of a look-alike ("\u0141" -> "L").
constexpr std::uint32_t WC_NO_BEST_FIT_CHARS = 0x400;

// MultiByteToWideChar of the whole text (no flags).
std::wstring MultiByteToWide(std::uint32_t code_page, const std::string& bytes);

// WideCharToMultiByte of the whole text with flags (ignored for CP_UTF8). For
// CP_ACP, lossless tells that no default character was used. Without
// WC_NO_BEST_FIT_CHARS the system puts look-alikes ("\u0141" -> "L",
// "\u0151" -> "o") for many characters and still reports no default
// character: only a round trip shows that such text was changed.
std::string WideToMultiByte(std::uint32_t code_page, const std::wstring& text, bool* lossless = nullptr,
                            std::uint32_t flags = 0);

}  // namespace plat
