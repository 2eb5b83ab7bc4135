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
//
// A fault inside a FaultGuard is thrown again as a C++ exception: the handler
// rewrites the faulting thread's context so that it "calls" a function that
// throws, with the faulting address (+1, as a return address lies after its
// call) as the return address. The unwinder then treats the faulting frame as
// if it had called a throwing function there; the program is compiled with
// -fnon-call-exceptions, so the exception tables list trapping instructions
// as well as calls.
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

extern "C" {
void qb_fault_throw_entry();
void qb_fault_throw_entry_odd();
EXCEPTION_DISPOSITION __gxx_personality_seh0(PEXCEPTION_RECORD, void*, PCONTEXT, PDISPATCHER_CONTEXT);
}

namespace {

constexpr DWORD kStatusGccThrow = 0x20474343;  // "GCC" + 0x20: a C++ throw of libgcc's SEH unwinder
constexpr int kMaxFrames = 64;

struct PendingThrow {
  void* object = nullptr;
  std::type_info* type = nullptr;
  void* return_address = nullptr;
  bool fault = false;                  // the throw of a guarded hardware fault
  plat::RaisedException fault_report;  // that fault as traced
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

// The program's own image: only its frames are unwound by a guarded fault.
struct ImageRange {
  DWORD64 begin = 0;
  DWORD64 end = 0;
};
ImageRange ProgramImage() {
  static const ImageRange range = [] {
    HMODULE module = ::GetModuleHandleW(nullptr);
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(module);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(reinterpret_cast<const char*>(module) + dos->e_lfanew);
    ImageRange r;
    r.begin = reinterpret_cast<std::uintptr_t>(module);
    r.end = r.begin + nt->OptionalHeader.SizeOfImage;
    return r;
  }();
  return range;
}
bool InProgram(DWORD64 pc) {
  const ImageRange r = ProgramImage();
  return pc >= r.begin && pc < r.end;
}

// Whether an exception thrown "from" the faulting instruction reaches the
// guard at `guard` without ending the program: every frame on the way is the
// program's own, unwinds from the faulting address as from a return address,
// and is listed in its exception table (or has none).
bool CanThrowAtFault(const CONTEXT& fault, DWORD64 guard) {
  const DWORD64 pc = fault.Rip;
  if (!InProgram(pc) || !InProgram(pc + 1) || (fault.Rsp & 7) != 0) return false;
  DWORD64 base = 0, base_next = 0;
  PRUNTIME_FUNCTION fn = ::RtlLookupFunctionEntry(pc, &base, nullptr);
  if (::RtlLookupFunctionEntry(pc + 1, &base_next, nullptr) != fn) return false;
  if (fn) {
    // The unwinder will see pc + 1: it must not take it for an epilogue.
    CONTEXT exact = fault, shifted = fault;
    void* data = nullptr;
    DWORD64 frame = 0;
    ::RtlVirtualUnwind(UNW_FLAG_NHANDLER, base, pc, fn, &exact, &data, &frame, nullptr);
    ::RtlVirtualUnwind(UNW_FLAG_NHANDLER, base, pc + 1, fn, &shifted, &data, &frame, nullptr);
    if (exact.Rip != shifted.Rip || exact.Rsp != shifted.Rsp) return false;
  }
  CONTEXT ctx = fault;
  for (int i = 0; i < kMaxFrames; ++i) {
    if (ctx.Rsp > guard) return true;  // the guarding frame has been passed
    const DWORD64 control = i == 0 ? ctx.Rip + 1 : ctx.Rip;
    if (!InProgram(ctx.Rip)) return false;
    const DWORD64 rsp_before = ctx.Rsp;
    DWORD64 image_base = 0;
    PRUNTIME_FUNCTION f = ::RtlLookupFunctionEntry(control, &image_base, nullptr);
    if (f) {
      void* handler_data = nullptr;
      DWORD64 establisher = 0;
      PEXCEPTION_ROUTINE handler = ::RtlVirtualUnwind(UNW_FLAG_EHANDLER | UNW_FLAG_UHANDLER, image_base, control, f,
                                                      &ctx, &handler_data, &establisher, nullptr);
      if (handler) {
        if (reinterpret_cast<void*>(handler) != reinterpret_cast<void*>(&__gxx_personality_seh0)) return false;
        if (!plat::detail::CallSiteListed(static_cast<const std::uint8_t*>(handler_data), image_base + f->BeginAddress,
                                          control - 1))
          return false;
      }
    } else {
      ctx.Rip = *reinterpret_cast<DWORD64*>(ctx.Rsp);
      ctx.Rsp += 8;
    }
    if (ctx.Rsp <= rsp_before) return false;
  }
  return false;
}

// Makes the thread continue in a throwing function as if the faulting
// instruction had called it. The entry matching the stack's alignment keeps
// the ABI's alignment at the call inside.
void RedirectToThrow(CONTEXT& ctx) {
  const bool aligned = (ctx.Rsp & 15) == 0;
  ctx.Rsp -= 8;
  *reinterpret_cast<DWORD64*>(ctx.Rsp) = ctx.Rip + 1;
  ctx.Rip = reinterpret_cast<DWORD64>(aligned ? &qb_fault_throw_entry : &qb_fault_throw_entry_odd);
  ctx.EFlags &= ~static_cast<DWORD>(0x400);  // the direction flag is clear at every call
}

LONG CALLBACK RaiseHandler(EXCEPTION_POINTERS* info) {
  plat::RaiseNotifier notifier = g_notifier.load();
  if (t_in_handler || !info || !info->ExceptionRecord || !info->ContextRecord) return EXCEPTION_CONTINUE_SEARCH;
  const EXCEPTION_RECORD& rec = *info->ExceptionRecord;
  const DWORD code = rec.ExceptionCode;
  plat::RaisedException e;
  bool walk = true;
  if (code == kStatusGccThrow) {
    if (rec.NumberParameters < 1) return EXCEPTION_CONTINUE_SEARCH;
    char* header = reinterpret_cast<char*>(rec.ExceptionInformation[0]);
    void* object = header + sizeof(_Unwind_Exception);
    // A throw that did not pass the wrapped __cxa_throw just now is a rethrow
    // of an exception traced when it was first thrown.
    if (t_pending.object != object || !t_pending.type) return EXCEPTION_CONTINUE_SEARCH;
    PendingThrow pending = std::move(t_pending);
    t_pending = PendingThrow{};
    if (!notifier) return EXCEPTION_CONTINUE_SEARCH;
    t_in_handler = true;
    if (pending.fault) {
      // A guarded fault thrown again: reported with the fault's stack, under
      // the exception object that handlers will catch.
      plat::RaisedException thrown;
      plat::detail::DescribeThrown(pending.object, pending.type, thrown);
      e = std::move(pending.fault_report);
      e.object = thrown.object;
      e.exception_base = thrown.exception_base;
      e.traced_before = true;
      walk = false;
    } else {
      plat::detail::DescribeThrown(pending.object, pending.type, e);
      e.address = reinterpret_cast<std::uintptr_t>(pending.return_address);
    }
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
  LONG disposition = EXCEPTION_CONTINUE_SEARCH;
  try {
    if (walk) e.stack = WalkStack(*info->ContextRecord);
    if (!e.hardware_fault) {
      // Start at the frame that threw, not inside the runtime's raise path.
      for (size_t i = 0; i < e.stack.size(); ++i) {
        if (e.stack[i] == e.address) {
          e.stack.erase(e.stack.begin(), e.stack.begin() + static_cast<std::ptrdiff_t>(i));
          break;
        }
      }
    }
    if (notifier) notifier(e);
    if (e.hardware_fault && !e.traced_before && plat::IsRecoverableFault(code)) {
      const void* guard = plat::detail::InnermostFaultGuard();
      if (guard && CanThrowAtFault(*info->ContextRecord, reinterpret_cast<std::uintptr_t>(guard))) {
        plat::detail::SetFaultToThrow(e);
        RedirectToThrow(*info->ContextRecord);
        disposition = EXCEPTION_CONTINUE_EXECUTION;
      }
    }
  } catch (...) {}
  t_in_handler = false;
  return disposition;
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

// Called by the entries below on the stack of a guarded fault.
extern "C" [[noreturn]] void qb_throw_pending_fault() { plat::detail::ThrowPendingFault(); }

// The entries of a redirected fault. Each is entered with the faulting
// address + 1 on top of the stack, as if called from there; the unwind
// information of each undoes exactly its own allocation, so the unwinder
// finds that return address and continues in the faulting frame.
//   qb_fault_throw_entry:     the stack was 16-byte aligned at the fault
//                             (entered like a called function, rsp = 8 mod 16)
//   qb_fault_throw_entry_odd: it was 8 mod 16 (a function without a frame)
asm(R"(
  .text
  .globl qb_fault_throw_entry
  .def qb_fault_throw_entry; .scl 2; .type 32; .endef
  .seh_proc qb_fault_throw_entry
qb_fault_throw_entry:
  subq $40, %rsp
  .seh_stackalloc 40
  .seh_endprologue
  call qb_throw_pending_fault
  nop
  .seh_endproc

  .globl qb_fault_throw_entry_odd
  .def qb_fault_throw_entry_odd; .scl 2; .type 32; .endef
  .seh_proc qb_fault_throw_entry_odd
qb_fault_throw_entry_odd:
  subq $32, %rsp
  .seh_stackalloc 32
  .seh_endprologue
  call qb_throw_pending_fault
  nop
  .seh_endproc
)");

// Every C++ throw of the program passes here (the linker wraps __cxa_throw).
extern "C" [[noreturn]] void __wrap___cxa_throw(void* object, std::type_info* type, void (*destroy)(void*)) {
  t_pending.object = object;
  t_pending.type = type;
  t_pending.return_address = __builtin_return_address(0);
  t_pending.fault = plat::detail::TakeThrownFault(t_pending.fault_report);
  __real___cxa_throw(object, type, destroy);
}

namespace plat {

void SetRaiseNotifier(RaiseNotifier notifier) {
  g_notifier.store(notifier);
  if (notifier) std::call_once(g_install_once, [] { ::AddVectoredExceptionHandler(1, RaiseHandler); });
}

void ProbeAccessViolation() {
  // The pointer itself is read from memory, so the compiler cannot see that
  // it is null and puts a real load here (not a trap instruction).
  int* volatile nowhere = nullptr;
  (void)*static_cast<volatile int*>(nowhere);
}

bool ResolveAddress(std::uint64_t address, SourceLocation& out) {
  ProgramSymbols& s = Syms();
  std::call_once(s.loaded, [&] { LoadSymbols(s); });
  if (s.table.Empty() || address < s.base || address >= s.base + s.size) return false;
  return s.table.Lookup(address - s.base, out);
}

}  // namespace plat
