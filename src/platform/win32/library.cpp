#include "platform/library.h"

#include <windows.h>

namespace plat {

Handle LoadLibraryW(const std::wstring& name) { return reinterpret_cast<Handle>(::LoadLibraryW(name.c_str())); }

void* GetProcAddress(Handle library, const char* name) {
  return reinterpret_cast<void*>(::GetProcAddress(reinterpret_cast<HMODULE>(library), name));
}

bool FreeLibrary(Handle library) { return ::FreeLibrary(reinterpret_cast<HMODULE>(library)) != 0; }

}  // namespace plat
