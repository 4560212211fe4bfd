#!/bin/sh
# `kwhost bids` side by side (run by bench/run_bench.sh, or alone): a study of 1,000 runs,
# each a copy of the shared 240-trigger log idor_sound.log with a BOLD run of 240 volumes,
# against `kwhost events` on the same 1,000 logs in one call (time zero from their own
# triggers: `events --bold` takes one log), and the same study with images of 100 MB of
# voxels against small ones. Only the images' headers are read, so the big images must cost
# no more than 1.2x the small ones; the whole study, its scans checked, no more than 1.5x the
# events of its logs. Then the study with its report (--report), which must take at most 2x
# the study without it; and, in one process (bench_tool design), the design check of one of
# those runs against the reading of its log through the run pipeline, which it must cost far
# less than (at most a third). Prints a Markdown section with the ratios and their targets.
# Usage: bench/study_bench.sh BUILD_DIR
#   SF_PRESENTATION_LOGS_DIR   the shared real logs (default ../shared/presentation-logs)
#   SF_BENCH_RUNS              rounds (default 5; medians shown)
set -eu

here=$(cd "$(dirname "$0")" && pwd)
. "$here/bench_functions.sh"
build=$(cd "$1" && pwd)
kwhost=$build/bin/kwhost
data=$build/bench-data/study
runs=${SF_BENCH_RUNS:-5}
logs=${SF_PRESENTATION_LOGS_DIR:-$here/../../shared/presentation-logs}
log=$logs/idor_sound.log
if [ ! -r "$log" ]; then
  echo "bench: $log is missing: the study benchmark is left out" >&2
  exit 0
fi
echo "Generating the studies in $data (once) ..." >&2
/usr/bin/python3 "$here/make_study_bench.py" "$data" "$log"

pattern='sub{sub}/sub{sub}_{task}_run{run}.log'
hyperfine -N -i --style none --runs "$runs" --warmup 1 --export-csv "$data/timing.csv" \
  "$kwhost events --out-dir $data/events $(printf '%s ' "$data"/logs/*.log)" \
  "$kwhost bids $data/small/sourcedata $data/small --match $pattern" \
  "$kwhost bids $data/big/sourcedata $data/big --match $pattern" \
  "$kwhost bids $data/small/sourcedata $data/small --match $pattern --report $data/report.html" \
  >/dev/null
events=$(median_ms "$data/timing.csv" 2 1)
small=$(median_ms "$data/timing.csv" 3 1)
big=$(median_ms "$data/timing.csv" 4 1)
report=$(median_ms "$data/timing.csv" 5 1)
study_ratio=$(ratio2 "$small" "$events")
big_ratio=$(ratio2 "$big" "$small")
report_ratio=$(ratio2 "$report" "$small")
report_mb=$(awk -v b="$(wc -c <"$data/report.html")" 'BEGIN { printf "%.1f", b / 1e6 }')
design=$("$build/bin/bench_tool" design "$log" 2000 240 2001)
read_us=$(echo "$design" | awk '$1 == "read_us" { print $2 }')
design_us=$(echo "$design" | awk '$1 == "design_us" { print $2 }')
design_ratio=$(ratio2 "$design_us" "$read_us")
cat <<EOT

### A study of 1,000 runs (\`kwhost bids\`)

Every run a copy of idor_sound.log (240 triggers) with a BOLD run of 240 volumes; the small
images 4 x 4 x 2 voxels, the big ones 64 x 64 x 51 int16 voxels (100 MB each, gzipped).

| command | median |
|---|---|
| \`kwhost events\` on the 1,000 logs in one call | $events ms |
| \`kwhost bids\`, small images | $small ms |
| \`kwhost bids\`, 100 MB images | $big ms |
| \`kwhost bids --report\`, small images (a page of $report_mb MB) | $report ms |
| one run's log read through the run pipeline (idor_sound.log, median of 2,001) | $read_us us |
| its design check (240 volumes, 12 columns) | $design_us us |

| target | reached | |
|---|---|---|
| the study at most 1.5x the events of its logs | ${study_ratio}x | $(verdict "$study_ratio" 1.5) |
| 100 MB images at most 1.2x small ones | ${big_ratio}x | $(verdict "$big_ratio" 1.2) |
| the study with its report at most 2x without it | ${report_ratio}x | $(verdict "$report_ratio" 2) |
| a run's design check at most a third of reading its log | ${design_ratio}x | $(verdict "$design_ratio" 0.34) |
EOT
