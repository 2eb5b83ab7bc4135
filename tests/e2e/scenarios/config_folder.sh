#!/usr/bin/env bash
# qorbin.exe under Wine resolves its configuration folder in the prefix's
# documents folder and writes "Log\folder.log" there as UTF-16LE with a
# byte-order mark; a "SaveDir" value under HKCU "Software\Quantrel\Tallowin"
# moves the folder.
source "$QB_SRC/tests/e2e/lib.sh"
e2e_begin config_folder

cfg="$(e2e_config_dir)"
log="$cfg/Log/folder.log"

# qorbin.exe without arguments becomes the resident agent: start it, wait for
# its window, then end it with WM_QUIT (its FormDestroy flushes the log).
run_agent_once() {
  local pid
  pid=$(e2e_start qorbin.exe)
  e2e_wait 60 "the agent's hidden window" e2e_run agent_probe.exe find
  e2e_run agent_probe.exe post 0012
  agent_gone() { ! kill -0 "$pid" 2>/dev/null; }
  e2e_wait 30 "the agent to end" agent_gone
}

# 1. Default: "Vorlune files" in the documents folder.
run_agent_once
e2e_wait 30 "folder.log in the documents folder" test -s "$log"
bom="$(head -c 2 "$log" | od -An -tx1 | tr -d ' \n')"
[ "$bom" = "fffe" ] || { e2e_log "folder.log starts with '$bom', not the UTF-16LE byte-order mark"; exit 1; }
# Every line ends in CR LF (0D 00 0A 00), the last one included.
tail -c 4 "$log" | od -An -tx1 | tr -d ' \n' | grep -qx "0d000a00" || { e2e_log "folder.log does not end in CR LF"; exit 1; }
e2e_utf16 "$log" | grep -qF "Log (common): GetConfigurationFolder Parameters: Folder 1=C:\\users\\" \
  || e2e_utf16 "$log" | grep -qiF "GetConfigurationFolder Parameters: Folder 1=C:\\users\\" \
  || { e2e_log "no Folder 1 line:"; e2e_utf16 "$log" >&2; exit 1; }
e2e_utf16 "$log" | grep -qF "VorlFolder.FormCreate" || { e2e_log "no FormCreate line"; exit 1; }
e2e_utf16 "$log" | grep -q $'\r$' || { e2e_log "lines do not end in CR LF"; exit 1; }

# 2. A prescribed folder moves it.
e2e_reg_add 'HKCU\Software\Quantrel\Tallowin' /v SaveDir /t REG_SZ /d 'C:\Prescribed\Cfg'
moved="$WINEPREFIX/drive_c/Prescribed/Cfg/Log/folder.log"
before="$(stat -c %s "$log")"
run_agent_once
e2e_wait 30 "folder.log in the prescribed folder" test -s "$moved"
[ "$(head -c 2 "$moved" | od -An -tx1 | tr -d ' \n')" = "fffe" ] || { e2e_log "no BOM in the moved log"; exit 1; }
# No candidate was considered, and the documents log did not grow.
if e2e_utf16 "$moved" | grep -qF "Folder 1="; then e2e_log "candidate logged although SaveDir was usable"; exit 1; fi
[ "$(stat -c %s "$log")" = "$before" ] || { e2e_log "the documents log changed"; exit 1; }

# 3. A SaveDir on a drive that does not exist falls back to the documents folder.
e2e_reg_add 'HKCU\Software\Quantrel\Tallowin' /v SaveDir /t REG_SZ /d 'Q:\Nowhere'
run_agent_once
e2e_wait 30 "the documents log grew again" bash -c "[ \$(stat -c %s '$log') -gt $before ]"

e2e_pass
