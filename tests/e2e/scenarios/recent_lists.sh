#!/usr/bin/env bash
# The recent submenus over another program's Open dialog, without restarting
# the agent: a file handed to the shell's recent documents and a shortcut
# written by the test reach "Recently Opened Folders" and "Recently Opened
# Files"; the newest recent folder, chosen with the keyboard, makes the
# dialog list it; "Clear" empties both lists, and only the next opened file
# fills them again. Wine's SHAddToRecentDocs with SHARD_PATHW makes a broken
# shortcut, so the shell's part goes through SHARD_PATHA (recentprobe adda);
# Wine's "Clear" only forgets the shell's own list and leaves the shortcut
# files in place: they must not come back into the lists.
source "$QB_SRC/tests/e2e/lib.sh"
e2e_begin recent_lists
source "$QB_SRC/tests/e2e/menu_lib.sh"

now_ms() { date +%s%3N; }
# keys KEY...: one key at a time into the open menu.
keys() { local k; for k in "$@"; do xdotool key --clearmodifiers "$k"; sleep 0.25; done; }
# after_ms T MS: waits until MS milliseconds have passed since T (the agent's
# debounce timer and Timer1 run on fixed delays after a change).
after_ms() { while [ $(( $(now_ms) - $1 )) -lt "$2" ]; do sleep 0.2; done; }

recent_win="$(e2e_run recentprobe.exe recent | tr -d '\r')"
[ -n "$recent_win" ] || { e2e_log "no Recent folder"; exit 1; }
recent_dir="$WINEPREFIX/drive_c/$(echo "${recent_win#C:\\}" | tr '\\' '/')"
lnk_count() { find "$recent_dir" -maxdepth 1 -iname '*.lnk' | wc -l; }

mkdir -p "$WINEPREFIX/drive_c/e2edir" "$WINEPREFIX/drive_c/e2e/docs" "$WINEPREFIX/drive_c/e2e/music" \
  "$WINEPREFIX/drive_c/e2e/later"
echo a >"$WINEPREFIX/drive_c/e2edir/start.txt"
echo a >"$WINEPREFIX/drive_c/e2e/docs/alpha.txt"
echo b >"$WINEPREFIX/drive_c/e2e/music/beta.txt"
echo c >"$WINEPREFIX/drive_c/e2e/later/gamma.txt"
# Not a first run, no favourites and no filters: over a file dialog the
# folder menu then reads (recent folders) (recent files) Options...
menu_seed
menu_start_dialog 'C:\e2edir' 'notes.txt'
menu_start_agent

# open_menu: the folder menu by a middle click in the dialog's file list.
open_menu() { menu_middle_click "$DLG_X" "$DLG_Y"; sleep 0.3; }
# close_menu: Escape, one level at a time, until the menu is gone (one more
# would cancel the dialog).
close_menu() {
  local try
  for try in 1 2 3 4; do
    keys Escape
    if menu_closed; then return 0; fi
  done
  e2e_log "the menu did not close"; return 1
}

# One file opened through the shell, and two seconds later (the next step
# of a shortcut's time stamp) one shortcut of our own.
e2e_run recentprobe.exe adda 'C:\e2e\docs\alpha.txt'
sleep 2.1
e2e_run recentprobe.exe link "$recent_win\\beta.txt.lnk" 'C:\e2e\music\beta.txt'
t1=$(now_ms)
e2e_wait 10 "two shortcuts in the Recent folder" test "$(lnk_count)" -ge 2
# The watcher sees the change at once; the scan runs about 5.3 s after it.
after_ms "$t1" 7000
open_menu
e2e_screenshot menu-with-recent
# Down: "Recently Opened Folders"; Right: its newest folder; Return: chosen.
keys Down Right
e2e_screenshot recent-folders
keys Return
e2e_wait 20 "the menu to close" menu_closed
e2e_wait 30 "the dialog lists C:\\e2e\\music" menu_status_has folder 'C:\e2e\music'
e2e_log "recent folder chosen $(( $(now_ms) - t1 )) ms after the last shortcut was written"

# The files submenu, for the record.
open_menu
keys Down Down Right
e2e_screenshot recent-files
close_menu

# "Clear" is the last item of the folders submenu: Up from its first item.
open_menu
keys Down Right Up
e2e_screenshot clear-selected
keys Return
e2e_wait 20 "the menu to close" menu_closed
e2e_log "shortcuts left in the Recent folder after Clear: $(lnk_count)"
open_menu
e2e_screenshot menu-after-clear
close_menu

# The next opened file fills the lists again, alone.
e2e_run recentprobe.exe adda 'C:\e2e\later\gamma.txt'
t2=$(now_ms)
after_ms "$t2" 7000
open_menu
e2e_screenshot menu-after-new-file
keys Down Right Return
e2e_wait 20 "the menu to close" menu_closed
e2e_wait 30 "the dialog lists C:\\e2e\\later" menu_status_has folder 'C:\e2e\later'

menu_stop_agent
log="$(e2e_utf16 "$(e2e_config_dir)/Log/folder.log" | tr -d '\r')"
for line in 'Start change watch' "Find changes in folder Parameters: Path=$recent_win" \
            'VorlFolder.Clear1Click'; do
  grep -qF -- "$line" <<<"$log" || { e2e_log "no log line: $line"; exit 1; }
done
# The scans' counts in order: both files before Clear, only the new one after.
scans="$(grep -oE 'Timer1Timer Parameters: Recent files=[0-9]+, folders=[0-9]+|VorlFolder\.Clear1Click' <<<"$log" |
         sed 's/Timer1Timer Parameters: //' | tr '\n' ';')"
e2e_log "scans and Clear in order: $scans"
before="${scans%%VorlFolder.Clear1Click*}"
after="${scans##*VorlFolder.Clear1Click}"
[[ "$before" == *"Recent files=2, folders=2;" ]] || { e2e_log "before Clear the lists were not both files"; exit 1; }
[[ "$after" == *"Recent files=1, folders=1;" ]] || { e2e_log "after Clear the lists were not the new file alone"; exit 1; }
e2e_pass
