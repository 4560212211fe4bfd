#!/bin/sh
# The PsychoPy data file's reader side by side with `wc -l` (run by bench/run_bench.sh, or
# alone): make_psychopy_bench.py's file of 100,000 rows and 40 columns (10 components,
# quoted cells), read into its model, and read with its events scanned (1.26 million,
# dropped). `kwhost events` on the same file must take at most 20x `wc -l`; the reader is
# the part of that measured here. Prints a Markdown section.
# Usage: bench/psychopy_bench.sh BUILD_DIR
#   SF_BENCH_RUNS   rounds (default 9; medians shown)
set -eu

here=$(cd "$(dirname "$0")" && pwd)
. "$here/bench_functions.sh"
build=$(cd "$1" && pwd)
tool=$build/bin/bench_tool
data=$build/bench-data
runs=${SF_BENCH_RUNS:-9}
file=$data/psychopy100000.csv
mkdir -p "$data"
if [ ! -s "$file" ]; then
  echo "Generating $file (once) ..." >&2
  python3 "$here/make_psychopy_bench.py" "$file" 100000
fi

# One hyperfine measurement of the three, alternating, the medians in ms.
hyperfine -N --style none --runs "$runs" --warmup 2 --export-csv "$data/psychopy.csv" \
  "wc -l $file" "$tool psychopy $file" "$tool psychopy $file events" >/dev/null
wc=$(median_ms "$data/psychopy.csv" 2 1)
model=$(median_ms "$data/psychopy.csv" 3 1)
events=$(median_ms "$data/psychopy.csv" 4 1)
counts=$("$tool" psychopy "$file" events | awk '{ printf "%s %s, ", $2, $1 }')
cat <<EOT

### The PsychoPy data file's reader (\`bench_tool psychopy\`, 100,000 rows)

$(awk -v b="$(wc -c <"$file")" 'BEGIN { printf "%.1f MB", b / 1e6 }'): ${counts%, }.

| | median | ratio to \`wc -l\` |
|---|---|---|
| \`wc -l\` (the floor) | $wc ms | |
| the file read into its model | $model ms | $(ratio2 "$model" "$wc")x |
| and its events scanned | $events ms | $(ratio2 "$events" "$wc")x |

\`kwhost events\` on this file is to take at most 20x \`wc -l\`,
$(awk -v w="$wc" 'BEGIN { printf "%.0f ms", 20 * w }')
here; the reader's share is the last line.
EOT
rm -f "$data/psychopy.csv"
