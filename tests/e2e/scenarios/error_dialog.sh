#!/usr/bin/env bash
# A WM_QXADDFOLDER whose wParam is no atom reaches the global handler: the
# error dialog appears, the error log holds the trace block with resolved
# frames, the global error log exists; Ignore leaves the agent running.
source "$QB_SRC/tests/e2e/lib.sh"
e2e_begin error_dialog

cfg="$(e2e_config_dir)"
pid=$(e2e_start qorbin.exe)
e2e_wait 60 "the agent's hidden window" e2e_run agent_probe.exe find
e2e_run agent_probe.exe post-named "WM_QXADDFOLDER by Vorlune Folder" 12345678
e2e_wait 60 "the error dialog" e2e_run agent_probe.exe dialog
e2e_screenshot error_dialog
e2e_wait 30 "the global error log" test -s "$cfg/Log/folder_global_error.log"
e2e_wait 30 "the trace block" bash -c "iconv -f UTF-16 -t UTF-8 '$cfg/Log/folder_error.log' | grep -q 'EAtomError occured'"
e2e_utf16 "$cfg/Log/folder_error.log" | grep -q "WMHandler" \
  || { e2e_log "no resolved frame in the trace:"; e2e_utf16 "$cfg/Log/folder_error.log" >&2; exit 1; }
# Ignore without sending: the dialog closes and the agent goes on.
e2e_run agent_probe.exe dialog 1003 0
dialog_gone() { ! e2e_run agent_probe.exe dialog; }
e2e_wait 30 "the dialog to close" dialog_gone
kill -0 "$pid" 2>/dev/null || { e2e_log "the agent ended"; exit 1; }
e2e_run agent_probe.exe find >/dev/null || { e2e_log "the agent's window is gone"; exit 1; }
e2e_run agent_probe.exe post 0012
agent_gone() { ! kill -0 "$pid" 2>/dev/null; }
e2e_wait 30 "the agent to end" agent_gone
e2e_pass
