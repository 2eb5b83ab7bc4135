// Control of the simulated process: its command line and program path.
#pragma once
#include <string>
#include <vector>

namespace sim {
void SetCommandLine(std::vector<std::wstring> args);
void SetProgramPath(std::wstring path);
}  // namespace sim
