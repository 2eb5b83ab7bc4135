// Control of the sim's system version (default: Windows 7, 6.1 NT).
#pragma once
#include "platform/os_version.h"

namespace sim {
void SetOsVersion(plat::OsVersion v);
// Shorthands: Windows 7 (6.1) or Windows XP (5.1).
void SetVistaOrLater(bool vista);
}  // namespace sim
