#!/usr/bin/env bash
# Starts the built agent under Wine in the prefix build/run-prefix.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEPREFIX="$root/build/run-prefix"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
fi
mkdir -p "$WINEPREFIX/drive_c/qorbin"
cp "$root"/build/windows/bin/*.exe "$WINEPREFIX/drive_c/qorbin/"
cp "$root"/build/windows/bin/*.dll "$WINEPREFIX/drive_c/qorbin/" 2>/dev/null || true
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a bash "$root/scripts/demo.sh"
fi
cd "$WINEPREFIX/drive_c/qorbin"
wine 'C:\qorbin\qorbin.exe' "$@" &
echo "The agent runs under Wine (prefix $WINEPREFIX)."
echo "Stop it with: WINEPREFIX=$WINEPREFIX wineserver -k"
