#!/usr/bin/env bash
# A Wine Explorer window ("wine explorer C:\e2edir") as the classifier sees it.
# Its class and styles are recorded in classify_explorer.txt; the shell-window
# rule accepts "ExploreWClass"/"CabinetWClass" frames and Wine's own folder
# window "ExplorerWClass", each only with the exact frame styles, so the kind
# is Explorer (2) when Wine's window matches them and Desktop (1) otherwise.
# Read as an Explorer target, the window gives its folder through its address
# bar (its title is the folder's name alone), and the locator must not hang.
source "$QB_SRC/tests/e2e/lib.sh"
e2e_begin target_wine_explorer

mkdir -p "$WINEPREFIX/drive_c/e2edir"
(cd "$WINEPREFIX/drive_c" && exec wine explorer 'C:\e2edir' >>"$E2E_DIR/wine.out" 2>&1) &
probe() { e2e_run targetprobe.exe classify e2edir | tr -d '\r' >"$E2E_DIR/classify_explorer.txt" && grep -q '^kind=' "$E2E_DIR/classify_explorer.txt"; }
e2e_wait 60 "a Wine Explorer window titled e2edir" probe
cat "$E2E_DIR/classify_explorer.txt" >&2
top="$(grep -m1 '^tree=' "$E2E_DIR/classify_explorer.txt")"
kind="$(grep -m1 '^kind=' "$E2E_DIR/classify_explorer.txt" | cut -d= -f2)"
# The frame styles the rule accepts: overlapped, visible, clipping siblings,
# optionally clipping children and maximized; the extended style exactly 0x100.
plain_frame() {
  local style ex
  style="$(echo "$top" | cut -d'|' -f2)"; ex="$(echo "$top" | cut -d'|' -f3)"
  [ "$ex" = 00000100 ] && case "$style" in 14CF0000|16CF0000|15CF0000|17CF0000) true ;; *) false ;; esac
}
case "$top" in
  tree=CabinetWClass\|*|tree=ExploreWClass\|*|tree=ExplorerWClass\|*)
    if plain_frame; then [ "$kind" = 2 ]; else [ "$kind" = 1 ]; fi ;;
  *) [ "$kind" = 1 ] ;;
esac || { e2e_log "unexpected kind $kind for $top"; exit 1; }

if [ "$kind" = 2 ]; then
  e2e_run targetprobe.exe getpath e2edir | tr -d '\r' >"$E2E_DIR/getpath.txt"
  cat "$E2E_DIR/getpath.txt" >&2
  grep -qx 'path=C:\\e2edir' "$E2E_DIR/getpath.txt" || { e2e_log "the folder was not read from the window"; exit 1; }
fi
e2e_pass
