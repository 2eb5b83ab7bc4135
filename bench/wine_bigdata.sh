#!/usr/bin/env bash
# Big stores under Wine: how long the user waits for the options dialog with
# 10,000 favourites in 100 submenus, and for the folder menu with 1,000
# favourites (the first menu after another program changed the store, and the
# next one). Prints one "name figure unit" line per figure; not part of the
# test runs (figures, never a pass or fail on time). The options figures are
# taken twice: by a probe polling for the dialog (each poll starts a Wine
# process; its empty round trip is taken off), and as the agent logs them
# ("dialog on screen after N ms", from the request to the dialog shown).
#
#   bash bench/wine_bigdata.sh [WINDOWS_BUILD_DIR]   (default build/windows)
#
# Wine keeps a key's values sorted by name, so the 10,000 entries are listed
# in that order whatever order they were written in; the figures measure the
# work on that many entries, as a store of that size makes it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
export QB_SRC="$root"
export QB_BUILD="$(cd "${1:-$root/build/windows}" && pwd)"
export QB_BIN="$QB_BUILD/bin"
source "$QB_SRC/tests/e2e/lib.sh"
e2e_begin bench_wine_bigdata
source "$QB_SRC/tests/e2e/menu_lib.sh"

probe() { (cd "$WINEPREFIX/drive_c/qorbin" && timeout 60 wine "C:\\qorbin\\options_probe.exe" "$@"); }
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
figure() { printf '%s %s %s\n' "$1" "$2" "$3"; }

# write_reg FILE KIND: a regedit file with the Path key of the given size.
#   top1000  1,000 top-level folders, 100 of them existing
#   sub10000 100 submenus of 99 folders each (990 existing) after their headers
write_reg() {
  local file="$1" kind="$2"
  {
    printf 'REGEDIT4\r\n\r\n'
    printf '[-HKEY_CURRENT_USER\\Software\\Quantrel\\Vorlune Folder\\Path]\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Quantrel\\Vorlune Folder\\Path]\r\n'
    if [ "$kind" = top1000 ]; then
      for i in $(seq -w 0 999); do
        printf '"C:\\\\big\\\\top\\\\f%s"="Folder %s$0"\r\n' "$i" "$i"
      done
    else
      for g in $(seq -w 0 99); do
        printf '"Submenu%s"="Group %s$5"\r\n' "$g" "$g"
        for f in $(seq -w 0 98); do
          printf '"C:\\\\big\\\\g%s\\\\f%s$2"="Folder %s-%s$0"\r\n' "$g" "$f" "$g" "$f"
        done
      done
    fi
    printf '\r\n'
  } >"$file"
}

mkdir -p "$WINEPREFIX/drive_c/big/top"
for i in $(seq -w 0 99); do mkdir -p "$WINEPREFIX/drive_c/big/top/f0$i"; done
for g in $(seq -w 0 98); do
  for f in $(seq -w 0 9); do mkdir -p "$WINEPREFIX/drive_c/big/g$g/f0$f"; done
done
mkdir -p "$WINEPREFIX/drive_c/e2edir"

menu_seed
write_reg "$WINEPREFIX/drive_c/top1000.reg" top1000
write_reg "$WINEPREFIX/drive_c/sub10000.reg" sub10000
wine regedit /s 'C:\top1000.reg'

# --- The folder menu with 1,000 favourites, over an Open dialog. -----------
menu_start_dialog 'C:\e2edir' 'notes.txt'
menu_start_agent
xdotool mousemove "$DLG_X" "$DLG_Y" click 1
sleep 0.5
# change_store NAME DATA: another program rewrites a favourite and sets the
# marker that tells the agent the store changed.
change_store() {
  e2e_reg_add "$MENU_KEY\\Path" /v "$1" /d "$2"
  e2e_reg_add "$MENU_KEY\\1.0" /v Update /d 1
}
one_menu() {
  e2e_run agent_probe.exe post 047C
  e2e_wait 600 "the folder menu" menu_open
  sleep 0.3
  xdotool key --clearmodifiers Escape
  e2e_wait 20 "the menu to close" menu_closed
  xdotool mousemove "$DLG_X" "$DLG_Y" click 1
  sleep 0.5
}
one_menu
# Another program changed the store (a title) and says so: the next menu loads
# it again.
change_store 'C:\big\top\f000' 'Folder 000 renamed$0'
one_menu
one_menu
menu_stop_agent
read -r -a ms <<<"$(menu_latency)"
[ "${#ms[@]}" -ge 3 ] || { e2e_log "menu figures missing: ${ms[*]:-none}"; exit 1; }
figure wine_menu_1000_first_after_change "${ms[1]}" ms
figure wine_menu_1000_next "${ms[2]}" ms

