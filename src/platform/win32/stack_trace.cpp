// The stack trace facility of the windows build.
//
// A vectored exception handler sees every exception raised in the process
// first, before any frame's handler runs: hardware faults and C++ throws
// alike (MinGW raises a C++ throw as the SEH exception STATUS_GCC_THROW).
// The C++ runtime's __cxa_throw is wrapped at link time (-Wl,--wrap) so the
// handler knows the thrown object's type and where it was thrown. The stack is
// walked from the exception's context with the unwind tables of the image.
// Addresses resolve through "<program>.sym" beside the executable
// (platform/symbol_file.h).
#include <windows.h>
#include <unwind.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <typeinfo>

#include "platform/cxx_throw.h"
#include "platform/process.h"
#include "platform/stack_trace.h"
#include "platform/symbol_file.h"

namespace {

constexpr DWORD kStatusGccThrow = 0x20474343;  // "GCC" + 0x20: a C++ throw of libgcc's SEH unwinder
constexpr int kMaxFrames = 64;

struct PendingThrow {
  void* object = nullptr;
  std::type_info* type = nullptr;
  void* return_address = nullptr;
};

std::atomic<plat::RaiseNotifier> g_notifier{nullptr};
std::once_flag g_install_once;
thread_local PendingThrow t_pending;
thread_local bool t_in_handler = false;

std::vector<std::uint64_t> WalkStack(const CONTEXT& start) {
  std::vector<std::uint64_t> frames;
  CONTEXT ctx = start;
  for (int i = 0; i < kMaxFrames; ++i) {
    DWORD64 pc = ctx.Rip;
    if (pc == 0) break;
    frames.push_back(pc);
    DWORD64 rsp_before = ctx.Rsp;
    DWORD64 image_base = 0;
    PRUNTIME_FUNCTION fn = ::RtlLookupFunctionEntry(pc, &image_base, nullptr);
    if (fn) {
      void* handler_data = nullptr;
      DWORD64 establisher = 0;
      ::RtlVirtualUnwind(UNW_FLAG_NHANDLER, image_base, pc, fn, &ctx, &handler_data, &establisher, nullptr);
    } else {
      // A leaf function (or a bad jump): the return address is on top of the stack.
      if (ctx.Rsp == 0 || (ctx.Rsp & 7) != 0) break;
      ctx.Rip = *reinterpret_cast<DWORD64*>(ctx.Rsp);
      ctx.Rsp += 8;
    }
    if (ctx.Rsp <= rsp_before) break;  // the stack only grows towards the caller
  }
  return frames;
}

LONG CALLBACK RaiseHandler(EXCEPTION_POINTERS* info) {
  plat::RaiseNotifier notifier = g_notifier.load();
  if (!notifier || t_in_handler || !info || !info->ExceptionRecord || !info->ContextRecord)
    return EXCEPTION_CONTINUE_SEARCH;
  const EXCEPTION_RECORD& rec = *info->ExceptionRecord;
  const DWORD code = rec.ExceptionCode;
  plat::RaisedException e;
  if (code == kStatusGccThrow) {
    if (rec.NumberParameters < 1) return EXCEPTION_CONTINUE_SEARCH;
    char* header = reinterpret_cast<char*>(rec.ExceptionInformation[0]);
    void* object = header + sizeof(_Unwind_Exception);
    // A throw that did not pass the wrapped __cxa_throw just now is a rethrow
    // of an exception traced when it was first thrown.
    if (t_pending.object != object || !t_pending.type) return EXCEPTION_CONTINUE_SEARCH;
    PendingThrow pending = t_pending;
    t_pending = PendingThrow{};
    t_in_handler = true;
    plat::detail::DescribeThrown(pending.object, pending.type, e);
    e.address = reinterpret_cast<std::uintptr_t>(pending.return_address);
  } else if ((code >> 30) == 3 && code != plat::kStatusStackOverflow) {
    // Errors only: informational raises (debug output, thread names) are no
    // failures. A stack overflow leaves too little stack to write a trace.
    t_in_handler = true;
    std::uint64_t access = 0, target = 0;
    if (code == EXCEPTION_ACCESS_VIOLATION && rec.NumberParameters >= 2) {
      access = rec.ExceptionInformation[0];
      target = rec.ExceptionInformation[1];
    }
    plat::detail::DescribeFault(code, reinterpret_cast<std::uintptr_t>(rec.ExceptionAddress), access, target, e);
  } else {
    return EXCEPTION_CONTINUE_SEARCH;
  }
  try {
    e.stack = WalkStack(*info->ContextRecord);
    if (!e.hardware_fault) {
      // Start at the frame that threw, not inside the runtime's raise path.
      for (size_t i = 0; i < e.stack.size(); ++i) {
        if (e.stack[i] == e.address) {
          e.stack.erase(e.stack.begin(), e.stack.begin() + static_cast<std::ptrdiff_t>(i));
          break;
        }
      }
    }
    notifier(e);
  } catch (...) {
  }
  t_in_handler = false;
  return EXCEPTION_CONTINUE_SEARCH;
}

struct ProgramSymbols {
  std::once_flag loaded;
  plat::SymbolTable table;
  std::uint64_t base = 0;
  std::uint64_t size = 0;
};
ProgramSymbols& Syms() {
  static ProgramSymbols s;
  return s;
}

void LoadSymbols(ProgramSymbols& s) {
  HMODULE module = ::GetModuleHandleW(nullptr);
  auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(module);
  auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(reinterpret_cast<const char*>(module) + dos->e_lfanew);
  s.base = reinterpret_cast<std::uintptr_t>(module);
  s.size = nt->OptionalHeader.SizeOfImage;
  std::wstring path = plat::ProgramPath();
  size_t dot = path.find_last_of(L".\\/");
  if (dot != std::wstring::npos && path[dot] == L'.') path.resize(dot);
  path += L".sym";
  FILE* f = ::_wfopen(path.c_str(), L"rb");
  if (!f) return;
  std::string text;
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
  std::fclose(f);
  s.table.Parse(text);
}

}  // namespace

extern "C" [[noreturn]] void __real___cxa_throw(void* object, std::type_info* type, void (*destroy)(void*));

// Every C++ throw of the program passes here (the linker wraps __cxa_throw).
extern "C" [[noreturn]] void __wrap___cxa_throw(void* object, std::type_info* type, void (*destroy)(void*)) {
  t_pending.object = object;
  t_pending.type = type;
  t_pending.return_address = __builtin_return_address(0);
  __real___cxa_throw(object, type, destroy);
}

namespace plat {

void SetRaiseNotifier(RaiseNotifier notifier) {
  g_notifier.store(notifier);
  if (notifier) std::call_once(g_install_once, [] { ::AddVectoredExceptionHandler(1, RaiseHandler); });
}

bool ResolveAddress(std::uint64_t address, SourceLocation& out) {
  ProgramSymbols& s = Syms();
  std::call_once(s.loaded, [&] { LoadSymbols(s); });
  if (s.table.Empty() || address < s.base || address >= s.base + s.size) return false;
  return s.table.Lookup(address - s.base, out);
}

}  // namespace plat
