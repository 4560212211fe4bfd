#!/bin/sh
# `kwhost triggers` on a real Presentation log, run by the Windows stand-in host under Wine
# and by the Linux one, each in a folder of its own on a copy of the log: the text report
# with --tr 2000 and the JSON with --skip 5 must end with the same exit status and print the
# same, once the CRLF line ends of the Windows console streams are read as LF.
# Usage: kwhost_triggers_session.sh WINE64 PREFIX WINDOWS_KWHOST LINUX_KWHOST LOG WORK STATUS
# STATUS is the exit status both runs must end with. WORK is emptied first. Exits 0 when
# both match, else 1 with what differs.
set -eu
wine=$1
prefix=$2
windows_kwhost=$3
linux_kwhost=$4
log=$5
work=$6
expected=$7
here=$(cd "$(dirname "$0")" && pwd)
name=$(basename "$log")

. "$here/session_run.sh"
prepare_work "$log" "$name"
status=0

for platform in linux windows; do
  run_kwhost "$platform" text "$expected" triggers "$name" --tr 2000
  run_kwhost "$platform" json "$expected" triggers "$name" --json --skip 5
done
compare_outputs text.out text.err json.out json.err
[ -s "$work/linux/text.out" ] || { echo "FAILED: no report"; status=1; }
[ "$status" -eq 0 ] && echo "ok: triggers of $name, the same on Windows and Linux"
exit "$status"
