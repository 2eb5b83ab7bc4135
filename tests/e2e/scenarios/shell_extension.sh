#!/usr/bin/env bash
# The Explorer context-menu extension under Wine: "regsvr32 /s" registers it
# for the user alone; a folder's context menu (the shell's, or where Wine's
# shell does not load registered handlers, the class registered for folders
# created and initialised with the folder's data object as Explorer does) has
# its three entries; "Add to Vorlune Folder" makes the folder a favourite that
# the agent's next menu shows ("Show Vorlune Folder menu" opens that menu over
# the foreground Open dialog, and choosing the new favourite takes the dialog
# there); the entry then says "Remove"; "Open" shows a folder in Explorer;
# "ShowNewMenu" 0 hides "Open";
# backgrounds and drives have the entries; without an agent the menu entry
# is greyed and nothing waits; "regsvr32 /u /s" removes the registration. The
# COM server's counts let it unload only when nothing of it lives.
source "$QB_SRC/tests/e2e/lib.sh"
e2e_begin shell_extension
source "$QB_SRC/tests/e2e/menu_lib.sh"

dll='C:\qorbin\shellext.dll'
clsid='{E05D273E-6E24-4DF3-9A5D-17DA584C680A}'
user_classes='HKCU\Software\Classes'
folder='C:\vf\Ünïcode 日本'
mkdir -p "$WINEPREFIX/drive_c/vf/Ünïcode 日本" "$WINEPREFIX/drive_c/e2edir"
regsvr32() { (cd "$WINEPREFIX/drive_c/qorbin" && wine regsvr32 "$@" >>"$E2E_DIR/wine.out" 2>&1); }
probe() { e2e_run shellmenu_probe.exe "$@" 2>>"$E2E_DIR/wine.out" | tr -d '\r'; }

lifetime="$(probe lifetime "$dll")"
[ "$lifetime" = "lifetime ok" ] || { e2e_log "$lifetime"; exit 1; }

# Registration for this user only.
regsvr32 /s "$dll"
e2e_reg_query "$user_classes\\CLSID\\$clsid\\InprocServer32" | grep -qF "$dll" \
  || { e2e_log "class: $(e2e_reg_query "$user_classes\\CLSID\\$clsid\\InprocServer32")"; exit 1; }
for kind in Directory 'Directory\Background' Drive; do
  e2e_reg_query "$user_classes\\$kind\\shellex\\ContextMenuHandlers\\Vorlune Folder" | grep -qF "$clsid" \
    || { e2e_log "no handler for $kind"; exit 1; }
done
! e2e_reg_query "HKLM\\Software\\Classes\\CLSID\\$clsid" >/dev/null 2>&1 \
  || { e2e_log "registered for the whole machine"; exit 1; }

# Not a first run (the agent registers nothing itself), no favourites yet.
menu_seed
menu_start_agent

entries="$(probe list Directory "$folder")"
# Under Wine 8 this is "via=handler created=user-class": its shell loads no
# registered handler and its HKEY_CLASSES_ROOT leaves out the user's classes.
e2e_log "context menu $(echo "$entries" | head -n1)"
for want in 'VorluneFolderMenu|Show Vorlune Folder menu|enabled=1' 'VorluneFolderAdd|Add to Vorlune Folder|enabled=1' \
            'VorluneFolderOpen|Open folder in new window|enabled=1'; do
  grep -qxF "entry $want" <<<"$entries" || { e2e_log "missing $want in: $entries"; exit 1; }
done

probe invoke Directory "$folder" VorluneFolderAdd >/dev/null || { e2e_log "Add failed"; exit 1; }
# (reg.exe prints in the console's code page: the store is read by the probe.)
has_favourite() { [ "$(probe favourite "$folder")" = "$folder\$0" ]; }
has_favourite || { e2e_log "favourite: '$(probe favourite "$folder")'"; exit 1; }

