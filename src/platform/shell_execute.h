// Opening a file, folder or address with the shell (ShellExecuteW), and
// starting a program with a verb such as "runas" (ShellExecuteExW).
#pragma once
#include <string>

#include "platform/types.h"

namespace plat {

// ShellExecuteW(owner, verb or null when empty, file, parameters, directory, show).
// True when the shell reports success (a result above 32).
bool ShellExecute(Window owner, const std::wstring& verb, const std::wstring& file, const std::wstring& parameters,
                  const std::wstring& directory, int show);

// ShellExecuteExW with no owner and no mask; true on success. A declined
// elevation prompt ("runas") is a failure.
bool ShellExecuteEx(const std::wstring& verb, const std::wstring& file, const std::wstring& parameters, int show);

}  // namespace plat
