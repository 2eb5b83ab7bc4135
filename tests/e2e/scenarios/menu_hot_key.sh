#!/usr/bin/env bash
# The hot key over a real Open dialog: Win+Z (the default) brings up the same
# folder menu for the dialog; Escape closes it and nothing happens to the
# dialog; back in the dialog, a second Win+Z and "1" (the first favourite's
# number) make the dialog list "Harbour"; a third Win+Z opens the menu on its
# first item, so Down and Enter pick the second favourite, "Projects" (Wine
# keeps a key's values in the order of their names).
source "$QB_SRC/tests/e2e/lib.sh"
e2e_begin menu_hot_key
source "$QB_SRC/tests/e2e/menu_lib.sh"

mkdir -p "$WINEPREFIX/drive_c/e2edir" "$WINEPREFIX/drive_c/Projects" "$WINEPREFIX/drive_c/Harbour"
echo p >"$WINEPREFIX/drive_c/Projects/plan.txt"
echo h >"$WINEPREFIX/drive_c/Harbour/quay.txt"
menu_seed 'C:\Harbour=Harbour$0' 'C:\Projects=Projects$0'
menu_start_dialog 'C:\e2edir' 'notes.txt'
menu_start_agent
# The user clicks into the dialog: it is the foreground window.
xdotool mousemove "$DLG_X" "$DLG_Y" click 1
sleep 0.5

menu_hot_key super+z
sleep 0.3
e2e_screenshot hot-key-menu
xdotool key --clearmodifiers Escape
e2e_wait 20 "the menu to close on Escape" menu_closed
sleep 1
menu_status_has folder 'C:\e2edir' || { e2e_log "Escape changed the folder: $(menu_status_value folder)"; exit 1; }
menu_status_has filename 'notes.txt' || { e2e_log "Escape changed the file name: $(menu_status_value filename)"; exit 1; }

# The user clicks into the dialog and asks again.
xdotool mousemove "$DLG_X" "$DLG_Y" click 1
sleep 0.5
menu_hot_key super+z
xdotool key --clearmodifiers 1
e2e_wait 30 "the dialog lists C:\\Harbour" menu_status_has folder 'C:\Harbour'
e2e_wait 20 "the user's file name is back" menu_status_has filename 'notes.txt'

# Once more: the menu opens on "Harbour", Down moves to "Projects".
sleep 1
xdotool mousemove "$DLG_X" "$DLG_Y" click 1
sleep 0.5
menu_hot_key super+z
xdotool key --clearmodifiers Down
sleep 0.2
xdotool key --clearmodifiers Return
e2e_wait 30 "the dialog lists C:\\Projects" menu_status_has folder 'C:\Projects'
e2e_wait 20 "the user's file name is back" menu_status_has filename 'notes.txt'

menu_stop_agent
e2e_log_has 'ShowPath Parameters: begin, type=4' || { e2e_log "the hot key did not show the menu for a file dialog"; exit 1; }
e2e_log_has 'end, nothing chosen' || { e2e_log "no dismissed menu logged"; exit 1; }
e2e_log_has 'end, chosen: Harbour, shown as "1 Harbour"' || { e2e_log "Harbour was not chosen by its number"; exit 1; }
e2e_log_has 'end, chosen: Projects, shown as "2 Projects"' || { e2e_log "Projects was not chosen second"; exit 1; }
e2e_pass