# The agent's next menu, asked for through the extension over the Open dialog,
# has the folder first: choosing it takes the dialog there.
menu_start_dialog 'C:\e2edir' 'notes.txt'
xdotool mousemove "$DLG_X" "$DLG_Y" click 1
sleep 0.5
probe invoke Directory "$folder" VorluneFolderMenu >/dev/null || { e2e_log "Show menu failed"; exit 1; }
e2e_wait 20 "the folder menu asked for by the extension" menu_open
e2e_screenshot agent-menu
xdotool key --clearmodifiers Down
sleep 0.2
xdotool key --clearmodifiers Return
e2e_wait 30 "the dialog lists the added folder" menu_status_has folder "$folder"

# Now a favourite: the entry says Remove, and removes it.
grep -qxF 'entry VorluneFolderRemove|Remove from Vorlune Folder|enabled=1' <<<"$(probe list Directory "$folder")" \
  || { e2e_log "no Remove: $(probe list Directory "$folder")"; exit 1; }
probe invoke Directory "$folder" VorluneFolderRemove >/dev/null || { e2e_log "Remove failed"; exit 1; }
! has_favourite || { e2e_log "still a favourite"; exit 1; }

# "Open folder in new window": Explorer shows the folder (titled by its name).
vf_window() { [ -n "$(e2e_find_window '^vf$')" ]; }
vf_window && { e2e_log "a window named vf before Open"; exit 1; }
probe invoke Directory 'C:\vf' VorluneFolderOpen >/dev/null || { e2e_log "Open failed"; exit 1; }
e2e_wait 30 "an Explorer window on C:\vf" vf_window

# "ShowNewMenu" 0: the Open entry is gone, the others stay.
e2e_reg_add "$MENU_KEY\\1.0" /v ShowNewMenu /t REG_DWORD /d 0
entries="$(probe list Directory "$folder")"
! grep -qF VorluneFolderOpen <<<"$entries" || { e2e_log "Open shown with ShowNewMenu 0: $entries"; exit 1; }
grep -qF 'entry VorluneFolderAdd|' <<<"$entries" || { e2e_log "Add gone too: $entries"; exit 1; }

# A folder's background and a drive.
grep -qxF 'entry VorluneFolderAdd|Add to Vorlune Folder|enabled=1' <<<"$(probe list 'Directory\Background' "$folder")" \
  || { e2e_log "background: $(probe list 'Directory\Background' "$folder")"; exit 1; }
grep -qF 'entry VorluneFolderMenu|' <<<"$(probe list Drive 'C:\')" || { e2e_log "drive: $(probe list Drive 'C:\')"; exit 1; }

# Without an agent: the menu entry is greyed; Add still works, at once.
menu_stop_agent
# Each change was told to the running agent at once, not only by the marker.
e2e_log_has 'WM_QXADDFOLDER recive: /update' || { e2e_log "the agent was not sent /update"; exit 1; }
grep -qxF 'entry VorluneFolderMenu|Show Vorlune Folder menu|enabled=0' <<<"$(probe list Directory "$folder")" \
  || { e2e_log "menu entry not greyed: $(probe list Directory "$folder")"; exit 1; }
t0=$(date +%s%3N)
probe invoke Directory "$folder" VorluneFolderAdd >/dev/null || { e2e_log "Add without agent failed"; exit 1; }
t1=$(date +%s%3N)
e2e_log "Add without an agent took $((t1 - t0)) ms (with the probe's start)"
has_favourite || { e2e_log "not added without agent"; exit 1; }
[ -n "$(e2e_reg_value "$MENU_KEY\\1.0" Update)" ] || { e2e_log "no Update marker"; exit 1; }

regsvr32 /u /s "$dll"
! e2e_reg_query "$user_classes\\CLSID\\$clsid" >/dev/null 2>&1 || { e2e_log "class still registered"; exit 1; }
for kind in Directory 'Directory\Background' Drive; do
  ! e2e_reg_query "$user_classes\\$kind\\shellex\\ContextMenuHandlers\\Vorlune Folder" >/dev/null 2>&1 \
    || { e2e_log "handler left for $kind"; exit 1; }
done
e2e_pass
