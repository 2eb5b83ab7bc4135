#!/usr/bin/env bash
# Helpers for the e2e scenarios: a private Wine prefix per scenario (copied
# from a template booted once), Xvfb when no display is set, waiting on
# conditions with deadlines, xdotool input, screenshots and the agent's logs
# kept under build/ when a scenario fails.
#
# A scenario sources this file and calls e2e_begin NAME first.
set -euo pipefail

: "${QB_BIN:?QB_BIN must name the bin folder of the windows build}"
: "${QB_BUILD:?QB_BUILD must name the windows build folder}"

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
E2E_ROOT="$QB_BUILD/e2e"
E2E_TEMPLATE="$E2E_ROOT/template-prefix"
E2E_XVFB_PID=""
E2E_OK=0

e2e_log() { printf '[e2e %s] %s\n' "${E2E_NAME:-?}" "$*" >&2; }

# Boots the template prefix once (under a lock, so parallel scenarios share it).
e2e_template() {
  mkdir -p "$E2E_ROOT"
  (
    flock 9
    if [ ! -f "$E2E_TEMPLATE/.booted" ]; then
      rm -rf "$E2E_TEMPLATE"
      mkdir -p "$E2E_ROOT/template-home"
      HOME="$E2E_ROOT/template-home" WINEPREFIX="$E2E_TEMPLATE" wineboot -i >/dev/null 2>&1 || true
      HOME="$E2E_ROOT/template-home" WINEPREFIX="$E2E_TEMPLATE" wineserver -w || true
      [ -f "$E2E_TEMPLATE/system.reg" ] || { echo "wineboot failed" >&2; exit 1; }
      touch "$E2E_TEMPLATE/.booted"
    fi
  ) 9>"$E2E_ROOT/template.lock"
}

