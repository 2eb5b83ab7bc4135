#!/usr/bin/env bash
# Configures and builds one of the builds: host (sim platform, unit tests and
# benchmarks), windows (MinGW-w64 cross build of qorbin.exe, qx.dll and the
# e2e test programs), asan (the host build's unit tests under clang's
# AddressSanitizer and UndefinedBehaviorSanitizer) or fuzz (the libFuzzer
# targets of tests/fuzz on the host build's libraries, same sanitizers).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
kind="${1:-host}"
jobs="$(nproc 2>/dev/null || echo 2)"
# ccache, when present, shares compiled objects between clones and work trees of
# the project: paths are taken relative to the clone, the build folder is not hashed.
launcher=()
if command -v ccache >/dev/null 2>&1; then
  export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
case "$kind" in
  host)
    cmake -S "$root" -B "$root/build/host" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
    cmake --build "$root/build/host" -j "$jobs"
    ;;
  windows)
    cmake -S "$root" -B "$root/build/windows" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" "${launcher[@]}" >/dev/null
    cmake --build "$root/build/windows" -j "$jobs"
    ;;
  asan)
    cmake -S "$root" -B "$root/build/asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
      -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
      -DCMAKE_C_FLAGS_DEBUG="-g -O1" -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
      -DQB_SANITIZE=address,undefined "${launcher[@]}" >/dev/null
    cmake --build "$root/build/asan" -j "$jobs"
    ;;
  fuzz)
    cmake -S "$root" -B "$root/build/fuzz" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
      -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
      -DCMAKE_C_FLAGS_DEBUG="-g -O1" -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
      -DQB_SANITIZE=address,undefined -DQB_FUZZ=ON "${launcher[@]}" >/dev/null
    cmake --build "$root/build/fuzz" -j "$jobs"
    ;;
  *)
    echo "usage: $0 host|windows|asan|fuzz" >&2
    exit 2
    ;;
esac
