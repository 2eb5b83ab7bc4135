#!/usr/bin/env bash
# With MouseMButton 0 a middle click on a real Open dialog is not reported
# and reaches the dialog.
source "$QB_SRC/tests/e2e/lib.sh"
e2e_begin hook_mbutton_off
source "$QB_SRC/tests/e2e/hook_lib.sh"

hook_start_dialog
hook_start_probe mbutton=0

xdotool mousemove "$DLG_X" "$DLG_Y" click 2
e2e_wait 10 "the middle click in the dialog" grep -q 'INPUT WM_MBUTTONDOWN' "$HOOK_DIR/dlg.log"
e2e_wait 10 "its button-up in the dialog" grep -q 'INPUT WM_MBUTTONUP' "$HOOK_DIR/dlg.log"
hook_sync
if grep -q '^RECORD' "$HOOK_DIR/probe.log"; then
  e2e_log "a record was written with MouseMButton 0"; exit 1
fi

touch "$HOOK_DIR/quit.cmd"
e2e_wait 10 "the probe to end" grep -q '^QUIT' "$HOOK_DIR/probe.log"
e2e_pass
