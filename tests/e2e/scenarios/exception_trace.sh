#!/usr/bin/env bash
# The raised-exception trace of the windows build: a C++ exception caught
# three calls deep and an access violation each leave one block in
# folder_error.log whose location and call stack name procedure, source file
# and line (from the symbol file beside the program); a rethrow is not traced
# twice; the mail transport's socket errors are not traced at all. The global
# error log holds the message, the system information and the stack.
source "$QB_SRC/tests/e2e/lib.sh"
e2e_begin exception_trace

log="$E2E_DIR/log"
mkdir -p "$log"
set +e
e2e_run trace_probe.exe "Z:$(printf '%s' "$log" | tr '/' '\\')" >"$E2E_DIR/probe.out" 2>&1
rc=$?
set -e
[ "$rc" -eq 3 ] || { e2e_log "exit $rc, expected 3 (ended by the access violation)"; cat "$E2E_DIR/probe.out" >&2; exit 1; }
f="$log/folder_error.log"
[ -f "$f" ] || { e2e_log "no folder_error.log"; exit 1; }
e2e_utf16 "$f" | tr -d '\r' >"$E2E_DIR/error.txt"
cat "$E2E_DIR/error.txt" >&2

has() { grep -Eq -- "$1" "$E2E_DIR/error.txt" || { e2e_log "error log lacks: $1"; exit 1; }; }
count() { grep -Ec -- "$1" "$E2E_DIR/error.txt" || true; }
has '^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9:]{8} Exception std::runtime_error occured in ThrowDeep at [0-9]+ in file trace_probe\.cpp$'
has '^Message: deep failure$'
has '^Call stack: $'
has '^\[[0-9A-F]{8,16}\] ThrowDeep \(trace_probe\.cpp, line [0-9]+\)$'
has '^\[[0-9A-F]{8,16}\] wmain \(trace_probe\.cpp, line [0-9]+\)$'
has '^\[[0-9A-F]{8,16}\]$'   # a frame outside the program: address only
has '^Last log entries:$'
has ' Exception EAccessViolation occured in Fault at [0-9]+ in file trace_probe\.cpp$'
has '^Message: Access violation at address [0-9A-F]+\. Read of address 00000000$'
[ "$(count ' Exception std::logic_error occured ')" -eq 1 ] || { e2e_log "rethrow traced again"; exit 1; }
[ "$(count 'EIdSocketError')" -eq 0 ] || { e2e_log "socket error traced"; exit 1; }
[ "$(count '^={40}$')" -eq 6 ] || { e2e_log "expected three blocks"; exit 1; }

# The global error log of the first exception: message, system facts, stack.
g="$log/folder_global_error.log"
[ -f "$g" ] || { e2e_log "no folder_global_error.log"; exit 1; }
e2e_utf16 "$g" | tr -d '\r' >"$E2E_DIR/global.txt"
cat "$E2E_DIR/global.txt" >&2
ghas() { grep -Eq -- "$1" "$E2E_DIR/global.txt" || { e2e_log "global error log lacks: $1"; exit 1; }; }
ghas '^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9:]{8}: deep failure$'
ghas '^Program version: '
ghas '^Last system error: .* \([0-9]+\)$'
ghas '^Product: .+'
ghas '^Build: [0-9]+$'
ghas '^Version: 64-bit$'  # a 64-bit program runs on a 64-bit system only
ghas '^CPU: '
ghas '^TotalPhysicalMemory: [1-9][0-9]*$'
ghas '^Screen: [0-9]+\*[0-9]+\*[0-9]+$'
ghas '^\[[0-9A-F]{8,16}\] ThrowDeep \(trace_probe\.cpp, line [0-9]+\)$'
e2e_pass
