// The version of the running system (GetVersionExW).
#pragma once
#include <cstdint>

namespace plat {

constexpr std::uint32_t VER_PLATFORM_WIN32_WINDOWS = 1;
constexpr std::uint32_t VER_PLATFORM_WIN32_NT = 2;

struct OsVersion {
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint32_t build = 0;
  std::uint32_t platform_id = 0;
};

// GetVersionExW; all zero when the call fails.
OsVersion GetOsVersion();

}  // namespace plat
