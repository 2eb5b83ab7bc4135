#!/usr/bin/env bash
# Installs with apt-get whatever a fresh Debian 12 machine lacks for building and
# testing the agent. Safe to run again: it installs only missing packages.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ make pkg-config ccache
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 libz-mingw-w64-dev
  libgtest-dev libgmock-dev libbenchmark-dev zlib1g-dev libssl-dev
  wine wine64 xvfb xdotool x11-utils imagemagick
  unzip zip python3 python3-aiosmtpd openssl
  nsis fp-utils libchm-bin clang-14 libclang-rt-14-dev clang-format-14 clang-tidy-14
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
