#!/usr/bin/env bash
# The agent with its hook library, under Wine: a middle click on a real Open
# dialog reaches the agent as WM_QXMDIALOG with the dialog's handle and kind 4
# (its log says so) and opens its folder menu; the dialog does not get the
# click. When the hook
# thread stops running, the agent re-installs the hook on the stale heartbeat
# and the next click is reported again. With MouseMButton 0 the click is the
# dialog's and the agent logs nothing of it.
source "$QB_SRC/tests/e2e/lib.sh"
e2e_begin hook_agent
source "$QB_SRC/tests/e2e/hook_lib.sh"

block() { e2e_run hookprobe.exe block 'C:\qorbin\block.log' >/dev/null 2>&1; }
last_block() { grep '^BLOCK ' "$HOOK_DIR/block.log" | tail -n 1; }
field() { last_block | tr ' ' '\n' | sed -n "s/^$1=//p"; }
agent_gone() { ! kill -0 "$1" 2>/dev/null; }
# Ends the agent through its tray menu's "Exit" (the log is flushed on the way).
agent_exit() {
  e2e_run agent_probe.exe post 047B
  e2e_wait 20 "the tray menu" e2e_run agent_probe.exe menu-open
  xdotool key --clearmodifiers Up
  sleep 0.3   # the menu takes the key before the next one
  xdotool key --clearmodifiers Return
  e2e_wait 20 "the agent to end" agent_gone "$1"
}
no_menu() { ! e2e_run agent_probe.exe menu-open >/dev/null 2>&1; }
# Lines of the agent's logs (every generation) holding TEXT.
log_count() {
  local f n=0
  for f in "$(e2e_config_dir)"/Log/folder*.log; do
    [ -f "$f" ] || continue
    case "$f" in *error*) continue ;; esac
    n=$((n + $(e2e_utf16 "$f" | grep -cF -- "$1" || true)))
  done
  echo "$n"
}
# The agent shows its folder menu for the click: screenshot, then Escape.
folder_menu() {
  e2e_wait 10 "the folder menu" e2e_run agent_probe.exe menu-open
  e2e_screenshot "folder-menu-$1"
  xdotool key --clearmodifiers Escape
  e2e_wait 10 "the folder menu to close" no_menu
}

hook_start_dialog
hwnd_text="$(printf '%06X' "$((16#$DLG_HWND))")"
line="WM_QXMDIALOG recive: Hwnd=$hwnd_text, Type=4"

agent_pid="$(e2e_start qorbin.exe)"
e2e_wait 60 "the agent's hook block" block
block
e2e_log "$(last_block)"
installs_before="$(field installs)"

xdotool mousemove "$DLG_X" "$DLG_Y" click 2
folder_menu first
hook_marker
[ "$(hook_count dlg.log 'INPUT WM_MBUTTON')" -eq 0 ] || { e2e_log "the dialog got the middle click"; exit 1; }

# The hook thread stops: the heartbeat stands still and the agent re-installs.
hook_thread="$(field hookthread)"
e2e_run hookprobe.exe freeze 'C:\qorbin\freeze.log'
grep -q "^FROZEN $hook_thread" "$HOOK_DIR/freeze.log"
reinstalled() { block && [ "$(field installs)" -gt "$installs_before" ] && [ "$(field hookthread)" != "$hook_thread" ]; }
e2e_wait 12 "the agent to re-install the hook" reinstalled
e2e_log "after the freeze: $(last_block)"
xdotool mousemove "$DLG_X" "$DLG_Y" click 2
folder_menu second
hook_marker
[ "$(hook_count dlg.log 'INPUT WM_MBUTTON')" -eq 0 ] || { e2e_log "the dialog got the second middle click"; exit 1; }

agent_exit "$agent_pid"
count="$(log_count "$line")"
[ "$count" -eq 2 ] || { e2e_log "expected two '$line' lines, found $count"; exit 1; }

# MouseMButton 0: the click is the dialog's, nothing is logged.
e2e_reg_add 'HKCU\Software\Quantrel\Vorlune Folder\1.0' /v MouseMButton /t REG_DWORD /d 0
agent_pid="$(e2e_start qorbin.exe)"
e2e_wait 60 "the agent's hook block again" block
xdotool mousemove "$DLG_X" "$DLG_Y" click 2
e2e_wait 10 "the middle click in the dialog" grep -q 'INPUT WM_MBUTTONDOWN' "$HOOK_DIR/dlg.log"
hook_marker
no_menu || { e2e_log "a folder menu opened with MouseMButton 0"; exit 1; }
agent_exit "$agent_pid"
count="$(log_count "$line")"
[ "$count" -eq 2 ] || { e2e_log "MouseMButton 0 still logged a click ($count lines)"; exit 1; }
e2e_pass
