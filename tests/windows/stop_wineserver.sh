#!/bin/sh
# Ends the wineserver that create_wine_prefix.sh started, once the last Wine test is done
# (CTest runs this as the fixture's cleanup), and waits until it is gone.
# Usage: stop_wineserver.sh WINE64 PREFIX
set -eu
wine=$1
prefix=$2
here=$(dirname "$0")
server="$(dirname "$wine")/wineserver"
WINEPREFIX=$prefix
. "$here/wine_env.sh"
"$server" -k 2>/dev/null || true
"$server" -w
echo "stopped the tests' wineserver"
