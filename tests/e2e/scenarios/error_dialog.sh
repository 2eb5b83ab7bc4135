#!/usr/bin/env bash
# A WM_QXADDFOLDER whose wParam is no atom, which any program may post, is
# logged and ignored: no dialog. A fault in a handler (the fault probe) reaches
# the global handler: the error dialog appears, the error log holds the trace
# block with resolved frames, the global error log exists; Ignore with the send
# box ticked mails
# "bug-report.zip" (the logs and the export of the agent's settings key) to a
# loopback server, and the agent goes on.
source "$QB_SRC/tests/e2e/lib.sh"
e2e_begin error_dialog

cfg="$(e2e_config_dir)"
work="$E2E_DIR/mail"
mkdir -p "$work/out"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=localhost" \
  -addext "subjectAltName=DNS:localhost,IP:127.0.0.1" -keyout "$work/localhost.key" -out "$work/localhost.pem" \
  >/dev/null 2>&1
mkfifo "$work/stdin"
/usr/bin/python3 "$QB_SRC/tests/tools/smtp_server.py" --mode tls --cert "$work/localhost.pem" \
  --key "$work/localhost.key" --out "$work/out" <"$work/stdin" >"$work/port" 2>"$work/server.log" &
server_pid=$!
exec {fd}>"$work/stdin"
trap 'kill "$server_pid" 2>/dev/null || true; e2e_end' EXIT
e2e_wait 20 "the mail server listening" grep -q PORT "$work/port"
port="$(awk '{print $2}' "$work/port")"
mail_key='HKCU\Software\Quantrel\Vorlune Folder\Mail'
e2e_reg_add "$mail_key" /v Server /t REG_SZ /d localhost
e2e_reg_add "$mail_key" /v Port /t REG_SZ /d "$port"
e2e_reg_add "$mail_key" /v User /t REG_SZ /d reporter
e2e_reg_add "$mail_key" /v Password /t REG_SZ /d secret
e2e_reg_add "$mail_key" /v CertificateFile /t REG_SZ /d "Z:$(printf '%s' "$work/localhost.pem" | tr '/' '\\')"

export QORBIN_FAULT_PROBE=1
pid=$(e2e_start qorbin.exe)
unset QORBIN_FAULT_PROBE
e2e_wait 60 "the agent's hidden window" e2e_run agent_probe.exe find
e2e_run agent_probe.exe post-named "WM_QXADDFOLDER by Vorlune Folder" 12345678
e2e_run agent_probe.exe post-named "WM_QXADDFOLDER by Vorlune Folder" 12345678
sleep 2
e2e_run agent_probe.exe dialog && { e2e_log "a hand-over that is no atom opened the error dialog"; exit 1; }
e2e_run agent_probe.exe post 047E
e2e_wait 60 "the error dialog" e2e_run agent_probe.exe dialog
e2e_screenshot error_dialog
e2e_wait 30 "the global error log" test -s "$cfg/Log/folder_global_error.log"
e2e_wait 30 "the trace block" bash -c "iconv -f UTF-16 -t UTF-8 '$cfg/Log/folder_error.log' | grep -q 'EAccessViolation occured'"
e2e_log_has 'WM_QXADDFOLDER ignored: wParam is no atom' || { e2e_log "the ignored hand-over is not logged"; exit 1; }
e2e_log_has 'GlobalException: WM_QXADDFOLDER' && { e2e_log "the hand-over reached the global handler"; exit 1; }
e2e_utf16 "$cfg/Log/folder_error.log" | grep -q "WMHandler" \
  || { e2e_log "no resolved frame in the trace:"; e2e_utf16 "$cfg/Log/folder_error.log" >&2; exit 1; }
# Ignore with the box ticked: the report is mailed, the dialog closes and the agent goes on.
e2e_run agent_probe.exe dialog 1003 1
dialog_gone() { ! e2e_run agent_probe.exe dialog; }
e2e_wait 60 "the dialog to close" dialog_gone
e2e_wait 30 "the mailed report" test -s "$work/out/1-bug-report.zip"
[ "$(cat "$work/out/1.subject")" = "Vorlune Folder bug report" ] || { e2e_log "wrong subject"; exit 1; }
/usr/bin/python3 -c 'import sys, zipfile
z = zipfile.ZipFile(sys.argv[1]); assert z.testzip() is None
sizes = {i.filename.replace("\\", "/"): i.file_size for i in z.infolist()}
assert "Log/folder.log" in sizes, sizes
assert any(n.startswith("Log/cur_opt") and n.endswith(".reg") and size > 0 for n, size in sizes.items()), sizes' \
  "$work/out/1-bug-report.zip" \
  || { e2e_log "the attachment is no valid archive with Log\\folder.log and the settings export"; exit 1; }
kill -0 "$pid" 2>/dev/null || { e2e_log "the agent ended"; exit 1; }
e2e_run agent_probe.exe find >/dev/null || { e2e_log "the agent's window is gone"; exit 1; }
e2e_run agent_probe.exe post 0012
agent_gone() { ! kill -0 "$pid" 2>/dev/null; }
e2e_wait 30 "the agent to end" agent_gone
e2e_pass
