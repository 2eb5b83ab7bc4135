#!/usr/bin/env bash
# "Save Configuration..." and "Open Configuration..." of the tray menu through
# the real file dialogs: saving writes the empty base file and the four
# companion files (ANSI, CR LF) into "Folder configuration"; after the store
# was changed, opening the set puts the saved favourites and filters back; an
# incomplete set is refused with "The configuration is invalid" and changes
# nothing. (Wine lists values sorted by name, so the order is not checked.)
source "$QB_SRC/tests/e2e/lib.sh"
e2e_begin store_config_files

key='HKCU\Software\Quantrel\Vorlune Folder'
sets="$(e2e_config_dir)/Folder configuration"
mkdir -p "$WINEPREFIX/drive_c/Work/Projects" "$WINEPREFIX/drive_c/Data"

e2e_start qorbin.exe >/dev/null
e2e_wait 60 "the agent's hidden window" e2e_run agent_probe.exe find
first_run() { [ -n "$(e2e_reg_value "$key\\1.0" Path)" ]; }
e2e_wait 30 "first-run defaults" first_run
for f in 'C:\Work\Projects' 'C:\Data'; do
  e2e_run qorbin.exe "$f"
  added() { e2e_reg_query "$key\\Path" | grep -qiF "$f    REG_SZ"; }
  e2e_wait 20 "the favourite $f" added
done

entries() { e2e_reg_query "$1" | grep REG_SZ | sort; }
path_before="$(entries "$key\\Path")"
filter_before="$(entries "$key\\Filter")"
e2e_log "$path_before"

# Opens the tray menu and picks its item number N (separators do not count).
tray_item() {
  e2e_run agent_probe.exe post 047B
  e2e_wait 20 "the tray menu" e2e_run agent_probe.exe menu-open
  for _ in $(seq "$1"); do xdotool key --clearmodifiers Down; sleep 0.1; done
  xdotool key --clearmodifiers Return
}
dialog_open() { e2e_run store_probe.exe box-exists "$1"; }
dialog_closed() { ! dialog_open "$1"; }
# Puts a file name into the file dialog titled $1 and confirms it.
answer_dialog() {
  e2e_wait 30 "the $1 dialog" dialog_open "$1"
  e2e_screenshot "$(tr ' ' _ <<<"$1")"
  e2e_run store_probe.exe answer "$1" "$2" || { e2e_log "could not answer the $1 dialog"; exit 1; }
  e2e_wait 20 "the $1 dialog to close" dialog_closed "$1"
}

# 1. Save: About, Help, Report a Bug, Open, Save -> the fifth item.
tray_item 5
answer_dialog "Save Configuration" "Work"
e2e_wait 20 "the saved set" test -f "$sets/Work.qxs4"
[ -f "$sets/Work.qxs" ] && [ ! -s "$sets/Work.qxs" ] || { e2e_log "Work.qxs is not an empty file"; exit 1; }
# ANSI without a byte-order mark, every line ended by CR LF.
tail -c 2 "$sets/Work.qxs1" | od -An -tx1 | tr -d ' \n' | grep -qx "0d0a" || { e2e_log "Work.qxs1 does not end in CR LF"; exit 1; }
head -c 3 "$sets/Work.qxs1" | od -An -tx1 | tr -d ' \n' | grep -q "^efbbbf\|^fffe" && { e2e_log "Work.qxs1 has a byte-order mark"; exit 1; }
grep -qxF $'C:\\Work\\Projects\r' "$sets/Work.qxs1" || { e2e_log "Work.qxs1: $(cat -A "$sets/Work.qxs1")"; exit 1; }
grep -qxF $'Submenu234\r' "$sets/Work.qxs1" || { e2e_log "no Submenu234 in Work.qxs1"; exit 1; }
grep -qxF $'*.*\r' "$sets/Work.qxs3" || { e2e_log "no *.* in Work.qxs3"; exit 1; }
[ "$(wc -l <"$sets/Work.qxs1")" = "$(wc -l <"$sets/Work.qxs2")" ] || { e2e_log "files 1 and 2 differ in lines"; exit 1; }

# 2. Change the store behind the agent's back.
wine reg delete "$key\\Path" /v 'C:\Data' /f >/dev/null 2>&1
e2e_reg_add "$key\\Path" /v 'C:\Other' /d 'Other$0'
wine reg delete "$key\\Filter" /f >/dev/null 2>&1
[ "$(entries "$key\\Path")" != "$path_before" ] || { e2e_log "the store did not change"; exit 1; }

# 3. An incomplete set is refused and changes nothing.
cp "$sets/Work.qxs" "$sets/Broken.qxs"
for n in 1 2 3; do cp "$sets/Work.qxs$n" "$sets/Broken.qxs$n"; done
changed="$(entries "$key\\Path")"
tray_item 4
answer_dialog "Open Configuration" "Broken.qxs"
e2e_wait 20 "the refusal" dialog_open "Vorlune Folder"
e2e_screenshot refusal
box="$(e2e_run store_probe.exe box "Vorlune Folder" | tr -d '\r')"
e2e_log "$box"
grep -qxF 'text=The configuration is invalid' <<<"$box" || { e2e_log "not the refusal"; exit 1; }
e2e_wait 20 "the refusal to close" dialog_closed "Vorlune Folder"
[ "$(entries "$key\\Path")" = "$changed" ] || { e2e_log "the refused set changed the store"; exit 1; }

# 4. Open: the fourth item puts the saved favourites and filters back.
tray_item 4
answer_dialog "Open Configuration" "Work.qxs"
restored() { [ "$(entries "$key\\Path")" = "$path_before" ] && [ "$(entries "$key\\Filter")" = "$filter_before" ]; }
e2e_wait 20 "the saved favourites back in the registry" restored
e2e_log_has 'Openconfiguration1Click' || true
# The store before the change was kept as a set of its own.
[ -f "$sets/Favourites before last change.qxs1" ] || { e2e_log "no copy of the store was kept"; exit 1; }
grep -qxF $'C:\\Other\r' "$sets/Favourites before last change.qxs1" || { e2e_log "the copy is not the store before opening"; exit 1; }
e2e_run agent_probe.exe find >/dev/null || { e2e_log "the agent ended"; exit 1; }
e2e_pass
