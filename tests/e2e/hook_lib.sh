#!/usr/bin/env bash
# Helpers for the hook library's scenarios: the Open dialog test program
# (hookdlg.exe) and the probe that plays the agent's side of the shared block
# (hookprobe.exe). Source after lib.sh and e2e_begin.

HOOK_DIR="$WINEPREFIX/drive_c/qorbin"

# hook_start_dialog: shows the Open dialog; sets DLG_HWND (as the Windows
# handle, 8 hex digits) and DLG_X DLG_Y (a point in its file list).
hook_start_dialog() {
  e2e_start hookdlg.exe 'C:\qorbin\dlg.log' >/dev/null
  e2e_wait 90 "the Open dialog" grep -q '^DIALOG ' "$HOOK_DIR/dlg.log"
  DLG_HWND="$(awk '/^DIALOG /{sub("hwnd=","",$2); print $2; exit}' "$HOOK_DIR/dlg.log")"
  e2e_wait 30 "the dialog's X window" e2e_find_window '^Hook Test Open$'
  local xw; xw="$(e2e_find_window '^Hook Test Open$')"
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$xw")"
  # The middle of the dialog lies in its file list.
  DLG_X=$((X + WIDTH / 2)); DLG_Y=$((Y + HEIGHT / 2))
  e2e_log "dialog $DLG_HWND at ${X},${Y} ${WIDTH}x${HEIGHT}"
}

# hook_start_probe ARGS...: SetHook with these settings, waits for READY.
hook_start_probe() {
  e2e_start hookprobe.exe 'C:\qorbin\probe.log' "$@" >/dev/null
  e2e_wait 60 "the probe's SetHook" grep -q '^READY ' "$HOOK_DIR/probe.log"
}

# hook_count FILE PATTERN: lines of FILE matching PATTERN (0 when none).
hook_count() { grep -c -- "$2" "$HOOK_DIR/$1" 2>/dev/null || true; }

# hook_at_least N FILE PATTERN
hook_at_least() { [ "$(hook_count "$2" "$3")" -ge "$1" ]; }

# hook_sync: the probe has polled the block once more after this call.
hook_sync() {
  local n; n="$(hook_count probe.log '^SYNC')"
  touch "$HOOK_DIR/sync.cmd"
  e2e_wait 10 "the probe's poll" hook_at_least $((n + 1)) probe.log '^SYNC'
}

# hook_marker: a left click on the dialog's list that the dialog must get;
# input is delivered in order, so what was clicked before has arrived too.
hook_marker() {
  # (a second click soon after the first arrives as a double click)
  local n; n="$(hook_count dlg.log 'INPUT WM_LBUTTON')"
  xdotool mousemove "$DLG_X" "$DLG_Y" click 1
  e2e_wait 10 "the marker click in the dialog" hook_at_least $((n + 1)) dlg.log 'INPUT WM_LBUTTON'
}

hook_times() {
  touch "$HOOK_DIR/times.cmd"
  e2e_wait 10 "callback times" grep -q '^TIMES passed' "$HOOK_DIR/probe.log"
  grep '^TIMES' "$HOOK_DIR/probe.log" | while read -r l; do e2e_log "$l"; done
}
