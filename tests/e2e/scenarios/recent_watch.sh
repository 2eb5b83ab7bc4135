#!/usr/bin/env bash
# The Recent folder under Wine while the agent runs: files handed to the
# shell's recent documents (SHAddToRecentDocs writes "<name>.lnk" into the
# Recent folder) and a shortcut written by the test itself reach the recent
# lists without restarting the agent: the
# watcher sees the change, the five-second debounce timer fires once for the
# burst, and Timer1's incremental scan lists the files and their folders
# about 5.3 s after the first change of the burst. Wine completes the watcher's read (no
# buffer) with ERROR_NOTIFY_ENUM_DIR; that is a change, not a failure.
# Wine 8's SHAddToRecentDocs with SHARD_PATHW hands the wide path to the ANSI
# link interface, so its shortcut points at "C" in the caller's folder: the
# test uses SHARD_PATHA, as ANSI programs do, and checks that such a broken
# shortcut is passed over.
source "$QB_SRC/tests/e2e/lib.sh"
e2e_begin recent_watch

key='HKCU\Software\Quantrel\Vorlune Folder'
shell_folders='HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders'
log_file() { echo "$(e2e_config_dir)/Log/folder.log"; }
log_line() { e2e_utf16 "$(log_file)" 2>/dev/null | tr -d '\r' | grep -F -- "$1" | head -n1; }
secs_of() { local t="$1"; echo $(( 10#${t:0:2} * 3600 + 10#${t:3:2} * 60 + 10#${t:6:2} )); }

recent_win="$(e2e_run recentprobe.exe recent | tr -d '\r')"
[ -n "$recent_win" ] || { e2e_log "no Recent folder"; exit 1; }
[ "$(e2e_reg_value "$shell_folders" Recent)" = "$recent_win" ] || { e2e_log "Shell Folders holds no Recent value"; exit 1; }
recent_dir="$WINEPREFIX/drive_c/$(echo "${recent_win#C:\\}" | tr '\\' '/')"
lnk_count() { find "$recent_dir" -maxdepth 1 -iname '*.lnk' | wc -l; }

mkdir -p "$WINEPREFIX/drive_c/e2e/docs" "$WINEPREFIX/drive_c/e2e/music" "$WINEPREFIX/drive_c/e2e/own"
echo a >"$WINEPREFIX/drive_c/e2e/docs/alpha.txt"
echo b >"$WINEPREFIX/drive_c/e2e/music/beta.txt"
echo c >"$WINEPREFIX/drive_c/e2e/own/gamma.txt"
# Not a first run (no seeded favourites to wait for).
e2e_reg_add "$key\\1.0" /v FoldersCount /t REG_DWORD /d 20

agent_pid=$(e2e_start qorbin.exe)
e2e_wait 60 "the agent's hidden window" e2e_run agent_probe.exe find

# Two files opened through the shell while the agent runs, two seconds apart,
# one through the wide-path call (broken under Wine) and a shortcut of our own.
e2e_run recentprobe.exe adda 'C:\e2e\docs\alpha.txt'
e2e_run recentprobe.exe add 'C:\e2e\docs\wide.txt'
sleep 2.1  # a later DOS time stamp (two-second steps) for the next ones
e2e_run recentprobe.exe adda 'C:\e2e\music\beta.txt'
e2e_run recentprobe.exe link "$recent_win\\gamma.txt.lnk" 'C:\e2e\own\gamma.txt'
changed_at="$(date +%T)"
e2e_wait 10 "four shortcuts in the Recent folder" test "$(lnk_count)" -ge 4
e2e_log "alpha.txt.lnk points at $(e2e_run recentprobe.exe target "$recent_win\\alpha.txt.lnk" | tr -d '\r')"
e2e_log "wide.txt.lnk points at $(e2e_run recentprobe.exe target "$recent_win\\wide.txt.lnk" | tr -d '\r')"
# The log reaches its file at the writer's 30-second flush.
e2e_wait 45 "the rescan in the agent's log" e2e_log_has 'Timer1Timer Parameters: Recent files=3, folders=3'
scan="$(log_line 'Timer1Timer Parameters: Recent files=3, folders=3')"
# The burst's first change, as the agent saw it, starts the debounce: on a
# loaded machine the test's own clock reads the burst's end seconds late.
first="$(log_line 'Find changes in folder Parameters:')"
e2e_log "burst seen at ${first:0:8}, last change made by $changed_at; $scan"
delay=$(( $(secs_of "${scan:0:8}") - $(secs_of "${first:0:8}") ))
e2e_log "the lists were updated ${delay} s after the burst's first change"
[ "$delay" -ge 4 ] && [ "$delay" -le 8 ] || { e2e_log "the rescan came ${delay} s after the first change"; exit 1; }
# One burst, one scan.
[ "$(e2e_utf16 "$(log_file)" | grep -c 'Timer1Timer Parameters')" -eq 1 ] || { e2e_log "more than one rescan"; exit 1; }

e2e_run agent_probe.exe post 0012 || true
gone() { ! kill -0 "$agent_pid" 2>/dev/null; }
e2e_wait 20 "the agent to end" gone
for line in 'Start change watch' "Start change monitoring Parameters: Path=$recent_win" \
            "Find changes in folder Parameters: Path=$recent_win"; do
  e2e_log_has "$line" || { e2e_log "no log line: $line"; exit 1; }
done
if e2e_log_has 'GetOverlappedResult fail' || e2e_log_has 'ReadDirectoryChangesW fail'; then
  e2e_log "the watcher reported a failure"; exit 1
fi
e2e_pass