e2e_start_display() {
  if [ -n "${DISPLAY:-}" ] && [ -z "${E2E_FORCE_XVFB:-}" ]; then
    return
  fi
  local fifo="$E2E_DIR/displayfd"
  rm -f "$fifo"
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  E2E_XVFB_PID=$!
  local num
  read -r -t 20 num <"$fifo" || { echo "Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$num"
  rm -f "$fifo"
}

# e2e_begin NAME: a fresh prefix and a display for this scenario.
e2e_begin() {
  E2E_NAME="$1"
  E2E_DIR="$E2E_ROOT/$E2E_NAME"
  rm -rf "$E2E_DIR"
  mkdir -p "$E2E_DIR"
  e2e_template
  cp -a "$E2E_TEMPLATE" "$E2E_DIR/prefix"
  export WINEPREFIX="$E2E_DIR/prefix"
  # wineboot links the user's Documents, Desktop, ... to the HOME it ran with
  # (the template's): give this prefix folders of its own, so scenarios never
  # share or leave files behind there.
  local link
  for link in "$WINEPREFIX"/drive_c/users/*/*; do
    if [ -L "$link" ]; then rm -f "$link"; mkdir -p "$link"; fi
  done
  mkdir -p "$E2E_DIR/home"
  export HOME="$E2E_DIR/home"
  e2e_start_display
  trap e2e_end EXIT
  # A command that fails outside a test names itself and its line.
  set -E
  trap 'e2e_log "command failed (exit $?) at line $LINENO: $BASH_COMMAND"' ERR
  # Copy the build into the prefix so the program runs from C:\qorbin.
  mkdir -p "$WINEPREFIX/drive_c/qorbin"
  cp "$QB_BIN"/*.exe "$WINEPREFIX/drive_c/qorbin/" 2>/dev/null || true
  cp "$QB_BIN"/*.dll "$WINEPREFIX/drive_c/qorbin/" 2>/dev/null || true
  cp "$QB_BIN"/*.map "$WINEPREFIX/drive_c/qorbin/" 2>/dev/null || true
  cp "$QB_BIN"/*.sym "$WINEPREFIX/drive_c/qorbin/" 2>/dev/null || true
  cp "$QB_BIN"/*.chm "$WINEPREFIX/drive_c/qorbin/" 2>/dev/null || true
  # One Wine server for the whole scenario: it would otherwise end a few
  # seconds after each program and the next one would start another.
  wineserver -p >/dev/null 2>&1 || true
  e2e_log "prefix $WINEPREFIX display $DISPLAY"
}

# Path of the Windows documents folder of the prefix, as a Linux path.
e2e_documents() {
  local d
  for d in "$WINEPREFIX/drive_c/users/${USER:-}/Documents" "$WINEPREFIX/drive_c/users/$(id -un)/Documents" \
           "$WINEPREFIX"/drive_c/users/*/Documents; do
    [ -e "$d" ] && { echo "$d"; return; }
  done
  echo "$WINEPREFIX/drive_c/users/$(id -un)/Documents"
}

# The agent's configuration folder under the documents folder.
e2e_config_dir() { echo "$(e2e_documents)/Vorlune files"; }

# Starts a Windows program of the build in the background: e2e_start NAME.exe [ARGS...]
e2e_start() {
  local exe="$1"; shift
  (cd "$WINEPREFIX/drive_c/qorbin" && exec wine "C:\\qorbin\\$exe" "$@" >>"$E2E_DIR/wine.out" 2>&1) &
  echo $!
}

# Runs a Windows program of the build and waits for it: e2e_run NAME.exe [ARGS...]
e2e_run() {
  local exe="$1"; shift
  (cd "$WINEPREFIX/drive_c/qorbin" && wine "C:\\qorbin\\$exe" "$@")
}

# e2e_wait SECONDS DESCRIPTION COMMAND...: polls COMMAND every 0.2 s until it
# succeeds or the deadline passes (then fails the scenario).
e2e_wait() {
  local secs="$1" what="$2"; shift 2
  local deadline=$(( $(date +%s%N) + secs * 1000000000 ))
  while :; do
    if "$@" >/dev/null 2>&1; then return 0; fi
    if [ "$(date +%s%N)" -gt "$deadline" ]; then
      e2e_log "timed out after ${secs}s waiting for: $what"
      return 1
    fi
    sleep 0.2
  done
}

# Text of a UTF-16LE file (as the agent's logs are) in UTF-8.
e2e_utf16() { iconv -f UTF-16 -t UTF-8 "$1" 2>/dev/null; }

# e2e_log_has TEXT: the agent's main log holds TEXT. Logs reach the file at the
# writer's flush; scenarios that need a line soon ask the agent to flush.
e2e_log_has() {
  local f; f="$(e2e_config_dir)/Log/folder.log"
  [ -f "$f" ] && e2e_utf16 "$f" | grep -qF -- "$1"
}

# e2e_reg_query KEY [VALUE]: prints `wine reg query` output.
e2e_reg_query() {
  if [ $# -ge 2 ]; then wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r'
  else wine reg query "$1" 2>/dev/null | tr -d '\r'; fi
}

# e2e_reg_value KEY VALUE: prints only the data of a value (empty if missing).
e2e_reg_value() {
  e2e_reg_query "$1" "$2" | awk -v n="$2" 'BEGIN{IGNORECASE=1} $1==n {sub(/^[ \t]*[^ \t]+[ \t]+REG_[A-Z_]+[ \t]*/, ""); print; exit}'
}

e2e_reg_add() { wine reg add "$@" /f >/dev/null 2>&1; }

e2e_screenshot() {
  local name="$1"
  import -window root -display "$DISPLAY" "$E2E_DIR/$name.png" 2>/dev/null || true
}

# Windows of the display whose name matches: e2e_find_window NAME-REGEX
e2e_find_window() { xdotool search --name "$1" 2>/dev/null | head -n1; }

e2e_pass() { E2E_OK=1; }

# A failed scenario's agent is asked to end before its logs are copied: the
# writer appends its batch to folder.log only every 30 s and at the end.
e2e_quit_agent() {
  local probe=(timeout 10 wine 'C:\qorbin\agent_probe.exe')
  (
    cd "$WINEPREFIX/drive_c/qorbin" 2>/dev/null || exit 0
    "${probe[@]}" find >/dev/null 2>&1 || exit 0
    "${probe[@]}" post 0012 >/dev/null 2>&1 || true
    for _ in $(seq 20); do
      "${probe[@]}" find >/dev/null 2>&1 || { sleep 0.5; exit 0; }  # the last batch
      sleep 0.2
    done
  )
}

e2e_end() {
  local rc=$?
  if [ "$E2E_OK" != 1 ] || [ "$rc" -ne 0 ]; then
    e2e_screenshot failure
    e2e_quit_agent
    local cfg; cfg="$(e2e_config_dir 2>/dev/null || true)"
    [ -d "$cfg" ] && cp -r "$cfg" "$E2E_DIR/config-copy" 2>/dev/null || true
    # CI keeps only the output: the tails of Wine's output and of the agent's logs.
    if [ -s "$E2E_DIR/wine.out" ]; then
      e2e_log "wine.out (last lines):"; tail -n 15 "$E2E_DIR/wine.out" >&2 || true
    fi
    local f
    for f in "$cfg/Log/folder.log" "$cfg/Log/folder_error.log"; do
      [ -f "$f" ] || continue
      e2e_log "$(basename "$f") (last lines):"; e2e_utf16 "$f" | tail -n 25 >&2 || true
    done
    e2e_log "FAILED; artifacts in $E2E_DIR"
    [ "$rc" -eq 0 ] && rc=1
  fi
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  [ -n "$E2E_XVFB_PID" ] && kill "$E2E_XVFB_PID" 2>/dev/null || true
  # A passing scenario's prefix is not needed afterwards (they are large).
  [ "$rc" -eq 0 ] && rm -rf "$E2E_DIR/prefix"
  exit "$rc"
}
