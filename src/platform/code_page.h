// Text in 8-bit code pages (MultiByteToWideChar, WideCharToMultiByte), for
// text files written in the system's ANSI code page or in UTF-8.
#pragma once
#include <cstdint>
#include <string>

namespace plat {

constexpr std::uint32_t CP_ACP = 0;
constexpr std::uint32_t CP_UTF8 = 65001;

// MultiByteToWideChar of the whole text (no flags).
std::wstring MultiByteToWide(std::uint32_t code_page, const std::string& bytes);

// WideCharToMultiByte of the whole text. For CP_ACP, lossless tells whether
// every character had its own byte form (no default character was used).
std::string WideToMultiByte(std::uint32_t code_page, const std::wstring& text, bool* lossless = nullptr);

}  // namespace plat
