// Control of the sim's notification area.
#pragma once
#include <cstdint>
#include <string>

#include "platform/types.h"

namespace sim {
bool TrayIconShown();
std::wstring TrayIconTip();
// The user clicks the icon: posts the callback message with lParam = the
// mouse message (WM_LBUTTONUP, WM_RBUTTONUP). False when no icon is shown.
bool ClickTrayIcon(std::uint32_t mouse_message);
// The notification area restarted (Explorer ended): the icon is gone.
void LoseTrayIcon();
}  // namespace sim
