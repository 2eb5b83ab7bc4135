// Loading a library by name and finding its exports (LoadLibraryW,
// GetProcAddress). The sim offers libraries that tests register
// (sim/sim_library.h).
#pragma once
#include <string>

#include "platform/owned.h"
#include "platform/types.h"

namespace plat {

Handle LoadLibraryW(const std::wstring& name);
void* GetProcAddress(Handle library, const char* name);
bool FreeLibrary(Handle library);
using OwnedLibrary = Owned<Handle, FreeLibrary>;

}  // namespace plat
