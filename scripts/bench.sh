#!/usr/bin/env bash
# Builds the host build and runs every benchmark, printing one table: name,
# figure, unit.
#
#   scripts/bench.sh [--no-build] [--min-time SECONDS] [FILTER]
#
# Sources of rows (add a benchmark by adding a file, nothing else):
# - every Google Benchmark program built from bench/*.cpp: its time per
#   iteration, its rates (items/s, bytes/s) and its counters;
# - every bench/*.sh script: each stdout line "name figure unit" is a row
#   (other lines are ignored), run with QB_HOST_BIN and QB_SRC set.
# FILTER (a regular expression) picks the programs' benchmarks and the scripts
# by name. Times are short measurements (--min-time, 0.05 s by default): a
# quick comparison, not a release figure.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build=1
min_time=0.05
filter=""
while [ $# -gt 0 ]; do
  case "$1" in
    --no-build) build=0 ;;
    --min-time) min_time="$2"; shift ;;
    -h|--help) sed -n '2,15p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) filter="$1" ;;
  esac
  shift
done

if [ "$build" = 1 ]; then
  bash "$root/scripts/build.sh" host >&2
fi
bin="$root/build/host/bin"
rows="$(mktemp)"
trap 'rm -f "$rows" "$rows.json"' EXIT
failed=0

# Google Benchmark JSON -> rows (tab separated: name, figure, unit).
to_rows() {
  python3 -c '
import json, sys
text = open(sys.argv[1]).read()
if not text.strip():
    sys.exit(0)  # the filter matched no benchmark of this program
data = json.loads(text)
skip = {"name", "run_name", "run_type", "repetitions", "repetition_index", "threads", "iterations",
        "real_time", "cpu_time", "time_unit", "family_index", "per_family_instance_index",
        "aggregate_name", "aggregate_unit", "items_per_second", "bytes_per_second", "label", "error_occurred",
        "error_message"}
def fig(v):
    return "%.4g" % v if abs(v) < 1e6 else "%.0f" % v
for b in data.get("benchmarks", []):
    if b.get("run_type") == "aggregate" and b.get("aggregate_name") not in ("mean", "min"):
        continue
    if b.get("error_occurred"):
        print("%s\terror\t%s" % (b["name"], b.get("error_message", "")))
        continue
    name = b["name"]
    print("%s\t%s\t%s" % (name, fig(b["real_time"]), b["time_unit"]))
    if "items_per_second" in b:
        print("%s/items\t%s\titems/s" % (name, fig(b["items_per_second"])))
    if "bytes_per_second" in b:
        print("%s/bytes\t%s\tMB/s" % (name, fig(b["bytes_per_second"] / 1e6)))
    for k, v in b.items():
        if k in skip or not isinstance(v, (int, float)):
            continue
        unit = "ms" if k.endswith("_ms") else "-"
        print("%s/%s\t%s\t%s" % (name, k, fig(v), unit))
' "$1"
}

for src in "$root"/bench/*.cpp; do
  name="$(basename "$src" .cpp)"
  exe="$bin/$name"
  if [ ! -x "$exe" ]; then
    printf '%s\tnot built\t-\n' "$name" >>"$rows"
    failed=1
    continue
  fi
  args=(--benchmark_format=json --benchmark_min_time="$min_time")
  [ -n "$filter" ] && args+=(--benchmark_filter="$filter")
  if ! (cd "$root/build/host" && "$exe" "${args[@]}" >"$rows.json" 2>/dev/null); then
    printf '%s\tfailed\t-\n' "$name" >>"$rows"
    failed=1
    continue
  fi
  to_rows "$rows.json" >>"$rows"
done

for script in "$root"/bench/*.sh; do
  [ -e "$script" ] || continue
  name="$(basename "$script" .sh)"
  if [ -n "$filter" ] && ! [[ "$name" =~ $filter ]]; then continue; fi
  if ! out="$(QB_HOST_BIN="$bin" QB_SRC="$root" bash "$script" 2>/dev/null)"; then
    printf '%s\tfailed\t-\n' "$name" >>"$rows"
    failed=1
  fi
  # Only "name figure unit" lines count; a figure is a number.
  printf '%s\n' "${out:-}" | awk '(NF == 2 || NF == 3) && $2 ~ /^-?[0-9.]+([eE][-+]?[0-9]+)?$/ { printf "%s\t%s\t%s\n", $1, $2, $3 }' >>"$rows"
done

{
  printf 'name\tfigure\tunit\n'
  cat "$rows"
} | awk -F'\t' '{ n[NR] = $1; f[NR] = $2; u[NR] = $3; if (length($1) > w) w = length($1); if (length($2) > v) v = length($2) }
  END { for (i = 1; i <= NR; i++) printf "%-" w "s  %" v "s  %s\n", n[i], f[i], u[i] }'
exit "$failed"
