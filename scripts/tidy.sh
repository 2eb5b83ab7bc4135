#!/usr/bin/env bash
# Runs clang-tidy (.clang-tidy) over the product's sources, the simulated
# platform and the host tools in the host build's compile_commands.json.
# Fails on any finding. Builds the host build first when it is missing.
# Not part of ./test.sh: on a 2-core machine a full run takes many minutes.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
db="$root/build/host"
[ -f "$db/compile_commands.json" ] || bash "$root/scripts/build.sh" host
jobs="$(nproc 2>/dev/null || echo 2)"
tidy="$(command -v run-clang-tidy-14 || command -v run-clang-tidy)"
exec "$tidy" -quiet -j "$jobs" -p "$db" "$@" "$root/(src|sim|tools)/.*\\.cpp$"
