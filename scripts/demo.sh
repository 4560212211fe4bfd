#!/bin/sh
# The demo: the whole job on the bundled sample study, in BUILD/demo (the samples themselves
# are never written). The study's logs (samples/study/logs: Presentation logs and PsychoPy
# data files under the lab's own names) are copied into a BIDS dataset whose BOLD runs
# nibabel writes for the demo (samples/study/make_dataset.py); kwhost bids converts them all,
# each run checked against its scan, and writes the study report. Then one run up close: its
# triggers against its scan, its events, its timeline and its design. Last, the plug-in's
# import through the stand-in host. Every command is printed before it runs, as it would be
# typed in BUILD/demo.
# Usage: scripts/demo.sh [BUILD]
set -eu
build=${1:-build}
root=$(pwd)
demo="$build/demo"
python=/usr/bin/python3
[ -x "$python" ] || python=python3
rm -rf "$demo"
mkdir -p "$demo"
PATH="$root/$build/bin:$PATH"
export PATH
cd "$demo"

# Prints a command as typed, then runs it; a status other than 0 is printed, and the demo
# goes on (a run with findings exits 1).
run() {
  echo "\$ $*"
  status=0
  "$@" || status=$?
  [ "$status" -eq 0 ] || echo "(exit status $status)"
}

title() {
  echo
  echo "== $*"
}

title "1. A whole study. The sample study's logs in ds/sourcedata, under the lab's names:"
cp -R "$root/samples/study/logs" sourcedata
"$python" "$root/samples/study/make_dataset.py" ds
mv sourcedata ds/sourcedata
cp "$root/samples/study/study.toml" "$root/samples/study/faces_map.tsv" .
(cd ds/sourcedata && find . -type f | sed 's|^\./|   |' | sort)
echo "   and its BOLD runs in ds/, made for the demo by nibabel (run 2 of sub-01 with 4 dummy"
echo "   volumes that its sidecar states; sub-02's run 2 has no log). kwhost bids converts"
echo "   every log into its run's events files, each checked against its scan:"
run kwhost bids ds/sourcedata ds --study study.toml --report ds/derivatives/kwhost/report.html

title "2. One run up close: the triggers of sub-01's run 2 against its scan"
bold=ds/sub-01/func/sub-01_task-faces_run-02_bold.nii.gz
events=ds/sub-01/func/sub-01_task-faces_run-02_events.tsv
run kwhost triggers ds/sourcedata/s01/s01_faceloc_run2.log --bold "$bold"

title "3. The first rows of its events file (onsets in seconds from the first stored volume)"
run head -8 "$events"

title "4. Its timeline over the scan, and its design (is it estimable from this scan?)"
run kwhost plot "$events" --bold "$bold" -o timeline.svg
run kwhost design "$events" --bold "$bold" --conditions face,house \
  --contrast faces-houses=face-house -o design.svg

title "5. The plug-in for the imaging host, through the stand-in host: a protocol from a log"
cp "$root/samples/face_house_demo.log" .
run kwhost import face_house_demo.log --pictures-only --quiet
run kwhost show face_house_demo.prt

title "Where the files are (open the .html and .svg files in a browser)"
where() { printf '   %-44s %s\n' "$1" "$2"; }
where "$demo/ds/derivatives/kwhost/report.html" "the study report: every run, those that need a"
where "" "look first"
where "$demo/ds/sub-*/func/*_events.tsv, .json" "the events files, beside their BOLD runs"
where "$demo/timeline.svg, design.svg" "one run's timeline and design check"
where "$demo/face_house_demo.prt" "the plug-in's protocol"
