#!/usr/bin/env bash
# The release package under Wine, in a fresh prefix. Wine's processes run elevated
# (token elevation type "full"), so a plain "setup.exe /S" installs for all users:
# into Program Files without a prompt, the agent started from there, the common
# Start-menu shortcut, the machine's "Apps" entry with every field, version resources
# that carry the version of the package's file names; a silent install opens no web
# page. The installed program is
# stripped, and with the symbol file beside it a fault's trace still names the
# procedure, file and line. Installing again over the
# running agent ends it, replaces the files, keeps the favourites and leaves one
# agent. The quiet uninstall removes files, shortcut, entry, the Run value and the
# agent's keys, and keeps the user's saved configuration files.
source "$QB_SRC/tests/e2e/lib.sh"
source "$QB_SRC/tests/e2e/install_lib.sh"
e2e_begin installer

inst_package
inst_mode all
inst_browser_stand_in
rc="$(inst_setup /S)"
[ "$rc" = 0 ] || { e2e_log "setup /S exit code $rc"; exit 1; }
inst_check_installed
sleep 2
inst_web_page_opened && { e2e_log "a silent install opened $(inst_web_page)"; exit 1; }
first_run() { [ -n "$(e2e_reg_value "$key\\1.0" Path)" ]; }
e2e_wait 30 "first-run defaults" first_run

# The installed agent ended (WM_CLOSE) and started again with the fault probe on.
e2e_run agent_probe.exe send 0010
agents_gone() { [ "$(inst_agent_count)" = 0 ]; }
e2e_wait 30 "the agent to end on WM_CLOSE" agents_gone
(cd "$install_dir" && QORBIN_FAULT_PROBE=1 exec wine "$install_win\\qorbin.exe" >>"$E2E_DIR/wine.out" 2>&1) &
e2e_wait 60 "the installed agent" inst_one_agent
e2e_wait 60 "the agent's hidden window" e2e_run agent_probe.exe find
e2e_run agent_probe.exe post 047E
e2e_wait 60 "the error dialog" e2e_run agent_probe.exe dialog
error_log="$(e2e_config_dir)/Log/folder_error.log"
traced() { e2e_utf16 "$error_log" | tr -d '\r' | grep -Eq '^\[[0-9A-F]{8,16}\] .*FaultProbe \(vorl_folder\.cpp, line [0-9]+\)$'; }
e2e_wait 30 "a trace with the resolved frame of the fault" traced \
  || { e2e_utf16 "$error_log" | tail -n 30 >&2; exit 1; }
e2e_run agent_probe.exe dialog 1003 0
dialog_gone() { ! e2e_run agent_probe.exe dialog; }
e2e_wait 30 "the error dialog to close" dialog_gone

# The same package again over the running agent.
inst_add_favourite
before="$(inst_agent_pid)"
rc="$(inst_setup /S)"
[ "$rc" = 0 ] || { e2e_log "second setup /S exit code $rc"; exit 1; }
e2e_wait 60 "one agent from the install folder after the second install" inst_one_agent
sleep 2
inst_one_agent || { e2e_log "agents after the second install: $(inst_agents)"; exit 1; }
[ "$(inst_agent_pid)" != "$before" ] || { e2e_log "the agent was not ended and started again ($before)"; exit 1; }
inst_no_work_folders
inst_has_favourite || { e2e_log "the favourite was lost: $(e2e_reg_query "$key\\Path")"; exit 1; }
inst_web_page_opened && { e2e_log "a silent upgrade opened $(inst_web_page)"; exit 1; }

inst_uninstall
e2e_pass
