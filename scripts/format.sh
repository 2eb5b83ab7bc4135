#!/usr/bin/env bash
# Formats the C and C++ sources with clang-format-14 and the project's
# .clang-format. "--check" changes nothing: it lists the files that are not
# formatted and fails when there is one (./test.sh runs it first).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
mapfile -t files < <(git ls-files '*.c' '*.cpp' '*.h')
if [ "${1:-}" = "--check" ]; then
  # --dry-run -Werror names each file that would change and fails on the first.
  if ! clang-format-14 --style=file --dry-run -Werror "${files[@]}" 2>/tmp/format-check.$$; then
    grep -o '^[^:]*:[0-9]*:[0-9]*: error' /tmp/format-check.$$ | cut -d: -f1 | sort -u |
      sed 's/^/not formatted (run scripts\/format.sh): /' >&2
    rm -f /tmp/format-check.$$
    exit 1
  fi
  rm -f /tmp/format-check.$$
  echo "format: ${#files[@]} files formatted"
else
  clang-format-14 -i --style=file "${files[@]}"
fi
