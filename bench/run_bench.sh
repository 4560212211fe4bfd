#!/bin/sh
# `make bench`: measures the import and the editing commands side by side, on the same
# generated files, and prints a Markdown table (docs/performance.md explains it).
# Usage: bench/run_bench.sh BUILD_DIR
#   SF_BENCH_RUNS   rounds of whole-process measurements (default 9; the medians are shown)
# Needs the built kwhost, bench_tool and stimforge_bench, hyperfine and GNU time.
set -eu

build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
. "$here/bench_functions.sh"
bin=$build/bin
data=$build/bench-data
runs=${SF_BENCH_RUNS:-9}
mkdir -p "$data"
cd "$data"

for tool in "$bin/kwhost" "$bin/bench_tool" "$bin/stimforge_bench"; do
  if [ ! -x "$tool" ]; then
    echo "bench: $tool is missing; build first (make bench does)" >&2
    exit 1
  fi
done

# once_ms OUTPUT COMMAND...: one run of COMMAND (no shell) under hyperfine, its standard
# output to OUTPUT (a file, or null); prints the time in ms. A command that fails stops the
# benchmark, unless $ignore_status is -i (`kwhost triggers` exits 1 on the generated log,
# whose triggers are irregular).
ignore_status=
once_ms() {
  output=$1
  shift
  hyperfine -N --style none --runs 1 $ignore_status --output "$output" --export-csv timing.csv "$*" \
    >/dev/null 2>hyperfine.err || {
    cat hyperfine.err >&2
    exit 1
  }
  # command,mean,stddev,median,user,system,min,max: the command itself may hold commas.
  awk -F, 'NR == 2 { printf "%.2f\n", $(NF - 4) * 1000 }' timing.csv
}

median() {  # the median of the numbers in the file $1
  sort -n "$1" | awk '{ v[NR] = $1 } END { m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.1f", m }'
}

# measure NAME OUTPUT COMMAND...: adds one run of COMMAND to the samples of NAME. The files
# of earlier runs (hundreds of megabytes of log pane) are written out first, so that their
# write-back does not fall into this run.
measure() {
  name=$1
  shift
  sync
  once_ms "$@" >>"samples.$name"
}

# max_rss_kb COMMAND...: the command's peak resident memory in KiB (GNU time).
max_rss_kb() {
  /usr/bin/time -f %M -o rss.txt "$@" >/dev/null 2>&1
  tail -n 1 rss.txt
}

ratio() {
  awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", a / b }'
}


echo "Generating inputs in $data ..." >&2
for n in 10000 100000 1000000; do
  "$bin/bench_tool" log $n 1 "log$n.log" >"log$n.txt"
done
"$bin/bench_tool" protocol 60 1000000 2 p60.prt >/dev/null
"$bin/bench_tool" protocol 23 1000000 3 p23.prt >/dev/null
order=$(awk 'BEGIN { for (i = 59; i >= 0; --i) printf "%s%d", (i < 59 ? "," : ""), i }')

load_before=$(cut -d' ' -f1-3 /proc/loadavg 2>/dev/null || echo "?")

# The machine may be shared: each round measures the floor and the commands compared
# with it one after the other, so that a change of load falls on all of them alike.
echo "Measuring the import ..." >&2
rm -f samples.*
for n in 10000 100000 1000000; do
  measure warm null "$bin/kwhost" import --subject-column log$n.log  # caches warm
  for round in $(seq "$runs"); do
    measure wc_$n null wc -l log$n.log
    measure file_$n "$data/pane.txt" "$bin/kwhost" import --subject-column log$n.log
    measure null_$n null "$bin/kwhost" import --subject-column log$n.log
  done
  eval "wc_$n=\$(median samples.wc_$n)"
  eval "file_$n=\$(median samples.file_$n)"
  eval "null_$n=\$(median samples.null_$n)"
  eval "rss_$n=\$(max_rss_kb \"$bin/kwhost\" import --subject-column log$n.log)"
done

