#!/usr/bin/env bash
# qzip end to end: exit codes, error lines, and the archive as unzip and
# Python's zipfile read it.
set -euo pipefail
qzip="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

mkdir -p "$work/cfg/Log"
python3 -c "
import random
random.seed(5)
lines = ['12.09.2026 10:00:%02d Log (common): step %d\r\n' % (i % 60, random.randint(0, 10**6)) for i in range(20000)]
open('$work/cfg/Log/folder.log', 'w', newline='').write(''.join(lines)[:700000])
open('$work/cfg/settings.txt', 'w').write('hello\n')
open('$work/cfg/huge.log', 'wb').write(b'x' * 2000001)
"

# Good files, a missing one and a too large one: success, two entries.
"$qzip" "$work/out.zip" "$work/cfg" "$work/cfg/Log/folder.log" "$work/cfg/missing.log" \
  "$work/cfg/huge.log" "$work/cfg/settings.txt" > "$work/out.txt" || fail "qzip failed: $(cat "$work/out.txt")"
[ ! -s "$work/out.txt" ] || fail "unexpected output: $(cat "$work/out.txt")"
unzip -tq "$work/out.zip" | grep -q "No errors detected" || fail "unzip -t rejects the archive"
python3 - "$work" <<'PY' || fail "python zipfile disagrees"
import sys, zipfile
w = sys.argv[1]
z = zipfile.ZipFile(w + '/out.zip')
assert z.testzip() is None
assert z.namelist() == ['Log\\folder.log', 'settings.txt'], z.namelist()
assert z.read('Log\\folder.log') == open(w + '/cfg/Log/folder.log', 'rb').read()
assert z.read('settings.txt') == b'hello\n'
PY
# unzip restores the file itself (backslashes of a DOS archive become folders).
mkdir "$work/x" && (cd "$work/x" && unzip -q "$work/out.zip" 2>/dev/null || true)
cmp "$work/x/Log/folder.log" "$work/cfg/Log/folder.log" || fail "unzip restored different bytes"

# A folder fails with its code and text; the rest still lands; exit status 1.
set +e
"$qzip" "$work/two.zip" "$work/cfg" "$work/cfg/Log" "$work/cfg/settings.txt" > "$work/out2.txt"
rc=$?
set -e
[ "$rc" -eq 1 ] || fail "exit status $rc for a failed file"
grep -q "Log: error 16388 (0x4004): Read file error" "$work/out2.txt" || fail "error line: $(cat "$work/out2.txt")"
[ "$(wc -l < "$work/out2.txt")" -eq 1 ] || fail "one line per failure expected"
python3 -c "import zipfile; assert zipfile.ZipFile('$work/two.zip').namelist() == ['settings.txt']" || fail "two.zip"

# An archive that cannot be created.
set +e
"$qzip" "$work/nope/a.zip" "$work/cfg" "$work/cfg/settings.txt" > "$work/out3.txt"
rc=$?
set -e
[ "$rc" -eq 1 ] || fail "exit status $rc when the archive cannot be created"
grep -q "error 16385 (0x4001): Error creating $work/nope/a.zip" "$work/out3.txt" || fail "create line: $(cat "$work/out3.txt")"

# Usage.
set +e
"$qzip" > /dev/null 2>&1
rc=$?
set -e
[ "$rc" -eq 2 ] || fail "usage exit status $rc"
echo "qzip_cli ok"
