#!/bin/sh
# Runs two builds of kwhost (and the plug-in beside each) on the same inputs and checks that
# everything they write is byte-for-byte the same: standard output, standard error, each exit
# status and every file. Each case runs in a fresh folder per build; in the two streams that
# folder's path, the build's bin folder and the repository are first replaced by <DIR>, <BIN>
# and <REPO>, so that only what differs by more than place counts. SF_COMPARE_STDERR=0 leaves
# standard error out (kwhost says there what it saved, and its warnings may be worded anew).
# Each case prints "same: CASE" or "DIFFERENT: CASE" and the first lines of the difference,
# CASE being the commands run in its folder ("kw" is the build's kwhost); the last line counts
# the cases. Exit status 1 when one differs.
#
# The lab cases (always):
# - `events`, `triggers`, `triggers --json`, `plot` and `show` on the real Presentation logs
#   beside the repository (../shared/presentation-logs, or the folder SF_COMPARE_LOGS names)
#   and on samples/, including refusals (a file kwhost did not write in the way, an input
#   that is no log, a file that is missing);
# - refusals of settings (--skip, --tr, --trigger, --scan out of bounds or empty) on
#   `events`, `triggers`, `plot` and `import --align`, and below with `--bold`.
# The scan and study cases (with a Python that imports nibabel: SF_NIBABEL_PYTHON, else
# /usr/bin/python3, else python3; skipped, and said so, without it), on inputs made once for
# both builds by the repository's own generators, BOLD runs by
# tests/kwhost/scan/make_bold_images.py:
# - `events`, `triggers`, `triggers --json`, `plot` and `import` with `--bold` (and with
#   `--skip`, `--tr`, `--scan`) on idor_two_tables.log and idor_sound.log, on a copy of the
#   first with every Pulse but the first removed, and on a log of two scans (the first's event
#   table, then the same table 600 s later); images that cannot be used; `import --align`;
# - `kwhost bids` on the study that tests/kwhost/cli/bids_study_test.py makes (a run with 4
#   dummy volumes, one with more volumes than triggers, a scan without a log, a log without a
#   scan, a foreign events file): plain, --json, --dry-run, twice, --force, `skip = 4`, and
#   refusals (a bad key in the study file, a bad pattern, two logs of one run, no
#   dataset_description.json, no study file, no dataset); every file of the dataset compared.
# Without DATA_DIR: about 420 cases, in under a minute (25 to 40 s on a busy 2-core machine).
#
# The plug-in cases (with DATA_DIR): the log pane, standard error, the raw log, the
# transcript and every protocol file of import, shift, reorder and preset on the benchmark
# inputs. For performance work: build the old version into one folder, the new one into
# another. After "|" a case gives the options that the new build needs for the old behaviour
# (an explicit layout where the old default was the layout without Subject, --partial for an
# order that leaves conditions out), so give the old build first. With SF_COMPARE_BOTH=1
# both builds get those options (two builds that both know them, as every build since the
# kwhost/ folders).
# Usage: bench/compare_outputs.sh OLD_BIN_DIR NEW_BIN_DIR [DATA_DIR]
#   DATA_DIR holds log10k.log ... as `make bench` makes them (log*.log, p60.prt, p23.prt).
set -eu
old=$(cd "$1" && pwd -P)
new=$(cd "$2" && pwd -P)
root=$(cd "$(dirname "$0")/.." && pwd -P)
logs=${SF_COMPARE_LOGS:-$root/../shared/presentation-logs}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
work=$(cd "$work" && pwd -P)
status=0
cases=0
different=0
leaveOut=""
[ "${SF_COMPARE_STDERR:-1}" != 0 ] || leaveOut="-x err.txt"

# compare CASE: the verdict on $work/old and $work/new.
compare() {
  cases=$((cases + 1))
  # shellcheck disable=SC2086
  if (cd "$work" && diff -r $leaveOut old new >/dev/null); then
    echo "same: $1"
  else
    echo "DIFFERENT: $1"
    # shellcheck disable=SC2086
    (cd "$work" && diff -r $leaveOut old new | head -5)
    status=1
    different=$((different + 1))
  fi
}

# finish: the count of cases, then the exit status.
finish() {
  echo "$cases cases, $different different"
  exit $status
}

# pattern TEXT: TEXT as a sed pattern (between slashes) that matches it literally.
pattern() { printf '%s\n' "$1" | sed 's/[][\\/.*^$]/\\&/g'; }

# normalize SIDE: in the streams of $work/SIDE, that folder, the side's bin folder and the
# repository become <DIR>, <BIN> and <REPO> (the bin folder may lie inside the repository).
normalize() {
  eval sideBin=\$$1
  for stream in "$work/$1"/out.txt "$work/$1"/err.txt "$work/$1"/pane.txt; do
    [ -f "$stream" ] || continue
    sed -e "s/$(pattern "$work/$1")/<DIR>/g" -e "s/$(pattern "$sideBin")/<BIN>/g" \
      -e "s/$(pattern "$root")/<REPO>/g" "$stream" >"$work/normalized"
    mv "$work/normalized" "$stream"
  done
}

