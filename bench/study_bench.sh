#!/bin/sh
# `kwhost bids` side by side (run by bench/run_bench.sh, or alone): a study of 1,000 runs,
# each a copy of the shared 240-trigger log idor_sound.log with a BOLD run of 240 volumes,
# against `kwhost events` on the same 1,000 logs in one call (time zero from their own
# triggers: `events --bold` takes one log), and the same study with images of 100 MB of
# voxels against small ones. Only the images' headers are read, so the big images must cost
# no more than 1.2x the small ones; the whole study, its scans checked, no more than 1.5x the
# events of its logs. Prints a Markdown section with both ratios and their targets.
# Usage: bench/study_bench.sh BUILD_DIR
#   SF_PRESENTATION_LOGS_DIR   the shared real logs (default ../shared/presentation-logs)
#   SF_BENCH_RUNS              rounds (default 5; medians shown)
set -eu

here=$(cd "$(dirname "$0")" && pwd)
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
  "$kwhost bids $data/big/sourcedata $data/big --match $pattern" >/dev/null
median_ms() {  # the row $1 (from 2) of the CSV: command,mean,stddev,median,...
  awk -F, -v row="$1" 'NR == row { printf "%.1f", $(NF - 4) * 1000 }' "$data/timing.csv"
}
events=$(median_ms 2)
small=$(median_ms 3)
big=$(median_ms 4)
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
verdict() { awk -v v="$1" -v l="$2" 'BEGIN { print (v <= l ? "met" : "NOT met") }'; }
study_ratio=$(ratio "$small" "$events")
big_ratio=$(ratio "$big" "$small")
cat <<EOT

### A study of 1,000 runs (\`kwhost bids\`)

Every run a copy of idor_sound.log (240 triggers) with a BOLD run of 240 volumes; the small
images 4 x 4 x 2 voxels, the big ones 64 x 64 x 51 int16 voxels (100 MB each, gzipped).

| command | median |
|---|---|
| \`kwhost events\` on the 1,000 logs in one call | $events ms |
| \`kwhost bids\`, small images | $small ms |
| \`kwhost bids\`, 100 MB images | $big ms |

| target | reached | |
|---|---|---|
| the study at most 1.5x the events of its logs | ${study_ratio}x | $(verdict "$study_ratio" 1.5) |
| 100 MB images at most 1.2x small ones | ${big_ratio}x | $(verdict "$big_ratio" 1.2) |
EOT
