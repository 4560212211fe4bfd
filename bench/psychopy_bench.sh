#!/bin/sh
# The PsychoPy data file side by side with `wc -l` (run by bench/run_bench.sh, or alone):
# make_psychopy_bench.py's file of 100,000 rows and 40 columns (10 components, quoted cells),
# read into its model, read with its events scanned (1.26 million, dropped), and written as
# BIDS events by `kwhost events` (the trigger found, its component left out: 1.15 million
# rows), which is to take at most 20x `wc -l`. Prints a Markdown section.
# Usage: bench/psychopy_bench.sh BUILD_DIR
#   SF_BENCH_RUNS   rounds (default 9; medians shown)
set -eu

here=$(cd "$(dirname "$0")" && pwd)
. "$here/bench_functions.sh"
build=$(cd "$1" && pwd)
tool=$build/bin/bench_tool
kwhost=$build/bin/kwhost
data=$build/bench-data
runs=${SF_BENCH_RUNS:-9}
file=$data/psychopy100000.csv
events=$data/psychopy100000_events.tsv
mkdir -p "$data"
if [ ! -s "$file" ]; then
  echo "Generating $file (once) ..." >&2
  python3 "$here/make_psychopy_bench.py" "$file" 100000
fi

# One hyperfine measurement of the four, alternating, the medians in ms; --force replaces the
# last round's events files.
hyperfine -N --style none --runs "$runs" --warmup 2 --export-csv "$data/psychopy.csv" \
  "wc -l $file" "$tool psychopy $file" "$tool psychopy $file events" \
  "$kwhost events $file -o $events --force" >/dev/null 2>&1
wc=$(median_ms "$data/psychopy.csv" 2 1)
model=$(median_ms "$data/psychopy.csv" 3 1)
scanned=$(median_ms "$data/psychopy.csv" 4 1)
written=$(median_ms "$data/psychopy.csv" 5 1)
counts=$("$tool" psychopy "$file" events | awk '{ printf "%s %s, ", $2, $1 }')
rows=$(($(wc -l <"$events") - 1))
rss=$(/usr/bin/time -f %M "$kwhost" events "$file" -o "$events" --force 2>&1 >/dev/null | tail -n 1)
ratio=$(ratio2 "$written" "$wc")
cat <<EOT

### PsychoPy data files (\`kwhost events\` and \`bench_tool psychopy\`, 100,000 rows)

$(awk -v b="$(wc -c <"$file")" 'BEGIN { printf "%.1f MB", b / 1e6 }'): ${counts%, }; $rows rows written, $(awk -v b="$(wc -c <"$events")" 'BEGIN { printf "%.1f MB", b / 1e6 }') of events.

| | median | ratio to \`wc -l\` |
|---|---|---|
| \`wc -l\` (the floor) | $wc ms | |
| the file read into its model | $model ms | $(ratio2 "$model" "$wc")x |
| and its events scanned | $scanned ms | $(ratio2 "$scanned" "$wc")x |
| \`kwhost events\`: the events file and its sidecar | $written ms | ${ratio}x |

Peak memory of \`kwhost events\`: $(awk -v k="$rss" 'BEGIN { printf "%.0f MB", k / 1024 }').

| target | reached | |
|---|---|---|
| \`kwhost events\` on the 100,000-row data file at most 20x \`wc -l\` | ${ratio}x | $(verdict "$ratio" 20) |
EOT
rm -f "$data/psychopy.csv" "$events" "$data/psychopy100000_events.json"