# kw ARGS...: runs the build in $bin in the current folder; standard output and the exit
# status are appended to out.txt and status.txt, standard error to err.txt.
kw() {
  set +e
  "$bin/HaldenKW.exe" "$@" </dev/null >>out.txt 2>>err.txt
  echo "$* -> $?" >>status.txt
  set -e
}

# each CASE [NAME]: for both builds, runs the shell command $fill and then CASE (shell
# words) in a fresh folder, then compares under NAME (default CASE).
each() {
  for side in old new; do
    eval bin=\$$side
    rm -rf "${work:?}/$side"
    mkdir "$work/$side"
    (cd "$work/$side" && eval "$fill" && eval "$1")
    normalize $side
  done
  compare "${2:-$1}"
}

# lab INPUT CASE: runs CASE (shell words, with IN the input's file name and STEM its name
# without the extension) in a folder holding a copy of INPUT, for both builds.
lab() {
  input=$1
  IN=$(basename "$input")
  STEM=${IN%.*}
  fill='cp "$input" .'
  each "$2" "$2 ($IN)"
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

# settings ARGS [IMPORT_OPTION]: settings out of their bounds, or empty, after ARGS: each
# command's own refusal (or what it does where it takes the value).
settings() {
  for setting in '--skip 2000000000' '--tr 1000000.1' '--trigger ""' '--trigger :5' '--scan 0'; do
    for command in "kw events $1" "kw triggers $1" "kw plot $1" "kw import $1${2:+ $2}"; do
      each "$command $setting"
    done
  done
}
if [ -f "$logs/idor_two_tables.log" ]; then
  fill='cp "$logs/idor_two_tables.log" .'
  settings idor_two_tables.log --align
fi

# The scan cases, in folders holding the shared logs with triggers, a first-pulse-only copy,
# a log of two scans and the test images (runs/ for the logs of 240 triggers every 2 s).
scanCases() {
  "$python" "$root/tests/kwhost/scan/make_bold_images.py" "$work/scan"
  # A scanner that discarded 4 dummy volumes and sent their triggers, as its sidecar says.
  cp "$work/scan/runs/run_236.nii.gz" "$work/scan/runs/run_236_scanner_4.nii.gz"
  printf '{"RepetitionTime": 2.0, "NumberOfVolumesDiscardedByScanner": 4}\n' \
    >"$work/scan/runs/run_236_scanner_4.json"
  cp "$logs/idor_two_tables.log" "$logs/idor_sound.log" "$work/scan/"
  # Every Pulse but the first removed, as triggers_e2e_test.cpp does it.
  awk 'index($0, "\tPulse\t") && seen++ { next } { print }' "$logs/idor_two_tables.log" \
    >"$work/scan/first_pulse.log"
  # The header and event table, the same table 600 s later, then the rest of the log.
  awk -F '\t' -v OFS='\t' 'NR <= 5 { print; next }
    !done && $0 != "" { print; row[++n] = $0; next }
    !done { done = 1; line = $0; for (i = 1; i <= n; i++) { $0 = row[i]; $5 += 6000000; print }
            $0 = line }
    { print }' "$logs/idor_two_tables.log" >"$work/scan/two_scans.log"
  fill='cp -R "$work/scan"/* .'

  # Each run through every lab command and the import, as in the README's table of runs.
  while IFS= read -r run; do
    for command in events triggers 'triggers --json' plot import; do
      each "kw $command $run"
    done
  done <<RUNS
idor_two_tables.log --bold runs/run_240.nii.gz
idor_two_tables.log --bold runs/run_236.nii.gz
idor_two_tables.log --bold runs/run_244.nii.gz
idor_two_tables.log --bold runs/run_244.nii.gz --skip 4
idor_two_tables.log --bold runs/run_236.nii.gz --skip 2 --tr 2000
idor_two_tables.log --bold runs/run_236_sidecar_2.nii.gz
idor_two_tables.log --bold runs/run_236_scanner_4.nii.gz
idor_two_tables.log --bold ds/sub-01/func/sub-01_task-x_run-01_bold.nii.gz
idor_sound.log --bold runs/run_236.nii.gz --tr 2000
idor_sound.log --bold runs/run_240.nii.gz --trigger "Port Input"
first_pulse.log --bold runs/first_pulse.nii.gz
first_pulse.log --bold runs/first_pulse_dummies.nii.gz
first_pulse.log --bold runs/first_pulse_dummies.nii.gz --skip 4
two_scans.log
two_scans.log --scan 2
two_scans.log --scan 2 --skip 4
two_scans.log --scan 3
two_scans.log --bold runs/run_236.nii.gz
two_scans.log --bold runs/run_236.nii.gz --scan 2
two_scans.log --bold runs/run_240.nii.gz --scan 1
two_scans.log --bold runs/run_240.nii.gz --scan 2 --skip 4
idor_sound.log --bold not_nifti.nii
idor_sound.log --bold three_d.nii.gz
idor_sound.log --bold zero_volumes.nii
idor_sound.log --bold truncated.nii.gz
idor_sound.log --bold no_tr.nii.gz
idor_sound.log --bold no_tr.nii.gz --tr 2000
idor_sound.log --bold bad_json.nii.gz
idor_sound.log --bold disagree.nii.gz
idor_sound.log --bold missing.nii.gz
RUNS
  settings "idor_two_tables.log --bold runs/run_240.nii.gz"

  # Options and second runs; the import aligned to the log's own triggers.
  two=idor_two_tables.log
  b236="--bold runs/run_236.nii.gz"
  b240="--bold runs/run_240.nii.gz"
  for case in \
      "kw events $two $b236 --bids-name sub-01_task-x_run-1 --duration next --keep-triggers" \
      "kw events idor_sound.log $b236 -o run.tsv --columns stim_type,ttime" \
      "kw events $two $b236; kw events $two $b240" \
      "kw events $two $b236; kw plot idor_two_tables_events.tsv" \
      "kw events $two idor_sound.log $b236" "kw triggers $two idor_sound.log $b236" \
      "kw plot $two $b236 --width 800 --from 0 --to 100" \
      "kw plot $two $b236 -o run.svg; kw plot $two $b240 -o run.svg" \
      "kw import $two $b236; kw import $two $b236" \
      "mkdir out; kw import $two $b236 --out-dir out" "kw import $two $b236 --align" \
      "kw import $two idor_sound.log $b236" \
      "kw import $two --align" "kw import $two --align --skip 4" \
      'kw import idor_sound.log --align --trigger "Port Input" --tr 2000' \
      'kw import first_pulse.log --align' 'kw import first_pulse.log --align --skip 4' \
      'kw import two_scans.log --align' 'kw import two_scans.log --align --scan 2 --skip 4'; do
    each "$case"
  done
}

# The study cases, in folders holding the study (study/, its sourcedata/ and study.toml), a
# study file with a key it does not know and one that gives K for the task faces.
studyCases() {
  PYTHONDONTWRITEBYTECODE=1 "$python" - "$root/tests/kwhost/cli" "$logs" "$work/study" <<'PY'
import sys
sys.path.insert(0, sys.argv[1])
sys.argv = ["", "", sys.argv[2], "", sys.argv[3]]  # KWHOST, LOGS, VALIDATOR, WORK
import bids_study_test
bids_study_test.make_study()
PY
  cp "$work/study/study.toml" "$work/study/bad_key.toml"
  printf '\n[defaults]\nskips = 4\n' >>"$work/study/bad_key.toml"
  cp "$work/study/study.toml" "$work/study/skip_4.toml"
  printf '\n[task.faces]\nskip = 4\n' >>"$work/study/skip_4.toml"
  fill='cp -R "$work/study"/* .'
  bids='kw bids study/sourcedata study'
  b="$bids --study study.toml"
  logs1=study/sourcedata/sub01/ses1
  for case in "$b" "$b --json" "$b --dry-run" "$b --dry-run --json" "$b; $b" "$b --force" \
              "$b; $b --force" "$bids --study skip_4.toml --json" \
              "$bids --study bad_key.toml" "$b --match 'sub{sub}/{ses'" \
              "$bids --match 'sub{sub}/ses{ses}/sub{sub}_{task}_run{run}.log' --json" \
              "cp $logs1/sub01_faces_run2.log $logs1/sub01_faces_run01.log; $b" \
              "rm study/dataset_description.json; $b" "$bids --study missing.toml" \
              "kw bids study/sourcedata missing --study study.toml"; do
    each "$case"
  done
}

python=""
for candidate in ${SF_NIBABEL_PYTHON:-} /usr/bin/python3 python3; do
  if "$candidate" -c 'import nibabel' 2>/dev/null; then
    python=$candidate
    break
  fi
done
if [ -z "$python" ]; then
  echo "SKIPPED: the scan and study cases (no Python that imports nibabel; SF_NIBABEL_PYTHON)"
elif [ ! -f "$logs/idor_two_tables.log" ]; then
  echo "SKIPPED: the scan and study cases (no real logs in $logs)"
else
  scanCases
  studyCases
fi

[ $# -ge 3 ] || finish
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
      normalize "$side"
    done
    compare "$case ($(basename "$log"))"
    case "$case" in import*) ;; *) break ;; esac  # the editing cases need one run only
  done
done
finish
