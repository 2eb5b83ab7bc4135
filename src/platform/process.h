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

}  // namespace plat
