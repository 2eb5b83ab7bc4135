#!/usr/bin/env bash
# The "Open Windows" submenu: a Wine Explorer window shows C:\Harbour, a newer
# one the dialog's own folder, and a real Open dialog lists C:\e2edir. A middle
# click in the dialog brings up the folder menu; "Open Windows" holds
# C:\Harbour (read from the Explorer window's address bar, as Wine's folder
# windows are not in the shell's window list) and not the dialog's own folder,
# though its window is newer; choosing the first entry makes the dialog list
# C:\Harbour.
source "$QB_SRC/tests/e2e/lib.sh"
e2e_begin menu_open_windows
source "$QB_SRC/tests/e2e/menu_lib.sh"

mkdir -p "$WINEPREFIX/drive_c/e2edir" "$WINEPREFIX/drive_c/Harbour"
echo a >"$WINEPREFIX/drive_c/e2edir/alpha.txt"
echo b >"$WINEPREFIX/drive_c/Harbour/bravo.txt"
menu_seed 'C:\windows=Windows$0'

(cd "$WINEPREFIX/drive_c" && exec wine explorer 'C:\Harbour' >>"$E2E_DIR/wine.out" 2>&1) &
explorer_up() { e2e_run targetprobe.exe classify Harbour | tr -d '\r' | grep -qx 'kind=2'; }
e2e_wait 60 "a Wine Explorer window on C:\\Harbour" explorer_up
(cd "$WINEPREFIX/drive_c" && exec wine explorer 'C:\e2edir' >>"$E2E_DIR/wine.out" 2>&1) &
own_up() { e2e_run targetprobe.exe classify e2edir | tr -d '\r' | grep -qx 'kind=2'; }
e2e_wait 60 "a Wine Explorer window on C:\\e2edir" own_up

menu_start_dialog 'C:\e2edir' 'notes.txt'
menu_start_agent
menu_middle_click "$DLG_X" "$DLG_Y"
sleep 0.3
e2e_screenshot menu
# "Windows", the separator, then "Open Windows": its first entry.
xdotool key --clearmodifiers Down Down Right
sleep 0.3
e2e_screenshot submenu
xdotool key --clearmodifiers Return
e2e_wait 20 "the menu to close" menu_closed
e2e_wait 30 "the dialog lists C:\\Harbour" menu_status_has folder 'C:\Harbour'
e2e_wait 20 "the user's file name is back" menu_status_has filename 'notes.txt'

menu_stop_agent
e2e_log_has 'end, chosen: C:\Harbour' || { e2e_log "C:\\Harbour was not the entry chosen"; exit 1; }
e2e_pass
