#!/usr/bin/env bash
# A hardware fault inside a guarded handler is traced and then unwinds as an
# exception: fault_probe.exe shows destructors run, a held lock released and
# the program going on (and a fault below a system callback still ending the
# process); in the agent, the fault probe message (answered only with
# QORBIN_FAULT_PROBE=1), posted to its thread and sent to its window, leaves
# a trace block with resolved frames each time, the error
# dialog shows, and after Ignore the agent keeps running and answering.
source "$QB_SRC/tests/e2e/lib.sh"
e2e_begin fault_handler

set +e
e2e_run fault_probe.exe >"$E2E_DIR/probe.out" 2>&1
rc=$?
e2e_run fault_probe.exe callback >"$E2E_DIR/callback.out" 2>&1
callback_rc=$?
set -e
tr -d '\r' <"$E2E_DIR/probe.out" >&2
[ "$rc" -eq 0 ] || { e2e_log "fault_probe: $rc failed case(s)"; exit 1; }
for c in read-leaf write-frame divide nested lock lock-released caught-locally; do
  grep -q "^ok $c" "$E2E_DIR/probe.out" || { e2e_log "fault_probe did not pass $c"; exit 1; }
done
[ "$callback_rc" -eq 3 ] || { e2e_log "fault below a callback: exit $callback_rc, expected 3"; cat "$E2E_DIR/callback.out" >&2; exit 1; }

cfg="$(e2e_config_dir)"
export QORBIN_FAULT_PROBE=1
pid=$(e2e_start qorbin.exe)
unset QORBIN_FAULT_PROBE
e2e_wait 60 "the agent's hidden window" e2e_run agent_probe.exe find
thread_before="$(e2e_run agent_probe.exe find | tr -d '\r' | sed -n 's/.*thread=\([0-9]*\).*/\1/p')"

dialog_gone() { ! e2e_run agent_probe.exe dialog; }
main_log() { e2e_utf16 "$cfg/Log/folder.log" | tr -d '\r'; }
# Round 1 posts the probe to the thread (the loop's handler), round 2 sends it
# to the window (the window procedure, whose exception the loop throws again).
for round in 1 2; do
  if [ "$round" = 1 ]; then e2e_run agent_probe.exe post 047E; else e2e_run agent_probe.exe send 047E; fi
  e2e_wait 60 "the error dialog (round $round)" e2e_run agent_probe.exe dialog
  [ "$round" = 1 ] && e2e_screenshot fault_dialog
  e2e_wait 30 "the trace block (round $round)" bash -c \
    "[ \$(iconv -f UTF-16 -t UTF-8 '$cfg/Log/folder_error.log' | grep -c 'Exception EAccessViolation occured') -ge $round ]"
  e2e_wait 30 "GlobalException in the main log (round $round)" bash -c \
    "[ \$(iconv -f UTF-16 -t UTF-8 '$cfg/Log/folder.log' | grep -c 'GlobalException: Access violation') -ge $round ]"
  # Ignore with the send box cleared: the dialog closes and the agent goes on.
  e2e_run agent_probe.exe dialog 1003 0
  e2e_wait 30 "the dialog to close (round $round)" dialog_gone
  kill -0 "$pid" 2>/dev/null || { e2e_log "the agent ended after the fault (round $round)"; exit 1; }
done

e2e_utf16 "$cfg/Log/folder_error.log" | tr -d '\r' >"$E2E_DIR/error.txt"
has() { grep -Eq -- "$1" "$E2E_DIR/error.txt" || { e2e_log "error log lacks: $1"; cat "$E2E_DIR/error.txt" >&2; exit 1; }; }
has ' Exception EAccessViolation occured in ([A-Za-z_]+::)?ProbeAccessViolation at [0-9]+ in file stack_trace\.cpp$'
has '^Message: Access violation at address [0-9A-F]+\. Read of address 00000000$'
has '^\[[0-9A-F]{8,16}\] .*FaultProbe \(vorl_folder\.cpp, line [0-9]+\)$'
has '^\[[0-9A-F]{8,16}\] .*TVorlFolder::(WMHandler|ProcessMessage|Run) \(vorl_folder\.cpp, line [0-9]+\)$'
has '^\[[0-9A-F]{8,16}\] .*TVorlFolder::WindowProc \(vorl_folder\.cpp, line [0-9]+\)$'
# One block per fault: the exception it became is not traced a second time.
[ "$(grep -c ' Exception EAccessViolation ' "$E2E_DIR/error.txt")" -eq 2 ] || { e2e_log "expected two trace blocks"; cat "$E2E_DIR/error.txt" >&2; exit 1; }
e2e_utf16 "$cfg/Log/folder_global_error.log" | tr -d '\r' | grep -q 'FaultProbe (vorl_folder.cpp' \
  || { e2e_log "the global error log lacks the fault's stack"; exit 1; }
# The destructor on the faulting path ran before the global handler.
main_log >"$E2E_DIR/main.txt"
order="$(grep -nE 'FaultProbe.*(begin|unwound)|GlobalException: Access violation' "$E2E_DIR/main.txt" | head -3 \
  | sed -E 's/.*(begin|unwound|GlobalException).*/\1/' | tr '\n' ' ')"
[ "$order" = "begin unwound GlobalException " ] || { e2e_log "unexpected order: $order"; exit 1; }

# The same agent still answers: its window, the same UI thread, a message.
thread_after="$(e2e_run agent_probe.exe find | tr -d '\r' | sed -n 's/.*thread=\([0-9]*\).*/\1/p')"
[ -n "$thread_after" ] && [ "$thread_after" = "$thread_before" ] || { e2e_log "UI thread $thread_before -> $thread_after"; exit 1; }
e2e_run agent_probe.exe post 0012
agent_gone() { ! kill -0 "$pid" 2>/dev/null; }
e2e_wait 30 "the agent to end on WM_QUIT" agent_gone
e2e_pass
