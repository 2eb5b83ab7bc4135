#!/usr/bin/env bash
# A real Open dialog that is late to its queue: just as the path is set into its
# file name box, its thread waits 1.5 s in a send to another thread. It answers
# the agent's reads meanwhile, but the Enter waits. The agent must not take the
# unchanged box for an Enter refused and put the user's file name back: the
# Enter would land on it and open notes.txt (a "file not found" box here, a
# save under the user's name in a Save As dialog). The dialog lists the folder,
# the user's file name is back, and no retry was made.
source "$QB_SRC/tests/e2e/lib.sh"
e2e_begin menu_late_dialog
source "$QB_SRC/tests/e2e/menu_lib.sh"

mkdir -p "$WINEPREFIX/drive_c/e2edir"
echo a >"$WINEPREFIX/drive_c/e2edir/alpha.txt"
menu_seed 'C:\windows=Windows$0'
menu_start_dialog 'C:\e2edir' 'notes.txt' 1500
menu_start_agent

menu_middle_click "$DLG_X" "$DLG_Y"
menu_choose_first
menu_expect_dialog 'C:\windows' 'notes.txt'
sleep 1
menu_status_has filename 'notes.txt' || { e2e_log "the box lost the user's file name"; exit 1; }
grep -q 'late queue: waiting 1500 ms' "$E2E_DIR/wine.out" || { e2e_log "the dialog was never late"; exit 1; }
! grep -q '^result=' "$E2E_DIR/wine.out" || { e2e_log "the dialog closed: $(grep '^result=' "$E2E_DIR/wine.out")"; exit 1; }

menu_stop_agent
! e2e_log_has "Can't enter" || { e2e_log "the late Enter was taken for a refused one"; exit 1; }
e2e_pass
