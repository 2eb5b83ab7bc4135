// The sim's stack trace facility: the C++ runtime's __cxa_throw is
// interposed, so every throw of the host process (the library's own throws
// included) is reported before it unwinds, with the host's call stack.
#include <cxxabi.h>
#include <dlfcn.h>
#include <execinfo.h>

#include <atomic>
#include <mutex>

#include "platform/cxx_throw.h"
#include "sim/sim_stack_trace.h"
#include "sim/sim_world.h"
#include "platform/stack_trace.h"
#include "platform/symbol_file.h"

namespace {

std::atomic<plat::RaiseNotifier> g_notifier{nullptr};
thread_local bool t_in_notifier = false;

struct Symbols {
  std::mutex lock;
  plat::SymbolTable table;
  std::uint64_t base = 0;
  std::uint64_t size = 0;
};
Symbols& Syms() {
  static Symbols s;
  return s;
}

const bool kReset = sim::RegisterReset([] {
  g_notifier.store(nullptr);
  std::lock_guard<std::mutex> g(Syms().lock);
  Syms().table = plat::SymbolTable();
  Syms().base = 0;
  Syms().size = 0;
});

void Notify(const plat::RaisedException& e) {
  plat::RaiseNotifier fn = g_notifier.load();
  if (!fn || t_in_notifier) return;
  t_in_notifier = true;
  try {
    fn(e);
  } catch (...) {}
  t_in_notifier = false;
}

std::vector<std::uint64_t> HostStack(int skip) {
  void* frames[64];
  int n = ::backtrace(frames, 64);
  std::vector<std::uint64_t> out;
  for (int i = skip; i < n; ++i) out.push_back(reinterpret_cast<std::uintptr_t>(frames[i]));
  return out;
}

}  // namespace

extern "C" __attribute__((noreturn)) void __cxa_throw(void* object, std::type_info* type, void (*destroy)(void*)) {
  using ThrowFn = void (*)(void*, std::type_info*, void (*)(void*));
  static ThrowFn real = reinterpret_cast<ThrowFn>(::dlsym(RTLD_NEXT, "__cxa_throw"));
  plat::RaisedException fault;
  const bool is_fault = plat::detail::TakeThrownFault(fault);
  if (g_notifier.load() && !t_in_notifier) {
    plat::RaisedException e;
    plat::detail::DescribeThrown(object, type, e);
    if (is_fault) {
      // A guarded fault thrown again: its trace was written at the fault.
      const void* base = e.exception_base;
      e = std::move(fault);
      e.object = object;
      e.exception_base = base;
      e.traced_before = true;
    } else {
      e.address = reinterpret_cast<std::uintptr_t>(__builtin_return_address(0));
      e.stack = HostStack(1);
    }
    Notify(e);
  }
  real(object, type, destroy);
  __builtin_unreachable();
}

namespace sim {

void RaiseHardwareFault(std::uint32_t code, std::uint64_t address, std::vector<std::uint64_t> stack,
                        std::uint64_t access, std::uint64_t target) {
  plat::RaisedException e;
  plat::detail::DescribeFault(code, address, access, target, e);
  e.stack = std::move(stack);
  Notify(e);
  // Inside a guard the windows build throws the fault again from the
  // faulting instruction; here it is thrown from this call.
  if (plat::IsRecoverableFault(code) && plat::detail::InnermostFaultGuard()) {
    plat::detail::SetFaultToThrow(e);
    plat::detail::ThrowPendingFault();
  }
}

void SetSymbolFile(const std::string& text, std::uint64_t image_base, std::uint64_t image_size) {
  std::lock_guard<std::mutex> g(Syms().lock);
  Syms().table.Parse(text);
  Syms().base = image_base;
  Syms().size = image_size;
}

}  // namespace sim

namespace plat {

void ProbeAccessViolation() {
  sim::RaiseHardwareFault(kStatusAccessViolation, reinterpret_cast<std::uintptr_t>(__builtin_return_address(0)),
                          HostStack(1), 0, 0);
}

void SetRaiseNotifier(RaiseNotifier notifier) { g_notifier.store(notifier); }

bool ResolveAddress(std::uint64_t address, SourceLocation& out) {
  std::lock_guard<std::mutex> g(Syms().lock);
  if (Syms().table.Empty() || address < Syms().base || address - Syms().base >= Syms().size) return false;
  return Syms().table.Lookup(address - Syms().base, out);
}

}  // namespace plat
