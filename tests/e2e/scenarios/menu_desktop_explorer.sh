#!/usr/bin/env bash
# The folder menu over the Desktop and over Wine's folder window. Wine shows
# its Desktop only as a virtual desktop ("explorer /desktop=NAME,WxH"; outside
# one, the desktop is the X root window and a click there never reaches a
# Windows program); its window is the system's desktop window "#32769", which
# the hook takes for the Desktop.
#  1. A middle click on the bare desktop brings up the menu for the Desktop
#     (kind 1); the favourite "Harbour", chosen with the keyboard, opens
#     C:\Harbour in a new Wine Explorer window.
#  2. A middle click in that Explorer window brings up the menu for an
#     Explorer window (kind 2) whose folder is read from its address bar, so
#     "Open Folder in New Window" is offered: the last command above the
#     separator and "Options...". Chosen, it asks the shell to show C:\Harbour
#     in a window. Wine's explorer.exe opens no second window on a folder that
#     one of its windows already shows: it brings that window forward and says
#     so in its trace (the agent runs with the explorer trace on, which the
#     programs it starts inherit). Either outcome is the command's effect.
#  3. The favourite "Jetty" picked over that Explorer window takes the same
#     window to C:\Jetty (typed into its address bar, Enter).
source "$QB_SRC/tests/e2e/lib.sh"
e2e_begin menu_desktop_explorer
source "$QB_SRC/tests/e2e/menu_lib.sh"

mkdir -p "$WINEPREFIX/drive_c/Harbour" "$WINEPREFIX/drive_c/Jetty"
echo m >"$WINEPREFIX/drive_c/Harbour/manifest.txt"
# The first program of the scenario makes the desktop "Default" a virtual
# desktop of its own; every program after it runs inside.
(cd "$WINEPREFIX/drive_c" && exec wine explorer /desktop=Default,1024x768 >>"$E2E_DIR/wine.out" 2>&1) &
e2e_wait 60 "the virtual desktop's X window" e2e_find_window '^Default - Wine desktop$'
menu_seed 'C:\Harbour=Harbour$0' 'C:\Jetty=Jetty$0'

AGENT_PID=$(WINEDEBUG=-all,trace+explorer e2e_start qorbin.exe)
e2e_wait 60 "the agent's hidden window" e2e_run agent_probe.exe find
desk="$(e2e_find_window '^Default - Wine desktop$')"
eval "$(xdotool getwindowgeometry --shell "$desk")"
e2e_log "desktop at ${X},${Y} ${WIDTH}x${HEIGHT}"
# Bare desktop: right of where Wine places new windows, above the taskbar.
menu_middle_click $((X + WIDTH * 3 / 4)) $((Y + HEIGHT / 3))
sleep 0.3  # let it paint for the picture
e2e_screenshot desktop-menu
# The menu over the Desktop holds "Harbour" and "Jetty" (in this order, by
# name and by entry) above its commands: Down selects the first.
menu_choose_first
e2e_wait 30 "a Wine Explorer window titled Harbour" e2e_find_window '^Harbour$'
e2e_screenshot desktop-opened
# The new window is a folder window on C:\Harbour, as the agent reads it.
shows_harbour() {
  e2e_run targetprobe.exe getpath Harbour | tr -d '\r' >"$E2E_DIR/getpath.txt" &&
    grep -qx 'path=C:\\Harbour' "$E2E_DIR/getpath.txt"
}
e2e_wait 20 "the new window to show C:\\Harbour" shows_harbour
grep -qx 'kind=2' "$E2E_DIR/getpath.txt" || { e2e_log "the new window is not an Explorer target: $(cat "$E2E_DIR/getpath.txt")"; exit 1; }
explorer_window="$(grep -m1 '^window=' "$E2E_DIR/getpath.txt")"

