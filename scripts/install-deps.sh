#!/usr/bin/env bash
# Installs the Debian packages the build, the demo and the tests need.
# Idempotent: asks apt only for what is missing, so a second run costs nothing.
set -euo pipefail

need=(
  cmake ninja-build g++ clang libclang-rt-14-dev googletest libgtest-dev xorriso
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-tools
  wine wine64 fonts-wine xvfb x11-utils xdotool imagemagick fonts-wqy-zenhei fonts-arphic-uming locales
  foomatic-db  # device IDs sent in from real printers, for the device-ID tests
)

missing=()
for p in "${need[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# A Chinese locale gives Wine the ANSI code page 936, which the catalogue
# and the INF readers must be tested under.  Built into our own folder so
# the system's locale set stays untouched.
locdir="${PRINTER_INSTALL_LOCPATH:-/var/cache/printer-install-locale}"
if [ ! -d "$locdir/zh_CN.UTF-8" ]; then
  mkdir -p "$locdir"
  localedef -i zh_CN -f UTF-8 "$locdir/zh_CN.UTF-8" 2>/dev/null || true
fi
