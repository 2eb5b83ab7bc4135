#!/usr/bin/env bash
# Helpers for the folder menu's scenarios: the Open dialog test program
# (opendlg.exe, "Open Test") and the agent started over it with favourites of
# our own. Source after lib.sh and e2e_begin.

MENU_KEY='HKCU\Software\Quantrel\Vorlune Folder'
MENU_STATUS="$WINEPREFIX/drive_c/qorbin/status.txt"

# menu_status_has KEY VALUE: the dialog's latest report has that line (value case ignored).
menu_status_has() { [ -f "$MENU_STATUS" ] && grep -qixF -- "$1=$2" "$MENU_STATUS"; }
menu_status_value() { grep -m1 "^$1=" "$MENU_STATUS" 2>/dev/null | cut -d= -f2-; }

# menu_seed NAME=DATA...: not a first run (the settings key exists), and these
# favourites under Path, in this order.
menu_seed() {
  e2e_reg_add "$MENU_KEY\\1.0" /v FoldersCount /t REG_DWORD /d 20
  local pair
  for pair in "$@"; do
    e2e_reg_add "$MENU_KEY\\Path" /v "${pair%%=*}" /d "${pair#*=}"
  done
}

# menu_start_dialog FOLDER FILENAME [LATE_MS]: shows "Open Test" on FOLDER with
# FILENAME typed in (LATE_MS: opendlg.exe's late queue); sets DLG_X DLG_Y (the
# middle of its file list).
menu_start_dialog() {
  e2e_start opendlg.exe 'C:\qorbin\status.txt' "$1" "$2" ${3:+"$3"} >/dev/null
  e2e_wait 60 "the Open dialog reports its folder" menu_status_has folder "$1"
  e2e_wait 30 "the dialog's X window" e2e_find_window '^Open Test$'
  local xw X Y WIDTH HEIGHT SCREEN WINDOW
  xw="$(e2e_find_window '^Open Test$')"
  eval "$(xdotool getwindowgeometry --shell "$xw")"
  DLG_X=$((X + WIDTH / 2)); DLG_Y=$((Y + HEIGHT / 2))
  e2e_log "dialog at ${X},${Y} ${WIDTH}x${HEIGHT}"
}

# menu_start_agent: qorbin.exe, resident, its hook installed.
menu_start_agent() {
  AGENT_PID=$(e2e_start qorbin.exe)
  e2e_wait 60 "the agent's hidden window" e2e_run agent_probe.exe find
}

menu_open() { e2e_run agent_probe.exe menu-open; }

# menu_middle_click X Y: middle-clicks there until the folder menu is up (the
# agent's window exists a moment before its hook is installed).
menu_middle_click() {
  local try
  for try in 1 2 3 4 5 6; do
    xdotool mousemove "$1" "$2" click 2
    if e2e_wait 5 "the folder menu (click $try)" menu_open; then return 0; fi
  done
  return 1
}
# menu_hot_key KEYS: presses the hot key until the folder menu is up.
menu_hot_key() {
  local try
  for try in 1 2 3 4 5 6; do
    xdotool key --clearmodifiers "$1"
    if e2e_wait 5 "the folder menu ($1, try $try)" menu_open; then return 0; fi
  done
  return 1
}

# menu_icons_clear SHOT X Y: in the screenshot SHOT (a name given to
# e2e_screenshot), the menu that opened at X,Y shows no picture on a black box:
# no row there has 12 black pixels in a row, which neither a caption nor an
# icon drawn with its transparency has, and a 16-pixel box has on every row.
menu_icons_clear() {
  local run
  run="$(convert "$E2E_DIR/$1.png" -crop "160x100+$2+$3" +repage -fill white +opaque black -negate \
    -morphology Erode Rectangle:12x1 -format '%[fx:maxima.r]' info: 2>/dev/null)"
  [ "$run" = 0 ]
}

menu_closed() { ! e2e_run agent_probe.exe menu-open; }

# menu_choose_first: Down selects the open menu's first item, Return chooses
# it; waits for the menu to close.
menu_choose_first() {
  xdotool key --clearmodifiers Down
  sleep 0.2
  xdotool key --clearmodifiers Return
  e2e_wait 20 "the menu to close" menu_closed
}

# menu_expect_dialog FOLDER FILENAME: the Open dialog comes to list FOLDER and
# its file name box to hold FILENAME again (else says what the box held).
menu_expect_dialog() {
  e2e_wait 30 "the dialog lists $1" menu_status_has folder "$1" || return 1
  e2e_wait 20 "the user's file name is back" menu_status_has filename "$2" ||
    { e2e_log "the box holds \"$(menu_status_value filename)\""; return 1; }
}

# menu_stop_agent: ends the agent as the end of its message loop does, so its
# log reaches the file.
menu_stop_agent() {
  e2e_run agent_probe.exe post 0012 || true
  local gone; gone() { ! kill -0 "$AGENT_PID" 2>/dev/null; }
  e2e_wait 20 "the agent to end" gone
}

# menu_latency: prints the agent's "menu on screen after N ms" figures.
menu_latency() {
  local f; f="$(e2e_config_dir)/Log/folder.log"
  [ -f "$f" ] && e2e_utf16 "$f" | grep -o 'menu on screen after [0-9]* ms' | grep -o '[0-9]*' | tr '\n' ' '
}
