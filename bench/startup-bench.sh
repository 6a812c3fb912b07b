#!/usr/bin/env bash
# Runs the start-up benchmark (startup_bench.cpp) under Wine on the demo
# medium.  Wine writes a traced process's WINEDEBUG output to the error
# output it inherited, so the benchmark's own goes to a file it then reads.
#   bench/startup-bench.sh [runs]
set -euo pipefail
cd "$(dirname "$0")/.."
export PI_BUILD="${PI_BUILD:-$PWD/build}"
PI_WIN_TARGETS="startup_bench" ./scripts/build.sh --win-only >/dev/null
source scripts/wine-env.sh
pi_wine_prefix
pi_xvfb_start
trap 'pi_wine_stop; pi_xvfb_stop' EXIT
trace="$PI_BUILD/startup-trace.txt"
: >"$trace"
wine "$PI_BUILD/win/bench/startup_bench.exe" "$@" --trace "$(winepath -w "$trace" 2>/dev/null)" 2>>"$trace"
