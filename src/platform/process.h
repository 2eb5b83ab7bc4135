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

// Identifier of the running process (GetCurrentProcessId), as
// GetWindowThreadProcessId reports it for the process's windows. (The sim
// numbers each thread's windows as a process of its own.)
std::uint32_t CurrentProcessId();

// The value of an environment variable of the process; false when it is not set.
bool GetEnvironmentVariableW(const std::wstring& name, std::wstring& value);

}  // namespace plat