# --- The options dialog with 10,000 favourites. --------------------------------
wine regedit /s 'C:\sub10000.reg'
menu_start_agent
xdotool mousemove "$DLG_X" "$DLG_Y" click 1
sleep 0.5
one_menu
change_store 'C:\big\g00\f00$2' 'Folder 00-00 renamed$0'
one_menu
one_menu
open_options() {
  local t0 t1
  t0=$(now_ms)
  e2e_run agent_probe.exe post 047D
  while ! probe find Options >/dev/null 2>&1; do
    [ $(( $(now_ms) - t0 )) -lt 120000 ] || { e2e_log "no options dialog"; exit 1; }
    sleep 0.05
  done
  t1=$(now_ms)
  echo $((t1 - t0))
}
ok_options() {
  local t0 t1
  t0=$(now_ms)
  probe click Options OK
  while probe find Options >/dev/null 2>&1; do
    [ $(( $(now_ms) - t0 )) -lt 120000 ] || { e2e_log "the options dialog did not close"; exit 1; }
    sleep 0.05
  done
  t1=$(now_ms)
  echo $((t1 - t0))
}
# The time of an empty round trip of the probe, taken off the figures.
t0=$(now_ms); probe find NoSuchWindow >/dev/null 2>&1 || true; base=$(( $(now_ms) - t0 ))
# The agent holds the store it read for the last menu: the first dialog needs
# no reading; the second comes after another program changed the store.
open1=$(open_options)
ok1=$(ok_options)
# The dialog is off the screen at once, but without a window manager (Xvfb)
# Wine holds the agent's thread in the hiding for two seconds, waiting for a
# manager to confirm it; the next request is made once the agent answers
# again, so the figure is the dialog's own.
answering() { e2e_wait 30 "the agent to answer after OK" e2e_run agent_probe.exe send 0000; }
answering
e2e_reg_add "$MENU_KEY\\Path" /v 'C:\big\g00\f01$2' /d 'Folder 00-01 renamed$0'
open2=$(open_options)
ok2=$(ok_options)
answering
open3=$(open_options)
ok3=$(ok_options)
figure wine_options_10000_open $(( open1 > base ? open1 - base : 0 )) ms
figure wine_options_10000_ok $(( ok1 > base ? ok1 - base : 0 )) ms
figure wine_options_10000_open_after_change $(( open2 > base ? open2 - base : 0 )) ms
figure wine_options_10000_open_again $(( open3 > base ? open3 - base : 0 )) ms
figure wine_probe_round_trip "$base" ms
menu_stop_agent
# The agent's own figures: from the request to the dialog on screen.
read -r -a shown <<<"$(e2e_utf16 "$(e2e_config_dir)/Log/folder.log" | grep -o 'dialog on screen after [0-9]* ms' |
  grep -o '[0-9]*' | tr '\n' ' ')"
[ "${#shown[@]}" -ge 3 ] || { e2e_log "options figures missing: ${shown[*]:-none}"; exit 1; }
figure wine_options_10000_open_logged "${shown[0]}" ms
figure wine_options_10000_open_after_change_logged "${shown[1]}" ms
figure wine_options_10000_open_again_logged "${shown[2]}" ms
read -r -a ms <<<"$(menu_latency)"
[ "${#ms[@]}" -ge 6 ] || { e2e_log "menu figures missing: ${ms[*]:-none}"; exit 1; }
figure wine_menu_10000_first_after_change "${ms[4]}" ms
figure wine_menu_10000_next "${ms[5]}" ms
e2e_pass
