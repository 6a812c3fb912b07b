#!/usr/bin/env bash
# Configures (once) and builds both builds:
#   build/win   the Windows program, its tests and tools (MinGW-w64)
#   build/host  the portable rules, unit tests and fuzzers (clang, sanitizers)
set -euo pipefail
cd "$(dirname "$0")/.."
PI_BUILD="${PI_BUILD:-$PWD/build}"
jobs=$(nproc)
win_only=0
[ "${1:-}" = "--win-only" ] && win_only=1

if [ ! -f "$PI_BUILD/win/build.ninja" ]; then
  cmake -S . -B "$PI_BUILD/win" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" >/dev/null
fi
if [ "$win_only" = 0 ]; then
  if [ ! -f "$PI_BUILD/host/build.ninja" ]; then
    CC=clang CXX=clang++ cmake -S . -B "$PI_BUILD/host" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  fi
  ninja -C "$PI_BUILD/host" -j "$jobs" ${PI_HOST_TARGETS:-}
fi
ninja -C "$PI_BUILD/win" -j "$jobs" ${PI_WIN_TARGETS:-}
