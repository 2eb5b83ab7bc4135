#!/usr/bin/env bash
# A hostile neighbour under Wine: for 30 s hostile.exe posts every message the
# agent accepts from other processes with random parameters, plays with global
# atoms, writes random bytes into the shared block's slots and starts 100
# second instances with hostile arguments, while a user keeps clicking away
# whatever menu opens. Afterwards the agent answers within a second, no error
# dialog was shown and no mail attempted, the favourites hold exactly the
# valid hand-overs, a folder handed over now arrives, and the log is bounded.
source "$QB_SRC/tests/e2e/lib.sh"
e2e_begin hostile_neighbour

key='HKCU\Software\Quantrel\Vorlune Folder'
ms() { date +%s%3N; }
probe() { (cd "$WINEPREFIX/drive_c/qorbin" && timeout 60 wine "C:\\qorbin\\options_probe.exe" "$@"); }

# A configured agent with an empty store (no first run).
e2e_reg_add "$key\\1.0" /v FoldersCount /t REG_DWORD /d 20
agent_pid=$(e2e_start qorbin.exe)
e2e_wait 60 "the agent's hidden window" e2e_run agent_probe.exe find

# The user: clicks away menus and dialogs (Escape) and notes any error dialog.
done_flag="$E2E_DIR/flood.done"
seen_dialog="$E2E_DIR/error-dialog.seen"
(
  while [ ! -f "$done_flag" ]; do
    xdotool key --clearmodifiers Escape 2>/dev/null || true
    e2e_run agent_probe.exe dialog >/dev/null 2>&1 && touch "$seen_dialog"
    sleep 0.3
  done
) &
user_pid=$!
e2e_run hostile.exe flood 30 20 'C:\qorbin\expected.txt' | tr -d '\r' >"$E2E_DIR/flood.out" || true
touch "$done_flag"
wait "$user_pid" || true
e2e_log "$(cat "$E2E_DIR/flood.out")"

# Whatever is still open goes away as a user would close it: until neither a
# menu nor the options dialog has shown for a few looks in a row (records the
# neighbour left in the block may still bring up menus).
menu_open() { e2e_run agent_probe.exe menu-open; }
quiet=0
for try in $(seq 1 60); do
  if menu_open || probe find Options >/dev/null 2>&1; then
    quiet=0
    xdotool key --clearmodifiers Escape || true
    # (A failing command must not end the scenario while its output goes to
    # /dev/null: the failure would go unreported.)
    if probe find Options >/dev/null 2>&1; then probe click Options Cancel >/dev/null 2>&1 || true; fi
    if e2e_run agent_probe.exe dialog >/dev/null 2>&1; then touch "$seen_dialog"; fi
  else
    quiet=$((quiet + 1))
    [ "$quiet" -ge 4 ] && break
  fi
  sleep 0.5
done
e2e_run agent_probe.exe dialog && touch "$seen_dialog"
[ -f "$seen_dialog" ] && { e2e_log "an error dialog was shown"; exit 1; }

# The agent answers within a second.
t0=$(ms); e2e_run agent_probe.exe nothing; t1=$(ms)
e2e_run agent_probe.exe send 0000 || { e2e_log "the agent does not answer"; exit 1; }
t2=$(ms)
e2e_log "trivial program $((t1 - t0)) ms, answer $((t2 - t1)) ms"
[ $((t2 - t1)) -le $((t1 - t0 + 1000)) ] || { e2e_log "the agent took too long to answer"; exit 1; }

# Exactly the valid hand-overs.
check() { e2e_run hostile.exe check 'C:\qorbin\expected.txt' | tr -d '\r'; }
e2e_wait 30 "the favourites to hold the valid hand-overs" check || { e2e_log "$(check)"; exit 1; }

# A folder handed over now arrives.
mkdir -p "$WINEPREFIX/drive_c/after flood"
e2e_run qorbin.exe 'C:\after flood'
has_after() { e2e_reg_query "$key\\Path" | grep -qiF 'C:\after flood'; }
e2e_wait 20 "the folder handed over after the flood" has_after

# The agent ends as a user ends it, so its log reaches the files.
e2e_run agent_probe.exe post 0012 || true
gone() { ! kill -0 "$agent_pid" 2>/dev/null; }
e2e_wait 30 "the agent to end" gone || true

# No mail was attempted; the logs are bounded (two generations of at most
# 300,000 bytes each, and the error logs of the same kind).
e2e_log_has 'ConnectMailServer' && { e2e_log "a mail was attempted"; exit 1; }
log_dir="$(e2e_config_dir)/Log"
total=$(du -cb "$log_dir"/*.log 2>/dev/null | tail -n1 | cut -f1)
e2e_log "log files: $(ls "$log_dir" | tr '\n' ' ') ($total bytes)"
[ "${total:-0}" -le 1300000 ] || { e2e_log "the logs grew to $total bytes"; exit 1; }
e2e_pass
