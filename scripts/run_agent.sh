#!/usr/bin/env bash
# Starts the built agent under Wine in the prefix build/run-prefix and leaves it
# running. Without a display it plays the demo (scripts/demo.sh) instead.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
if [ -z "${DISPLAY:-}" ]; then
  exec bash "$root/scripts/demo.sh"
fi
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEPREFIX="$root/build/run-prefix"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
fi
mkdir -p "$WINEPREFIX/drive_c/qorbin"
cp "$root"/build/windows/bin/*.exe "$WINEPREFIX/drive_c/qorbin/"
cp "$root"/build/windows/bin/*.dll "$WINEPREFIX/drive_c/qorbin/" 2>/dev/null || true
cp "$root"/build/windows/bin/*.sym "$WINEPREFIX/drive_c/qorbin/" 2>/dev/null || true
cd "$WINEPREFIX/drive_c/qorbin"
nohup wine 'C:\qorbin\qorbin.exe' "$@" >"$root/build/run-agent.out" 2>&1 &
echo "The agent runs under Wine (prefix $WINEPREFIX)."
echo "Middle-click inside any Open or Save As dialog of a Wine program, or press Win+Z,"
echo "for the folder menu; right-click its tray icon for the options and Exit."
echo "Stop it with: WINEPREFIX=$WINEPREFIX wineserver -k"
