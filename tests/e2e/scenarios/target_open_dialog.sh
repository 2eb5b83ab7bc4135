#!/usr/bin/env bash
# A real Open dialog under Wine: the classifier calls it a file dialog, the
# agent's navigation makes it list C:\windows\system32 and puts the user's file
# name back into its box, and a filter mask makes it list only .txt files.
source "$QB_SRC/tests/e2e/lib.sh"
e2e_begin target_open_dialog

data="$WINEPREFIX/drive_c/e2edir"
mkdir -p "$data"
echo a >"$data/alpha.txt"
echo b >"$data/beta.txt"
echo c >"$data/gamma.log"
status="$WINEPREFIX/drive_c/qorbin/status.txt"

# status_has KEY VALUE: the dialog's latest report has that line (case-insensitive value).
status_has() { [ -f "$status" ] && grep -qixF -- "$1=$2" "$status"; }
status_value() { grep -m1 "^$1=" "$status" 2>/dev/null | cut -d= -f2-; }

e2e_start opendlg.exe 'C:\qorbin\status.txt' 'C:\e2edir' 'notes.txt' >/dev/null
e2e_wait 60 "the Open dialog reports its folder" status_has folder 'C:\e2edir'
e2e_wait 20 "the Open dialog lists the test files" grep -q "gamma.log" "$status"
e2e_log "Wine Open dialog tree:"; grep '^tree=' "$status" >&2

# Classification from another process, as the agent does it.
out="$(e2e_run targetprobe.exe classify 'Open Test' | tr -d '\r')"
echo "$out" >"$E2E_DIR/classify_open.txt"
grep -q '^kind=4$' <<<"$out" || { e2e_log "Open dialog not classified as FileDialog:"; echo "$out" >&2; exit 1; }
grep -q '^filename_edit=000000$' <<<"$out" && { e2e_log "no file name box found"; exit 1; }

# Navigation to a folder; the user's text comes back.
out="$(e2e_run targetprobe.exe setdata 'Open Test' 'C:\windows\system32' 0 | tr -d '\r')"
echo "$out" >"$E2E_DIR/setdata_folder.txt"
e2e_log "setdata folder: $(grep setdata_ms <<<"$out")"
e2e_wait 20 "the dialog lists C:\\windows\\system32" status_has folder 'C:\windows\system32'
e2e_wait 20 "the user's file name is back" status_has filename 'notes.txt'

# Back to the test folder, then a filter mask.
e2e_run targetprobe.exe setdata 'Open Test' 'C:\e2edir' 0 >/dev/null
e2e_wait 20 "the dialog lists C:\\e2edir again" status_has folder 'C:\e2edir'
e2e_wait 20 "the test folder's files are listed" grep -q "gamma.log" "$status"
out="$(e2e_run targetprobe.exe setdata 'Open Test' '*.txt' 1 | tr -d '\r')"
echo "$out" >"$E2E_DIR/setdata_mask.txt"
only_txt() {
  local items; items="$(status_value items)"
  [[ "$items" == *alpha.txt* && "$items" == *beta.txt* && "$items" != *gamma.log* ]]
}
e2e_wait 20 "the mask lists only .txt files" only_txt
e2e_wait 20 "the user's file name is back after the mask" status_has filename 'notes.txt'
e2e_log "items with the mask: $(status_value items)"
cp "$WINEPREFIX/drive_c/qorbin/log/folder.log" "$E2E_DIR/" 2>/dev/null || true
e2e_pass
