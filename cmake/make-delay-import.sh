#!/bin/sh
# Makes a delay-import library from a MinGW import library: the same entry
# points, but the DLL is loaded at the first call instead of at start.
#   make-delay-import.sh DLLTOOL NM IMPORT_LIB OUT_DEF OUT_LIB
set -eu
dlltool=$1 nm=$2 implib=$3 def=$4 out=$5
dll=$("$dlltool" --identify "$implib")
{
  echo "LIBRARY \"$dll\""
  echo "EXPORTS"
  "$nm" --defined-only "$implib" | sed -n 's/.* I __imp_//p' | sort -u
} >"$def.tmp"
mv "$def.tmp" "$def"
"$dlltool" --input-def "$def" --output-delaylib "$out"
