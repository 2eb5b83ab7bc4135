#include "errors/global_error.h"

#include <mutex>
#include <vector>

#include "errors/exception_trace.h"
#include "infra/dral_utils.h"
#include "infra/logger.h"
#include "infra/logger_files.h"
#include "infra/utf16.h"
#include "infra/wow64.h"
#include "platform/files.h"
#include "platform/os_version.h"
#include "platform/system.h"
#include "platform/system_info.h"

namespace errors {
namespace {

std::mutex g_provider_lock;
std::function<ActiveNames()>& Provider() {
  static std::function<ActiveNames()> p;
  return p;
}

constexpr std::uint64_t kMb = 1048576;

// A system message on one line, without its trailing line break.
std::wstring OneLine(std::wstring text) {
  for (auto& c : text)
    if (c == L'\r' || c == L'\n') c = L' ';
  while (!text.empty() && text.back() == L' ') text.pop_back();
  return text;
}

}  // namespace

void SetActiveNamesProvider(std::function<ActiveNames()> provider) {
  std::lock_guard<std::mutex> g(g_provider_lock);
  Provider() = std::move(provider);
}

std::wstring GetSystemInfo(bool extended) {
  const std::uint32_t last_error = plat::LastError();
  try {
    std::vector<std::wstring> lines;
    lines.push_back(L"Program version: " + infra::GetProgramVersion());
    if (extended) {
      ActiveNames names;
      {
        std::lock_guard<std::mutex> g(g_provider_lock);
        if (Provider()) names = Provider()();
      }
      if (!names.form.empty()) lines.push_back(L"Active Form: " + names.form);
      if (!names.control.empty()) lines.push_back(L"Active Control: " + names.control);
      lines.push_back(L"Last system error: " + OneLine(plat::SystemErrorMessage(last_error)) + L" (" +
                      std::to_wstring(last_error) + L")");
    }
    std::wstring product, service_pack;
    plat::GetOsProduct(product, service_pack);
    lines.push_back(L"Product: " + product);
    lines.push_back(L"Service Pack: " + service_pack);
    lines.push_back(L"Build: " + std::to_wstring(plat::GetOsVersion().build));
    // A 64-bit system: a 32-bit build runs under WOW64 there, a 64-bit build
    // runs only there.
    const bool system_64 = infra::IsWow64() || sizeof(void*) == 8;
    lines.push_back(system_64 ? L"Version: 64-bit" : L"Version: 32-bit");
    lines.push_back(infra::IsUacEnabled() == 1 ? L"UAC: enabled" : L"UAC: disabled");
    lines.push_back(infra::IsElevated() ? L"UAC: elevated" : L"UAC: not elevated");
    lines.push_back(infra::IsRealAdmin() ? L"User: real admin" : L"User: not real admin");
    // The processor lines may fail on their own; the list goes on.
    try {
      std::wstring cpu;
      plat::GetProcessorName(cpu);
      lines.push_back(L"CPU: " + cpu);
    } catch (...) {}
    try {
      std::uint32_t mhz = 0;
      if (plat::GetProcessorNominalMhz(mhz))
        lines.push_back(L"NormFreq: " + std::to_wstring(mhz) + L" MHz");
      else
        lines.push_back(L"NormFreq: ");
    } catch (...) {}
    try {
      std::uint32_t mhz = 0;
      if (plat::MeasureProcessorMhz(mhz))
        lines.push_back(L"RawFreq: " + std::to_wstring(mhz) + L" MHz");
      else
        lines.push_back(L"RawFreq: ");
    } catch (...) {}
    plat::MemoryStatus mem;
    if (!plat::GetMemoryStatus(mem)) throw std::runtime_error("GlobalMemoryStatusEx failed");
    lines.push_back(L"TotalPhysicalMemory: " + std::to_wstring(mem.total_phys / kMb));
    lines.push_back(L"PhysicalMemoryLoad: " + std::to_wstring(mem.memory_load));
    lines.push_back(L"SwapFileSize: " + std::to_wstring(mem.total_page_file / kMb));
    lines.push_back(L"SwapFileUsage: " +
                    std::to_wstring((mem.total_page_file - std::min(mem.avail_page_file, mem.total_page_file)) / kMb));
    int width = 0, height = 0, hz = 0;
    plat::GetScreenMode(width, height, hz);
    lines.push_back(L"Screen: " + std::to_wstring(width) + L"*" + std::to_wstring(height) + L"*" + std::to_wstring(hz));
    std::wstring text;
    for (size_t i = 0; i < lines.size(); ++i) {
      if (i) text += L"\r\n";
      text += lines[i];
    }
    return infra::TrimControls(text);
  } catch (...) {
    infra::LogError(L"GetSystemInfo", L"Common error", L"", last_error, true);
    return L"";
  }
}

void WriteGlobalErrorLog(const std::wstring& message, const void* thrown) {
  try {
    const std::wstring folder = infra::GetLogFolder();
    if (folder.empty()) return;
    std::vector<std::wstring> lines;
    lines.push_back(DateTimeText() + L": " + message);
    lines.push_back(GetSystemInfo(true));
    std::vector<std::uint64_t> stack;
    bool first_is_fault = false;
    if (CapturedStack(thrown, stack, &first_is_fault)) {
      lines.push_back(L"Call stack: ");
      for (auto& l : StackLines(stack, first_is_fault)) lines.push_back(std::move(l));
    }
    const std::wstring file = folder + infra::kGlobalErrorLogName;
    if (plat::FileExists(file)) {
      plat::RemoveFile(file);
    } else {
      plat::CreateDirectories(folder);
    }
    std::string bytes(infra::kUtf16LeBom);
    for (const auto& l : lines) {
      infra::AppendUtf16Le(bytes, l);
      infra::AppendUtf16Le(bytes, L"\r\n");
    }
    plat::WriteWholeFile(file, bytes);  // a failing write is ignored
  } catch (...) {}
}

}  // namespace errors
