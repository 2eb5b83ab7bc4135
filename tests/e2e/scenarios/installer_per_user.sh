#!/usr/bin/env bash
# The release package installed for the user alone ("/S /CURRENTUSER"; without UAC
# in the way this is the default of an unelevated setup): into the user's programs
# folder, with the user's Start-menu shortcut and "Apps" entry and nothing under the
# machine's keys. An agent that does not answer (its process stopped) is ended after
# the wait and the install goes on. An upgrade that cannot replace a file (held open by another
# program) ends with exit code 2, puts the installed files back and starts the
# earlier agent again. The quiet uninstall removes everything it made.
source "$QB_SRC/tests/e2e/lib.sh"
source "$QB_SRC/tests/e2e/install_lib.sh"
e2e_begin installer_per_user

inst_package
inst_mode user
rc="$(inst_setup /S /CURRENTUSER)"
[ "$rc" = 0 ] || { e2e_log "setup /S /CURRENTUSER exit code $rc"; exit 1; }
inst_check_installed
inst_add_favourite

# The agent hangs: the setup asks, waits, ends it, and installs.
# (Only a process of this scenario's prefix: other prefixes may run the same program.)
unix_pid=""
for p in $(pgrep -f 'Vorlune Folder.qorbin\.exe'); do
  tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && { unix_pid="$p"; break; }
done
[ -n "$unix_pid" ] || { e2e_log "the agent's process: $(pgrep -af qorbin)"; exit 1; }
kill -STOP "$unix_pid"
before="$(inst_agent_pid)"
t0=$(date +%s)
rc="$(inst_setup /S /CURRENTUSER)"
e2e_log "setup over a hung agent: exit code $rc after $(( $(date +%s) - t0 )) s"
kill -CONT "$unix_pid" 2>/dev/null || true
[ "$rc" = 0 ] || { e2e_log "setup over a hung agent: exit code $rc"; exit 1; }
e2e_wait 60 "one agent after the hung one" inst_one_agent || { e2e_log "$(inst_agents)"; exit 1; }
[ "$(inst_agent_pid)" != "$before" ] || { e2e_log "the hung agent is still the agent"; exit 1; }
inst_has_favourite || { e2e_log "the favourite was lost"; exit 1; }

# The earlier install is marked, one of its files held open, and the upgrade run.
echo "# earlier" >>"$install_dir/qorbin.sym"
(cd "$WINEPREFIX/drive_c/qorbin" && exec wine 'C:\qorbin\install_probe.exe' hold "$install_win\\qorbin.chm" 60 \
  >"$E2E_DIR/hold.out" 2>&1) &
hold_pid=$!
held() { grep -q HELD "$E2E_DIR/hold.out"; }
e2e_wait 30 "the help file held open" held
before="$(inst_agent_pid)"
rc="$(inst_setup /S /CURRENTUSER)"
kill "$hold_pid" 2>/dev/null || true
[ "$rc" = 2 ] || { e2e_log "setup over a file in use: exit code $rc"; exit 1; }
grep -q '^# earlier' "$install_dir/qorbin.sym" || { e2e_log "the earlier files were not put back"; exit 1; }
inst_no_work_folders
e2e_wait 60 "the earlier agent running again" inst_one_agent || { e2e_log "$(inst_agents)"; exit 1; }
[ "$(inst_agent_pid)" != "$before" ] || { e2e_log "the agent was not ended before the swap"; exit 1; }
inst_has_favourite || { e2e_log "the favourite was lost"; exit 1; }

inst_uninstall
e2e_pass
