#!/bin/sh
# Runs a Windows program under Wine in the tests' prefix and exits with its exit status.
# Usage: run_in_wine.sh WINE64 PREFIX PROGRAM [ARGUMENT...]
set -eu
wine=$1
prefix=$2
shift 2
here=$(dirname "$0")
WINEPREFIX=$prefix
. "$here/wine_env.sh"
exec "$wine" "$@"
