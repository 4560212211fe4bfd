#!/bin/sh
# `kwhost triggers --bold` and `kwhost import --bold` on a real Presentation log and a BOLD
# image (without its sidecar, so that no absolute path is printed: K is given, --skip 4, as
# the sidecar would state it), run by the Windows
# stand-in host under Wine and by the Linux one, each in a folder of its own on copies: the
# JSON report, the messages and the two saved protocols (the import's and the shifted one)
# must be the same, once the CRLF line ends of the Windows console streams are read as LF.
# Usage: kwhost_bold_session.sh WINE64 PREFIX WINDOWS_KWHOST LINUX_KWHOST LOG IMAGE WORK
# WORK is emptied first. Exits 0 when both match, else 1 with what differs.
set -eu
wine=$1
prefix=$2
windows_kwhost=$3
linux_kwhost=$4
log=$5
image=$6
work=$7
here=$(cd "$(dirname "$0")" && pwd)
name=$(basename "$log")
stem=${name%.log}

. "$here/session_run.sh"
prepare_work "$log" "$name"
if [ ! -f "$image" ]; then
  echo "FAILED: no BOLD image $image"
  exit 1
fi
cp "$image" "$work/linux/run_bold.nii.gz"
cp "$image" "$work/windows/run_bold.nii.gz"
status=0

for platform in linux windows; do
  run_kwhost "$platform" json 0 triggers "$name" --json --bold run_bold.nii.gz --skip 4
  run_kwhost "$platform" import 0 import "$name" --quiet --bold run_bold.nii.gz --skip 4
done
compare_outputs json.out json.err import.out import.err
saved=0
for file in "$work/linux/$stem"*.prt; do
  [ -f "$file" ] || continue
  saved=$((saved + 1))
  if ! cmp -s "$file" "$work/windows/$(basename "$file")"; then
    echo "FAILED: $(basename "$file") differs or is missing on Windows"
    status=1
  fi
done
[ "$saved" -eq 2 ] || { echo "FAILED: $saved protocols saved on Linux, not 2"; status=1; }
grep -q '"skip": 4' "$work/linux/json.out" || { echo "FAILED: K is not 4"; status=1; }
[ "$status" -eq 0 ] && echo "ok: triggers and import --bold of $name, the same on Windows and Linux"
exit "$status"
