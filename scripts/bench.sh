#!/usr/bin/env bash
# Runs every benchmark and prints one line per figure: name, figure, unit.
#
#   scripts/bench.sh [FILTER]
#
# - every Google Benchmark program of the host build (bench/*.cpp): its time
#   per iteration and its counters;
# - every bench/*.sh script: its stdout lines "name figure unit" (the e2e ones
#   need the windows build and run under Wine).
# FILTER (a regular expression) picks programs' benchmarks and scripts by name.
# Builds nothing: run scripts/build.sh host (and windows) first.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
filter="${1:-.}"
bin="$root/build/host/bin"
failed=0

for program in "$bin"/*_bench; do
  [ -x "$program" ] || continue
  json="$(mktemp)"
  if "$program" --benchmark_filter="$filter" --benchmark_format=json --benchmark_out="$json" >/dev/null 2>&1; then
    python3 - "$json" <<'EOF'
import json, sys
skip = {"name", "run_name", "run_type", "repetitions", "repetition_index", "threads", "iterations",
        "real_time", "cpu_time", "time_unit", "family_index", "per_family_instance_index", "label",
        "aggregate_name", "aggregate_unit", "error_occurred", "error_message"}
for b in json.load(open(sys.argv[1])).get("benchmarks", []):
    print("%s %.4g %s" % (b["name"], b["real_time"], b.get("time_unit", "ns")))
    for k, v in b.items():
        if k not in skip and isinstance(v, (int, float)):
            unit = "ms" if k.endswith("_ms") else ("/s" if k.endswith("_per_second") else "")
            print("%s/%s %.4g %s" % (b["name"], k, v, unit))
EOF
  else
    echo "$(basename "$program") failed" >&2
    failed=1
  fi
  rm -f "$json"
done

for script in "$root"/bench/*.sh; do
  [ -f "$script" ] || continue
  name="$(basename "$script" .sh)"
  echo "$name" | grep -Eq -- "$filter" || continue
  QB_SRC="$root" QB_HOST_BIN="$bin" bash "$script" | grep -E '^[^ ]+ [^ ]+ [^ ]*$' || {
    echo "$name failed" >&2
    failed=1
  }
done
exit "$failed"
