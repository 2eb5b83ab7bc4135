#!/usr/bin/env bash
# A favourite picked over another program's browse-for-folder dialog
# (SHBrowseForFolderW, browsedlg.exe) becomes the dialog's selection: its
# callback reports the folder, no Explorer window opens, and the dialog's OK
# returns the folder. Played twice: a dialog with an edit box (the agent types
# C:\windows\system32 there and the dialog is told to take it) and one with
# only its folder tree (C:\Harbour\Deep\Inner, walked item by item from
# another process, below items that were never expanded). Wine 8's dialog
# itself does not find every folder it is told to select (none below
# C:\Harbour here): the agent sees that and walks the tree instead, which
# the unit tests cover. The dialogs' window trees are kept in browse_*.txt.
source "$QB_SRC/tests/e2e/lib.sh"
e2e_begin menu_browse_dialog
source "$QB_SRC/tests/e2e/menu_lib.sh"

mkdir -p "$WINEPREFIX/drive_c/e2edir" "$WINEPREFIX/drive_c/Harbour/Deep/Inner" "$WINEPREFIX/drive_c/Harbour/Shallow"
menu_seed 'C:\windows\system32=System$0' 'C:\Harbour\Deep\Inner=Inner$0'
menu_start_agent

status="$WINEPREFIX/drive_c/qorbin/browse.txt"
browse_has() { [ -f "$status" ] && grep -qixF -- "$1=$2" "$status"; }
browse_value() { grep -m1 "^$1=" "$status" 2>/dev/null | cut -d= -f2-; }

# The menu lists "Inner" before "System".
for mode in edit tree; do
  if [ "$mode" = edit ]; then folder='C:\windows\system32' downs=2; else folder='C:\Harbour\Deep\Inner' downs=1; fi
  rm -f "$status"
  e2e_start browsedlg.exe 'C:\qorbin\browse.txt' 'C:\e2edir' "$mode" >/dev/null
  e2e_wait 60 "the $mode dialog reports its selection" browse_has selected 'C:\e2edir'
  e2e_wait 30 "the $mode dialog's X window" e2e_find_window '^Browse Test$'
  cp "$status" "$E2E_DIR/browse_$mode.txt"
  xw="$(e2e_find_window '^Browse Test$')"
  eval "$(xdotool getwindowgeometry --shell "$xw")"
  # The middle of the dialog lies on its folder tree.
  menu_middle_click $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
  for _ in $(seq "$downs"); do xdotool key --clearmodifiers Down; sleep 0.2; done
  xdotool key --clearmodifiers Return
  e2e_wait 20 "the menu to close" menu_closed
  e2e_wait 30 "the $mode dialog's callback reports $folder" browse_has selected "$folder"
  e2e_log "$mode dialog: selected=$(browse_value selected) caret=$(browse_value caret) edit=$(browse_value edit)"
  [ -z "$(e2e_find_window "^${folder##*\\}\$")" ] || { e2e_log "an Explorer window opened on the folder"; exit 1; }
  # The selection is the dialog's own: its OK returns it.
  xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) key --clearmodifiers Return
  e2e_wait 20 "the $mode dialog returns $folder" browse_has result "$folder"
done

menu_stop_agent
e2e_log_has 'WM_QXMBROWSE recive: Hwnd=' || { e2e_log "no WM_QXMBROWSE line"; exit 1; }
e2e_log_has 'selected through its edit box' || { e2e_log "the edit box dialog was not selected through its box"; exit 1; }
e2e_log_has 'selected in its folder tree' || { e2e_log "the tree dialog was not selected in its tree"; exit 1; }
! e2e_log_has 'opens a new window instead' || { e2e_log "a new window was opened"; exit 1; }
e2e_pass
