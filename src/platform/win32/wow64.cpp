#include "platform/wow64.h"

#include <windows.h>

#include <atomic>

namespace plat {

bool IsWow64Process(bool* wow64) {
  // -2 not yet asked, -1 the function is missing or failed, else the answer.
  // Asking twice from two threads gives the same answer, so no lock.
  static std::atomic<int> cached{-2};
  int v = cached.load();
  if (v == -2) {
    using Proc = BOOL(WINAPI*)(HANDLE, PBOOL);
    v = -1;
    if (HMODULE k = ::GetModuleHandleW(L"kernel32.dll")) {
      auto proc = reinterpret_cast<Proc>(reinterpret_cast<void*>(::GetProcAddress(k, "IsWow64Process")));
      BOOL answer = FALSE;
      if (proc && proc(::GetCurrentProcess(), &answer)) v = answer ? 1 : 0;
    }
    cached.store(v);
  }
  if (v < 0) return false;
  if (wow64) *wow64 = v == 1;
  return true;
}

}  // namespace plat
