#!/usr/bin/env bash
# The demo played by ./run.sh when no display is set: on a virtual display, in a
# fresh Wine prefix, another program shows a real Open dialog with a file name
# typed in; the agent runs with the favourite C:\windows\system32 titled
# "System"; a middle click in the dialog brings up the folder menu, "System" is
# chosen with the keyboard, and the dialog lists that folder with the typed
# name back in its box. Screenshots of each step go to build/demo/. Exits 0
# only when the dialog really landed in the folder.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
export QB_SRC="$root" QB_BUILD="$root/build/windows" QB_BIN="$root/build/windows/bin"
demo_out="$root/build/demo"
rm -rf "$demo_out"
mkdir -p "$demo_out"

source "$root/tests/e2e/lib.sh"
e2e_begin demo
source "$root/tests/e2e/menu_lib.sh"

shot() { e2e_screenshot "$1"; cp "$E2E_DIR/$1.png" "$demo_out/$1.png" 2>/dev/null || true; echo "demo: $2 ($demo_out/$1.png)"; }

mkdir -p "$WINEPREFIX/drive_c/Projects"
echo "A file of the demo" >"$WINEPREFIX/drive_c/Projects/readme.txt"
menu_seed 'C:\windows\system32=System$0'
echo "demo: the favourite \"System\" = C:\\windows\\system32"
menu_start_dialog 'C:\Projects' 'notes.txt'
shot 1-open-dialog "an Open dialog on C:\\Projects with notes.txt typed in"
menu_start_agent
echo "demo: qorbin.exe runs"

menu_middle_click "$DLG_X" "$DLG_Y"
sleep 0.5
shot 2-folder-menu "a middle click in the dialog: the folder menu at the cursor"
xdotool key --clearmodifiers Down
sleep 0.3
shot 3-system-selected "Down selects \"System\""
xdotool key --clearmodifiers Return
e2e_wait 20 "the menu to close" menu_closed
e2e_wait 30 "the dialog to list C:\\windows\\system32" menu_status_has folder 'C:\windows\system32'
e2e_wait 20 "the typed file name back" menu_status_has filename 'notes.txt'
sleep 0.5
shot 4-landed "the dialog lists $(menu_status_value folder), its file name box holds $(menu_status_value filename)"
menu_stop_agent
echo "demo: popup latency, ms from the middle click's record to the menu on screen: $(menu_latency)"
echo "demo: done, the dialog landed in C:\\windows\\system32"
e2e_pass
