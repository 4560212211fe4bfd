#!/bin/sh
# The plug-in finds the Windows stand-in host by its module name under Wine: as built,
# HaldenKW.exe (the second name the plug-in tries), and copied as Halden.exe (the first), it
# binds and runs the menu; copied as kwhost.exe, neither name is loaded, so initPlugin fails
# without calling the host and kwhost exits 1. The copies sit in WORK with the plug-in.
# Usage: kwhost_module_names.sh WINE64 PREFIX KWHOST WORK
# WORK is emptied first. Exits 0 when every run went as expected, else 1 with what differs.
set -eu
wine=$1
prefix=$2
kwhost=$3
work=$4
here=$(cd "$(dirname "$0")" && pwd)

rm -rf "$work"
mkdir -p "$work"
cp "$kwhost" "$work/Halden.exe"
cp "$kwhost" "$work/kwhost.exe"
cp "$(dirname "$kwhost")/stimforge.dll" "$work/"
status=0

# check PROGRAM EXPECTED_STATUS EXPECTED_ERR EXPECTED_CALLS: runs PROGRAM with the menu
# answered 0 in WORK and compares its exit status, standard error and host calls.
check() {
  program=$1
  code=0
  (cd "$work" && sh "$here/run_in_wine.sh" "$wine" "$prefix" "$program" run --answer 0 \
    --transcript calls.txt >out.txt 2>err.txt) || code=$?
  label=$(basename "$program")
  if [ "$code" -ne "$2" ]; then
    echo "FAILED: $label exited with $code, expected $2"
    status=1
  fi
  if [ "$(sed 's/\r$//' "$work/err.txt")" != "$3" ]; then
    echo "FAILED: $label printed on standard error:"
    cat "$work/err.txt"
    status=1
  fi
  if [ "$(cat "$work/calls.txt")" != "$4" ]; then
    echo "FAILED: $label made these host calls:"
    cat "$work/calls.txt"
    status=1
  fi
}

menu_calls='kwGetVersionOfHaldenKW() -> 2.9.9
kwShowLogTab()
kwLogText(\nstimforge> Started...)
kwGetIntegerInput(Please select an option:<P>1 = Create stimulation protocol from Presentation Log file<BR>2 = Change the offset in an existing stimulation protocol<BR>3 = Sort conditions in an existing stimulation protocol, 1, 1, 3) -> 0
kwLogText(No valid option selected.)
kwLogText(Cancelled further operations.)
kwLogText(Finished.\n)'
not_finished='kwhost: run: the plug-in did not report "Plugin operations finished successfully."'

check "$kwhost" 1 "$not_finished" "$menu_calls"
check "$work/Halden.exe" 1 "$not_finished" "$menu_calls"
check "$work/kwhost.exe" 1 "kwhost: the plug-in refused to start (initPlugin returned false)" ""
if [ -s "$work/out.txt" ]; then
  echo "FAILED: kwhost.exe printed:"
  cat "$work/out.txt"
  status=1
fi
[ "$status" -eq 0 ] && echo "ok: bound as HaldenKW.exe and Halden.exe, refused as kwhost.exe"
exit "$status"
