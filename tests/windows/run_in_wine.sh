#!/bin/sh
# Runs a Windows program under Wine in the tests' prefix and exits with its exit status.
# A run that fails without printing anything at all is Wine's failure, not the program's
# (kwhost and the test hosts say why whenever they fail; here about one Wine run in a
# thousand ended so, a session's reorder that printed nothing and exited 1): it is run once
# more, and the retry is written to PREFIX.retries.log, not to the program's streams, which
# the tests compare.
# Usage: run_in_wine.sh WINE64 PREFIX PROGRAM [ARGUMENT...]
set -eu
wine=$1
prefix=$2
shift 2
here=$(dirname "$0")
WINEPREFIX=$prefix
. "$here/wine_env.sh"
out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
code=0
"$wine" "$@" >"$out" 2>"$err" || code=$?
if [ "$code" -ne 0 ] && [ ! -s "$out" ] && [ ! -s "$err" ]; then
  echo "$(date -u +%FT%TZ) $*: status $code without a word; run once more" \
    >>"$prefix.retries.log"
  code=0
  "$wine" "$@" >"$out" 2>"$err" || code=$?
fi
cat "$out"
cat "$err" >&2
exit "$code"
