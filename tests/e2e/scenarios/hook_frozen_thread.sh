#!/usr/bin/env bash
# The hook thread stops running (another process suspends it): the heartbeat
# stands still, the agent's side re-installs the hook; RemoveHook does not
# wait for the frozen thread for long, takes its hook out, and the new
# thread reports middle clicks again.
source "$QB_SRC/tests/e2e/lib.sh"
e2e_begin hook_frozen_thread
source "$QB_SRC/tests/e2e/hook_lib.sh"

hook_start_dialog
hook_start_probe mbutton=1 reinstall=1
record="^RECORD WM_QXMDIALOG hwnd=$DLG_HWND lparam=4 "
xdotool mousemove "$DLG_X" "$DLG_Y" click 2
e2e_wait 10 "the first record" hook_at_least 1 probe.log "$record"

e2e_run hookprobe.exe freeze 'C:\qorbin\freeze.log'
grep -q '^FROZEN ' "$HOOK_DIR/freeze.log"
e2e_wait 10 "re-installation after the freeze" grep -q '^REINSTALLED ok' "$HOOK_DIR/probe.log"
age="$(awk '/^REINSTALL /{sub("age=","",$2); print $2; exit}' "$HOOK_DIR/probe.log")"
e2e_log "re-installed at heartbeat age ${age} ms"
e2e_wait 5 "the new thread's heartbeat" \
  bash -c "sed -n '/^REINSTALLED/,\$p' '$HOOK_DIR/probe.log' | grep -q '^BEAT '"

xdotool mousemove "$DLG_X" "$DLG_Y" click 2
e2e_wait 10 "a record from the new thread" hook_at_least 2 probe.log "$record"
hook_marker
[ "$(hook_count dlg.log 'INPUT WM_MBUTTON')" -eq 0 ]

touch "$HOOK_DIR/quit.cmd"
e2e_wait 10 "the probe to end" grep -q '^QUIT' "$HOOK_DIR/probe.log"
e2e_pass
