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
  bool ex = false;  // through ShellExecuteEx
  bool succeeded = true;
};
std::vector<ShellExecution> ShellExecutions();
// Executions with this verb fail from now on (the verb "runas" stands for
// the elevation prompt, which the user may decline).
void SetShellVerbFails(const std::wstring& verb, bool fails);
}  // namespace sim
