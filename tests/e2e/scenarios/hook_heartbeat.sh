#!/usr/bin/env bash
# The hook's heartbeat: it moves while the hook works; when the hook stops
# from inside it stands still, the agent's side re-installs the hook on the
# stale heartbeat (RemoveHook, SetHook), and middle clicks are reported again.
# A second process reads AgentThreadId from the block and ages the heartbeat.
source "$QB_SRC/tests/e2e/lib.sh"
e2e_begin hook_heartbeat
source "$QB_SRC/tests/e2e/hook_lib.sh"

hook_start_dialog
hook_start_probe mbutton=1 reinstall=1
probe_thread="$(awk '/^READY /{sub("thread=","",$2); print $2; exit}' "$HOOK_DIR/probe.log")"
grep -q "^READY thread=$probe_thread agentthread=$probe_thread\$" "$HOOK_DIR/probe.log"

e2e_wait 10 "the heartbeat to move" hook_at_least 3 probe.log '^BEAT '

record="^RECORD WM_QXMDIALOG hwnd=$DLG_HWND lparam=4 "
xdotool mousemove "$DLG_X" "$DLG_Y" click 2
e2e_wait 10 "the first record" hook_at_least 1 probe.log "$record"

# Round 1: the hook stops; nothing but the stale heartbeat tells.
touch "$HOOK_DIR/suspend.cmd"
e2e_wait 10 "the hook to stop" grep -q '^SUSPENDED 1' "$HOOK_DIR/probe.log"
xdotool mousemove "$DLG_X" "$DLG_Y" click 2
hook_marker
grep -q 'INPUT WM_MBUTTONDOWN' "$HOOK_DIR/dlg.log"   # nobody swallowed it
[ "$(hook_count probe.log "$record")" -eq 1 ]
e2e_wait 8 "re-installation on the stale heartbeat" grep -q '^REINSTALLED ok' "$HOOK_DIR/probe.log"
# The heartbeat stood still from the stop to the re-installation.
beats_between="$(awk '/^SUSPENDED/{s=1; next} /^REINSTALL /{s=0} s && /^BEAT /{n++} END{print n+0}' "$HOOK_DIR/probe.log")"
[ "$beats_between" -eq 0 ] || { e2e_log "heartbeat moved while stopped ($beats_between)"; exit 1; }
age="$(awk '/^REINSTALL /{sub("age=","",$2); print $2; exit}' "$HOOK_DIR/probe.log")"
e2e_log "re-installed at heartbeat age ${age} ms"

xdotool mousemove "$DLG_X" "$DLG_Y" click 2
e2e_wait 10 "a record after re-installation" hook_at_least 2 probe.log "$record"

# Round 2: stopped again, and a second process ages the heartbeat by 10 s.
touch "$HOOK_DIR/suspend.cmd"
e2e_wait 10 "the hook to stop again" hook_at_least 2 probe.log '^SUSPENDED 1'
e2e_run hookprobe.exe age-heartbeat 10000 'C:\qorbin\age.log'
grep -q "^AGENTTHREAD $probe_thread\$" "$HOOK_DIR/age.log"
e2e_wait 3 "re-installation on the aged heartbeat" hook_at_least 2 probe.log '^REINSTALLED ok'
# Whatever re-installation the aged value causes has happened after one more poll.
hook_sync
xdotool mousemove "$DLG_X" "$DLG_Y" click 2
e2e_wait 10 "a record after the second re-installation" hook_at_least 3 probe.log "$record"
hook_marker
# Only the click made while the hook was stopped reached the dialog.
[ "$(hook_count dlg.log 'INPUT WM_MBUTTONDOWN')" -eq 1 ]
[ "$(hook_count dlg.log 'INPUT WM_MBUTTONUP')" -eq 1 ]

touch "$HOOK_DIR/quit.cmd"
e2e_wait 10 "the probe to end" grep -q '^QUIT' "$HOOK_DIR/probe.log"
e2e_pass
