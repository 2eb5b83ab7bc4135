// Control of the simulated process: its command line and program path.
#pragma once
#include <string>
#include <vector>

namespace sim {
void SetCommandLine(std::vector<std::wstring> args);
void SetProgramPath(std::wstring path);
// Sets (or, with nullptr, removes) an environment variable of the simulated process.
void SetEnvironmentVariable(const std::wstring& name, const wchar_t* value);
}  // namespace sim
