// The agent's side of the hook library qx.dll: loading it by name and calling
// SetHook and RemoveHook with the program settings.
#pragma once
#include "agent/hook_block.h"
#include "agent/program_settings.h"
#include "platform/types.h"

namespace agent {

// Loads qx.dll on first use and calls SetHook(thread, 0, MouseWheel, false,
// Help, RExplorer, MExplorer, MIExplorer, MDesktop, MouseMButton). Returns the
// block, or nullptr when the library, its exports or the hook are missing.
HookSharedBlock* CallSetHook(plat::ThreadId thread, const TProgramSettings& settings);

// RemoveHook() when the library was loaded; its result is ignored.
void CallRemoveHook();

// Frees the library after the last RemoveHook (the agent's end).
void UnloadHookLibrary();

}  // namespace agent