# The import's I/O floor on the 1,000,000-event log: the two passes' reads of the log and
# the write of a pane of the same size through write(2) in 64 KiB pieces (dd, not cat, which
# copies file to file in the kernel); and the quiet import, whose floor is the reads alone,
# beside wc -l.
echo "Measuring the import against its I/O floor ..." >&2
pane_blocks=$(( ($(wc -c <pane.txt) + 65535) / 65536 ))
cat >iofloor.sh <<FLOOR
dd if=log1000000.log of=/dev/null bs=64K 2>/dev/null
dd if=log1000000.log of=/dev/null bs=64K 2>/dev/null
dd if=/dev/zero of=floor.txt bs=64K count=$pane_blocks 2>/dev/null
FLOOR
measure warm null "$bin/kwhost" import --subject-column --quiet log1000000.log
for round in $(seq "$runs"); do
  measure iofloor null sh iofloor.sh
  measure file_io "$data/pane.txt" "$bin/kwhost" import --subject-column log1000000.log
  measure wc_quiet null wc -l log1000000.log
  measure quiet null "$bin/kwhost" import --subject-column --quiet log1000000.log
done
iofloor=$(median samples.iofloor)
file_io=$(median samples.file_io)
wc_quiet=$(median samples.wc_quiet)
quiet_ms=$(median samples.quiet)
ratio_io=$(awk -v a="$file_io" -v b="$iofloor" 'BEGIN { printf "%.2f", a / b }')
ratio_quiet=$(ratio "$quiet_ms" "$wc_quiet")

# kwhost events on the 1,000,000-event log, beside wc -l again. The generated log's triggers
# fall into many scans, so time zero is the scenario's start; --force replaces the last
# round's files.
echo "Measuring kwhost events ..." >&2
measure warm null "$bin/kwhost" events log1000000.log --zero scenario --force
for round in $(seq "$runs"); do
  measure wc_events null wc -l log1000000.log
  measure events null "$bin/kwhost" events log1000000.log --zero scenario --force
done
wc_events=$(median samples.wc_events)
events_ms=$(median samples.events)
ratio_events=$(ratio "$events_ms" "$wc_events")
echo "Measuring the triggers check ..." >&2
ignore_status=-i
measure warm null "$bin/kwhost" triggers log1000000.log
for round in $(seq "$runs"); do
  measure wc_triggers null wc -l log1000000.log
  measure triggers null "$bin/kwhost" triggers log1000000.log
  measure triggers_json null "$bin/kwhost" triggers --json log1000000.log
done
ignore_status=
wc_triggers=$(median samples.wc_triggers)
triggers_ms=$(median samples.triggers)
triggers_json_ms=$(median samples.triggers_json)
ratio_triggers=$(ratio "$triggers_ms" "$wc_triggers")
ratio_triggers_json=$(ratio "$triggers_json_ms" "$wc_triggers")
triggers_worst=$(awk -v a="$ratio_triggers" -v b="$ratio_triggers_json" 'BEGIN { print (a > b ? a : b) }')

echo "Measuring the reader alone ..." >&2
"$bin/stimforge_bench" --log log1000000.log --benchmark_filter='reader' \
  --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_format=csv >reader.csv 2>/dev/null
lines=$(awk '$1 == "lines" { print $2 }' log1000000.txt)
# name,iterations,real_time,cpu_time,time_unit,bytes_per_second,...: the medians
reader_row() {
  awk -F, -v name="\"reader/$1_median\"" -v lines="$lines" '
    $1 == name { ms = $4; if ($5 == "us") ms /= 1000; if ($5 == "ns") ms /= 1e6
                 printf "%.1f ms | %.0f MB/s | %.0f ns", ms, $6 / 1e6, ms * 1e6 / lines }' reader.csv
}
reader_memory=$(reader_row memory)
reader_file=$(reader_row file)
reader_mbs=$(awk -F, '$1 == "\"reader/file_median\"" { printf "%.0f", $6 / 1e6 }' reader.csv)

echo "Measuring the editing commands ..." >&2
pane=$data/pane.txt
measure warm "$pane" "$bin/kwhost" shift p60.prt 500 --later
for round in $(seq "$runs"); do
  measure floor60 null "$bin/bench_tool" copy-protocol p60.prt copy.prt
  measure shift "$pane" "$bin/kwhost" shift p60.prt 500 --later
  measure reorder "$pane" "$bin/kwhost" reorder p60.prt "$order"
  measure floor23 null "$bin/bench_tool" copy-protocol p23.prt copy.prt
  measure preset "$pane" "$bin/kwhost" preset p23.prt 4
  measure floor60b null "$bin/bench_tool" copy-protocol p60.prt copy.prt
  measure plot null "$bin/kwhost" plot p60.prt -o p60.svg
