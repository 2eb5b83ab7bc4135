#!/usr/bin/env bash
# "Help" on each page of the options dialog (and F1 on the last) opens the compiled
# help file beside the program in Wine's HTML Help viewer (hhctrl): the viewer's
# window appears with the help file's title. Wine's viewer titles its window from the
# file's window type, not from the page, the test prefix has no HTML engine to show
# the page, and Debian's Wine prints no traces, so which page was asked for is
# checked by the unit tests (ui_options_test) and the help_topics ctest (every topic
# the code names is in the compiled file, with its title).
source "$QB_SRC/tests/e2e/lib.sh"
e2e_begin help_topics

probe() { timeout 60 bash -c 'cd "$WINEPREFIX/drive_c/qorbin" && wine "C:\\qorbin\\options_probe.exe" "$@"' probe "$@"; }
help_title='Vorlune Folder Help'
help_open() { e2e_run install_probe.exe window "$help_title"; }
help_closed() { ! e2e_run install_probe.exe window "$help_title"; }
[ -f "$WINEPREFIX/drive_c/qorbin/qorbin.chm" ] || { e2e_log "qorbin.chm is not beside the program"; exit 1; }

agent_pid=$(e2e_start qorbin.exe)
e2e_wait 60 "the agent's hidden window" e2e_run agent_probe.exe find
e2e_run agent_probe.exe post 047D
e2e_wait 60 "the options dialog" probe find Options

for page in 0 1 2 3; do
  on_page() { [ "$(e2e_run install_probe.exe tab Options | tr -d '\r')" = "$page" ]; }
  e2e_wait 10 "the options dialog on page $page" on_page \
    || { e2e_log "page: $(e2e_run install_probe.exe tab Options)"; exit 1; }
  if [ "$page" = 3 ]; then
    xdotool search --name '^Options$' windowactivate --sync 2>/dev/null || true
    xdotool key --clearmodifiers F1
  else
    probe click Options Help
  fi
  e2e_wait 30 "the help window for page $page" help_open
  sleep 0.5
  e2e_screenshot "help-page$page"
  e2e_run install_probe.exe close "$help_title"
  e2e_wait 20 "the help window to close" help_closed
  # The next page.
  xdotool search --name '^Options$' windowactivate --sync 2>/dev/null || true
  xdotool key --clearmodifiers ctrl+Tab
  sleep 0.5
done
probe click Options Cancel
e2e_pass
