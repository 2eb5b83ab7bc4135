#!/usr/bin/env bash
# The ZIP writer under Windows: a report-style archive written by the windows
# build is read by unzip and Python's zipfile; names are relative with
# backslashes and made safe, times are the files' local times, a folder fails
# with "Read file error", and the caller's messages are processed meanwhile.
source "$QB_SRC/tests/e2e/lib.sh"
e2e_begin zip_archive
# A zone away from UTC without daylight saving: entry times must be local.
export TZ=IST-5:30

work="$E2E_DIR/files"
mkdir -p "$work/cfg/Log"
python3 - "$work" <<'PY'
import os, random, sys
w = sys.argv[1]
random.seed(3)
text = ''.join('09.12.2026 10:%02d:%02d Log (common): step %d\r\n' % (i // 60 % 60, i % 60, random.randint(0, 10**6))
               for i in range(60000))
open(w + '/cfg/Log/folder.log', 'wb').write(text.encode('utf-16-le')[:1900000])
open(w + '/cfg/Log/folder_error.log', 'wb').write(b'\xff\xfe' + 'Error block\r\n'.encode('utf-16-le'))
open(w + '/cfg/huge.log', 'wb').write(b'x' * 2000001)
os.utime(w + '/cfg/Log/folder_error.log', (1684331131, 1684331131))
PY

win() { printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')"; }
set +e
e2e_run zip_probe.exe "$(win "$work/bug-report.zip")" "$(win "$work/cfg")\\" \
  "$(win "$work/cfg/Log/folder.log")" "$(win "$work/cfg/Log")" "$(win "$work/cfg/missing.log")" \
  "$(win "$work/cfg/huge.log")" "$(win "$work/cfg/Log/folder_error.log")" "$(win "$work/cfg/Log")\\{cyr}.log" \
  > "$E2E_DIR/probe.out" 2>&1
rc=$?
set -e
tr -d '\r' < "$E2E_DIR/probe.out" > "$E2E_DIR/probe.txt"
cat "$E2E_DIR/probe.txt" >&2
[ "$rc" -eq 1 ] || { e2e_log "exit status $rc, expected 1 (the folder fails)"; exit 1; }
grep -qx "error 0x4004: Read file error" "$E2E_DIR/probe.txt" || { e2e_log "no Read file error line"; exit 1; }
[ "$(grep -c '^error' "$E2E_DIR/probe.txt")" -eq 1 ] || { e2e_log "more than one failure"; exit 1; }
grep -qx "pumped" "$E2E_DIR/probe.txt" || { e2e_log "messages were not processed while compressing"; exit 1; }

unzip -tq "$work/bug-report.zip" | grep -q "No errors detected" || { e2e_log "unzip -t rejects the archive"; exit 1; }
python3 - "$work" <<'PY' || { e2e_log "python zipfile disagrees"; exit 1; }
import sys, time, zipfile
w = sys.argv[1]
z = zipfile.ZipFile(w + '/bug-report.zip')
assert z.testzip() is None
names = z.namelist()
assert names == ['Log\\folder.log', 'Log\\folder_error.log', 'Log\\_____.log'], names
assert z.read('Log\\folder.log') == open(w + '/cfg/Log/folder.log', 'rb').read()
assert z.read('Log\\_____.log') == b'report of the day\r\n'
for i in z.infolist():
    assert i.compress_type == 8 and i.flag_bits == 2 and i.create_version == 20, i
# Wine takes the host's time zone: the entry shows the file's local time.
lt = time.localtime(1684331131)
want = (lt.tm_year, lt.tm_mon, lt.tm_mday, lt.tm_hour, lt.tm_min, lt.tm_sec // 2 * 2)
got = z.getinfo('Log\\folder_error.log').date_time
assert got == want, (got, want)
assert z.getinfo('Log\\folder.log').external_attr & 0x10 == 0
PY
e2e_pass
