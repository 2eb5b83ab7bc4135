// The running process: its command line, its file, its exit.
#pragma once
#include "platform/types.h"

namespace plat {

// Command-line arguments without the program name, as the system splits them.
std::vector<std::wstring> CommandLineArgs();

// Full path of the running program's file (GetModuleFileNameW).
std::wstring ProgramPath();

// Identifier of the calling thread (GetCurrentThreadId).
ThreadId CurrentThreadId();

// The value of an environment variable of the process; false when it is not set.
bool GetEnvironmentVariableW(const std::wstring& name, std::wstring& value);

}  // namespace plat
