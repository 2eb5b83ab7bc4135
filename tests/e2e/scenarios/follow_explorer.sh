#!/usr/bin/env bash
# Follow Explorer: with the setting on and a Wine Explorer window on
# C:\Harbour, a program opens a real Open dialog on C:\e2edir with
# "notes.txt" in its file name box. Within a second of its first report the
# dialog lists C:\Harbour, its file name box still holds "notes.txt", and it
# is still open (no file was opened). The agent learns of the dialog from
# the system's window events; the time measured is logged.
source "$QB_SRC/tests/e2e/lib.sh"
e2e_begin follow_explorer
source "$QB_SRC/tests/e2e/menu_lib.sh"

mkdir -p "$WINEPREFIX/drive_c/e2edir" "$WINEPREFIX/drive_c/Harbour"
echo a >"$WINEPREFIX/drive_c/e2edir/alpha.txt"
echo b >"$WINEPREFIX/drive_c/Harbour/bravo.txt"
menu_seed 'C:\windows=Windows$0'
e2e_reg_add "$MENU_KEY\\1.0" /v FollowExplorer /t REG_DWORD /d 1

(cd "$WINEPREFIX/drive_c" && exec wine explorer 'C:\Harbour' >>"$E2E_DIR/wine.out" 2>&1) &
explorer_up() { e2e_run targetprobe.exe classify Harbour | tr -d '\r' | grep -qx 'kind=2'; }
e2e_wait 60 "a Wine Explorer window on C:\\Harbour" explorer_up
menu_start_agent
sleep 2  # the agent sets its window-event hooks as it starts

# The dialog opens; its first report starts the clock.
e2e_start opendlg.exe 'C:\qorbin\status.txt' 'C:\e2edir' 'notes.txt' >/dev/null
e2e_wait 60 "the Open dialog's first report" test -s "$MENU_STATUS"
start=$(date +%s%N)
e2e_wait 1 "the dialog lists C:\\Harbour within a second" menu_status_has folder 'C:\Harbour'
e2e_log "the dialog listed C:\\Harbour $(( ($(date +%s%N) - start) / 1000000 )) ms after its first report"
e2e_wait 20 "the program's file name is back" menu_status_has filename 'notes.txt'
sleep 1
menu_status_has folder 'C:\Harbour' || { e2e_log "the dialog left C:\\Harbour"; exit 1; }
menu_status_has filename 'notes.txt' || { e2e_log "the file name box lost the program's text"; exit 1; }
e2e_find_window '^Open Test$' >/dev/null && [ -n "$(e2e_find_window '^Open Test$')" ] ||
  { e2e_log "the dialog closed"; exit 1; }
! grep -q '^result=' "$E2E_DIR/wine.out" || { e2e_log "the dialog ended: $(grep '^result=' "$E2E_DIR/wine.out")"; exit 1; }

menu_stop_agent
e2e_log_has 'FollowExplorer Parameters: a file dialog opened' || { e2e_log "the dialog was not seen"; exit 1; }
e2e_log_has 'FollowExplorer Parameters: switches' || { e2e_log "no switch logged"; exit 1; }
e2e_pass
