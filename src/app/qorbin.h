// The process entry of the agent.
#pragma once

namespace app {

// Runs the program as its command line asks; returns the process exit code
// (always 0).
int qorbin();

}  // namespace app
