#!/bin/sh
# The demo: the stand-in host kwhost runs the plug-in built beside it, on copies of the
# bundled samples in BUILD/demo (the samples themselves are never written).
# Usage: scripts/demo.sh [BUILD]
set -eu
build=${1:-build}
kwhost="$build/bin/kwhost"
demo="$build/demo"
rm -rf "$demo"
mkdir -p "$demo"
cp samples/faces_houses.prt samples/faces_houses.log "$demo/"

echo "== kwhost info"
"$kwhost" info

echo
echo "== kwhost show $demo/faces_houses.prt"
"$kwhost" show "$demo/faces_houses.prt"

echo
echo "== kwhost run $demo/faces_houses.prt --answer 3 --answer 2,0,1"
echo "   (the menu, scripted: 3 = sort the conditions, in the order 2,0,1)"
status=0
"$kwhost" run "$demo/faces_houses.prt" --answer 3 --answer 2,0,1 \
  --log "$demo/host.log" --transcript "$demo/calls.txt" || status=$?
echo "== kwhost exited with status $status"
echo "   the raw host log is in $demo/host.log, every host call in $demo/calls.txt"

for saved in "$demo"/*_ordered.prt; do
  [ -f "$saved" ] || continue
  echo
  echo "== the protocol the plug-in saved: kwhost show $saved"
  "$kwhost" show "$saved"
done
