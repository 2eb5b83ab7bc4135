// The sim's shell records what it was asked to open.
#pragma once
#include <string>
#include <vector>

#include "platform/types.h"

namespace sim {
struct ShellExecution {
  plat::Window owner = 0;
  std::wstring verb, file, parameters, directory;
  int show = 0;
};
std::vector<ShellExecution> ShellExecutions();
}  // namespace sim
