#!/bin/sh
# Creates the Wine prefix the Windows tests share (CTest runs this once, as a fixture,
# before any test that needs it, so parallel tests never race to create it).
# Usage: create_wine_prefix.sh WINE64 PREFIX
# An existing, complete prefix is reused. Exits non-zero when Wine cannot set it up.
set -eu
wine=$1
prefix=$2
here=$(dirname "$0")
WINEPREFIX=$prefix
. "$here/wine_env.sh"
if [ -f "$prefix/system.reg" ] && [ -d "$prefix/drive_c/windows/system32" ]; then
  echo "reusing the Wine prefix $prefix"
  exit 0
fi
rm -rf "$prefix"
# A 64-bit-only Wine cannot start the 32-bit half of the set-up and says so; that is
# expected and harmless, so only the exit status counts.
"$wine" wineboot --init >"$prefix.log" 2>&1 || { cat "$prefix.log"; exit 1; }
# wineboot returns before the prefix is written out; wait for the server to finish.
"$(dirname "$wine")/wineserver" -w
if [ ! -f "$prefix/system.reg" ]; then
  cat "$prefix.log"
  echo "Wine did not create the prefix $prefix"
  exit 1
fi
echo "created the Wine prefix $prefix"
