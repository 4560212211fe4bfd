#!/bin/sh
# Builds the fuzzers (fuzz/CMakeLists.txt, clang + libFuzzer) and runs them.
# Usage: fuzz/run_fuzzers.sh ci|long [BUILD_DIR] [FUZZER...]
#   ci    each fuzzer once, deterministically: -seed=1, a fixed number of runs (about a
#         minute each) and no comparison tracing, starting from its committed corpus; the
#         same commit always runs the same inputs. Fails on any finding.
#   long  each fuzzer until FUZZ_RUNS executions (default 10000000) or FUZZ_SECONDS seconds
#         (default 1800), two at a time in the background, output in BUILD_DIR/logs; the
#         corpus grows in BUILD_DIR/corpus, never in the source tree.
# Findings are written to BUILD_DIR/artifacts. A finding's input goes into
# fuzz/corpus/<fuzzer>/regression-<fault> once it is fixed.
set -eu
cd "$(dirname "$0")/.."
mode=${1:?usage: fuzz/run_fuzzers.sh ci|long [BUILD_DIR] [FUZZER...]}
build=${2:-build-fuzz}
[ $# -ge 2 ] && shift 2 || shift $#
fuzzers=${*:-"text_helpers condition_order log_reader execute protocol_file trigger_analysis events bold_scan psychopy"}

cmake -S fuzz -B "$build" -DSF_WERROR=ON >/dev/null
cmake --build "$build" -j 2
mkdir -p "$build/artifacts" "$build/logs"

# The longest input each fuzzer makes, and its runs in CI (about a minute each on this
# machine when it is otherwise idle; up to twice that under load).
max_len() {
  case "$1" in
    execute | log_reader | trigger_analysis | events | psychopy) echo 8192 ;;
    *) echo 1024 ;;
  esac
}
ci_runs() {
  case "$1" in
    text_helpers) echo 7000000 ;;
    condition_order) echo 4000000 ;;
    log_reader) echo 150000 ;;
    protocol_file) echo 1000000 ;;
    trigger_analysis) echo 300000 ;;
    execute) echo 500000 ;;
    events) echo 150000 ;;
    bold_scan) echo 1000000 ;;
    psychopy) echo 400000 ;;
    *) echo 100000 ;;
  esac
}

run_ci() {
  name=$1
  scratch="$build/ci-corpus/$name"
  rm -rf "$scratch"
  mkdir -p "$scratch"
  echo "== fuzz_$name: -seed=1 -runs=$(ci_runs "$name")"
  # New inputs go to the scratch folder (the first one); the committed corpus is only read.
  # -use_cmp=0: the comparisons libFuzzer would otherwise learn from include addresses, which
  # differ from run to run; without them the same seed gives the same inputs every time.
  if ! "$build/fuzz_$name" -seed=1 -runs="$(ci_runs "$name")" -max_len="$(max_len "$name")" \
      -use_cmp=0 -timeout=25 -print_final_stats=1 -artifact_prefix="$build/artifacts/$name-" \
      "$scratch" "fuzz/corpus/$name" >"$build/logs/$name-ci.log" 2>&1; then
    tail -n 60 "$build/logs/$name-ci.log"
    echo "fuzz_$name found a fault; its input is in $build/artifacts" >&2
    return 1
  fi
  grep -E '^Done|DONE' "$build/logs/$name-ci.log" || true
}

run_long() {
  name=$1
  corpus="$build/corpus/$name"
  mkdir -p "$corpus"
  "$build/fuzz_$name" -runs="${FUZZ_RUNS:-10000000}" -max_total_time="${FUZZ_SECONDS:-1800}" \
    -max_len="$(max_len "$name")" -timeout=25 -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$name-" "$corpus" "fuzz/corpus/$name" \
    >"$build/logs/$name.log" 2>&1
}

status=0
case "$mode" in
  ci)
    for name in $fuzzers; do
      run_ci "$name" || status=1
    done
    ;;
  long)
    # At most two fuzzers at a time: the machine is shared.
    set -- $fuzzers
    while [ $# -gt 0 ]; do
      first=$1
      shift
      echo "== fuzz_$first: see $build/logs/$first.log"
      run_long "$first" &
      first_pid=$!
      second=""
      if [ $# -gt 0 ]; then
        second=$1
        shift
        echo "== fuzz_$second: see $build/logs/$second.log"
        run_long "$second" &
        second_pid=$!
      fi
      wait "$first_pid" || { echo "fuzz_$first found a fault" >&2; status=1; }
      if [ -n "$second" ]; then
        wait "$second_pid" || { echo "fuzz_$second found a fault" >&2; status=1; }
      fi
    done
    for name in $fuzzers; do
      printf '%s: ' "$name"
      grep -E '^#[0-9]+[[:space:]]+DONE' "$build/logs/$name.log" || echo "(no summary)"
      grep -E '^Done ' "$build/logs/$name.log" || true
    done
    ;;
  *)
    echo "unknown mode: $mode (ci or long)" >&2
    exit 2
    ;;
esac
exit $status
