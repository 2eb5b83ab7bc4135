// Facts about the machine for the system information block of the global
// error log: the system's product name, processor, memory and screen.
#pragma once
#include <cstdint>
#include <string>

namespace plat {

// Product name and service pack text of the running system
// (HKLM "SOFTWARE\Microsoft\Windows NT\CurrentVersion" "ProductName",
// GetVersionExW's szCSDVersion). False when the product is unknown.
bool GetOsProduct(std::wstring& product, std::wstring& service_pack);

// The processor's name ("ProcessorNameString" of the first central
// processor, or the CPUID brand string).
bool GetProcessorName(std::wstring& name);

// Nominal frequency in MHz ("~MHz" of the first central processor).
bool GetProcessorNominalMhz(std::uint32_t& mhz);

// Frequency measured by counting processor cycles over a short span of the
// performance counter, in MHz.
bool MeasureProcessorMhz(std::uint32_t& mhz);

// GlobalMemoryStatusEx.
struct MemoryStatus {
  std::uint32_t memory_load = 0;  // percent
  std::uint64_t total_phys = 0;
  std::uint64_t avail_phys = 0;
  std::uint64_t total_page_file = 0;
  std::uint64_t avail_page_file = 0;
};
bool GetMemoryStatus(MemoryStatus& status);

// Primary screen size in pixels and refresh rate in Hz
// (GetSystemMetrics, EnumDisplaySettingsW ENUM_CURRENT_SETTINGS).
bool GetScreenMode(int& width, int& height, int& refresh_hz);

}  // namespace plat
