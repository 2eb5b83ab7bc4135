#!/usr/bin/env bash
# Runs the program: installs what is missing, builds the windows build and starts
# the agent under Wine. With a display it leaves the agent running; without one
# it plays the demo scenario on a virtual display and saves screenshots.
set -euo pipefail
root="$(cd "$(dirname "$0")" && pwd)"
cd "$root"
bash scripts/setup.sh
bash scripts/build.sh windows
exec bash scripts/run_agent.sh "$@"
