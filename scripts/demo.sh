#!/bin/sh
# The demo: the stand-in host kwhost runs the plug-in built beside it on a copy of the
# bundled sample log in BUILD/demo (the samples themselves are never written), printing the
# host log and the protocol the plug-in had the host save.
# Usage: scripts/demo.sh [BUILD]
set -eu
build=${1:-build}
kwhost="$build/bin/kwhost"
demo="$build/demo"
rm -rf "$demo"
mkdir -p "$demo"
cp samples/face_house_demo.log "$demo/"

echo "== kwhost info"
"$kwhost" info

echo
echo "== kwhost import $demo/face_house_demo.log --subject-column --pictures-only"
echo "   (menu 1; the log has a Subject column; Picture events only; TR 2000; durations"
echo "   from the next event)"
"$kwhost" import "$demo/face_house_demo.log" --subject-column --pictures-only \
  --log "$demo/host.log" --transcript "$demo/calls.txt"
echo "== the raw host log is in $demo/host.log, every host call in $demo/calls.txt"

echo
echo "== the protocol the plug-in saved: kwhost show $demo/face_house_demo.prt"
"$kwhost" show "$demo/face_house_demo.prt"

echo
echo "== the protocol and the log as pictures: kwhost plot $demo/face_house_demo.prt, then"
echo "   kwhost plot $demo/face_house_demo.log (its events from the first scanner trigger, and"
echo "   the triggers); open the .svg files in a browser (docs/ holds copies)"
"$kwhost" plot "$demo/face_house_demo.prt"
"$kwhost" plot "$demo/face_house_demo.log"

echo
echo "== is the design estimable? kwhost events $demo/face_house_demo.log, then kwhost design"
echo "   on its events file: the scan's 55 volumes of 2000 ms, the four conditions (fixation is"
echo "   the rest the constant models) and one contrast; exit 1: each condition has two blocks"
echo "   only (docs/ holds a copy of the picture)"
"$kwhost" events "$demo/face_house_demo.log"
status=0
"$kwhost" design "$demo/face_house_demo_events.tsv" --tr 2000 --volumes 55 \
  --conditions faces,houses,cue_faces,cue_houses --contrast faces-houses=faces-houses \
  -o "$demo/face_house_demo_design.svg" || status=$?
echo "== exit status $status"
