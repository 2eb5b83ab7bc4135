#!/usr/bin/env bash
# A Wine Explorer window ("wine explorer C:\e2edir") as the classifier sees it.
# Its class and styles are recorded in classify_explorer.txt; the shell-window
# rule accepts only "ExploreWClass"/"CabinetWClass" frames with the exact frame
# styles, so the kind is Explorer (2) when Wine's window matches them and
# Desktop (1) otherwise. The address bar locator must not hang on it either way.
source "$QB_SRC/tests/e2e/lib.sh"
e2e_begin target_wine_explorer

mkdir -p "$WINEPREFIX/drive_c/e2edir"
(cd "$WINEPREFIX/drive_c" && exec wine explorer 'C:\e2edir' >>"$E2E_DIR/wine.out" 2>&1) &
probe() { e2e_run targetprobe.exe classify e2edir | tr -d '\r' >"$E2E_DIR/classify_explorer.txt" && grep -q '^kind=' "$E2E_DIR/classify_explorer.txt"; }
e2e_wait 60 "a Wine Explorer window titled e2edir" probe
cat "$E2E_DIR/classify_explorer.txt" >&2
top="$(grep -m1 '^tree=' "$E2E_DIR/classify_explorer.txt")"
kind="$(grep -m1 '^kind=' "$E2E_DIR/classify_explorer.txt" | cut -d= -f2)"
case "$top" in
  tree=CabinetWClass\|*|tree=ExploreWClass\|*) [ "$kind" = 2 ] || [ "$kind" = 1 ] ;;
  *) [ "$kind" = 1 ] ;;
esac || { e2e_log "unexpected kind $kind for $top"; exit 1; }
e2e_pass
