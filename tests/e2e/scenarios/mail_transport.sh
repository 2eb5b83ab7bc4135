#!/usr/bin/env bash
# The mail transport of the windows build (Winsock and Schannel) against a
# submission server on loopback: the report arrives over STARTTLS with AUTH
# LOGIN, also with the settings taken from the registry; a server whose
# certificate nobody trusts, or whose certificate names
# another host, gets no connection; a refused password ends as such.
source "$QB_SRC/tests/e2e/lib.sh"
e2e_begin mail_transport

work="$E2E_DIR/mail"
mkdir -p "$work"
cert() {  # cert NAME SUBJECT-ALT-NAMES
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=$1" -addext "subjectAltName=$2" \
    -keyout "$work/$1.key" -out "$work/$1.pem" >/dev/null 2>&1
}
cert localhost "DNS:localhost,IP:127.0.0.1"
cert other.test "DNS:other.test"

SERVER_PIDS=()
# start_server NAME CERT: a server in $work/NAME; its port in SERVER_PORT.
start_server() {
  local dir="$work/$1"
  mkdir -p "$dir/out"
  mkfifo "$dir/stdin"
  /usr/bin/python3 "$QB_SRC/tests/tools/smtp_server.py" --mode tls --cert "$work/$2.pem" --key "$work/$2.key" \
    --out "$dir/out" <"$dir/stdin" >"$dir/port" 2>"$dir/server.log" &
  SERVER_PIDS+=($!)
  exec {fd}>"$dir/stdin"  # keeps the server's input open until the scenario ends
  e2e_wait 20 "server $1 listening" grep -q PORT "$dir/port"
  SERVER_PORT="$(awk '{print $2}' "$dir/port")"
}
stop_servers() { local p; for p in "${SERVER_PIDS[@]}"; do kill "$p" 2>/dev/null || true; done; }
trap 'stop_servers; e2e_end' EXIT

start_server good localhost
good_port="$SERVER_PORT"
start_server badname other.test
bad_port="$SERVER_PORT"
head -c 120000 /dev/urandom >"$work/report.bin"
win() { printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')"; }

probe() {  # probe EXPECTED-EXIT PORT CERT PASSWORD
  set +e
  e2e_run mail_probe.exe localhost "$2" "$3" reporter "$4" "$(win "$work/report.bin")" >"$work/probe.out" 2>&1
  local rc=$?
  set -e
  if [ "$rc" -ne "$1" ]; then
    e2e_log "mail_probe port $2 cert $3: exit $rc, expected $1: $(tr -d '\r' <"$work/probe.out")"
    e2e_utf16 "$WINEPREFIX/drive_c/qorbin/Log/folder.log" >&2 || true
    exit 1
  fi
}

probe 0 "$good_port" "$(win "$work/localhost.pem")" secret
cmp -s "$work/good/out/1-bug-report.zip" "$work/report.bin" || { e2e_log "attachment differs"; exit 1; }
[ "$(cat "$work/good/out/1.subject")" = "Vorlune Folder bug report" ] || { e2e_log "wrong subject"; exit 1; }
grep -qx "LOGIN reporter ok" "$work/good/out/auth.log" || { e2e_log "no AUTH LOGIN"; exit 1; }

probe 1 "$good_port" - secret                                 # the system's roots do not know the server
probe 1 "$bad_port" "$(win "$work/other.test.pem")" secret   # trusted certificate, but for another host
[ ! -e "$work/badname/out/auth.log" ] || { e2e_log "password sent to the wrong host"; exit 1; }
probe 2 "$good_port" "$(win "$work/localhost.pem")" wrong
[ ! -e "$work/good/out/2.eml" ] || { e2e_log "mail sent without authentication"; exit 1; }

# The settings the agent uses come from HKCU\Software\Quantrel\Vorlune Folder\Mail.
key='HKCU\Software\Quantrel\Vorlune Folder\Mail'
e2e_reg_add "$key" /v Server /t REG_SZ /d localhost
e2e_reg_add "$key" /v Port /t REG_SZ /d "$good_port"
e2e_reg_add "$key" /v User /t REG_SZ /d reporter
e2e_reg_add "$key" /v Password /t REG_SZ /d secret
e2e_reg_add "$key" /v Recipient /t REG_SZ /d settings@vorlune.test
e2e_reg_add "$key" /v CertificateFile /t REG_SZ /d "$(win "$work/localhost.pem")"
set +e
e2e_run mail_probe.exe registry "$(win "$work/report.bin")" >"$work/probe.out" 2>&1
rc=$?
set -e
[ "$rc" -eq 0 ] || { e2e_log "registry settings: exit $rc"; e2e_utf16 "$WINEPREFIX/drive_c/qorbin/Log/folder.log" >&2 || true; exit 1; }
[ "$(cat "$work/good/out/2.rcpt")" = "settings@vorlune.test" ] || { e2e_log "registry recipient not used"; exit 1; }
e2e_pass
