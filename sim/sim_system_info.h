// Control of the sim's machine facts (platform/system_info.h).
#pragma once
#include <cstdint>
#include <string>

#include "platform/system_info.h"

namespace sim {

struct MachineFacts {
  bool product_known = true;
  std::wstring product = L"Windows 7 Professional";
  std::wstring service_pack = L"Service Pack 1";
  bool processor_known = true;
  std::wstring processor = L"Intel(R) Core(TM) i5-2400 CPU @ 3.10GHz";
  std::uint32_t nominal_mhz = 3101;
  std::uint32_t measured_mhz = 3092;
  bool memory_known = true;
  plat::MemoryStatus memory{42, 8ull << 30, 4ull << 30, 16ull << 30, 12ull << 30};
  bool screen_known = true;
  int width = 1920, height = 1080, refresh_hz = 60;
};

// The facts the seam reports from now on (the world's reset restores the defaults).
void SetMachineFacts(const MachineFacts& facts);

}  // namespace sim
