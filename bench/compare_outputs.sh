#!/bin/sh
# Runs two builds of kwhost (and the plug-in beside each) on the same inputs and checks that
# everything they write is byte-for-byte the same. Standard error is left out (kwhost reports
# there what it saved, and its warnings may be worded anew); everything else counts.
#
# The lab cases (always): `events`, `triggers`, `triggers --json`, `plot` and `show` on the
# real Presentation logs beside the repository (../shared/presentation-logs, or the folder
# SF_COMPARE_LOGS names) and on samples/: standard output, every file written and each exit
# status, including refusals (a file kwhost did not write in the way, an input that is no
# log, a file that is missing).
#
# The plug-in cases (with DATA_DIR): the log pane, the raw log, the transcript and every
# protocol file of import, shift, reorder and preset on the benchmark inputs. For
# performance work: build the old version into one folder, the new one into another. After
# "|" a case gives the options that the new build needs for the old behaviour (an explicit
# layout where the old default was the layout without Subject, --partial for an order that
# leaves conditions out), so give the old build first. With SF_COMPARE_BOTH=1 both builds get
# those options (two builds that both know them, as every build since the kwhost/ folders).
# Usage: bench/compare_outputs.sh OLD_BIN_DIR NEW_BIN_DIR [DATA_DIR]
#   DATA_DIR holds log10k.log ... as `make bench` makes them (log*.log, p60.prt, p23.prt).
set -eu
old=$(cd "$1" && pwd)
new=$(cd "$2" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
logs=${SF_COMPARE_LOGS:-$root/../shared/presentation-logs}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0

# compare CASE: the verdict on $work/old and $work/new.
compare() {
  if diff -r -x err.txt "$work/old" "$work/new" >/dev/null; then
    echo "same: $1"
  else
    echo "DIFFERENT: $1"
    diff -r -x err.txt "$work/old" "$work/new" | head -5
    status=1
  fi
}

# kw ARGS...: runs the build in $bin in the current folder; standard output and the exit
# status are appended to out.txt and status.txt, standard error to err.txt.
kw() {
  set +e
  "$bin/HaldenKW.exe" "$@" >>out.txt 2>>err.txt
  echo "$* -> $?" >>status.txt
  set -e
}

# lab INPUT CASE: runs CASE (shell words, with IN the input's file name and STEM its name
# without the extension) in a folder holding a copy of INPUT, for both builds.
lab() {
  input=$1
  shift
  for side in old new; do
    eval bin=\$$side
    rm -rf "$work/$side"
    mkdir -p "$work/$side"
    cp "$input" "$work/$side/"
    IN=$(basename "$input")
    STEM=${IN%.*}
    (cd "$work/$side" && eval "$*")
  done
  compare "$* ($(basename "$input"))"
}

for log in "$logs"/*.log "$root"/samples/*.log; do
  [ -f "$log" ] || continue
  for case in 'kw events "$IN"' 'kw events --duration next --zero scenario "$IN"' \
              'kw events --pictures-only --bids-name sub-01_task-x_run-1 "$IN"' \
              'kw events "$IN"; kw events "$IN"' 'kw events --skip 2 --tr 2000 "$IN"' \
              'echo foreign >"${STEM}_events.tsv"; kw events "$IN"' \
              'kw triggers "$IN"' 'kw triggers --json "$IN"' \
              'kw triggers --json --tr 2000 --volumes 5 --skip 1 "$IN"' \
              'kw plot "$IN"' 'kw plot --zero scenario --width 800 "$IN"' \
              'kw events "$IN"; kw plot "${STEM}_events.tsv"' \
              'echo foreign >"$IN.svg"; kw plot "$IN"' 'kw plot "$IN"; kw plot "$IN"'; do
    lab "$log" "$case"
  done
done
for protocol in "$root"/samples/*.prt; do
  for case in 'kw events "$IN"' 'kw plot "$IN"' 'kw show "$IN"' \
              'kw events "$IN"; kw plot "${STEM}_events.tsv"'; do
    lab "$protocol" "$case"
  done
done
# Inputs that are not what they should be.
for case in 'kw events missing.log' 'kw triggers --json missing.log' 'kw plot missing.log' \
            'kw events "$IN"' 'kw triggers "$IN"' 'kw plot "$IN"' 'kw show "$IN"' \
            'cp "$IN" x.prt; kw events x.prt; kw plot x.prt'; do
  lab "$root/README.md" "$case"
done

[ $# -ge 3 ] || exit $status
data=$(cd "$3" && pwd)

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
    compare "$case ($(basename "$log"))"
    case "$case" in import*) ;; *) break ;; esac  # the editing cases need one run only
  done
done
exit $status
