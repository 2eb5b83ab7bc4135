#!/usr/bin/env bash
# A file dialog of a layout the agent's known rules do not name: a program
# opens its Open dialog through IFileOpenDialog (under Wine the Common Item
# Dialog: "#32770" holding an "ExplorerBrowserControl" with a shell view, the
# file name edit box 1152 and "&Open" 1). A middle click brings up the folder
# menu; the favourite chosen becomes the dialog's folder (its OnFolderChange
# event reports it) and the user's file name is back in its box.
source "$QB_SRC/tests/e2e/lib.sh"
e2e_begin menu_item_dialog
source "$QB_SRC/tests/e2e/menu_lib.sh"

mkdir -p "$WINEPREFIX/drive_c/e2edir" "$WINEPREFIX/drive_c/Harbour"
echo a >"$WINEPREFIX/drive_c/e2edir/alpha.txt"
echo b >"$WINEPREFIX/drive_c/Harbour/bravo.txt"
menu_seed 'C:\Harbour=Harbour$0'

e2e_start itemdlg.exe 'C:\qorbin\status.txt' 'C:\e2edir' 'notes.txt' >/dev/null
e2e_wait 60 "the Item dialog reports its folder" menu_status_has folder 'C:\e2edir'
e2e_wait 30 "the dialog's X window" e2e_find_window '^Item Test$'
e2e_wait 10 "the dialog's file name box holds the user's text" menu_status_has filename 'notes.txt'
eval "$(xdotool getwindowgeometry --shell "$(e2e_find_window '^Item Test$')")"
e2e_log "dialog at ${X},${Y} ${WIDTH}x${HEIGHT}"
changes_before="$(menu_status_value changes)"

menu_start_agent
menu_middle_click $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
menu_choose_first
e2e_wait 30 "the dialog reports C:\\Harbour" menu_status_has folder 'C:\Harbour'
[ "$(menu_status_value changes)" -gt "$changes_before" ] || { e2e_log "no new OnFolderChange"; exit 1; }
e2e_wait 20 "the user's file name is back" menu_status_has filename 'notes.txt'
e2e_run agent_probe.exe menu-open && { e2e_log "menu still open"; exit 1; }
e2e_find_window '^Item Test$' >/dev/null || { e2e_log "the dialog closed"; exit 1; }

menu_stop_agent
e2e_log_has 'ShowPath Parameters: begin, type=4' || { e2e_log "the dialog was not taken for a file dialog"; exit 1; }
e2e_pass
