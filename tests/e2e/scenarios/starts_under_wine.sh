#!/usr/bin/env bash
# The windows build starts under Wine and ends cleanly.
source "$QB_SRC/tests/e2e/lib.sh"
e2e_begin starts_under_wine
e2e_run qorbin.exe /update
e2e_pass
