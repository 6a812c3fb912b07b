#!/usr/bin/env bash
# The README's pictures: docs/*.png from the screenshots the end-to-end
# tests keep in build/artefacts (./test makes them; see tests/e2e).
set -euo pipefail
cd "$(dirname "$0")/.."
art="${PI_BUILD:-$PWD/build}/artefacts"
convert=$(command -v convert || command -v convert-im6.q16)
mkdir -p docs
for name in page-driver page-manual page-firmware usb-printer-detected firmware-download; do
  if [ ! -f "$art/$name.bmp" ]; then
    echo "make-screenshots: $art/$name.bmp is missing; run ./test first" >&2
    exit 1
  fi
  # No time stamps, so that the same picture makes the same file.
  "$convert" "$art/$name.bmp" -strip -define png:exclude-chunks=date,time "docs/$name.png"
  echo "docs/$name.png"
done
