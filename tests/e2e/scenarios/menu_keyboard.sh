#!/usr/bin/env bash
# The keyboard-first menu over a real Open dialog: the first favourite, whose
# path holds "#", "&" and non-Latin letters, is picked by typing its number 1
# in the hot key's menu. The dialog lists that folder with the user's text
# back, and the item showed exactly its title after its number (the caption
# read back from the menu the system drew, in the agent's log).
source "$QB_SRC/tests/e2e/lib.sh"
e2e_begin menu_keyboard
source "$QB_SRC/tests/e2e/menu_lib.sh"

folder='C:\R&D #7 Ωμέγα Москва'
title='R&D #7 — Ωμέγα & Co'
mkdir -p "$WINEPREFIX/drive_c/e2edir" "$WINEPREFIX/drive_c/R&D #7 Ωμέγα Москва"
echo r >"$WINEPREFIX/drive_c/R&D #7 Ωμέγα Москва/readme.txt"
menu_seed "$folder=$title\$0" 'C:\windows=Windows$0'
menu_start_dialog 'C:\e2edir' 'notes.txt'
menu_start_agent
# The user clicks into the dialog: it is the foreground window.
xdotool mousemove "$DLG_X" "$DLG_Y" click 1
sleep 0.5

menu_hot_key super+z
sleep 0.3
e2e_screenshot keyboard-menu
xdotool key --clearmodifiers 1
e2e_wait 20 "the menu to close" menu_closed
e2e_wait 30 "the dialog lists $folder" menu_status_has folder "$folder"
e2e_wait 20 "the user's file name is back" menu_status_has filename 'notes.txt'

menu_stop_agent
e2e_log_has "end, chosen: $title, shown as \"1 $title\"" ||
  { e2e_log "the item did not show exactly its title after its number"; exit 1; }
e2e_pass
