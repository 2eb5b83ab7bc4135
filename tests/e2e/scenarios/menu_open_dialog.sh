#!/usr/bin/env bash
# The system end to end: qorbin.exe runs with the favourite C:\windows\system32
# titled "System"; a middle click inside another program's real Open dialog
# brings up the folder menu at the cursor; "System" chosen with the keyboard
# makes the dialog list that folder, and the file name the user had typed is
# back in its box. The menu's screenshot is kept as menu.png. A second
# favourite titled "R&D" shows its "&" as stored: typing "d" chooses nothing.
source "$QB_SRC/tests/e2e/lib.sh"
e2e_begin menu_open_dialog
source "$QB_SRC/tests/e2e/menu_lib.sh"

mkdir -p "$WINEPREFIX/drive_c/e2edir" "$WINEPREFIX/drive_c/zlab"
echo a >"$WINEPREFIX/drive_c/e2edir/alpha.txt"
menu_seed 'C:\windows\system32=System$0' 'C:\zlab=R&D$0'
menu_start_dialog 'C:\e2edir' 'notes.txt'
menu_start_agent

menu_middle_click "$DLG_X" "$DLG_Y"
sleep 0.3  # let it paint for the picture
e2e_screenshot menu
menu_icons_clear menu "$DLG_X" "$DLG_Y" || { e2e_log "a menu picture stands on a black box (menu.png)"; exit 1; }
# "R&D" has no access key: typing "d" leaves the menu open and the dialog
# where it was.
xdotool key --clearmodifiers d
sleep 0.5
menu_open || { e2e_log "typing d closed the menu: the title R&D made D an access key"; exit 1; }
# "System" stands first: Down selects it.
menu_choose_first
menu_expect_dialog 'C:\windows\system32' 'notes.txt'
e2e_screenshot landed
e2e_log "dialog: folder=$(menu_status_value folder) filename=$(menu_status_value filename)"

menu_stop_agent
e2e_log_has 'WM_QXMDIALOG recive: Hwnd=' || { e2e_log "no WM_QXMDIALOG line"; exit 1; }
e2e_log_has 'ShowPath Parameters: begin, type=4' || { e2e_log "no ShowPath line"; exit 1; }
e2e_log_has 'end, chosen: System' || { e2e_log "no choice logged"; exit 1; }
! e2e_log_has 'end, chosen: R' || { e2e_log "R&D was chosen by its letter"; exit 1; }
e2e_log "popup latency (ms from the hook record to the menu on screen): $(menu_latency)"
e2e_pass
