#!/usr/bin/env bash
# The elevated start and the agent task under Wine.
#
# Wine gives no split token, so the elevated start is not required and the
# scheduler is left alone. Forced past that test, every scheduler operation
# must end within its bounds with a clear result: a registered task, or a
# clean failure with its log lines; never a hang or a crash.
source "$QB_SRC/tests/e2e/lib.sh"
e2e_begin sched_wine

probe_log="$WINEPREFIX/drive_c/qorbin/probe-log/folder.log"
out="$E2E_DIR/probe.out"

# probe CMD [ARG]: runs sched_probe with a hard deadline; fails the scenario
# when it hangs or does not end cleanly. Its output is left in $out.
probe() {
  local rc=0
  (cd "$WINEPREFIX/drive_c/qorbin" && timeout 90 wine 'C:\qorbin\sched_probe.exe' "$@") 2>/dev/null \
    | tr -d '\r' >"$out" || rc=$?
  e2e_log "sched_probe $*: $(tr '\n' ' ' <"$out")"
  [ "$rc" -eq 0 ] || { e2e_log "sched_probe $* ended with $rc"; exit 1; }
  grep -qx done "$out" || { e2e_log "sched_probe $* did not finish"; exit 1; }
}
value() { sed -n "s/^$1=//p" "$out" | head -n1; }
log_has() { [ -f "$probe_log" ] && e2e_utf16 "$probe_log" | grep -qF -- "$1"; }

# 1. The system facts and the entry's decision: no split token, no scheduler.
probe facts
task="$(value TaskName)"
[ -n "$task" ] || { e2e_log "no task name"; exit 1; }
probe start
[ "$(value result)" = NotRequired ] || { e2e_log "elevated start attempted under Wine"; exit 1; }
[ "$(value runas_asked)" = 0 ] || exit 1
if log_has "LaunchThroughScheduler"; then e2e_log "the scheduler was tried"; exit 1; fi
if [ -f "$WINEPREFIX/drive_c/qorbin/probe-log/folder_error.log" ]; then
  e2e_log "error log written on a plain start"; exit 1
fi

# The program's own "/update" (InstallAgentTask) ends at once and makes the
# Schedule service start automatically (Wine's administrator is elevated).
start_value() { wine reg query 'HKLM\System\CurrentControlSet\Services\Schedule' /v Start 2>/dev/null | tr -d '\r' | awk '/Start/ {print $3}'; }
e2e_log "finding: Schedule start type before: $(start_value)"
(cd "$WINEPREFIX/drive_c/qorbin" && timeout 90 wine 'C:\qorbin\qorbin.exe' /update) >/dev/null 2>&1 \
  || { e2e_log "qorbin /update hung or failed"; exit 1; }
[ "$(start_value)" = 0x2 ] || { e2e_log "Schedule start type after /update: $(start_value)"; exit 1; }

# 2. Forced: the agent task as InstallAgentTask makes it.
install_result() {
  probe install
  local r; r="$(value result)"
  if [ "$r" = 1 ]; then
    e2e_log "finding: Wine registered the task"
    [ -e "$WINEPREFIX/drive_c/windows/system32/tasks/$task" ] && e2e_log "finding: task file present"
  elif log_has "Scheduler disabled 3" || log_has "RegisterTaskDefinition fail" ||
       log_has "Function: LaunchThroughScheduler Message: Common error"; then
    e2e_log "finding: clean failure: $(e2e_utf16 "$probe_log" | grep -E 'LaunchThroughScheduler' | tail -n1)"
  else
    e2e_log "install failed without its log lines"; exit 1
  fi
}
install_result

# 3. The Schedule service is made to start automatically (already done by
# "/update"; asking again changes nothing).
probe starttype
[ "$(start_value)" = 0x2 ] || { e2e_log "Schedule start type: $(start_value)"; exit 1; }
probe facts
e2e_log "finding: Schedule service state after the change: $(value ScheduleState)"

# 4. With the service running, the task goes through the COM interfaces.
timeout 60 wine net start Schedule >/dev/null 2>&1 || true
e2e_wait 30 "Schedule service running" bash -c \
  'cd "$WINEPREFIX/drive_c/qorbin" && timeout 30 wine "C:\\qorbin\\sched_probe.exe" facts 2>/dev/null | tr -d "\r" | grep -qx ScheduleState=4'
install_result

probe userlevel
e2e_log "finding: task at the user's run level, run now: result $(value result)"

# 5. The entry's launch (runs the task) and the delete end within their bounds.
probe launch
ms="$(value elapsed_ms)"
[ -n "$ms" ] && [ "$ms" -lt 15000 ] || { e2e_log "launch took ${ms} ms"; exit 1; }
e2e_log "finding: launch result $(value result) after ${ms} ms"
probe delete
e2e_log "finding: delete result $(value result)"
log_has "DeleteFromScheduler" || [ "$(value result)" = 1 ] || { e2e_log "delete failed silently"; exit 1; }

e2e_log "probe log:"
e2e_utf16 "$probe_log" | grep -E 'Scheduler|Err ' | sed 's/^/[e2e sched_wine]   /' >&2 || true
e2e_pass