done
floor60=$(median samples.floor60)
floor23=$(median samples.floor23)
shift_ms=$(median samples.shift)
reorder_ms=$(median samples.reorder)
preset_ms=$(median samples.preset)
floor60b=$(median samples.floor60b)
plot_ms=$(median samples.plot)
plot_bytes=$(wc -c <p60.svg | tr -d ' ')
plot_ratio=$(ratio "$plot_ms" "$floor60b")

load_after=$(cut -d' ' -f1-3 /proc/loadavg 2>/dev/null || echo "?")
bytes=$(awk '$1 == "bytes" { print $2 }' log1000000.txt)
selected=$(awk '$1 == "selected" { print $2 }' log1000000.txt)
ratio_file=$(ratio "$file_1000000" "$wc_1000000")
edit_worst=$(awk -v a="$(ratio "$shift_ms" "$floor60")" -v b="$(ratio "$reorder_ms" "$floor60")" \
  -v c="$(ratio "$preset_ms" "$floor23")" 'BEGIN { m = a; if (b > m) m = b; if (c > m) m = c; print m }')
per_event=$(awk -v a="$rss_1000000" -v b="$rss_10000" 'BEGIN { printf "%.0f", (a - b) * 1024 / 990000 }')

cat <<EOF

## stimforge benchmark

Machine: $(nproc) cores, $(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo 2>/dev/null || echo "?");
load average $load_before before, $load_after after. Whole-process times are medians of
$runs rounds (hyperfine), each round running the floor and the commands compared with it
one after the other; the reader's are medians of 5 repetitions (Google Benchmark, CPU time).

### Import through kwhost (\`kwhost import --subject-column LOG\`)

The 1,000,000-event log: $(awk -v b="$bytes" 'BEGIN { printf "%.1f MB", b / 1e6 }'), $lines lines, $selected selected events.

