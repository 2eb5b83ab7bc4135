#!/usr/bin/env bash
# The agent from start to stop under Wine: it stays resident without a visible
# window and seeds its first-run defaults; a second start without arguments
# ends at once, one with a folder hands the folder over; the tray menu opened
# by thread message 0x047B ends the agent with "Exit", and "/erasefull" then
# removes the agent's keys and its autostart value.
source "$QB_SRC/tests/e2e/lib.sh"
e2e_begin agent_start_to_stop

key='HKCU\Software\Quantrel\Vorlune Folder'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
ms() { date +%s%3N; }

agent_pid=$(e2e_start qorbin.exe)
e2e_wait 60 "the agent's hidden window" e2e_run agent_probe.exe find
found=$(e2e_run agent_probe.exe find | tr -d '\r')
e2e_log "$found"
[[ "$found" == *"visible=0"* ]] || { e2e_log "the main window is visible"; exit 1; }

# First run: the settings key with the program folder, the four filters, autostart.
first_run() { [ -n "$(e2e_reg_value "$key\\1.0" Path)" ]; }
e2e_wait 20 "first-run defaults" first_run
[ "$(e2e_reg_value "$key\\1.0" Path)" = 'C:\qorbin\' ] || { e2e_log "Path is $(e2e_reg_value "$key\\1.0" Path)"; exit 1; }
[ "$(e2e_reg_value "$key\\Filter" '*.*')" = "All Files" ] || { e2e_log "no default filter"; exit 1; }
# (The value name holds a blank, so it is matched on the whole line.)
run_value() { e2e_reg_query "$run_key" 'Vorlune Folder' | grep -F 'Vorlune Folder' | grep -oF "$1"; }
run_value 'C:\qorbin\qorbin.exe' >/dev/null || { e2e_log "no autostart value"; exit 1; }

# A second start without arguments ends at once: no slower than a trivial
# program's start plus one second.
t0=$(ms); e2e_run agent_probe.exe nothing; t1=$(ms)
e2e_run qorbin.exe; t2=$(ms)
baseline=$((t1 - t0)); second=$((t2 - t1))
e2e_log "trivial program ${baseline} ms, second instance ${second} ms"
[ "$second" -le $((baseline + 1000)) ] || { e2e_log "the second instance took too long"; exit 1; }
e2e_run agent_probe.exe find >/dev/null || { e2e_log "the agent ended"; exit 1; }

# A second start with an existing folder hands it over: it becomes a favourite.
mkdir -p "$WINEPREFIX/drive_c/some/existing/folder"
e2e_run qorbin.exe 'C:\some\existing\folder'
has_favourite() { e2e_reg_query "$key\\Path" | grep -qiF 'C:\some\existing\folder'; }
e2e_wait 20 "the handed-over folder under Path" has_favourite
e2e_reg_query "$key\\Path" | grep -F 'C:\some\existing\folder' | grep -qF 'C:\some\existing\folder$0' \
  || { e2e_log "favourite data: $(e2e_reg_query "$key\\Path")"; exit 1; }

# A folder handed over while the tray menu is open arrives once it closes.
mkdir -p "$WINEPREFIX/drive_c/some/other folder"
e2e_run agent_probe.exe post 047B
e2e_wait 20 "the tray menu" e2e_run agent_probe.exe menu-open
e2e_screenshot tray-menu
e2e_run qorbin.exe 'C:\some\other folder'
sleep 0.5
xdotool key --clearmodifiers Escape
menu_closed() { ! e2e_run agent_probe.exe menu-open; }
e2e_wait 20 "the tray menu to close" menu_closed
has_other() { e2e_reg_query "$key\\Path" | grep -qiF 'C:\some\other folder'; }
e2e_wait 20 "the folder handed over while the menu was open" has_other

# 0x047B opens the tray menu; its last item "Exit" ends the agent.
e2e_run agent_probe.exe post 047B
e2e_wait 20 "the tray menu" e2e_run agent_probe.exe menu-open
xdotool key --clearmodifiers Up
sleep 0.3
xdotool key --clearmodifiers Return
agent_gone() { ! kill -0 "$agent_pid" 2>/dev/null; }
e2e_wait 20 "the agent to end after Exit" agent_gone
e2e_run agent_probe.exe find >/dev/null && { e2e_log "the agent window is still there"; exit 1; }
# FormDestroy flushed the log: the start and the hand-over are in it at once.
e2e_log_has "VorlFolder.FormCreate Parameters: begin" || { e2e_log "no FormCreate line in the log"; exit 1; }
e2e_log_has 'WM_QXADDFOLDER recive: C:\some\existing\folder' || { e2e_log "no hand-over line in the log"; exit 1; }

# The uninstall cleanup removes the agent's keys and the autostart value.
wine reg add "$run_key" /v Other /d other.exe /f >/dev/null 2>&1
e2e_run qorbin.exe /erasefull
e2e_reg_query "$key" | grep -q . && { e2e_log "the agent's key is still there"; exit 1; }
run_value 'qorbin.exe' >/dev/null && { e2e_log "the Run value is still there"; exit 1; }
[ "$(e2e_reg_value "$run_key" Other)" = other.exe ] || { e2e_log "another program's Run value was removed"; exit 1; }
e2e_pass
