#!/bin/sh
# `kwhost triggers --bold` side by side (run by bench/run_bench.sh, or alone): the shared
# 240-trigger log idor_sound.log against a gzipped image of 1.07 GB of zero voxels and
# against a tiny one, and plain `kwhost triggers` on the same log. The header is all that is
# read, so the big image must cost no more than 1.2x the tiny one, and --bold no more than
# 1.5x plain triggers. Prints a Markdown section with both ratios and their targets.
# Usage: bench/bold_bench.sh BUILD_DIR
#   SF_PRESENTATION_LOGS_DIR   the shared real logs (default ../shared/presentation-logs)
#   SF_BENCH_RUNS              rounds (default 9; medians shown)
set -eu

here=$(cd "$(dirname "$0")" && pwd)
. "$here/bench_functions.sh"
build=$(cd "$1" && pwd)
kwhost=$build/bin/kwhost
data=$build/bench-data/bold
runs=${SF_BENCH_RUNS:-9}
logs=${SF_PRESENTATION_LOGS_DIR:-$here/../../shared/presentation-logs}
log=$logs/idor_sound.log
if [ ! -r "$log" ]; then
  echo "bench: $log is missing: the --bold benchmark is left out" >&2
  exit 0
fi
mkdir -p "$data"
echo "Generating the BOLD images in $data (once) ..." >&2
/usr/bin/python3 "$here/make_bold_bench.py" "$data"

# One hyperfine measurement of all three, alternating, the medians in ms.
hyperfine -N -i --style none --runs "$runs" --warmup 2 --export-csv "$data/timing.csv" \
  "$kwhost triggers $log" \
  "$kwhost triggers $log --bold $data/tiny.nii.gz" \
  "$kwhost triggers $log --bold $data/big.nii.gz" >/dev/null
plain=$(median_ms "$data/timing.csv" 2 2)
tiny=$(median_ms "$data/timing.csv" 3 2)
big=$(median_ms "$data/timing.csv" 4 2)
big_ratio=$(ratio2 "$big" "$tiny")
bold_ratio=$(ratio2 "$big" "$plain")
big_bytes=$(wc -c <"$data/big.nii.gz" | tr -d ' ')
cat <<EOT

### The triggers check against a BOLD run (\`kwhost triggers idor_sound.log --bold\`)

The big image: 240 volumes of 128 x 128 x 136 int16 zeros, 1.07 GB of voxels, $(awk -v b="$big_bytes" 'BEGIN { printf "%.1f MB", b / 1e6 }') gzipped.

| command | median |
|---|---|
| \`kwhost triggers idor_sound.log\` | $plain ms |
| \`--bold tiny.nii.gz\` (4 x 4 x 2) | $tiny ms |
| \`--bold big.nii.gz\` | $big ms |

| target | reached | |
|---|---|---|
| big image at most 1.2x the tiny one | ${big_ratio}x | $(verdict "$big_ratio" 1.2) |
| --bold (big image) at most 1.5x plain triggers | ${bold_ratio}x | $(verdict "$bold_ratio" 1.5) |
EOT
