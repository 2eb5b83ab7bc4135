// Control of the sim's libraries: a test registers a library by name with its
// exports, and LoadLibraryW / GetProcAddress find them.
#pragma once
#include <map>
#include <string>

namespace sim {
void RegisterLibrary(const std::wstring& name, std::map<std::string, void*> exports);
void UnregisterLibrary(const std::wstring& name);
}  // namespace sim
