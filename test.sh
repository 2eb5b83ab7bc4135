#!/usr/bin/env bash
# Runs every test: installs what is missing, checks the formatting, builds the
# host and windows builds,
# the asan and fuzz builds, then runs the host unit tests, the unit tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer, every fuzz target over its seeds
# and for 15 seconds more, and the e2e scenarios (Wine on Xvfb) through ctest.
set -euo pipefail
root="$(cd "$(dirname "$0")" && pwd)"
cd "$root"
bash scripts/setup.sh
status=0
# Every C and C++ file is formatted; an unformatted one fails the run (after the
# other tests, so one run shows everything).
bash scripts/format.sh --check || status=1
bash scripts/build.sh host
bash scripts/build.sh windows
bash scripts/build.sh asan
bash scripts/build.sh fuzz
ctest --test-dir build/host --output-on-failure -j "$(nproc)" || status=1
ctest --test-dir build/asan --output-on-failure -j "$(nproc)" || status=1
ctest --test-dir build/fuzz --output-on-failure -j "$(nproc)" || status=1
ctest --test-dir build/windows --output-on-failure -L e2e || status=1
exit $status
