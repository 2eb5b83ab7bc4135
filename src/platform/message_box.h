// Message boxes.
#pragma once
#include <cstdint>
#include <string>

#include "platform/types.h"

namespace plat {

inline constexpr std::uint32_t MB_OK = 0x0;
inline constexpr std::uint32_t MB_YESNO = 0x4;
inline constexpr std::uint32_t MB_ICONQUESTION = 0x20;
inline constexpr std::uint32_t MB_ICONINFORMATION = 0x40;
inline constexpr int IDOK = 1;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// MessageBoxW: shows the box modally and returns the button pressed.
int MessageBoxW(Window owner, const std::wstring& text, const std::wstring& caption, std::uint32_t type);

}  // namespace plat
