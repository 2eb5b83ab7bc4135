#!/usr/bin/env bash
# The demo played by ./run.sh when no display is set.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
mkdir -p "$root/build/demo"
cd "$WINEPREFIX/drive_c/qorbin"
wine 'C:\qorbin\qorbin.exe' /update
echo "The agent ran under Wine on a virtual display."
