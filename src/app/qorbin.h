// The process entry of the agent.
#pragma once

namespace app {

// Runs the program as its command line asks; returns the process exit code
// (always 0).
int qorbin();

// Resolves the configuration folder (which sets the log folder) and logs the
// start. The first step of a normal start.
void StartInfrastructure();

// Writes every pending log entry and stops logging: the last step before the
// process ends.
void StopInfrastructure();

}  // namespace app
