#!/usr/bin/env bash
# Gestures that are not reported go to the program untouched: while the
# agent's menu is open (MenuOpenFlag 1), and while every slot of the block
# waits for the agent (the gesture is dropped and counted, not queued).
source "$QB_SRC/tests/e2e/lib.sh"
e2e_begin hook_menu_full
source "$QB_SRC/tests/e2e/hook_lib.sh"

hook_start_dialog
hook_start_probe mbutton=1
middle_in_dialog() { hook_count dlg.log 'INPUT WM_MBUTTOND'; }   # DOWN or DBLCLK
records() { hook_count probe.log "^RECORD WM_QXMDIALOG hwnd=$DLG_HWND lparam=4 "; }
click_and_settle() {
  xdotool mousemove "$DLG_X" "$DLG_Y" click 2
  hook_marker
  hook_sync
}

# The menu is open: the click is the dialog's.
touch "$HOOK_DIR/menuopen.cmd"
e2e_wait 10 "MenuOpenFlag 1" grep -q '^MENU 1' "$HOOK_DIR/probe.log"
click_and_settle
[ "$(middle_in_dialog)" -eq 1 ] && [ "$(records)" -eq 0 ]

# The menu has closed: reported and swallowed again.
touch "$HOOK_DIR/menuclosed.cmd"
e2e_wait 10 "MenuOpenFlag 0" grep -q '^MENU 0' "$HOOK_DIR/probe.log"
click_and_settle
[ "$(middle_in_dialog)" -eq 1 ] && [ "$(records)" -eq 1 ]

# Every slot waits for the agent: the click is dropped by the library and
# reaches the dialog.
touch "$HOOK_DIR/fill.cmd"
e2e_wait 10 "a full block" grep -q '^FILLED 101$' "$HOOK_DIR/probe.log"
click_and_settle
[ "$(middle_in_dialog)" -eq 2 ]
touch "$HOOK_DIR/unfill.cmd"
e2e_wait 10 "the block emptied" grep -q '^UNFILLED dropped=1$' "$HOOK_DIR/probe.log"
[ "$(records)" -eq 1 ]

# Room again: reported.
click_and_settle
[ "$(middle_in_dialog)" -eq 2 ] && [ "$(records)" -eq 2 ]

touch "$HOOK_DIR/quit.cmd"
e2e_wait 10 "the probe to end" grep -q '^QUIT' "$HOOK_DIR/probe.log"
e2e_pass
