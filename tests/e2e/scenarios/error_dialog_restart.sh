#!/usr/bin/env bash
# The error dialog when the report cannot be sent, then Restart: with the mail
# server set to a loopback port where nobody listens, Ignore with the send box
# ticked makes three connection attempts, logs "Connected fail" and leaves the
# dialog open with the agent running; Restart (box cleared) starts a new agent
# with "/restart" that waits for the old one to end and then runs: its window
# belongs to another thread, it answers a message, and its start is logged.
source "$QB_SRC/tests/e2e/lib.sh"
e2e_begin error_dialog_restart

cfg="$(e2e_config_dir)"
closed_port="$(/usr/bin/python3 -c 'import socket
s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1]); s.close()')"
mail_key='HKCU\Software\Quantrel\Vorlune Folder\Mail'
e2e_reg_add "$mail_key" /v Server /t REG_SZ /d 127.0.0.1
e2e_reg_add "$mail_key" /v Port /t REG_SZ /d "$closed_port"
e2e_reg_add "$mail_key" /v User /t REG_SZ /d reporter
e2e_reg_add "$mail_key" /v Password /t REG_SZ /d secret

thread_of_window() { e2e_run agent_probe.exe find | tr -d '\r' | sed -n 's/.*thread=\([0-9]*\).*/\1/p'; }

export QORBIN_FAULT_PROBE=1
pid=$(e2e_start qorbin.exe)
e2e_wait 60 "the agent's hidden window" e2e_run agent_probe.exe find
old_thread="$(thread_of_window)"
e2e_run agent_probe.exe post 047E
e2e_wait 60 "the error dialog" e2e_run agent_probe.exe dialog

# Ignore with the box ticked: nobody answers, the dialog stays for another try.
e2e_run agent_probe.exe dialog 1003 1
e2e_wait 60 "Connected fail in the error log" bash -c \
  "iconv -f UTF-16 -t UTF-8 '$cfg/Log/folder_error.log' | grep -q 'bugform_send.SpTBXButton1Click.*Connected fail'"
e2e_screenshot send_failed
e2e_run agent_probe.exe dialog || { e2e_log "the dialog closed although nothing was sent"; exit 1; }
kill -0 "$pid" 2>/dev/null || { e2e_log "the agent ended after the failed send"; exit 1; }
[ "$(thread_of_window)" = "$old_thread" ] || { e2e_log "the agent's window changed"; exit 1; }

# Restart with the box cleared: the old agent ends, a new one takes over.
e2e_run agent_probe.exe dialog 1004 0
old_gone() { ! kill -0 "$pid" 2>/dev/null; }
e2e_wait 60 "the old agent to end" old_gone
new_agent() { local t; t="$(thread_of_window)"; [ -n "$t" ] && [ "$t" != "$old_thread" ]; }
e2e_wait 60 "the new agent's window" new_agent
new_thread="$(thread_of_window)"
e2e_log "UI thread $old_thread -> $new_thread"

# The new agent answers: an error of its own shows the dialog again (and
# writes its log); Terminate ends it.
e2e_run agent_probe.exe post 047E
e2e_wait 60 "the new agent's error dialog" e2e_run agent_probe.exe dialog
e2e_run agent_probe.exe dialog 1005 0
window_gone() { ! e2e_run agent_probe.exe find; }
e2e_wait 60 "the new agent to end" window_gone

e2e_utf16 "$cfg/Log/folder.log" | tr -d '\r' >"$E2E_DIR/main.txt"
has() { grep -Eq -- "$1" "$E2E_DIR/main.txt" || { e2e_log "main log lacks: $1"; tail -40 "$E2E_DIR/main.txt" >&2; exit 1; }; }
for n in 1 2 3; do has "ConnectMailServer Parameters: Server=127\.0\.0\.1:$closed_port, Attempt=$n, "; done
grep -q "Attempt=4" "$E2E_DIR/main.txt" && { e2e_log "more than three attempts"; exit 1; }
has 'Message: Connected fail'
has 'Error Message form Parameters: Click restart'
has 'Error Message form Parameters: Click Terminate'
[ "$(grep -c 'VorlFolder.FormCreate Parameters: begin' "$E2E_DIR/main.txt")" -eq 2 ] \
  || { e2e_log "expected two starts of the agent in the main log"; exit 1; }
# The second start comes after the first agent's restart click.
restart_line="$(grep -n 'Click restart' "$E2E_DIR/main.txt" | head -1 | cut -d: -f1)"
second_start="$(grep -n 'VorlFolder.FormCreate Parameters: begin' "$E2E_DIR/main.txt" | sed -n 2p | cut -d: -f1)"
[ "$second_start" -gt "$restart_line" ] || { e2e_log "the second start is not after the restart"; exit 1; }
[ "$(grep -c 'bugform_send.SpTBXButton1Click Message: Connected fail' "$E2E_DIR/main.txt")" -eq 1 ] \
  || { e2e_log "expected one Connected fail"; exit 1; }
e2e_pass
