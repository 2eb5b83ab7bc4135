#include "platform/system_info.h"

#include <windows.h>
#include <intrin.h>

#include <cstring>

namespace {

bool ReadHklmString(const wchar_t* key, const wchar_t* name, std::wstring& out) {
  wchar_t buf[512];
  DWORD size = sizeof buf;
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, key, name, RRF_RT_REG_SZ, nullptr, buf, &size) != ERROR_SUCCESS) return false;
  out = buf;
  return true;
}

const wchar_t kCpuKey[] = L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";

}  // namespace

namespace plat {

bool GetOsProduct(std::wstring& product, std::wstring& service_pack) {
  OSVERSIONINFOW v{};
  v.dwOSVersionInfoSize = sizeof v;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (::GetVersionExW(&v)) service_pack = v.szCSDVersion;
#pragma GCC diagnostic pop
  return ReadHklmString(L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", L"ProductName", product);
}

bool GetProcessorName(std::wstring& name) {
  if (ReadHklmString(kCpuKey, L"ProcessorNameString", name) && !name.empty()) return true;
  int regs[4];
  __cpuid(regs, static_cast<int>(0x80000000));
  if (static_cast<unsigned>(regs[0]) < 0x80000004u) return false;
  char brand[49] = {};
  for (int i = 0; i < 3; ++i) {
    __cpuid(regs, static_cast<int>(0x80000002 + i));
    std::memcpy(brand + 16 * i, regs, 16);
  }
  name.assign(brand, brand + std::strlen(brand));
  return !name.empty();
}

bool GetProcessorNominalMhz(std::uint32_t& mhz) {
  DWORD value = 0, size = sizeof value;
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, kCpuKey, L"~MHz", RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
    return false;
  mhz = value;
  return true;
}

bool MeasureProcessorMhz(std::uint32_t& mhz) {
  LARGE_INTEGER freq, start, now;
  if (!::QueryPerformanceFrequency(&freq) || freq.QuadPart == 0) return false;
  ::QueryPerformanceCounter(&start);
  const unsigned long long cycles0 = __rdtsc();
  do {
    ::QueryPerformanceCounter(&now);
  } while (now.QuadPart - start.QuadPart < freq.QuadPart / 50);  // 20 ms
  const unsigned long long cycles = __rdtsc() - cycles0;
  const double seconds = static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(freq.QuadPart);
  mhz = static_cast<std::uint32_t>(static_cast<double>(cycles) / seconds / 1e6 + 0.5);
  return true;
}

bool GetMemoryStatus(MemoryStatus& status) {
  MEMORYSTATUSEX m{};
  m.dwLength = sizeof m;
  if (!::GlobalMemoryStatusEx(&m)) return false;
  status.memory_load = m.dwMemoryLoad;
  status.total_phys = m.ullTotalPhys;
  status.avail_phys = m.ullAvailPhys;
  status.total_page_file = m.ullTotalPageFile;
  status.avail_page_file = m.ullAvailPageFile;
  return true;
}

bool GetScreenMode(int& width, int& height, int& refresh_hz) {
  width = ::GetSystemMetrics(SM_CXSCREEN);
  height = ::GetSystemMetrics(SM_CYSCREEN);
  DEVMODEW mode{};
  mode.dmSize = sizeof mode;
  refresh_hz =
      ::EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode) ? static_cast<int>(mode.dmDisplayFrequency) : 0;
  return width > 0 && height > 0;
}

}  // namespace plat
