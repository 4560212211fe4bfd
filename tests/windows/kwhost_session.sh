#!/bin/sh
# One kwhost session on a real Presentation log, run by the Windows stand-in host under Wine
# and by the Linux one, each in a folder of its own on a copy of the log: import the log,
# the same again quietly into a folder with --out-dir (twice, the second time with --force),
# then, on the protocol file the import saved, shift earlier by 500 and later by 3, reorder
# the conditions last to first, and apply preset order 1; last, the log's BIDS events file
# and sidecar (`kwhost events`, time zero at the scenario's start, which every log has), and
# the pictures of the log and of its protocol (`kwhost plot`). Each run must end alike on both
# (the preset order needs 14 conditions, so on smaller protocols the plug-in refuses it and
# nothing is saved); every file they leave (the protocols saved, each run's host-call transcript and raw log
# texts) must be the same byte for byte, and so must what they print, once the CRLF line
# ends of the Windows console streams are read as LF.
# Usage: kwhost_session.sh WINE64 PREFIX WINDOWS_KWHOST LINUX_KWHOST LOG WORK PRESET_STATUS
#                          [IMPORT OPTION...]
# PRESET_STATUS is the exit status the preset run must end with: 0 when it saves, 1 when the
# plug-in refuses it. Every other run must exit with 0.
# WORK is emptied first. Exits 0 when both sessions match, else 1 with what differs.
set -eu
wine=$1
prefix=$2
windows_kwhost=$3
linux_kwhost=$4
log=$5
work=$6
preset_status=$7
shift 7
here=$(cd "$(dirname "$0")" && pwd)
name=$(basename "$log" .log)

. "$here/session_run.sh"
prepare_work "$log" "$name.log"
status=0

# run PLATFORM STEP STATUS ARGUMENT...: run_kwhost, with the run's host calls to STEP.calls
# and its raw log texts to STEP.texts.
run() {
  step=$2
  run_kwhost "$@" --transcript "$step.calls" --log "$step.texts"
}

for platform in linux windows; do
  run "$platform" import 0 import "$name.log" "$@"
done
if [ ! -f "$work/linux/$name.prt" ]; then
  echo "FAILED: the Linux import saved no $name.prt"
  exit 1
fi
# Every condition, last to first: "N-1,...,1,0".
count=$(sed -n 's/^conditions \([0-9]*\)$/\1/p' "$work/linux/$name.prt")
order=$(awk -v n="$count" 'BEGIN { for (i = n - 1; i >= 0; i--) printf "%d%s", i, i ? "," : "" }')
for platform in linux windows; do
  # The save options: quietly into a folder of its own, over the protocol saved there before.
  mkdir -p "$work/$platform/out"
  run "$platform" import-out 0 import "$name.log" --quiet --out-dir out "$@"
  run "$platform" import-out-again 0 import "$name.log" --quiet --out-dir out --force "$@"
  run "$platform" shift-earlier 0 shift "$name.prt" --earlier 500
  run "$platform" shift-later 0 shift "$name.prt" --later 3
  run "$platform" reorder 0 reorder "$name.prt" "$order"
  run "$platform" preset "$preset_status" preset "$name.prt" 1
done

# kwhost events and plot take no host options, so they run without the transcript and raw
# log texts: the events file and sidecar, then the pictures of the log (from its first
# trigger, or from the scenario's origin when it has none) and of its protocol.
for platform in linux windows; do
  run_kwhost "$platform" events 0 events "$name.log" --zero scenario --bids-name sub-01_task-x
  for input in "$name.log" "$name.prt"; do
    run_kwhost "$platform" "plot-$input" 0 plot "$input"
  done
done

saves="$name.log.svg $name.prt.svg sub-01_task-x_events.tsv sub-01_task-x_events.json $name.prt ${name}_min500.prt ${name}_plus3.prt ${name}_ordered.prt"
[ "$preset_status" -eq 0 ] && saves="$saves ${name}_ordered_colored.prt"
for saved in $saves; do
  [ -f "$work/linux/$saved" ] || { echo "FAILED: the Linux session saved no $saved"; status=1; }
done
(cd "$work/linux" && ls . out) >"$work/linux.files"
(cd "$work/windows" && ls . out) >"$work/windows.files"
if ! cmp -s "$work/linux.files" "$work/windows.files"; then
  echo "FAILED: the sessions left different files (Linux, then Windows):"
  diff "$work/linux.files" "$work/windows.files" || true
  status=1
fi
cmp -s "$work/linux/out/$name.prt" "$work/windows/out/$name.prt" ||
  { echo "FAILED: out/$name.prt differs"; status=1; }
for file in $(cat "$work/linux.files"); do
  [ -f "$work/windows/$file" ] || continue
  case "$file" in
    *.out | *.err)
      # CRLF line ends, and paths kwhost formed with Windows separators (shown escaped, as
      # \\).
      sed -e 's/\r$//' -e 's#\\\\#/#g' "$work/windows/$file" >"$work/windows-$file"
      windows_file=$work/windows-$file
      ;;
    *) windows_file=$work/windows/$file ;;
  esac
  if ! cmp -s "$work/linux/$file" "$windows_file"; then
    echo "FAILED: $file differs (Linux, then Windows):"
    diff "$work/linux/$file" "$windows_file" | head -20 || true
    status=1
  fi
done
[ "$status" -eq 0 ] && echo "ok: $name, $count conditions, the same on Windows and Linux"
exit "$status"
