#!/usr/bin/env bash
# Navigation of a real Open dialog under Wine, against the floor the dialog
# itself allows. In one run, ROUNDS rounds for each of C:\windows and
# C:\windows\system32:
#   ours   the key that picks the favourite in the agent's menu -> the dialog's
#          folder-change stamp; the time from that stamp until the user's file
#          name is back in the box; the menu on screen from the middle button
#          going down (seen by this program's poll, and as the agent logs it
#          from the hook's input time);
#   floor  the same dialog and folder switched by another process that only
#          sets the file name box and posts Enter.
# Prints "name figure unit" lines: medians, our overhead over the floor (of
# the medians, and the median of each measurement against the floor measured
# right after it) and the ratio. Run by scripts/bench.sh, never by the test suite.
#
# bench/e2e_navigation.sh [ROUNDS]   (needs the windows build; QB_BUILD may name it)
set -euo pipefail
QB_SRC="$(cd "$(dirname "$0")/.." && pwd)"
export QB_SRC
export QB_BUILD="${QB_BUILD:-$QB_SRC/build/windows}"
export QB_BIN="${QB_BIN:-$QB_BUILD/bin}"
ROUNDS="${1:-${NAV_ROUNDS:-8}}"
[ -f "$QB_BIN/qorbin.exe" ] && [ -f "$QB_BIN/navbench.exe" ] || {
  echo "e2e_navigation: build the windows build first (scripts/build.sh windows)" >&2
  exit 2
}

source "$QB_SRC/tests/e2e/lib.sh"
e2e_begin bench_navigation
source "$QB_SRC/tests/e2e/menu_lib.sh"
set +E
trap - ERR

menu_seed 'C:\windows=Windows$0' 'C:\windows\system32=System$0'
menu_start_agent
out="$E2E_DIR/navbench.txt"
(cd "$WINEPREFIX/drive_c/qorbin" && wine 'C:\qorbin\navbench.exe' run "$ROUNDS" notes.txt \
  'C:\windows' 'C:\windows\system32' | tr -d '\r' >"$out") || true
menu_stop_agent || true
# The agent's log stays beside the figures (the prefix goes when the run passes).
cp "$(e2e_config_dir)/Log/folder.log" "$E2E_DIR/folder.log" 2>/dev/null || true
e2e_log "raw figures in $out"
if grep -q '^error' "$out" || ! grep -q '^ours' "$out"; then
  e2e_log "the run failed: $(grep '^error' "$out" || echo 'no figures')"
  exit 1
fi

median() { sort -n | awk '{v[NR]=$1} END {if (NR==0) {print "nan"; exit} if (NR%2) print v[(NR+1)/2]; else print (v[NR/2]+v[NR/2+1])/2}'; }
# figures KIND FOLDER COLUMN: the column of the matching lines (all folders when FOLDER is *).
figures() { awk -v k="$1" -v f="$2" -v c="$3" '$1==k && (f=="*" || tolower($2)==tolower(f)) && $c>=0 {print $c}' "$out"; }

report() {  # report SUFFIX FOLDER
  local ours floor
  ours="$(figures ours "$2" 4 | median)"
  floor="$(figures floor "$2" 3 | median)"
  echo "nav_ours$1 $ours ms"
  echo "nav_floor$1 $floor ms"
  awk -v o="$ours" -v f="$floor" -v s="$1" 'BEGIN {
    printf "nav_overhead%s %g ms\n", s, o - f
    if (f > 0) printf "nav_ratio%s %.2f x\n", s, o / f; else printf "nav_ratio%s nan x\n", s }'
}
report _windows 'C:\windows'
report _system32 'C:\windows\system32'
report "" '*'
# Each measurement of ours is followed by the floor on the same folder: the
# median of those differences is the overhead least moved by a busy machine.
echo "nav_overhead_paired $(awk '$1=="ours" {o=$4; f=$2} $1=="floor" && $2==f && o!="" {print o-$3; o=""}' "$out" | median) ms"
echo "text_back_after_folder $(figures ours '*' 5 | median) ms"
echo "menu_from_click $(figures ours '*' 3 | median) ms"
# The agent's own figure: from the button's input time, as the hook stamped
# it, to the menu window being shown (no poll of another process in it).
echo "menu_from_click_logged $(iconv -f UTF-16 -t UTF-8 "$E2E_DIR/folder.log" 2>/dev/null |
  sed -n 's/.*menu on screen after \([0-9]*\) ms from the click.*/\1/p' | median) ms"
e2e_pass
