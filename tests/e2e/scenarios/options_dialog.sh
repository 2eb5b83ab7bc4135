#!/usr/bin/env bash
# The options dialog under Wine: opened by thread message 0x047D, its four
# pages (and the item editor) laid out without clipped or overlapping
# controls at 96 and at 144 DPI, with screenshots of each; then driven like a
# user: a folder added through the browse dialog and the editor, moved up,
# the hot key changed to Win + X, OK; the registry holds the new Path key in
# the new order ("Submenu" + row number) and the new settings. A favourite
# another program adds meanwhile is in the next dialog and kept by its OK.
source "$QB_SRC/tests/e2e/lib.sh"
e2e_begin options_dialog
source "$QB_SRC/tests/e2e/menu_lib.sh"

key='HKCU\Software\Quantrel\Vorlune Folder'
probe() { timeout 60 bash -c 'cd "$WINEPREFIX/drive_c/qorbin" && wine "C:\\qorbin\\options_probe.exe" "$@"' probe "$@"; }
gone() { ! probe find "$1"; }

# A configured agent (no first run): one folder and an empty submenu, named
# so that Wine's sorted enumeration is the written order.
e2e_reg_add "$key\\1.0" /v Path /d 'C:\qorbin\'
e2e_reg_add "$key\\Path" /v 'C:\qorbin' /d 'Program$0'
e2e_reg_add "$key\\Path" /v 'Submenu1' /d 'Tools$5'
# The folder to add lies in the user's Desktop folder, the browse dialog's root.
user=$(basename "$(dirname "$(ls -d "$WINEPREFIX"/drive_c/users/*/Desktop | grep -v /Public/ | head -n1)")")
mkdir -p "$WINEPREFIX/drive_c/users/$user/Desktop/zz"
zz="C:\\users\\$user\\Desktop\\zz"

# Screenshots of the four pages, each checked for clipped or overlapping controls.
check_pages() {
  local dpi="$1" page
  for page in 0 1 2 3; do
    sleep 0.5
    e2e_screenshot "options-$dpi-page$page"
    if ! probe overlaps Options; then
      e2e_log "page $page at $dpi DPI: controls overlap or stick out"; return 1
    fi
    xdotool key --clearmodifiers ctrl+Tab
  done
}

open_options() {
  e2e_run agent_probe.exe post 047D
  e2e_wait 60 "the options dialog" probe find Options
}

agent_pid=$(e2e_start qorbin.exe)
e2e_wait 60 "the agent's hidden window" e2e_run agent_probe.exe find
open_options
# A second 0x047D opens no second dialog.
e2e_run agent_probe.exe post 047D
sleep 1
[ "$(xdotool search --name '^Options$' 2>/dev/null | wc -l)" -eq 1 ] || { e2e_log "more than one Options window"; exit 1; }
check_pages 96

# Add Folder...: the browse dialog, then the editor in its new-folder mode.
e2e_log "adding a folder"
probe click Options 'Add Folder...'
e2e_wait 60 "the browse dialog" probe find 'Browse for Folder'
probe browse 'Browse for Folder' "$zz" || { e2e_log "$zz not found in the browse dialog"; exit 1; }
probe click 'Browse for Folder' OK
e2e_wait 60 "the item editor" probe find 'New folder'
[ "$(probe text 'New folder' Edit 0 | tr -d '\r')" = "$zz" ] || { e2e_log "editor path: $(probe text 'New folder' Edit 0)"; exit 1; }
sleep 0.5
e2e_screenshot editor-96
probe overlaps 'New folder' || { e2e_log "the editor's controls overlap"; exit 1; }
probe click 'New folder' OK
e2e_wait 30 "the editor to close" gone 'New folder'
# Up: the new folder moves above the submenu.
probe click Options Up

# The hot key: "Natural Keyboard (Win + )" and the X key.
xdotool key --clearmodifiers ctrl+Tab ctrl+Tab
sleep 0.5
probe choose Options 0 1
# The key reaches the box as the keyboard's messages do.
probe key Options Edit 2 x
typed() { [ "$(probe text Options Edit 2 | tr -d '\r')" = X ]; }
e2e_wait 20 "X in the Win + key box" typed || { e2e_log "Win + key box: $(probe text Options Edit 2)"; exit 1; }
probe click Options OK
e2e_wait 60 "the options dialog to close" gone Options

# The Path key in the new order, the settings.
has() { e2e_reg_query "$key\\Path" | grep -qF "$1"; }
saved() { [ "$(e2e_reg_value "$key\\1.0" Keys)" = 0x58 ]; }
e2e_wait 30 "the settings" saved
e2e_reg_query "$key\\Path" >&2
has "$zz\$0" || { e2e_log "the new folder is not stored"; exit 1; }
has 'Submenu2' || { e2e_log "the submenu is not stored at row 2"; exit 1; }
has 'Submenu1' && { e2e_log "the old submenu name is still there"; exit 1; }
[ "$(e2e_reg_value "$key\\Path" 'C:\qorbin')" = 'Program$0' ] || { e2e_log "the first folder changed"; exit 1; }
[ "$(e2e_reg_value "$key\\1.0" Alt)" = 0x8 ] || { e2e_log "Alt is $(e2e_reg_value "$key\\1.0" Alt)"; exit 1; }

# The new hot key (registered by OK) opens the folder menu, rebuilt with the
# new folder (the screenshot shows it; another process cannot read the menu).
# The user presses it while working in a Windows program: without a window
# manager the display sends a key to the window under the pointer, and over
# the bare root window (where the dialog was) no Wine program hears it.
mkdir -p "$WINEPREFIX/drive_c/e2edir"
menu_start_dialog 'C:\e2edir' 'notes.txt'
xdotool mousemove "$DLG_X" "$DLG_Y" click 1
sleep 0.5
menu_hot_key super+x || { e2e_log "Win+X does not open the folder menu"; exit 1; }
sleep 0.5
e2e_screenshot folder-menu
xdotool key --clearmodifiers Escape

# Another program adds a favourite while the agent runs: the next dialog lists
# it (the agent reads the store again once it changed), so the rewrite of that
# dialog's OK keeps it beside the submenu the user adds.
e2e_reg_add "$key\\Path" /v 'C:\e2edir' /d 'Outside$0'
open_options
probe click Options 'Add Submenu'
e2e_wait 60 "the item editor" probe find 'New submenu'
probe settext 'New submenu' Edit 1 Later
probe click 'New submenu' OK
e2e_wait 30 "the editor to close" gone 'New submenu'
probe click Options OK
e2e_wait 60 "the options dialog to close" gone Options
e2e_wait 30 "the new submenu" has 'Later$5'
e2e_reg_query "$key\\Path" >&2
[ "$(e2e_reg_value "$key\\Path" 'C:\e2edir')" = 'Outside$0' ] || { e2e_log "the other program's favourite was lost"; exit 1; }

# 144 DPI: the same pages and the editor, laid out again.
e2e_run agent_probe.exe post 0012
agent_gone() { ! kill -0 "$agent_pid" 2>/dev/null; }
e2e_wait 30 "the agent to end" agent_gone
wineserver -k || true
wineserver -w || true
e2e_reg_add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144
e2e_reg_add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' /v LogPixels /t REG_DWORD /d 144
agent_pid=$(e2e_start qorbin.exe)
e2e_wait 60 "the agent's hidden window" e2e_run agent_probe.exe find
open_options
check_pages 144
probe click Options 'Add Submenu'
e2e_wait 60 "the item editor" probe find 'New submenu'
sleep 0.5
e2e_screenshot editor-144
probe overlaps 'New submenu' || { e2e_log "the editor's controls overlap at 144 DPI"; exit 1; }
probe click 'New submenu' Cancel
e2e_wait 30 "the editor to close" gone 'New submenu'
probe click Options Cancel
e2e_wait 30 "the options dialog to close" gone Options
e2e_pass
