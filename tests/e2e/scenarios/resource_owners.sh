#!/usr/bin/env bash
# Resources with one owner, under Wine: a list view's image list belongs to its
# form (the list view going first leaves it whole, so the form destroys it
# once), and the hook library's start event outlives a hook thread that
# started too late for SetHook (the thread's late signal reaches no event of
# the program's).
source "$QB_SRC/tests/e2e/lib.sh"
e2e_begin resource_owners

out="$E2E_DIR/form.out"
e2e_run form_probe.exe | tr -d '\r' >"$out" || { e2e_log "form probe failed: $(tr '\n' ' ' <"$out")"; exit 1; }
grep -qx 'images_after_list_view=4' "$out" || { e2e_log "the list view destroyed the form's images: $(tr '\n' ' ' <"$out")"; exit 1; }

out="$E2E_DIR/hook.out"
e2e_run hook_late_probe.exe | tr -d '\r' >"$out" || true
e2e_log "hook probe: $(tr '\n' ' ' <"$out")"
grep -qx 'sethook=0' "$out" || { e2e_log "SetHook did not give up on the late thread"; exit 1; }
grep -qx 'foreign_signal=0' "$out" || { e2e_log "the late hook thread signalled a handle the library had closed"; exit 1; }
e2e_pass
