#include "agent/hook_client.h"

#include "agent/hook_api.h"
#include "platform/library.h"

namespace agent {
namespace {
struct HookLibrary {
  plat::Handle module = 0;
  SetHookFn set_hook = nullptr;
  RemoveHookFn remove_hook = nullptr;
};

HookLibrary& Library() {
  static HookLibrary lib;
  return lib;
}

bool Load() {
  auto& lib = Library();
  if (lib.set_hook && lib.remove_hook) return true;
  if (!lib.module) lib.module = plat::LoadLibraryW(kHookLibraryName);
  if (!lib.module) return false;
  lib.set_hook = reinterpret_cast<SetHookFn>(plat::GetProcAddress(lib.module, kSetHookExport));
  lib.remove_hook = reinterpret_cast<RemoveHookFn>(plat::GetProcAddress(lib.module, kRemoveHookExport));
  return lib.set_hook && lib.remove_hook;
}
}  // namespace

HookSharedBlock* CallSetHook(plat::ThreadId thread, const TProgramSettings& s) {
  if (!Load()) return nullptr;
  auto b = [](bool v) -> std::uint32_t { return v ? 1u : 0u; };
  return Library().set_hook(thread, 0, static_cast<std::uint32_t>(s.MouseWheel), 0, b(s.Help), b(s.RExplorer),
                            b(s.MExplorer), b(s.MIExplorer), b(s.MDesktop), b(s.MouseMButton));
}

void CallRemoveHook() {
  if (Library().remove_hook) Library().remove_hook();
}

void UnloadHookLibrary() {
  auto& lib = Library();
  if (lib.module) plat::FreeLibrary(lib.module);
  lib = HookLibrary{};
}

}  // namespace agent
