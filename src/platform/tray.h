// The notification-area icon (Shell_NotifyIconW).
#pragma once
#include <cstdint>
#include <string>

#include "platform/types.h"

namespace plat {

// NIM_ADD (or NIM_MODIFY when it exists) of the program's icon with the tip
// text; mouse events arrive at owner as callback_message with lParam = the
// mouse message (WM_LBUTTONUP, WM_RBUTTONUP, ...).
bool TrayShowIcon(Window owner, std::uint32_t id, std::uint32_t callback_message, const std::wstring& tip);
// NIM_DELETE.
bool TrayHideIcon(Window owner, std::uint32_t id);

}  // namespace plat
