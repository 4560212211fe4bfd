#!/bin/sh
# Runs two builds of kwhost (and the plug-in beside each) on the same benchmark inputs and
# checks that everything they write is byte-for-byte the same: the log pane, the raw log,
# the transcript and every protocol file (not standard error, where kwhost reports what it
# saved). For performance work: build the old version into one folder, the new one into
# another. After "|" a case gives the options that the new build needs for the old
# behaviour (an explicit layout where the old default was the layout without Subject,
# --partial for an order that leaves conditions out), so give the old build first.
# With SF_COMPARE_BOTH=1 both builds get those options (two builds that both know them).
# Usage: bench/compare_outputs.sh OLD_BIN_DIR NEW_BIN_DIR DATA_DIR
#   DATA_DIR holds log10k.log ... as `make bench` makes them (log*.log, p60.prt, p23.prt).
set -eu
old=$(cd "$1" && pwd)
new=$(cd "$2" && pwd)
data=$(cd "$3" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0

# run NAME BIN_DIR ARGS...: runs kwhost in $work/NAME with copies of the inputs.
run() {
  name=$1
  bin=$2
  shift 2
  mkdir -p "$work/$name"
  (cd "$work/$name" && "$bin/HaldenKW.exe" --log raw.txt --transcript transcript.txt "$@" \
    >pane.txt 2>err.txt) || true
}

for entry in "import --subject-column LOG" "import --subject-column --pictures-only LOG" \
            "import --subject-column --duration column LOG" "import LOG|--layout no-subject" \
            "shift P60 500 --later" "shift P60 700 --earlier" \
            "reorder P60 $(seq -s, 59 -1 0)" "reorder P60 3,3,1|--partial" "preset P23 4" \
            "preset P60 2"; do
  case=${entry%%|*}
  newOnly=""
  case "$entry" in *"|"*) newOnly=${entry#*|} ;; esac
  for log in "$data"/log*.log; do
    for side in old new; do
      eval bin=\$$side
      rm -rf "$work/$side"
      mkdir -p "$work/$side"
      cp "$log" "$work/$side/in.log"
      cp "$data/p60.prt" "$work/$side/p60.prt"
      cp "$data/p23.prt" "$work/$side/p23.prt"
      args=$(echo "$case" | sed -e 's/LOG/in.log/' -e 's/P60/p60.prt/' -e 's/P23/p23.prt/')
      if [ "$side" = new ] || [ -n "${SF_COMPARE_BOTH:-}" ]; then args="$args $newOnly"; fi
      # shellcheck disable=SC2086
      run "$side" "$bin" $args
    done
    if diff -r -x err.txt "$work/old" "$work/new" >/dev/null; then
      echo "same: $case ($(basename "$log"))"
    else
      echo "DIFFERENT: $case ($(basename "$log"))"
      diff -r -x err.txt "$work/old" "$work/new" | head -5
      status=1
    fi
    case "$case" in import*) ;; *) break ;; esac  # the editing cases need one run only
  done
done
exit $status
