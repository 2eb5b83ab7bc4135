// Control of the sim's helper programs and hive saves (platform/run_process.h).
#pragma once
#include <functional>
#include <string>
#include <vector>

namespace sim {

// What a started program does: return false when it cannot be started,
// set finished to false when it outlives the wait. Default: every program
// starts and finishes at once without doing anything.
using ProcessRunner = std::function<bool(const std::wstring& command_line, bool& finished)>;
void SetProcessRunner(ProcessRunner runner);
// Command lines started so far.
std::vector<std::wstring> ProcessesRun();

// Whether enabling the backup privilege reports success (default true). Hive
// saves succeed; a saved hive is a small file starting with "regf".
void SetBackupPrivilegeAvailable(bool available);
// "root\key" of each hive saved so far.
std::vector<std::wstring> HivesSaved();

}  // namespace sim
