#!/usr/bin/env bash
# Runs every test: installs what is missing, builds the host and windows builds,
# the asan and fuzz builds, then runs the host unit tests, the unit tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer, every fuzz target over its seeds
# and for 15 seconds more, and the e2e scenarios (Wine on Xvfb) through ctest.
set -euo pipefail
root="$(cd "$(dirname "$0")" && pwd)"
cd "$root"
bash scripts/setup.sh
bash scripts/build.sh host
bash scripts/build.sh windows
bash scripts/build.sh asan
bash scripts/build.sh fuzz
status=0
ctest --test-dir build/host --output-on-failure -j "$(nproc)" || status=1
ctest --test-dir build/asan --output-on-failure -j "$(nproc)" || status=1
ctest --test-dir build/fuzz --output-on-failure -j "$(nproc)" || status=1
ctest --test-dir build/windows --output-on-failure -L e2e || status=1
exit $status