# 2. The menu over the Explorer window.
xw="$(e2e_find_window '^Harbour$')"
eval "$(xdotool getwindowgeometry --shell "$xw")"
e2e_log "Explorer window at ${X},${Y} ${WIDTH}x${HEIGHT}"
windows_before="$(xdotool search --name '^Harbour$' 2>/dev/null | wc -l)"
# Low in its file list, below the one file.
menu_middle_click $((X + WIDTH * 2 / 3)) $((Y + HEIGHT * 3 / 4))
sleep 0.3
e2e_screenshot explorer-menu
menu_icons_clear explorer-menu $((X + WIDTH * 2 / 3)) $((Y + HEIGHT * 3 / 4)) ||
  { e2e_log "a menu picture stands on a black box (explorer-menu.png)"; exit 1; }
# From the bottom: "Options...", then (past the separator) "Open Folder in New Window".
xdotool key --clearmodifiers Up
sleep 0.2
xdotool key --clearmodifiers Up
sleep 0.2
xdotool key --clearmodifiers Return
e2e_wait 20 "the menu to close" menu_closed
shown_again() {
  grep -a 'already browsing path' "$E2E_DIR/wine.out" 2>/dev/null | grep -qaF 'C:\\Harbour' ||
    [ "$(xdotool search --name '^Harbour$' 2>/dev/null | wc -l)" -gt "$windows_before" ]
}
e2e_wait 30 "the shell to show C:\\Harbour in a window again" shown_again
e2e_screenshot explorer-opened
e2e_log "Harbour windows: before $windows_before, after $(xdotool search --name '^Harbour$' 2>/dev/null | wc -l)"

# 3. A favourite picked over the Explorer window takes that window there: the
# path goes into its address bar and Enter follows.
menu_middle_click $((X + WIDTH * 2 / 3)) $((Y + HEIGHT * 3 / 4))
xdotool key --clearmodifiers Down
sleep 0.2
xdotool key --clearmodifiers Down
sleep 0.2
xdotool key --clearmodifiers Return
e2e_wait 20 "the menu to close" menu_closed
shows_jetty() {
  e2e_run targetprobe.exe getpath Jetty | tr -d '\r' >"$E2E_DIR/getpath-jetty.txt" &&
    grep -qx 'path=C:\\Jetty' "$E2E_DIR/getpath-jetty.txt"
}
e2e_wait 20 "the Explorer window to show C:\\Jetty" shows_jetty
e2e_screenshot explorer-navigated
grep -qxF "$explorer_window" "$E2E_DIR/getpath-jetty.txt" ||
  { e2e_log "C:\\Jetty is shown by another window than $explorer_window: $(cat "$E2E_DIR/getpath-jetty.txt")"; exit 1; }

menu_stop_agent
e2e_log_has 'WM_QXMDESKTOP recive: Hwnd=' || { e2e_log "no WM_QXMDESKTOP line"; exit 1; }
e2e_log_has 'ShowPath Parameters: begin, type=1' || { e2e_log "the menu was not shown for the Desktop"; exit 1; }
e2e_log_has 'end, chosen: Harbour' || { e2e_log "no choice of Harbour logged"; exit 1; }
e2e_log_has 'SetData\MenuType = Desk Parameters: Path=C:\Harbour' || { e2e_log "no Desktop navigation logged"; exit 1; }
e2e_log_has 'WM_QXMEXPLORER recive: Hwnd=' || { e2e_log "no WM_QXMEXPLORER line"; exit 1; }
e2e_log_has 'ShowPath Parameters: begin, type=2' || { e2e_log "the menu was not shown for an Explorer window"; exit 1; }
e2e_utf16 "$(e2e_config_dir)/Log/folder.log" | tr -d '\r' | grep -qE 'GetPath Parameters: Wnd=[0-9A-F]+, Path=C:\\Harbour$' ||
  { e2e_log "the agent did not read C:\Harbour from the Explorer window"; exit 1; }
e2e_log_has 'end, chosen: Open Folder in New Window' || { e2e_log "Open Folder in New Window was not chosen"; exit 1; }
e2e_log_has 'end, chosen: Jetty' || { e2e_log "no choice of Jetty logged"; exit 1; }
e2e_log_has 'SetData\SetPath Parameters: Hwnd=' || { e2e_log "the path was not set into the address bar"; exit 1; }
e2e_pass
