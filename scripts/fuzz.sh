#!/usr/bin/env bash
# Runs the libFuzzer targets of tests/fuzz (the fuzz build, scripts/build.sh fuzz).
#
#   scripts/fuzz.sh [SECONDS]   builds the fuzz build, then runs every target over
#                               its seed corpus and for SECONDS more (default 60),
#                               one after the other, and prints a table of runs
#                               and coverage.
#   scripts/fuzz.sh --one BINARY NAME SECONDS BUILD   one target (ctest uses this)
#
# Seeds are read from tests/fuzz/corpus/NAME and never changed; new inputs go to
# BUILD/corpus/NAME, a crash, leak or time-out to BUILD/artifacts/NAME/ (add it to
# the seed corpus once fixed). Exits non-zero when any target failed.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

run_one() {
  local bin="$1" name="$2" seconds="$3" build="$4"
  local work="$build/corpus/$name" artifacts="$build/artifacts/$name" seeds="$root/tests/fuzz/corpus/$name"
  mkdir -p "$work" "$artifacts" "$seeds"
  local log="$build/fuzz-$name.log" status=0
  # -timeout: one input running longer than this is a hang; -rss_limit_mb: memory
  # per process; leaks are reported by AddressSanitizer at each input's end.
  "$bin" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$artifacts/" "$work" "$seeds" >"$log" 2>&1 || status=$?
  local runs cov ft corp
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
  cov="$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)"
  ft="$(grep -o 'ft: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)"
  corp="$(grep -o 'corp: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)"
  printf 'fuzz %-18s %s: %s runs in %ss, cov %s, ft %s, corpus %s\n' "$name" \
    "$([ $status -eq 0 ] && echo ok || echo FAILED)" "${runs:-?}" "$seconds" "${cov:-?}" "${ft:-?}" "${corp:-?}"
  if [ $status -ne 0 ]; then
    grep -E 'ERROR|rule broken|runtime error|SUMMARY|Test unit written' "$log" | head -20 || true
    echo "full log: $log"
  fi
  return $status
}

if [ "${1:-}" = "--one" ]; then
  shift
  run_one "$@"
  exit $?
fi

seconds="${1:-60}"
bash "$root/scripts/build.sh" fuzz
build="$root/build/fuzz"
status=0
for bin in "$build"/bin/fuzz_*; do
  name="$(basename "$bin")"
  run_one "$bin" "${name#fuzz_}" "$seconds" "$build" || status=1
done
exit $status
