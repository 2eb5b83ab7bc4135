// The seam header comes first: its constants carry the names that <windows.h>
// later defines as macros.
#include "platform/os_version.h"

#include <windows.h>

namespace plat {
OsVersion GetOsVersion() {
  // The application manifest lists the supported systems, so the answer is
  // the real version.
  OSVERSIONINFOW vi{};
  vi.dwOSVersionInfoSize = sizeof vi;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!::GetVersionExW(&vi)) return {};
#pragma GCC diagnostic pop
  return OsVersion{vi.dwMajorVersion, vi.dwMinorVersion, vi.dwBuildNumber, vi.dwPlatformId};
}
}  // namespace plat