| | 10,000 events | 100,000 events | 1,000,000 events |
|---|---|---|---|
| \`wc -l\` (the floor) | $wc_10000 ms | $wc_100000 ms | $wc_1000000 ms |
| import, log pane to a file | $file_10000 ms ($(ratio "$file_10000" "$wc_10000")×) | $file_100000 ms ($(ratio "$file_100000" "$wc_100000")×) | $file_1000000 ms ($ratio_file×) |
| import, log pane to /dev/null | $null_10000 ms ($(ratio "$null_10000" "$wc_10000")×) | $null_100000 ms ($(ratio "$null_100000" "$wc_100000")×) | $null_1000000 ms ($(ratio "$null_1000000" "$wc_1000000")×) |
| peak memory (max RSS) | $(awk -v k="$rss_10000" 'BEGIN { printf "%.1f MB", k / 1024 }') | $(awk -v k="$rss_100000" 'BEGIN { printf "%.1f MB", k / 1024 }') | $(awk -v k="$rss_1000000" 'BEGIN { printf "%.1f MB", k / 1024 }') |

Against the I/O floor (the same 1,000,000-event log, measured side by side in the same rounds):

| | time | floor | ratio |
|---|---|---|---|
| import, log pane to a file | $file_io ms | $iofloor ms (two reads of the log, $(awk -v b="$pane_blocks" 'BEGIN { printf "%.0f MB", b * 65536 / 1e6 }') written by \`dd bs=64K\`) | $ratio_io× |
| \`kwhost import --quiet\` (no pane) | $quiet_ms ms | $wc_quiet ms (\`wc -l\`) | $ratio_quiet× |

- Scaling, 10,000 to 1,000,000 events (linear is about 100): pane to a file $(ratio "$file_1000000" "$file_10000")×, to /dev/null $(ratio "$null_1000000" "$null_10000")×; 100,000 to 1,000,000 (linear is 10): $(ratio "$file_1000000" "$file_100000")×.
- Memory per event (max RSS of 1,000,000 events less that of 10,000, over the 990,000 events between): $per_event bytes.

### BIDS events files (\`kwhost events log1000000.log --zero scenario\`)

| | time | \`wc -l\` | ratio |
|---|---|---|---|
| events file and sidecar of 1,000,000 events | $events_ms ms | $wc_events ms | $ratio_events× |

### The triggers check (\`kwhost triggers LOG\`, 1,000,000 events)

| command | time | \`wc -l\` | ratio |
|---|---|---|---|
| \`kwhost triggers log1000000.log\` (text report) | $triggers_ms ms | $wc_triggers ms | $ratio_triggers× |
| \`kwhost triggers --json log1000000.log\` | $triggers_json_ms ms | $wc_triggers ms | $ratio_triggers_json× |

### The reader alone (1,000,000 events, log lines formatted, dropped by the host)

| source | time | file bytes / time | per line |
|---|---|---|---|
| memory | $reader_memory |
| file | $reader_file |

### Editing commands on 1,000,000 intervals (log pane to a file)

The floor: \`bench_tool copy-protocol\`, the stand-in host's own code reading the protocol file and writing it back.

| command | time | floor | ratio |
|---|---|---|---|
| \`kwhost shift p60.prt 500 --later\` (60 conditions) | $shift_ms ms | $floor60 ms | $(ratio "$shift_ms" "$floor60")× |
| \`kwhost reorder p60.prt 59,58,...,0\` | $reorder_ms ms | $floor60 ms | $(ratio "$reorder_ms" "$floor60")× |
| \`kwhost preset p23.prt 4\` (23 conditions) | $preset_ms ms | $floor23 ms | $(ratio "$preset_ms" "$floor23")× |
| \`kwhost plot p60.prt\` (60 conditions, 1600 pixels wide; $(awk -v b="$plot_bytes" 'BEGIN { printf "%.0f KB", b / 1e3 }') of SVG) | $plot_ms ms | $floor60b ms | $plot_ratio× |

### Targets

| target | reached | |
|---|---|---|
| import of 1,000,000 events, pane to a file, at most 1.5× its I/O floor | $ratio_io× | $(verdict "$ratio_io" 1.5) |
| \`kwhost import --quiet\` of 1,000,000 events at most 15× \`wc -l\` | $ratio_quiet× | $(verdict "$ratio_quiet" 15) |
| reader at least 700 MB/s (from the file, both passes) | $reader_mbs MB/s | $(verdict 700 "$reader_mbs") |
| peak memory of the 1,000,000-event import at most 100 MB | $(awk -v k="$rss_1000000" 'BEGIN { printf "%.1f MB", k / 1024 }') | $(verdict "$rss_1000000" 102400) |
| events of 1,000,000 events at most 10× \`wc -l\` | $ratio_events× | $(verdict "$ratio_events" 10) |
| time linear in the events (10k to 1M about 100×, 100k to 1M about 10×) | $(ratio "$file_1000000" "$file_10000")×, $(ratio "$file_1000000" "$file_100000")× | $(verdict "$(ratio "$file_1000000" "$file_100000")" 12) |
| peak memory under 100 bytes per event plus a constant | $per_event bytes | $(verdict "$per_event" 100) |
| triggers check of 1,000,000 events at most 10× \`wc -l\` | $ratio_triggers×, $ratio_triggers_json× (JSON) | $(verdict "$triggers_worst" 10) |
| each editing command under 10× the floor | $(ratio "$shift_ms" "$floor60")×, $(ratio "$reorder_ms" "$floor60")×, $(ratio "$preset_ms" "$floor23")× | $(verdict "$edit_worst" 10) |
| plot of 1,000,000 intervals at most 2× the floor | $plot_ratio× | $(verdict "$plot_ratio" 2) |
| its SVG under 2 MB | $(awk -v b="$plot_bytes" 'BEGIN { printf "%.2f MB", b / 1e6 }') | $(verdict "$plot_bytes" 1999999) |
EOF
# The --bold check, the study and the PsychoPy reader: sections of their own, each runnable
# alone.
sh "$here/bold_bench.sh" "$build"
sh "$here/study_bench.sh" "$build"
sh "$here/psychopy_bench.sh" "$build"
rm -f pane.txt floor.txt iofloor.sh copy.prt p60.svg log1000000_events.tsv log1000000_events.json timing.csv hyperfine.err rss.txt samples.*
