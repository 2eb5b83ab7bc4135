#include <mutex>

#include "sim/sim_system_info.h"
#include "sim/sim_world.h"
#include "platform/system_info.h"

namespace sim {
namespace {
std::mutex g_lock;
MachineFacts& Facts() {
  static MachineFacts f;
  return f;
}
const bool kReset = RegisterReset([] {
  std::lock_guard<std::mutex> g(g_lock);
  Facts() = MachineFacts{};
});
}  // namespace

void SetMachineFacts(const MachineFacts& facts) {
  std::lock_guard<std::mutex> g(g_lock);
  Facts() = facts;
}

}  // namespace sim

namespace plat {

bool GetOsProduct(std::wstring& product, std::wstring& service_pack) {
  std::lock_guard<std::mutex> g(sim::g_lock);
  if (!sim::Facts().product_known) return false;
  product = sim::Facts().product;
  service_pack = sim::Facts().service_pack;
  return true;
}

bool GetProcessorName(std::wstring& name) {
  std::lock_guard<std::mutex> g(sim::g_lock);
  if (!sim::Facts().processor_known) return false;
  name = sim::Facts().processor;
  return true;
}

bool GetProcessorNominalMhz(std::uint32_t& mhz) {
  std::lock_guard<std::mutex> g(sim::g_lock);
  if (!sim::Facts().processor_known) return false;
  mhz = sim::Facts().nominal_mhz;
  return true;
}

bool MeasureProcessorMhz(std::uint32_t& mhz) {
  std::lock_guard<std::mutex> g(sim::g_lock);
  if (!sim::Facts().processor_known) return false;
  mhz = sim::Facts().measured_mhz;
  return true;
}

bool GetMemoryStatus(MemoryStatus& status) {
  std::lock_guard<std::mutex> g(sim::g_lock);
  if (!sim::Facts().memory_known) return false;
  status = sim::Facts().memory;
  return true;
}

bool GetScreenMode(int& width, int& height, int& refresh_hz) {
  std::lock_guard<std::mutex> g(sim::g_lock);
  if (!sim::Facts().screen_known) return false;
  width = sim::Facts().width;
  height = sim::Facts().height;
  refresh_hz = sim::Facts().refresh_hz;
  return true;
}

}  // namespace plat
